#include "items/item_list.h"

#include <gtest/gtest.h>

#include <thread>

namespace kestrune {
namespace {

std::vector<std::string> names(const ItemList& list) {
  std::vector<std::string> result;
  for (const auto& row : list.rows()) result.push_back(row.name);
  return result;
}

// Rows named as given, with ids 100, 101, ... and addresses http://x/<name>.
void fill(ItemList& list, std::initializer_list<const char*> rowNames) {
  int id = 100;
  for (const char* name : rowNames) list.appendRow(name, "", "http://x/" + std::string(name), std::to_string(id++));
}

// Records the notifications and replays them onto its own copy, as a view does.
class MirrorObserver : public ItemListObserver {
 public:
  void rowsAppended(int firstIndex, const std::vector<ItemRow>& rows) override {
    EXPECT_EQ(firstIndex, static_cast<int>(rows_.size()));
    rows_.insert(rows_.end(), rows.begin(), rows.end());
  }
  void rowsRemoved(const std::vector<int>& indexes) override {
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) rows_.erase(rows_.begin() + *it);
  }
  void rowChanged(int index, const ItemRow& row) override { rows_[static_cast<size_t>(index)] = row; }
  void selectionChanged(const std::vector<int>& selectedRows) override { selection_ = selectedRows; }

  std::vector<ItemRow> rows_;
  std::vector<int> selection_;
};

TEST(ItemListTest, RowTextIsEmptyOutsideTheList) {
  ItemList list;
  fill(list, {"a", "b"});
  EXPECT_EQ(list.rowText(1, IdColumn), "101");
  EXPECT_EQ(list.rowText(1, AddressColumn), "http://x/b");
  for (auto [row, column] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 4}}) {
    EXPECT_EQ(list.rowText(row, column), "") << row << "," << column;
  }
}

TEST(ItemListTest, DeletesExactlyTheSelectedRowsEvenWhenNamesRepeat) {
  ItemList list;
  fill(list, {"same", "b", "c", "same", "e"});
  list.setSelection({3});
  list.deleteSelectedRows();
  EXPECT_EQ(names(list), (std::vector<std::string>{"same", "b", "c", "e"}));
  EXPECT_EQ(list.rowText(0, IdColumn), "100");
  EXPECT_TRUE(list.selectedRows().empty());

  list.setSelection({0, 2, 3});
  list.deleteSelectedRows();
  EXPECT_EQ(names(list), (std::vector<std::string>{"b"}));

  list.deleteSelectedRows();  // nothing selected
  EXPECT_EQ(list.rowCount(), 1);
}

TEST(ItemListTest, SelectionAndCurrentRow) {
  ItemList list;
  fill(list, {"a", "b", "c", "d"});
  EXPECT_EQ(list.currentRow(), -1);
  list.setSelection({3, 1, 9, -1});
  EXPECT_EQ(list.selectedRows(), (std::vector<int>{1, 3}));
  EXPECT_EQ(list.currentRow(), 1);
  list.markRowDone(0);
  EXPECT_EQ(list.selectedRows(), (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(list.currentRow(), 0);
}

TEST(ItemListTest, RemovesEveryRowWithoutIdAndKeepsTheOrder) {
  ItemList list;
  list.appendRow("a", "", "", "1");
  list.appendRow("b", "", "", "2");
  list.appendRow("c", "", "", "");
  list.appendRow("d", "", "", "");
  list.appendRow("e", "", "", "");
  list.appendRow("f", "", "", " ");
  list.appendRow("g", "", "", "7");
  list.removeRowsWithoutId();
  EXPECT_EQ(names(list), (std::vector<std::string>{"a", "b", "f", "g"}));
}

TEST(ItemListTest, ObserversSeeEveryChangeInOrder) {
  ItemList list;
  MirrorObserver mirror;
  list.addObserver(&mirror);
  list.appendRow("a", "1.5", "u", "1");
  list.appendRows({{"b", "", "", ""}, {"c", "", "", "3"}, {"d", "", "", "4"}});
  list.setSelection({2, 3});
  list.removeRowsWithoutId();  // shifts the selected rows up by one
  EXPECT_EQ(mirror.selection_, (std::vector<int>{1, 2}));
  list.setRow(0, {"a2", "2", "u2", "1"});
  list.deleteSelectedRows();
  list.appendRow("e", "", "", "5");
  list.removeObserver(&mirror);
  list.clearRows();

  ASSERT_EQ(mirror.rows_.size(), 2u);
  EXPECT_EQ(mirror.rows_[0].name, "a2");
  EXPECT_EQ(mirror.rows_[1].name, "e");
  EXPECT_TRUE(mirror.selection_.empty());
}

TEST(ItemListTest, WorkersMarkRowsConcurrently) {
  ItemList list;
  for (int i = 0; i < 1000; ++i) list.appendRow("item " + std::to_string(i), "", "", std::to_string(i));
  MirrorObserver mirror;
  mirror.rows_ = list.addObserver(&mirror).rows;
  std::vector<std::thread> workers;
  for (int worker = 0; worker < 5; ++worker) {
    workers.emplace_back([&list, worker] {
      for (int row = worker; row < 1000; row += 5) {
        if (row % 3 == 0) continue;
        EXPECT_EQ(list.rowText(row, IdColumn), std::to_string(row));
        list.markRowDone(row);
      }
    });
  }
  for (auto& worker : workers) worker.join();
  auto selected = list.selectedRows();
  EXPECT_EQ(selected.size(), 666u);
  EXPECT_EQ(mirror.selection_, selected);
  list.deleteSelectedRows();
  ASSERT_EQ(list.rowCount(), 334);
  for (int i = 0; i < list.rowCount(); ++i) EXPECT_EQ(std::stoi(list.rowText(i, IdColumn)) % 3, 0);
}

}  // namespace
}  // namespace kestrune
