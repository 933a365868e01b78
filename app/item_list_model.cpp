#include "app/item_list_model.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include "app/widget_dialogs.h"

namespace kestrune {
namespace {

struct Column {
  const char* header;
  int width;
};
const Column Columns[] = {{"名称", 500}, {"价格", 100}, {"宝贝地址", 50}, {"ID", 100}};

}  // namespace

ItemListModel::ItemListModel(ItemList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {
  auto contents = list_.addObserver(this);
  rows_ = std::move(contents.rows);
  initialSelection_ = std::move(contents.selectedRows);
}

ItemListModel::~ItemListModel() { list_.removeObserver(this); }

int ItemListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ItemListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(std::size(Columns));
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const ItemRow& row = rows_[static_cast<size_t>(index.row())];
  switch (index.column()) {
    case NameColumn: return toQt(row.name);
    case PriceColumn: return toQt(row.price);
    case AddressColumn: return toQt(row.address);
    case IdColumn: return toQt(row.id);
    default: return {};
  }
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= static_cast<int>(std::size(Columns))) return {};
  return QString::fromUtf8(Columns[section].header);
}

void ItemListModel::attachView(QTableView* view) {
  view_ = view;
  view->setModel(this);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->verticalHeader()->hide();
  view->verticalHeader()->setDefaultSectionSize(20);
  view->horizontalHeader()->setHighlightSections(false);
  for (int column = 0; column < static_cast<int>(std::size(Columns)); ++column) {
    view->setColumnWidth(column, Columns[column].width);
  }
  connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &ItemListModel::viewSelectionChanged);
  applySelection(std::exchange(initialSelection_, {}));
}

void ItemListModel::rowsAppended(int firstIndex, const std::vector<ItemRow>& rows) {
  QMetaObject::invokeMethod(this, [this, firstIndex, rows] { applyAppended(firstIndex, rows); },
                            Qt::QueuedConnection);
}

void ItemListModel::rowsRemoved(const std::vector<int>& indexes) {
  QMetaObject::invokeMethod(this, [this, indexes] { applyRemoved(indexes); }, Qt::QueuedConnection);
}

void ItemListModel::rowChanged(int index, const ItemRow& row) {
  QMetaObject::invokeMethod(this, [this, index, row] { applyChanged(index, row); }, Qt::QueuedConnection);
}

void ItemListModel::selectionChanged(const std::vector<int>& selectedRows) {
  QMetaObject::invokeMethod(this, [this, selectedRows] { applySelection(selectedRows); }, Qt::QueuedConnection);
}

void ItemListModel::applyAppended(int firstIndex, std::vector<ItemRow> rows) {
  if (rows.empty() || firstIndex != static_cast<int>(rows_.size())) return;
  beginInsertRows({}, firstIndex, firstIndex + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
  endInsertRows();
}

void ItemListModel::applyRemoved(std::vector<int> indexes) {
  // The view drops the selection of removed rows by itself; that is the list's news replayed,
  // not the user's choice, so it is not sent back to the list.
  applyingSelection_ = true;
  // Contiguous runs are removed from the bottom up so each run's indexes stay valid.
  size_t end = indexes.size();
  while (end > 0) {
    size_t start = end - 1;
    while (start > 0 && indexes[start - 1] == indexes[start] - 1) --start;
    int first = indexes[start];
    int last = indexes[end - 1];
    if (first >= 0 && last < static_cast<int>(rows_.size())) {
      beginRemoveRows({}, first, last);
      rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
      endRemoveRows();
    }
    end = start;
  }
  applyingSelection_ = false;
}

void ItemListModel::applyChanged(int index, ItemRow row) {
  if (index < 0 || index >= static_cast<int>(rows_.size())) return;
  rows_[static_cast<size_t>(index)] = std::move(row);
  emit dataChanged(this->index(index, 0), this->index(index, columnCount() - 1));
}

void ItemListModel::applySelection(std::vector<int> selectedRows) {
  if (!view_ || !view_->selectionModel()) return;
  QItemSelection selection;
  for (int row : selectedRows) {
    if (row >= 0 && row < static_cast<int>(rows_.size())) {
      selection.select(index(row, 0), index(row, columnCount() - 1));
    }
  }
  applyingSelection_ = true;
  view_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  applyingSelection_ = false;
}

void ItemListModel::viewSelectionChanged() {
  if (applyingSelection_ || !view_) return;
  std::vector<int> rows;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) rows.push_back(index.row());
  list_.setSelection(std::move(rows));
}

}  // namespace kestrune
