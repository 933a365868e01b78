// The list panel's file commands: "导出列表" saves the item list to a list file, "导入列表" replaces
// the list with a file's items, and "用EXCEL打开宝贝列表" shows the list in the desktop's spreadsheet
// program. The file format lives in items/; this file asks for the files and tells the outcome.
#pragma once

#include <QObject>
#include <filesystem>
#include <functional>

namespace kestrune {

class MainWindow;

class ListFileCommands : public QObject {
  Q_OBJECT

 public:
  // Answers the window's list-file buttons and menu entries; `home` receives the spreadsheet's
  // workbook.
  ListFileCommands(MainWindow& window, std::filesystem::path home);

  // How the workbook is opened: the desktop's default handler unless replaced (tests do).
  // Returns false when nothing could open it.
  void setSpreadsheetOpener(std::function<bool(const std::filesystem::path&)> opener) {
    openSpreadsheet_ = std::move(opener);
  }

 public slots:
  void exportItemList();
  void importItemList();
  void openListInSpreadsheet();

 private:
  MainWindow& window_;
  std::filesystem::path home_;
  std::function<bool(const std::filesystem::path&)> openSpreadsheet_;
};

}  // namespace kestrune
