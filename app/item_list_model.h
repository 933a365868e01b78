// Shows the ItemList in a table view. The list may change on any thread, so the model keeps its
// own copy of the rows and replays the list's news on the window's thread, in order; the view
// never sees a row count that its model has not announced. Selection travels both ways: the
// user's selection goes into the list, and rows that workers mark appear selected.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>
#include <vector>

#include "items/item_list.h"

namespace kestrune {

class ItemListModel : public QAbstractTableModel, private ItemListObserver {
  Q_OBJECT

 public:
  ItemListModel(ItemList& list, QObject* parent = nullptr);
  ~ItemListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Sets up the view's columns and selection and keeps its selection and the list's in step.
  void attachView(QTableView* view);

 private:
  // ItemListObserver: called under the list's lock on any thread; each posts its news.
  void rowsAppended(int firstIndex, const std::vector<ItemRow>& rows) override;
  void rowsRemoved(const std::vector<int>& indexes) override;
  void rowChanged(int index, const ItemRow& row) override;
  void selectionChanged(const std::vector<int>& selectedRows) override;

  void applyAppended(int firstIndex, std::vector<ItemRow> rows);
  void applyRemoved(std::vector<int> indexes);
  void applyChanged(int index, ItemRow row);
  void applySelection(std::vector<int> selectedRows);
  void viewSelectionChanged();

  ItemList& list_;
  std::vector<ItemRow> rows_;
  std::vector<int> initialSelection_;
  QPointer<QTableView> view_;
  bool applyingSelection_ = false;
};

}  // namespace kestrune
