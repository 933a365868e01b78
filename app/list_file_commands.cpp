#include "app/list_file_commands.h"

#include <QDesktopServices>
#include <QUrl>

#include "app/item_list_panel.h"
#include "app/main_window.h"
#include "app/widget_dialogs.h"
#include "items/item_list_file.h"
#include "items/spreadsheet_view.h"

namespace kestrune {

namespace {

constexpr const char* ListFileFilter = "宝贝列表文件(*.txt)";
constexpr const char* ListFileSuffix = "txt";

}  // namespace

ListFileCommands::ListFileCommands(MainWindow& window, std::filesystem::path home)
    : QObject(&window), window_(window), home_(std::move(home)) {
  openSpreadsheet_ = [](const std::filesystem::path& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(pathToQt(file)));
  };
  connect(&window, &MainWindow::exportListRequested, this, &ListFileCommands::exportItemList);
  connect(&window, &MainWindow::importListRequested, this, &ListFileCommands::importItemList);
  connect(&window, &MainWindow::spreadsheetRequested, this, &ListFileCommands::openListInSpreadsheet);
}

void ListFileCommands::exportItemList() {
  ItemList& list = window_.listPanel()->itemList();
  if (list.rowCount() == 0) return;
  UserDialogs& dialogs = window_.dialogs();
  const std::optional<std::filesystem::path> file =
      dialogs.chooseSaveFile("导出宝贝列表", ListFileFilter, ListFileSuffix);
  if (!file) return;
  const ItemListFileResult result = writeItemListFile(*file, list.rows());
  if (!result.ok) {
    dialogs.message("宝贝列表没有导出，无法写入文件：\r\n" + pathText(*file) + "\r\n" + result.reason,
                    "信息：");
    return;
  }
  dialogs.message("宝贝列表已经成功导出！", "信息：");
}

void ListFileCommands::importItemList() {
  UserDialogs& dialogs = window_.dialogs();
  const std::optional<std::filesystem::path> file =
      dialogs.chooseOpenFile("导入宝贝列表", ListFileFilter);
  if (!file) return;
  // Read first: a file that cannot be read leaves the list as it was.
  ItemListFileResult result = readItemListFile(*file);
  if (!result.ok) {
    dialogs.message("无法打开宝贝列表文件，列表没有改变：\r\n" + pathText(*file) + "\r\n" + result.reason,
                    "温馨提示：");
    return;
  }
  ItemList& list = window_.listPanel()->itemList();
  list.clearRows();
  list.appendRows(std::move(result.rows));
  window_.listPanel()->refreshCountLabel();
  dialogs.message("已经成功导入宝贝列表！", "温馨提示：");
}

void ListFileCommands::openListInSpreadsheet() {
  UserDialogs& dialogs = window_.dialogs();
  const std::filesystem::path file = spreadsheetViewFile(home_);
  const SpreadsheetResult written =
      writeListSpreadsheet(file, window_.listPanel()->itemList().rows());
  if (!written.ok) {
    dialogs.message("无法写入表格文件：\r\n" + pathText(file) + "\r\n" + written.reason, "提示");
    return;
  }
  if (!openSpreadsheet_(file)) {
    dialogs.message("没有找到能打开表格文件的程序。宝贝列表已保存在：\r\n" + pathText(file), "提示");
  }
}

}  // namespace kestrune
