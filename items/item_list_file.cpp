#include "items/item_list_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "web/encoding.h"
#include "web/text.h"

namespace kestrune {

namespace {

constexpr std::string_view Separator = "||";
constexpr std::string_view LineEnd = "\r\n";
constexpr char EndOfFileMark = 26;

bool isGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool isGbkTrailByte(unsigned char byte) {
  return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

bool isLineEnd(char byte) { return byte == '\n' || byte == '\0' || byte == EndOfFileMark; }

// The reason of the last failed call; streams leave errno as the system set it, or 0 when the
// failure was not the system's (then the general "input/output error" stands for it).
ItemListFileResult failure(int error = errno) {
  ItemListFileResult result;
  result.reason = std::error_code(error ? error : EIO, std::generic_category()).message();
  return result;
}

std::string lineText(const ItemRow& row) {
  std::string line = row.name;
  line.append(Separator).append(row.id).append(Separator).append(row.price);
  line.append(Separator).append(row.address).append(LineEnd);
  return line;
}

ItemListFileResult writeBytes(const std::filesystem::path& file, std::string_view bytes,
                              std::ios::openmode mode) {
  errno = 0;
  std::ofstream out(file, std::ios::binary | mode);
  if (!out) return failure();
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return failure();
  ItemListFileResult result;
  result.ok = true;
  return result;
}

}  // namespace

std::string pathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string itemListFileBytes(const std::vector<ItemRow>& rows) {
  std::string text;
  for (const ItemRow& row : rows) text += lineText(row);
  // The trim only ever bites at the start: the text ends with CR LF, which is no blank.
  return Utf8ToGbk(Trim(text));
}

std::vector<std::string> splitItemListLine(std::string_view gbkLine) {
  std::vector<std::string> fields;
  if (gbkLine.empty()) return fields;
  std::size_t fieldStart = 0;
  std::size_t position = 0;
  while (position < gbkLine.size()) {
    const auto byte = static_cast<unsigned char>(gbkLine[position]);
    if (isGbkLeadByte(byte) && position + 1 < gbkLine.size() &&
        isGbkTrailByte(static_cast<unsigned char>(gbkLine[position + 1]))) {
      position += 2;
    } else if (gbkLine.substr(position, Separator.size()) == Separator) {
      fields.emplace_back(gbkLine.substr(fieldStart, position - fieldStart));
      position += Separator.size();
      fieldStart = position;
    } else {
      ++position;
    }
  }
  const std::size_t separators = fields.size();
  const std::string_view last = gbkLine.substr(fieldStart);
  // An empty tail after the last separator is no field, except that "name||id||price||" is an
  // item with an empty address and must come back as one.
  if (!last.empty() || separators == 3) fields.emplace_back(last);
  return fields;
}

std::vector<ItemRow> parseItemListFile(std::string_view gbkBytes) {
  std::vector<ItemRow> rows;
  std::size_t lineStart = 0;
  while (lineStart < gbkBytes.size()) {
    std::size_t lineEnd = lineStart;
    while (lineEnd < gbkBytes.size() && !isLineEnd(gbkBytes[lineEnd])) ++lineEnd;
    std::string_view line = gbkBytes.substr(lineStart, lineEnd - lineStart);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lineStart = lineEnd + 1;

    const std::vector<std::string> fields = splitItemListLine(line);
    if (fields.size() != 4) continue;
    ItemRow row;
    row.name = GbkToUtf8(fields[0]);
    row.id = GbkToUtf8(fields[1]);
    row.price = GbkToUtf8(fields[2]);
    row.address = GbkToUtf8(fields[3]);
    rows.push_back(std::move(row));
  }
  return rows;
}

ItemListFileResult writeItemListFile(const std::filesystem::path& file,
                                     const std::vector<ItemRow>& rows) {
  return writeBytes(file, itemListFileBytes(rows), std::ios::trunc);
}

ItemListFileResult appendItemListFile(const std::filesystem::path& file,
                                      const std::vector<ItemRow>& rows) {
  std::error_code error;
  const bool exists = std::filesystem::exists(file, error);
  std::string bytes;
  if (exists) {
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) return failure(error.value());
    errno = 0;
    if (size > 0) {
      std::ifstream in(file, std::ios::binary);
      if (!in) return failure();
      in.seekg(-1, std::ios::end);
      char last = 0;
      if (!in.get(last)) return failure();
      if (last == '\r') {
        bytes.push_back('\n');
      } else if (!isLineEnd(last)) {
        bytes.append(LineEnd);
      }
      // The leading-blank trim belongs to the start of a file, not to rows added below others.
      for (const ItemRow& row : rows) bytes += Utf8ToGbk(lineText(row));
      return writeBytes(file, bytes, std::ios::app);
    }
  }
  return writeBytes(file, itemListFileBytes(rows), std::ios::trunc);
}

ItemListFileResult readItemListFile(const std::filesystem::path& file) {
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) return failure(EISDIR);
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) return failure();
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return failure();
  ItemListFileResult result;
  result.ok = true;
  result.rows = parseItemListFile(bytes);
  return result;
}

}  // namespace kestrune
