// kestrune-cli: the command-line front end over the same core as the window program, for shop
// keepers who drive the copying from scripts and scheduled jobs.
#include <exception>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/add_command.h"
#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/generate_command.h"
#include "web/fetch.h"
#include "web/program_home.h"

int main(int argc, char** argv) {
  using namespace kestrune;
  using namespace kestrune::cli;

  const std::vector<std::string> words(argv + 1, argv + argc);
  const ParsedArguments parsed = parseArguments(words);
  if (!parsed.arguments) {
    tell(parsed.error);
    std::cerr << "Try 'kestrune-cli --help'.\n";
    return BadInput;
  }
  const Arguments& arguments = *parsed.arguments;
  switch (arguments.command) {
    case Command::Help:
      std::cout << helpText(arguments.helpFor);
      return Done;
    case Command::Version:
      std::cout << "kestrune-cli " << KESTRUNE_VERSION << "\n";
      return Done;
    default:
      break;
  }

  const std::filesystem::path home = resolveProgramHome(arguments.home);
  std::error_code error;
  if (!std::filesystem::is_directory(home, error)) {
    return fail(BadInput, "the program home " + pathText(home) + " is no folder");
  }
  configureWebAccess(home);

  try {
    if (arguments.command == Command::Generate) return runGenerate(arguments, home);
    return runAdd(arguments, home);
  } catch (const std::exception& error) {
    // The commands report their own failures; this is for what the system throws at them.
    return fail(NotDone, error.what());
  }
}
