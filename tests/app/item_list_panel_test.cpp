#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <thread>

#include "app/item_list_panel.h"
#include "shell_fixture.h"

namespace kestrune {
namespace {

using testing::settle;
using testing::ShellTest;

class ItemListPanelTest : public ShellTest {
 protected:
  ItemListPanelTest() { window->selectPage(2); }
  ItemListPanel* panel() { return window->listPanel(); }
  QTableView* view() { return panel()->listView(); }
  QString countText() { return panel()->countLabel()->text(); }
  void add(const char* name, const char* id = "1") {
    items.appendRow(name, "9.90", std::string("https://detail.example/") + name, id);
  }
  // Selects rows the way a user does: click the first, ctrl-click the others.
  void selectInView(std::initializer_list<int> rows) {
    settle();
    bool first = true;
    for (int row : rows) {
      QRect cell = view()->visualRect(view()->model()->index(row, 0));
      QTest::mouseClick(view()->viewport(), Qt::LeftButton, first ? Qt::NoModifier : Qt::ControlModifier,
                        cell.center());
      first = false;
    }
  }
  std::vector<std::string> viewNames() {
    settle();
    std::vector<std::string> names;
    for (int row = 0; row < view()->model()->rowCount(); ++row) {
      names.push_back(view()->model()->index(row, 0).data().toString().toStdString());
    }
    return names;
  }
};

TEST_F(ItemListPanelTest, ShowsTheColumnsAndCountsOnlyWhenRefreshed) {
  add("甲");
  add("乙");
  settle();
  const char* headers[] = {"名称", "价格", "宝贝地址", "ID"};
  const int widths[] = {500, 100, 50, 100};
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(view()->model()->headerData(column, Qt::Horizontal).toString(), QString::fromUtf8(headers[column]));
    EXPECT_EQ(view()->columnWidth(column), widths[column]);
  }
  EXPECT_EQ(viewNames(), (std::vector<std::string>{"甲", "乙"}));
  EXPECT_EQ(view()->model()->index(1, 2).data().toString(), QStringLiteral("https://detail.example/乙"));
  EXPECT_EQ(countText(), QStringLiteral("0"));  // appending leaves the label to the caller
  panel()->refreshCountLabel();
  EXPECT_EQ(countText(), QStringLiteral("2"));
  EXPECT_EQ(view()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(ItemListPanelTest, DeleteRemovesTheSelectedRowsEvenWhenAnEarlierRowHasTheSameName) {
  for (const char* name : {"同名", "b", "c", "同名", "e"}) add(name);
  selectInView({3});
  EXPECT_EQ(items.selectedRows(), (std::vector<int>{3}));
  QTest::mouseClick(panel()->deleteButton(), Qt::LeftButton);
  EXPECT_EQ(viewNames(), (std::vector<std::string>{"同名", "b", "c", "e"}));
  EXPECT_EQ(countText(), QStringLiteral("4"));

  selectInView({1, 3});
  QTest::mouseClick(panel()->deleteButton(), Qt::LeftButton);
  EXPECT_EQ(viewNames(), (std::vector<std::string>{"同名", "c"}));

  QTest::mouseClick(panel()->deleteButton(), Qt::LeftButton);  // nothing selected
  EXPECT_EQ(viewNames().size(), 2u);
  EXPECT_EQ(countText(), QStringLiteral("2"));

  QTest::mouseClick(panel()->clearButton(), Qt::LeftButton);
  EXPECT_TRUE(viewNames().empty());
  EXPECT_EQ(countText(), QStringLiteral("0"));
  QTest::mouseClick(panel()->clearButton(), Qt::LeftButton);
  EXPECT_EQ(countText(), QStringLiteral("0"));
}

TEST_F(ItemListPanelTest, MenuCopiesAndOpensTheLowestSelectedRow) {
  QStringList opened;
  panel()->setAddressOpener([&opened](const QString& address) { opened << address; });
  QStringList entries;
  for (QAction* action : panel()->listMenu()->actions()) {
    entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  EXPECT_EQ(entries, (QStringList{"导出宝贝列表", "用IE打开宝贝链接", "用EXCEL打开宝贝列表", "-", "复制宝贝地址",
                                  "复制宝贝名称", "删除选中宝贝", "-"}));
  auto trigger = [this](int entry) { panel()->listMenu()->actions()[entry]->trigger(); };

  add("one");
  add("two");
  add("three");
  trigger(4);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());  // nothing selected: empty text

  selectInView({2, 1});
  trigger(5);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("two"));
  trigger(4);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("https://detail.example/two"));
  trigger(1);
  EXPECT_EQ(opened, QStringList{QStringLiteral("https://detail.example/two")});
  trigger(6);
  EXPECT_EQ(viewNames(), (std::vector<std::string>{"one"}));
  EXPECT_EQ(countText(), QStringLiteral("1"));

  // A right click on the empty area below the rows pops the menu up as well.
  QPoint below(20, view()->viewport()->height() - 5);
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, below, view()->viewport()->mapToGlobal(below));
  QCoreApplication::sendEvent(view()->viewport(), &rightClick);
  EXPECT_TRUE(panel()->listMenu()->isVisible());
  panel()->listMenu()->close();
}

TEST_F(ItemListPanelTest, RowsMarkedByWorkersShowAsSelected) {
  for (int i = 0; i < 200; ++i) items.appendRow("item " + std::to_string(i), "", "", std::to_string(i));
  std::vector<std::thread> workers;
  for (int worker = 0; worker < 5; ++worker) {
    workers.emplace_back([this, worker] {
      for (int row = worker; row < 200; row += 10) items.markRowDone(row);
    });
  }
  for (auto& worker : workers) worker.join();
  settle();
  std::vector<int> shown;
  for (const QModelIndex& index : view()->selectionModel()->selectedRows()) shown.push_back(index.row());
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown.size(), 100u);
  EXPECT_EQ(shown, items.selectedRows());

  // After the run the packaged rows go, and the list and the view agree.
  panel()->deleteSelectedRows();
  EXPECT_EQ(viewNames().size(), 100u);
  EXPECT_EQ(viewNames().front(), "item 5");
  EXPECT_TRUE(view()->selectionModel()->selectedRows().isEmpty());
}

}  // namespace
}  // namespace kestrune
