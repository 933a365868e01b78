#include "web/profile_file.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "web/encoding.h"

namespace kestrune {
namespace {

std::string_view trimBlanks(std::string_view text) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> sectionOf(std::string_view line) {
  line = trimBlanks(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  auto close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trimBlanks(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> keyOf(std::string_view line) {
  auto equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  auto key = trimBlanks(line.substr(0, equals));
  if (key.empty() || key.front() == ';') return std::nullopt;
  return KeyLine{key, trimBlanks(line.substr(equals + 1))};
}

}  // namespace

ProfileFile ProfileFile::load(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return fromText(GbkToUtf8(bytes.str()));
}

ProfileFile ProfileFile::fromText(std::string_view utf8Text) {
  ProfileFile profile;
  size_t start = 0;
  while (start < utf8Text.size()) {
    auto end = utf8Text.find('\n', start);
    auto line = utf8Text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    profile.lines_.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return profile;
}

std::optional<std::string> ProfileFile::value(std::string_view section, std::string_view key) const {
  bool inSection = false;
  for (const auto& line : lines_) {
    if (auto name = sectionOf(line)) {
      inSection = equalsIgnoringCase(*name, section);
      continue;
    }
    if (!inSection) continue;
    if (auto entry = keyOf(line); entry && equalsIgnoringCase(entry->key, key)) {
      auto value = entry->value;
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      return std::string(value);
    }
  }
  return std::nullopt;
}

std::string ProfileFile::value(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
  auto found = value(section, key);
  return found ? *found : std::string(fallback);
}

void ProfileFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
  std::string newLine = std::string(key) + "=" + std::string(value);
  bool inSection = false;
  std::optional<size_t> sectionEnd;  // index after the last non-blank line of the section
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (auto name = sectionOf(lines_[i])) {
      if (inSection) break;
      inSection = equalsIgnoringCase(*name, section);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (auto entry = keyOf(lines_[i]); entry && equalsIgnoringCase(entry->key, key)) {
      lines_[i] = newLine;
      return;
    }
    if (!trimBlanks(lines_[i]).empty()) sectionEnd = i + 1;
  }
  if (sectionEnd) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), newLine);
    return;
  }
  while (!lines_.empty() && trimBlanks(lines_.back()).empty()) lines_.pop_back();
  lines_.push_back("[" + std::string(section) + "]");
  lines_.push_back(newLine);
}

std::vector<std::string> ProfileFile::keys(std::string_view section) const {
  std::vector<std::string> names;
  bool inSection = false;
  for (const auto& line : lines_) {
    if (auto name = sectionOf(line)) {
      inSection = equalsIgnoringCase(*name, section);
      continue;
    }
    if (inSection) {
      if (auto entry = keyOf(line)) names.emplace_back(entry->key);
    }
  }
  return names;
}

std::string ProfileFile::text() const {
  std::string joined;
  for (const auto& line : lines_) {
    joined += line;
    joined += "\r\n";
  }
  return joined;
}

std::optional<std::string> ProfileFile::save(const std::filesystem::path& path) const {
  std::error_code error;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
  auto temporary = path;
  temporary += ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    auto bytes = Utf8ToGbk(text());
    if (!file || !file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !file.flush()) {
      std::filesystem::remove(temporary, error);
      return "无法写入文件：" + path.string();
    }
  }
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    return "无法写入文件：" + path.string();
  }
  return std::nullopt;
}

}  // namespace kestrune
