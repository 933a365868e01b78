// The queue of items the next generation run copies: rows of name, price, address and offer id,
// plus which rows are selected. Workers read rows and mark finished ones while the window edits
// the list, so every operation takes the list's lock. Showing the list is the front end's job.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

struct ItemRow {
  std::string name;
  std::string price;
  std::string address;
  std::string id;
};

// Column numbers of rowText, in the order the list shows them.
enum ItemColumn { NameColumn = 0, PriceColumn = 1, AddressColumn = 2, IdColumn = 3 };

// Told of every change, in the order of the changes, while the list's lock is held: an observer
// must not call back into the list (a window posts the news to its own thread instead).
class ItemListObserver {
 public:
  virtual ~ItemListObserver() = default;
  virtual void rowsAppended(int firstIndex, const std::vector<ItemRow>& rows) = 0;
  // Indexes are ascending and refer to the list as it was before the removal.
  virtual void rowsRemoved(const std::vector<int>& indexes) = 0;
  virtual void rowChanged(int index, const ItemRow& row) = 0;
  // The whole selection after the change, ascending.
  virtual void selectionChanged(const std::vector<int>& selectedRows) = 0;
};

class ItemList {
 public:
  // Adds a row at the end and returns its index. Duplicates are welcome: an item queued twice is
  // copied twice.
  int appendRow(std::string name, std::string price, std::string address, std::string id);
  int appendRows(std::vector<ItemRow> rows);  // returns the index of the first new row

  int rowCount() const;
  // The text of one cell; empty for a row or column that does not exist.
  std::string rowText(int row, int column) const;
  std::optional<ItemRow> row(int index) const;
  std::vector<ItemRow> rows() const;
  // Replaces the texts of an existing row; false when there is no such row.
  bool setRow(int index, ItemRow row);

  // Selected row indexes, ascending.
  std::vector<int> selectedRows() const;
  // The selected row with the lowest index, or -1.
  int currentRow() const;
  // Replaces the selection (the view does this when the user selects); bad indexes are dropped.
  void setSelection(std::vector<int> rows);
  // Adds one row to the selection; a worker calls this for each item it packaged.
  void markRowDone(int row);

  // Removes exactly the selected rows and clears the selection.
  void deleteSelectedRows();
  void clearRows();
  // Removes every row whose id is the empty text (an id of blanks stays), keeping the order.
  void removeRowsWithoutId();

  struct Contents {
    std::vector<ItemRow> rows;
    std::vector<int> selectedRows;
  };
  // Starts telling `observer` of every change and returns the list as it stands at that moment,
  // so the observer's copy plus the news it gets is always the list.
  Contents addObserver(ItemListObserver* observer);
  void removeObserver(ItemListObserver* observer);

 private:
  void removeRowsLocked(const std::vector<int>& ascendingIndexes);
  void notifySelectionLocked();

  mutable std::mutex mutex_;
  std::vector<ItemRow> rows_;
  std::vector<bool> selected_;  // parallel to rows_
  std::vector<ItemListObserver*> observers_;
};

}  // namespace kestrune
