// The Taobao Assistant 5.x import file: a GBK CSV file with a fixed three-line header and one
// row of 49 columns per copied item. Rows are built by the workers as items succeed and written
// once at the end of the run. The pictures the rows name are stored by the picture stage.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "acquire/item_record.h"
#include "package/package_file.h"

namespace kestrune {

// The three header lines, each closed by CR LF.
std::string taobaoPackageHeader();

// The record's row: 49 CSV fields and the closing CR LF. Every field reads back exactly as the
// record holds it: quoted columns have their quotes doubled, and a bare column that holds a
// comma, a quote or a line break is quoted too.
std::string buildTaobaoRow(const ItemRecord& record);

// Writes the header and the rows, as GBK bytes, to `packagePath`. An existing file of that name
// stays as it was when the write fails.
WriteOutcome writeTaobaoPackage(const std::filesystem::path& packagePath,
                                std::string_view packageRows);

}  // namespace kestrune
