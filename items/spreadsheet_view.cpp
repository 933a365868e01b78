#include "items/spreadsheet_view.h"

#include <xlsxwriter.h>

#include <array>
#include <string_view>

#include "items/item_list_file.h"

namespace kestrune {

namespace {

constexpr std::array<std::string_view, 4> HeaderCells = {"宝贝名称", "宝贝价格", "宝贝地址", "id"};

// The most characters a cell holds; a longer text is cut there rather than left out.
constexpr std::size_t MaxCellCharacters = 32767;

std::string cellText(const std::string& text) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80 && ++characters > MaxCellCharacters) return text.substr(0, i);
  }
  return text;
}

}  // namespace

std::filesystem::path spreadsheetViewFile(const std::filesystem::path& home) {
  return home / "temp.xlsx";
}

SpreadsheetResult writeListSpreadsheet(const std::filesystem::path& file,
                                       const std::vector<ItemRow>& rows) {
  SpreadsheetResult result;
  const std::string name = pathText(file);
  lxw_workbook* workbook = workbook_new(name.c_str());
  if (workbook == nullptr) {
    result.reason = "out of memory";
    return result;
  }
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  lxw_format* text = workbook_add_format(workbook);
  // Built-in format 49 is the spreadsheet's own "@" (text), which every viewer knows.
  format_set_num_format_index(text, 49);
  // The columns hold text whatever they look like; the width only spares the reader a resize.
  worksheet_set_column(sheet, 0, 0, 60, text);
  worksheet_set_column(sheet, 1, 1, 12, text);
  worksheet_set_column(sheet, 2, 2, 50, text);
  worksheet_set_column(sheet, 3, 3, 16, text);

  for (lxw_col_t column = 0; column < HeaderCells.size(); ++column) {
    worksheet_write_string(sheet, 0, column, std::string(HeaderCells[column]).c_str(), text);
  }
  lxw_row_t rowNumber = 1;
  for (const ItemRow& row : rows) {
    const std::array<const std::string*, 4> cells = {&row.name, &row.price, &row.address, &row.id};
    for (lxw_col_t column = 0; column < cells.size(); ++column) {
      worksheet_write_string(sheet, rowNumber, column, cellText(*cells[column]).c_str(), text);
    }
    ++rowNumber;
  }

  const lxw_error error = workbook_close(workbook);
  if (error != LXW_NO_ERROR) {
    result.reason = lxw_strerror(error);
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace kestrune
