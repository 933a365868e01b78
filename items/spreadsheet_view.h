// The spreadsheet view of the item list: a workbook "temp.xlsx" in the program home with a header
// row and one row per item (name, price, address, id), every cell formatted as text so that long
// ids and prices stay exactly as listed. Opening the workbook is the front end's job.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "items/item_list.h"

namespace kestrune {

// "temp.xlsx" in the program home; each showing replaces the previous one.
std::filesystem::path spreadsheetViewFile(const std::filesystem::path& home);

struct SpreadsheetResult {
  bool ok = false;
  std::string reason;  // why the workbook could not be written
};

// Writes the workbook, replacing an earlier file of that name.
SpreadsheetResult writeListSpreadsheet(const std::filesystem::path& file,
                                       const std::vector<ItemRow>& rows);

}  // namespace kestrune
