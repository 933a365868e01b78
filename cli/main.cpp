// kestrune-cli: the command-line front end over the same core as the window program.
#include <cstring>
#include <iostream>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: kestrune-cli [--home DIR] COMMAND ...\n"
    "       kestrune-cli --version\n"
    "       kestrune-cli --help\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  std::string first = argv[1];
  if (first == "--version") {
    std::cout << "kestrune-cli " << KESTRUNE_VERSION << "\n";
    return 0;
  }
  if (first == "--help") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << "kestrune-cli: unknown command '" << first << "'\n" << kUsage;
  return 2;
}
