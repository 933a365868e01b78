// Item list files: the queue saved as GBK text, one item a line, "name||id||price||address"
// followed by CR LF, so a long list can be split over several runs or the failed items kept for
// later. This file reads and writes the bytes; asking for the file and telling the user the
// outcome is the front end's job.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_list.h"

namespace kestrune {

// The file's GBK bytes for these rows. Each row gives one line in the file's field order (name,
// id, price, address) ended by CR LF. Blanks at the very start of the text (the first name's
// leading ASCII and full-width blanks) are dropped, as the shop keepers' older files have it.
std::string itemListFileBytes(const std::vector<ItemRow>& rows);

// The fields of one line (GBK bytes, without its line end), split at every "||". The search
// steps over two-byte GBK characters whole, so a trail byte 0x7C never starts a separator.
// Empty fields between separators are kept; an empty field after the last separator counts only
// when the line has exactly three separators (an item whose address is empty); an empty line has
// no fields. The fields come back as GBK bytes.
std::vector<std::string> splitItemListLine(std::string_view gbkLine);

// The rows of a list file's bytes. Lines end at LF, NUL or byte 26, and a CR right before a line
// end is dropped. Only lines of exactly four fields become rows; others are skipped.
std::vector<ItemRow> parseItemListFile(std::string_view gbkBytes);

// Outcome of a file operation. When it failed, `reason` is the system's word for why (the front
// end names the file in its own message).
struct ItemListFileResult {
  bool ok = false;
  std::string reason;
  std::vector<ItemRow> rows;  // readItemListFile only
};

// Replaces the file's content with the rows.
ItemListFileResult writeItemListFile(const std::filesystem::path& file,
                                     const std::vector<ItemRow>& rows);

// Appends the rows to the file, creating it when missing; an existing last line without a line
// end is ended first, so the new rows never run into it.
ItemListFileResult appendItemListFile(const std::filesystem::path& file,
                                      const std::vector<ItemRow>& rows);

// Reads the rows of a file; fails (and says why) when it cannot be opened or read.
ItemListFileResult readItemListFile(const std::filesystem::path& file);

// A path as the program's UTF-8 text, for messages.
std::string pathText(const std::filesystem::path& path);

}  // namespace kestrune
