#include "items/item_list_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "web/encoding.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;

// Rows as "name | price | address | id", for comparisons that print readably.
std::vector<std::string> texts(const std::vector<ItemRow>& rows) {
  std::vector<std::string> result;
  for (const ItemRow& row : rows) {
    result.push_back(row.name + " | " + row.price + " | " + row.address + " | " + row.id);
  }
  return result;
}

// Characters whose second GBK byte is 0x7C ("|"), found by walking the lead bytes.
std::vector<std::string> charactersWithBarTrailByte() {
  std::vector<std::string> found;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    const std::string bytes{static_cast<char>(lead), '|'};
    const std::string text = GbkToUtf8(bytes);
    if (text.find("\xEF\xBF\xBD") == std::string::npos && text.find('|') == std::string::npos &&
        Utf8ToGbk(text) == bytes) {
      found.push_back(text);
    }
  }
  return found;
}

class TemporaryFolder {
 public:
  TemporaryFolder() {
    path_ = fs::temp_directory_path() /
            ("kestrune-list-file-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(path_);
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string fileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(ItemListFileTest, RoundTripKeepsRowsWithBarTrailBytesAndEmptyFields) {
  const std::vector<std::string> tricky = charactersWithBarTrailByte();
  ASSERT_GE(tricky.size(), 3u) << "GBK has many characters whose trail byte is 0x7C";
  const std::string a = tricky[0], b = tricky[tricky.size() / 2], c = tricky.back();

  const std::vector<ItemRow> rows = {
      // Leading blanks of the very first name are lost; trailing ones stay.
      {" 　" + a + "|" + b + "  ", "12.50", "https://detail.1688.com/offer/1.html", "1"},
      // Ends with such a character right before the separator: naive byte search would split
      // at its trail byte.
      {"夏季" + c, "", "https://detail.1688.com/offer/2.html", "2"},
      // An empty address comes back as well.
      {" keeps blanks ", "3", "", "3"},
  };
  const std::string bytes = itemListFileBytes(rows);
  ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

  std::vector<ItemRow> expected = rows;
  expected[0].name = a + "|" + b + "  ";
  EXPECT_EQ(texts(parseItemListFile(bytes)), texts(expected));
}

TEST(ItemListFileTest, SplitsLinesAtTheirSeparators) {
  struct Case {
    std::string line;
    std::vector<std::string> fields;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"name", {"name"}},
      {"a||1||2.5||http://x", {"a", "1", "2.5", "http://x"}},
      {"a||1||||http://x", {"a", "1", "", "http://x"}},  // empty price
      {"||1||||", {"", "1", "", ""}},                      // three separators: four fields
      {"a||1||2||", {"a", "1", "2", ""}},                  // an item whose address is empty
      {"a||1||", {"a", "1"}},                              // a trailing empty field is no field
      {"a||b||c||d||e", {"a", "b", "c", "d", "e"}},
      {"a|||b", {"a", "|b"}},
      {"a||||||||", {"a", "", "", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(splitItemListLine(c.line), c.fields) << c.line;
}

TEST(ItemListFileTest, ReadsLineEndsAndSkipsLinesThatAreNotFourFields) {
  const std::string gbkName = Utf8ToGbk("女装");
  const std::string file = gbkName + "||1||9.9||http://a\n"     // LF alone
                           "b||2||||http://b\r\n"               // CR LF, empty price
                           "three||3||fields\r\n"               // skipped
                           "five||4||x||y||z\r\n"               // skipped
                           "\r\n"                               // empty line
                           "c||5||1||http://c" + std::string(1, '\0') +
                           "d||6||2||http://d\x1A"
                           "e||7||3||http://e\r";               // last line without LF
  const std::vector<ItemRow> expected = {
      {"女装", "9.9", "http://a", "1"}, {"b", "", "http://b", "2"}, {"c", "1", "http://c", "5"},
      {"d", "2", "http://d", "6"},     {"e", "3", "http://e", "7"},
  };
  EXPECT_EQ(texts(parseItemListFile(file)), texts(expected));
}

TEST(ItemListFileTest, WritesReadsAndAppendsFiles) {
  TemporaryFolder folder;
  const fs::path file = folder.path() / "列表.txt";
  const std::vector<ItemRow> first = {{"一", "", "http://1", "1"}, {"二", "2", "http://2", "2"}};

  ASSERT_TRUE(writeItemListFile(file, first).ok);
  EXPECT_EQ(fileBytes(file), Utf8ToGbk("一||1||||http://1\r\n二||2||2||http://2\r\n"));
  ItemListFileResult read = readItemListFile(file);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(texts(read.rows), texts(first));

  // Appending ends a last line that lacks its line end before adding rows.
  writeFileBytes(file, "a||1||2||http://a");
  ASSERT_TRUE(appendItemListFile(file, {{" b", "", "http://b", "9"}}).ok);
  EXPECT_EQ(fileBytes(file), "a||1||2||http://a\r\n b||9||||http://b\r\n");

  const fs::path created = folder.path() / "new.txt";
  ASSERT_TRUE(appendItemListFile(created, {{"x", "", "http://x", "5"}}).ok);
  EXPECT_EQ(fileBytes(created), "x||5||||http://x\r\n");
}

TEST(ItemListFileTest, ReportsFilesThatCannotBeWrittenOrRead) {
  TemporaryFolder folder;
  const fs::path notAFolder = folder.path() / "plain";
  writeFileBytes(notAFolder, "x");

  const ItemListFileResult written = writeItemListFile(notAFolder / "list.txt", {{"a", "", "", "1"}});
  EXPECT_FALSE(written.ok);
  EXPECT_FALSE(written.reason.empty());
  EXPECT_FALSE(appendItemListFile(notAFolder / "list.txt", {{"a", "", "", "1"}}).ok);

  for (const fs::path& unreadable : {folder.path() / "missing.txt", folder.path()}) {
    const ItemListFileResult read = readItemListFile(unreadable);
    EXPECT_FALSE(read.ok) << unreadable;
    EXPECT_FALSE(read.reason.empty());
  }
}

}  // namespace
}  // namespace kestrune
