// The questions and notices that commands put to the user: message boxes, yes/no questions and
// file choices. The window shows real dialogs; the command-line program and the tests answer
// through their own implementations, so no command ever blocks on a box nobody can see.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kestrune {

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // A notice with one button. The title is "提示" unless the command names another.
  virtual void message(const std::string& text, const std::string& title) = 0;
  // A question answered yes (true) or no.
  virtual bool ask(const std::string& text, const std::string& title) = 0;
  // A file to write, which need not exist yet; nullopt when the user cancels. `filter` reads
  // like "逗号分隔符文件(*.csv)", `defaultSuffix` like "csv".
  virtual std::optional<std::filesystem::path> chooseSaveFile(const std::string& title,
                                                              const std::string& filter,
                                                              const std::string& defaultSuffix) = 0;
  // An existing file to read; nullopt when the user cancels.
  virtual std::optional<std::filesystem::path> chooseOpenFile(const std::string& title,
                                                              const std::string& filter) = 0;
};

}  // namespace kestrune
