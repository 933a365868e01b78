#include "cli/arguments.h"

#include <charconv>

namespace kestrune::cli {

namespace {

constexpr const char* Overview =
    "usage: kestrune-cli [--home DIR] generate --list FILE [--out PACKAGE] [--kind taobao|business]\n"
    "       kestrune-cli [--home DIR] add [--mode item|list|shop] [--pages FROM-TO] --list FILE ADDRESS\n"
    "       kestrune-cli --help | --version\n"
    "\n"
    "Commands:\n"
    "  generate   copy the items of a list file into one import package\n"
    "  add        append the items an address names to a list file\n"
    "\n"
    "  --home DIR  the program home, whose options/ folder holds the settings, endpoints and\n"
    "              sign-in cookies (default: $KESTRUNE_HOME, else the folder of this program)\n"
    "\n"
    "Exit status: 0 when the work was done, 1 when it could not be done, 2 for a usage error\n"
    "or bad input. \"kestrune-cli COMMAND --help\" tells more about a command.\n";

constexpr const char* GenerateHelp =
    "usage: kestrune-cli [--home DIR] generate --list FILE [--out PACKAGE] [--kind taobao|business]\n"
    "\n"
    "Copies every item of the list FILE into one import package, as the window's \"生成数据包\"\n"
    "does: five workers, the settings of options/options.ini, the sign-in cookies of the home.\n"
    "\n"
    "  --list FILE     the item list file (\"name||id||price||address\" lines, GBK)\n"
    "  --out PACKAGE   the package file; \".csv\" is added to a name without extension. Its\n"
    "                  pictures go into a folder of the same name beside it. Default: a new\n"
    "                  file in the folder \"Kestrune生成数据包\" on the desktop\n"
    "  --kind KIND     taobao (Taobao Assistant 5.x) or business (Business Assistant); default:\n"
    "                  the kind chosen in the settings\n"
    "\n"
    "The operation log goes to standard error as it happens; the package path is printed on\n"
    "standard output. Items that failed are written to FILE.failed.txt, a list file to run\n"
    "again. Ctrl-C stops the run: no package is written.\n"
    "Exit status: 0 when the package holds at least one item, 1 when no package was written or\n"
    "no item could be copied, 2 for a usage error or a list file that cannot be read.\n";

constexpr const char* AddHelp =
    "usage: kestrune-cli [--home DIR] add [--mode item|list|shop] [--pages FROM-TO] --list FILE ADDRESS\n"
    "\n"
    "Appends the items that ADDRESS names to the list FILE (created when missing), as the\n"
    "window's \"添加到列表\" does.\n"
    "\n"
    "  --mode MODE      item: ADDRESS is one item's page (default); list: a category or search\n"
    "                   list of a shop; shop: a shop's home page\n"
    "  --pages FROM-TO  the listing pages to read when a listing has more than 35 pages (at\n"
    "                   most 36 pages at a time)\n"
    "  --list FILE      the item list file to append to\n"
    "\n"
    "Exit status: 0 when items were added, 1 when none were, 2 for a usage error or bad input.\n";

// A value given as "--flag VALUE" or "--flag=VALUE".
struct Flag {
  std::string name;
  std::optional<std::string> inlineValue;
};

Flag splitFlag(const std::string& word) {
  const std::size_t equals = word.find('=');
  if (word.starts_with("--") && equals != std::string::npos) {
    return {word.substr(0, equals), word.substr(equals + 1)};
  }
  return {word, std::nullopt};
}

std::optional<int> pageNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
  return value;
}

std::optional<PageRange> pageRange(const std::string& text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string::npos) return std::nullopt;
  const std::optional<int> from = pageNumber(std::string_view(text).substr(0, dash));
  const std::optional<int> to = pageNumber(std::string_view(text).substr(dash + 1));
  if (!from || !to) return std::nullopt;
  return PageRange{*from, *to};
}

}  // namespace

std::string helpText(const std::string& command) {
  if (command == "generate") return GenerateHelp;
  if (command == "add") return AddHelp;
  return Overview;
}

ParsedArguments parseArguments(const std::vector<std::string>& words) {
  ParsedArguments parsed;
  Arguments arguments;
  std::optional<std::string> commandName;
  bool help = false;

  for (std::size_t i = 0; i < words.size(); ++i) {
    const Flag flag = splitFlag(words[i]);
    auto value = [&]() -> std::optional<std::string> {
      if (flag.inlineValue) return flag.inlineValue;
      if (i + 1 < words.size()) return words[++i];
      return std::nullopt;
    };
    auto fail = [&](std::string error) {
      parsed.error = std::move(error);
      return parsed;
    };
    auto takeValue = [&](std::string& into) -> bool {
      const std::optional<std::string> given = value();
      if (!given || given->empty()) return false;
      into = *given;
      return true;
    };

    if (flag.name == "--help" || flag.name == "-h") {
      help = true;
    } else if (flag.name == "--version" && !commandName) {
      arguments.command = Command::Version;
      parsed.arguments = arguments;
      return parsed;
    } else if (flag.name == "--home") {
      if (!takeValue(arguments.home)) return fail("--home needs a folder");
    } else if (!commandName) {
      if (words[i].starts_with("-")) return fail("unknown option '" + words[i] + "'");
      if (words[i] != "generate" && words[i] != "add") {
        return fail("unknown command '" + words[i] + "'");
      }
      commandName = words[i];
    } else if (flag.name == "--list") {
      if (!takeValue(arguments.listFile)) return fail("--list needs a file");
    } else if (flag.name == "--out" && *commandName == "generate") {
      if (!takeValue(arguments.outFile)) return fail("--out needs a package file");
    } else if (flag.name == "--kind" && *commandName == "generate") {
      std::string kind;
      takeValue(kind);
      if (kind == "taobao") {
        arguments.kind = OutputKind::TaobaoAssistant;
      } else if (kind == "business") {
        arguments.kind = OutputKind::BusinessAssistant;
      } else {
        return fail("--kind must be taobao or business");
      }
    } else if (flag.name == "--mode" && *commandName == "add") {
      if (!takeValue(arguments.mode) ||
          (arguments.mode != "item" && arguments.mode != "list" && arguments.mode != "shop")) {
        return fail("--mode must be item, list or shop");
      }
    } else if (flag.name == "--pages" && *commandName == "add") {
      std::string pages;
      if (takeValue(pages)) arguments.pages = pageRange(pages);
      if (!arguments.pages) return fail("--pages must be FROM-TO, two page numbers from 1");
    } else if (words[i].starts_with("-") && words[i] != "-") {
      return fail("unknown option '" + words[i] + "' for " + *commandName);
    } else if (*commandName == "add" && arguments.address.empty()) {
      arguments.address = words[i];
    } else {
      return fail("unexpected argument '" + words[i] + "'");
    }
  }

  if (help) {
    arguments.command = Command::Help;
    arguments.helpFor = commandName.value_or("");
    parsed.arguments = arguments;
    return parsed;
  }
  if (!commandName) {
    parsed.error = "no command given";
    return parsed;
  }
  if (arguments.listFile.empty()) {
    parsed.error = *commandName + " needs --list FILE";
    return parsed;
  }
  if (*commandName == "generate") {
    arguments.command = Command::Generate;
  } else {
    arguments.command = Command::Add;
    if (arguments.address.empty()) {
      parsed.error = "add needs an ADDRESS";
      return parsed;
    }
    if (arguments.pages && arguments.mode == "item") {
      parsed.error = "--pages applies to list and shop modes only";
      return parsed;
    }
  }
  parsed.arguments = arguments;
  return parsed;
}

}  // namespace kestrune::cli
