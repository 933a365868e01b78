// What kestrune-cli puts on the terminal in place of the window: the operation log on standard
// error as the lines come, one-line notices for what the window would show in a message box, and
// Ctrl-C (or a polite kill) turned into a flag the commands poll, as "停止" does in the window.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "web/operation_log.h"
#include "web/user_dialogs.h"

namespace kestrune::cli {

// Exit statuses of every command.
enum ExitStatus { Done = 0, NotDone = 1, BadInput = 2 };

// Prints "kestrune-cli: " + message on standard error and returns `status`.
int fail(int status, std::string_view message);
// Prints "kestrune-cli: " + message on standard error.
void tell(std::string_view message);

// Log lines on standard error, each on a line of its own (the CR LF becomes the terminal's
// line end). Lines from several threads never mix.
class StandardErrorLog : public LogSink {
 public:
  void writeLogLine(std::string line) override;
};

// Message boxes become notices on standard error; nobody is there to answer a question or
// choose a file, so questions are answered no and file choices cancelled.
class ConsoleDialogs : public UserDialogs {
 public:
  void message(const std::string& text, const std::string& title) override;
  bool ask(const std::string& text, const std::string& title) override;
  std::optional<std::filesystem::path> chooseSaveFile(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& defaultSuffix) override;
  std::optional<std::filesystem::path> chooseOpenFile(const std::string& title,
                                                      const std::string& filter) override;
};

// Catches Ctrl-C and the termination request from now on; a second one ends the program at once.
void watchForInterrupt();
bool interrupted();

// A path from the command line (UTF-8 text) and back.
std::filesystem::path pathFromArgument(const std::string& text);
std::string pathText(const std::filesystem::path& path);

}  // namespace kestrune::cli
