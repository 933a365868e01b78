// kestrune-cli add: "添加到列表" for one address, with a list file in place of the list view.
// The rows the intake finds are appended to the file (created when missing), so several adds
// build up one list for a later generate.
#pragma once

#include <filesystem>

#include "cli/arguments.h"

namespace kestrune::cli {

int runAdd(const Arguments& arguments, const std::filesystem::path& home);

}  // namespace kestrune::cli
