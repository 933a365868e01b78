#include "items/spreadsheet_view.h"

#include <gtest/gtest.h>
#include <unzip.h>

#include <chrono>
#include <map>
#include <regex>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

// One member of a zip archive; empty when it is missing.
std::string zipMember(const fs::path& archive, const char* member) {
  unzFile zip = unzOpen(archive.string().c_str());
  if (zip == nullptr) return {};
  std::string data;
  if (unzLocateFile(zip, member, 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
    char buffer[4096];
    int read = 0;
    while ((read = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) data.append(buffer, read);
    unzCloseCurrentFile(zip);
  }
  unzClose(zip);
  return data;
}

std::string unescapeXml(std::string text) {
  const std::pair<std::string, std::string> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, character] : entities) {
    for (std::size_t at = text.find(entity); at != std::string::npos;
         at = text.find(entity, at + 1)) {
      text.replace(at, entity.size(), character);
    }
  }
  return text;
}

struct Cell {
  std::string text;
  std::string style;
};

// The cells of the first sheet by reference ("A1"), their texts looked up in the shared strings.
std::map<std::string, Cell> sheetCells(const fs::path& workbook) {
  std::vector<std::string> shared;
  const std::string strings = zipMember(workbook, "xl/sharedStrings.xml");
  const std::regex item("<si><t[^>]*>([^<]*)</t></si>");
  for (auto it = std::sregex_iterator(strings.begin(), strings.end(), item);
       it != std::sregex_iterator(); ++it) {
    shared.push_back(unescapeXml((*it)[1]));
  }
  std::map<std::string, Cell> cells;
  const std::string sheet = zipMember(workbook, "xl/worksheets/sheet1.xml");
  const std::regex cell("<c r=\"([A-Z]+[0-9]+)\"( s=\"([0-9]+)\")?( t=\"s\")?(/>|><v>([0-9]+)</v></c>)");
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell);
       it != std::sregex_iterator(); ++it) {
    Cell value;
    value.style = (*it)[3];
    if ((*it)[6].matched) value.text = shared.at(std::stoul((*it)[6]));
    cells[(*it)[1]] = value;
  }
  return cells;
}

TEST(SpreadsheetViewTest, WritesHeaderAndRowsAsTextCells) {
  const fs::path home = fs::temp_directory_path() /
                        ("kestrune-sheet-" +
                         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(home);
  const fs::path file = spreadsheetViewFile(home);
  EXPECT_EQ(file.filename(), "temp.xlsx");

  const std::vector<ItemRow> rows = {
      {"夏季 <新款> & 连衣裙", "0012.50", "https://detail.1688.com/offer/1.html", "00123456789012345678"},
      {"二", "", "", "2"},
  };
  // An earlier workbook is replaced.
  ASSERT_TRUE(writeListSpreadsheet(file, {{"old", "1", "http://old", "9"}}).ok);
  ASSERT_TRUE(writeListSpreadsheet(file, rows).ok);

  const std::map<std::string, Cell> cells = sheetCells(file);
  const std::map<std::string, std::string> expected = {
      {"A1", "宝贝名称"}, {"B1", "宝贝价格"}, {"C1", "宝贝地址"}, {"D1", "id"},
      {"A2", rows[0].name}, {"B2", "0012.50"}, {"C2", rows[0].address}, {"D2", rows[0].id},
      {"A3", "二"}, {"B3", ""}, {"C3", ""}, {"D3", "2"},
  };
  std::map<std::string, std::string> texts;
  for (const auto& [reference, cell] : cells) texts[reference] = cell.text;
  for (const auto& [reference, text] : expected) EXPECT_EQ(texts[reference], text) << reference;
  EXPECT_EQ(cells.count("A4"), 0u);

  // Every written cell carries the text format "@" (built-in number format 49).
  const std::string styles = zipMember(file, "xl/styles.xml");
  const std::string textStyle = cells.at("A1").style;
  ASSERT_FALSE(textStyle.empty());
  const std::regex xfs("<cellXfs[^>]*>(.*)</cellXfs>");
  std::smatch xfList;
  ASSERT_TRUE(std::regex_search(styles, xfList, xfs));
  const std::string xfText = xfList[1];
  std::vector<std::string> formats;
  const std::regex xf("<xf numFmtId=\"([0-9]+)\"");
  for (auto it = std::sregex_iterator(xfText.begin(), xfText.end(), xf);
       it != std::sregex_iterator(); ++it) {
    formats.push_back((*it)[1]);
  }
  ASSERT_LT(std::stoul(textStyle), formats.size());
  EXPECT_EQ(formats[std::stoul(textStyle)], "49");
  for (const auto& [reference, cell] : cells) EXPECT_EQ(cell.style, textStyle) << reference;

  fs::remove_all(home);
}

TEST(SpreadsheetViewTest, ReportsAWorkbookThatCannotBeWritten) {
  const SpreadsheetResult result =
      writeListSpreadsheet(fs::temp_directory_path() / "kestrune-no-such-folder" / "x" / "temp.xlsx", {});
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.reason.empty());
}

}  // namespace
}  // namespace kestrune
