// The window program's answers to UserDialogs: real message boxes and file dialogs, modal over
// the window they are given.
#pragma once

#include <QPointer>
#include <QWidget>

#include "web/user_dialogs.h"

namespace kestrune {

class WidgetDialogs : public UserDialogs {
 public:
  explicit WidgetDialogs(QWidget* parent) : parent_(parent) {}

  void message(const std::string& text, const std::string& title) override;
  bool ask(const std::string& text, const std::string& title) override;
  std::optional<std::filesystem::path> chooseSaveFile(const std::string& title, const std::string& filter,
                                                      const std::string& defaultSuffix) override;
  std::optional<std::filesystem::path> chooseOpenFile(const std::string& title,
                                                      const std::string& filter) override;

 private:
  QPointer<QWidget> parent_;
};

// Conversions at the border between the program's UTF-8 text and Qt.
QString toQt(const std::string& text);
std::string fromQt(const QString& text);
std::filesystem::path pathFromQt(const QString& path);
QString pathToQt(const std::filesystem::path& path);

}  // namespace kestrune
