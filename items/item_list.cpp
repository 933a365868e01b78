#include "items/item_list.h"

#include <algorithm>

namespace kestrune {

int ItemList::appendRow(std::string name, std::string price, std::string address, std::string id) {
  return appendRows({ItemRow{std::move(name), std::move(price), std::move(address), std::move(id)}});
}

int ItemList::appendRows(std::vector<ItemRow> rows) {
  std::lock_guard lock(mutex_);
  int first = static_cast<int>(rows_.size());
  if (rows.empty()) return first;
  rows_.insert(rows_.end(), rows.begin(), rows.end());
  selected_.resize(rows_.size(), false);
  for (auto* observer : observers_) observer->rowsAppended(first, rows);
  return first;
}

int ItemList::rowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

std::string ItemList::rowText(int row, int column) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
  const auto& item = rows_[static_cast<size_t>(row)];
  switch (column) {
    case NameColumn: return item.name;
    case PriceColumn: return item.price;
    case AddressColumn: return item.address;
    case IdColumn: return item.id;
    default: return {};
  }
}

std::optional<ItemRow> ItemList::row(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(rows_.size())) return std::nullopt;
  return rows_[static_cast<size_t>(index)];
}

std::vector<ItemRow> ItemList::rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

bool ItemList::setRow(int index, ItemRow row) {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(rows_.size())) return false;
  rows_[static_cast<size_t>(index)] = std::move(row);
  for (auto* observer : observers_) observer->rowChanged(index, rows_[static_cast<size_t>(index)]);
  return true;
}

std::vector<int> ItemList::selectedRows() const {
  std::lock_guard lock(mutex_);
  std::vector<int> indexes;
  for (size_t i = 0; i < selected_.size(); ++i) {
    if (selected_[i]) indexes.push_back(static_cast<int>(i));
  }
  return indexes;
}

int ItemList::currentRow() const {
  std::lock_guard lock(mutex_);
  auto first = std::find(selected_.begin(), selected_.end(), true);
  return first == selected_.end() ? -1 : static_cast<int>(first - selected_.begin());
}

void ItemList::setSelection(std::vector<int> rows) {
  std::lock_guard lock(mutex_);
  std::vector<bool> selection(rows_.size(), false);
  for (int index : rows) {
    if (index >= 0 && index < static_cast<int>(rows_.size())) selection[static_cast<size_t>(index)] = true;
  }
  if (selection == selected_) return;
  selected_ = std::move(selection);
  notifySelectionLocked();
}

void ItemList::markRowDone(int row) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || selected_[static_cast<size_t>(row)]) return;
  selected_[static_cast<size_t>(row)] = true;
  notifySelectionLocked();
}

void ItemList::deleteSelectedRows() {
  std::lock_guard lock(mutex_);
  std::vector<int> indexes;
  for (size_t i = 0; i < selected_.size(); ++i) {
    if (selected_[i]) indexes.push_back(static_cast<int>(i));
  }
  removeRowsLocked(indexes);
}

void ItemList::clearRows() {
  std::lock_guard lock(mutex_);
  std::vector<int> indexes(rows_.size());
  for (size_t i = 0; i < indexes.size(); ++i) indexes[i] = static_cast<int>(i);
  removeRowsLocked(indexes);
}

void ItemList::removeRowsWithoutId() {
  std::lock_guard lock(mutex_);
  std::vector<int> indexes;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].id.empty()) indexes.push_back(static_cast<int>(i));
  }
  removeRowsLocked(indexes);
}

void ItemList::removeRowsLocked(const std::vector<int>& ascendingIndexes) {
  if (ascendingIndexes.empty()) return;
  // Removing rows shifts the indexes of selected rows behind them, so observers hear of the
  // selection whenever there was one.
  bool hadSelection = std::find(selected_.begin(), selected_.end(), true) != selected_.end();
  std::vector<bool> removed(rows_.size(), false);
  for (int index : ascendingIndexes) removed[static_cast<size_t>(index)] = true;
  size_t kept = 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (removed[i]) continue;
    if (kept != i) {
      rows_[kept] = std::move(rows_[i]);
      selected_[kept] = selected_[i];
    }
    ++kept;
  }
  rows_.resize(kept);
  selected_.resize(kept);
  for (auto* observer : observers_) observer->rowsRemoved(ascendingIndexes);
  if (hadSelection) notifySelectionLocked();
}

void ItemList::notifySelectionLocked() {
  std::vector<int> indexes;
  for (size_t i = 0; i < selected_.size(); ++i) {
    if (selected_[i]) indexes.push_back(static_cast<int>(i));
  }
  for (auto* observer : observers_) observer->selectionChanged(indexes);
}

ItemList::Contents ItemList::addObserver(ItemListObserver* observer) {
  std::lock_guard lock(mutex_);
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
  Contents contents{rows_, {}};
  for (size_t i = 0; i < selected_.size(); ++i) {
    if (selected_[i]) contents.selectedRows.push_back(static_cast<int>(i));
  }
  return contents;
}

void ItemList::removeObserver(ItemListObserver* observer) {
  std::lock_guard lock(mutex_);
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

}  // namespace kestrune
