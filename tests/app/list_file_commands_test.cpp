#include "app/list_file_commands.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "app/item_list_panel.h"
#include "items/item_list_file.h"
#include "shell_fixture.h"
#include "web/encoding.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::settle;
using testing::ShellTest;

std::vector<std::string> names(const ItemList& list) {
  std::vector<std::string> result;
  for (const ItemRow& row : list.rows()) result.push_back(row.name);
  return result;
}

class ListFileCommandsTest : public ShellTest {
 protected:
  ListFileCommandsTest() : commands(*window, home.path()) {
    window->selectPage(2);
    commands.setSpreadsheetOpener([this](const fs::path& file) {
      opened.push_back(file);
      return openerWorks;
    });
  }
  ItemListPanel* panel() { return window->listPanel(); }
  void click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
    settle();
  }
  QAction* menuEntry(const char* text) {
    for (QAction* action : panel()->listMenu()->actions()) {
      if (action->text() == QString::fromUtf8(text)) return action;
    }
    return nullptr;
  }
  std::string lastNotice() { return dialogs.notices.empty() ? "" : dialogs.notices.back().text; }

  ListFileCommands commands;
  std::vector<fs::path> opened;
  bool openerWorks = true;
};

TEST_F(ListFileCommandsTest, ExportThenImportReplacesTheListWithTheSameRows) {
  items.appendRow("  甲", "9.90", "https://detail.example/1", "1");
  items.appendRow("乙", "", "", "2");  // an empty address survives the round trip
  items.appendRow("丙", "3", "https://detail.example/3", "3");
  const fs::path file = home.path() / "列表.txt";

  dialogs.files = {file};
  click(panel()->exportButton());
  ASSERT_EQ(dialogs.filters, std::vector<std::string>{"宝贝列表文件(*.txt)"});
  EXPECT_EQ(lastNotice(), "宝贝列表已经成功导出！");
  EXPECT_EQ(dialogs.notices.back().title, "信息：");

  items.clearRows();
  items.appendRow("旧", "", "", "9");
  dialogs.files = {file};
  click(panel()->importButton());
  EXPECT_EQ(names(items), (std::vector<std::string>{"甲", "乙", "丙"}));
  EXPECT_EQ(items.rowText(1, AddressColumn), "");
  EXPECT_EQ(items.rowText(2, PriceColumn), "3");
  EXPECT_EQ(panel()->countLabel()->text(), "3");
  EXPECT_EQ(lastNotice(), "已经成功导入宝贝列表！");
  EXPECT_EQ(dialogs.notices.back().title, "温馨提示：");

  // The list menu's export is the same command.
  dialogs.files = {home.path() / "again.txt"};
  menuEntry("导出宝贝列表")->trigger();
  settle();
  EXPECT_TRUE(fs::exists(home.path() / "again.txt"));
}

TEST_F(ListFileCommandsTest, CancelledOrEmptyCommandsChangeNothing) {
  click(panel()->exportButton());
  EXPECT_TRUE(dialogs.filters.empty()) << "an empty list asks for no file";

  items.appendRow("甲", "", "", "1");
  click(panel()->exportButton());  // cancelled: no file answered
  click(panel()->importButton());
  EXPECT_EQ(names(items), std::vector<std::string>{"甲"});
  EXPECT_TRUE(dialogs.notices.empty());
}

TEST_F(ListFileCommandsTest, FilesThatCannotBeUsedAreReportedAndTheListKept) {
  items.appendRow("甲", "", "", "1");
  const fs::path plainFile = home.path() / "plain";
  std::ofstream(plainFile) << "x";

  const fs::path unwritable = plainFile / "list.txt";
  dialogs.files = {unwritable};
  click(panel()->exportButton());
  EXPECT_NE(lastNotice().find(pathText(unwritable)), std::string::npos) << lastNotice();
  EXPECT_EQ(lastNotice().find("成功"), std::string::npos);

  const fs::path missing = home.path() / "missing.txt";
  dialogs.files = {missing};
  click(panel()->importButton());
  EXPECT_EQ(names(items), std::vector<std::string>{"甲"});
  EXPECT_NE(lastNotice().find(pathText(missing)), std::string::npos) << lastNotice();
  EXPECT_EQ(lastNotice().find("成功"), std::string::npos);
}

TEST_F(ListFileCommandsTest, SpreadsheetIsWrittenIntoTheHomeAndOpened) {
  for (int i = 1; i <= 1000; ++i) {
    items.appendRow("宝贝" + std::to_string(i), "1.00", "https://detail.example/" + std::to_string(i),
                    std::to_string(i));
  }
  menuEntry("用EXCEL打开宝贝列表")->trigger();
  settle();
  const fs::path workbook = home.path() / "temp.xlsx";
  ASSERT_EQ(opened, std::vector<fs::path>{workbook});
  EXPECT_GT(fs::file_size(workbook), 0u);
  EXPECT_TRUE(dialogs.notices.empty());

  openerWorks = false;
  commands.openListInSpreadsheet();
  ASSERT_EQ(dialogs.notices.size(), 1u);
  EXPECT_NE(lastNotice().find(pathText(workbook)), std::string::npos) << lastNotice();
}

}  // namespace
}  // namespace kestrune
