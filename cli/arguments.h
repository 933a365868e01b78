// The command line of kestrune-cli: which command to run and with what, checked for form only
// (a flag the command does not know, a value missing or malformed). Whether the named files and
// addresses are any good is for the commands to find out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "acquire/settings.h"
#include "items/harvest.h"

namespace kestrune::cli {

enum class Command { Help, Version, Generate, Add };

struct Arguments {
  Command command = Command::Help;
  std::string home;  // --home; empty leaves the choice to KESTRUNE_HOME or the program's folder
  std::string helpFor;  // "generate" or "add" after "COMMAND --help"; empty for the overview

  // generate
  std::string listFile;
  std::string outFile;
  std::optional<OutputKind> kind;

  // add (also listFile)
  std::string mode = "item";  // item, list or shop
  std::optional<PageRange> pages;
  std::string address;
};

struct ParsedArguments {
  std::optional<Arguments> arguments;
  std::string error;  // one line naming the problem when arguments is empty
};

ParsedArguments parseArguments(const std::vector<std::string>& words);

// The text of --help: the overview, or the help of one command.
std::string helpText(const std::string& command);

}  // namespace kestrune::cli
