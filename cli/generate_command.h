// kestrune-cli generate: one generation run over the items of a list file, as the window's
// "生成数据包" runs it, with the terminal as its window: the log on standard error, the package
// path on standard output, the failed items in a list file beside the given one.
#pragma once

#include <filesystem>

#include "cli/arguments.h"

namespace kestrune::cli {

int runGenerate(const Arguments& arguments, const std::filesystem::path& home);

}  // namespace kestrune::cli
