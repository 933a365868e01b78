// The list panel of the "采集" page: the item list view with its pop-up menu, the count of
// queued items, and the buttons beside it. Deleting, clearing, copying and opening rows happen
// here; the buttons of list files and of the generation run only announce themselves through
// signals, for the controllers that own those commands.
#pragma once

#include <QWidget>
#include <functional>

#include "items/item_list.h"

class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace kestrune {

class ItemListModel;

class ItemListPanel : public QWidget {
  Q_OBJECT

 public:
  ItemListPanel(ItemList& list, QWidget* parent = nullptr);

  ItemList& itemList() { return list_; }
  QTableView* listView() const { return view_; }
  QMenu* listMenu() const { return menu_; }
  QLabel* countLabel() const { return countLabel_; }
  QPushButton* deleteButton() const { return deleteButton_; }
  QPushButton* clearButton() const { return clearButton_; }
  QPushButton* importButton() const { return importButton_; }
  QPushButton* exportButton() const { return exportButton_; }
  QPushButton* generateButton() const { return generateButton_; }
  QPushButton* pauseButton() const { return pauseButton_; }
  QPushButton* stopButton() const { return stopButton_; }
  QPushButton* completionButton() const { return completionButton_; }
  QPushButton* sampleShopButton() const { return sampleShopButton_; }

  // How an address is opened; the desktop's default handler unless replaced (tests do).
  void setAddressOpener(std::function<void(const QString&)> opener) { openAddress_ = std::move(opener); }

 public slots:
  // "删除": removes the selected rows, then refreshes the count.
  void deleteSelectedRows();
  // "清空": removes every row; the count reads "0".
  void clearRows();
  // Writes the row count into the count label; may be called from any thread.
  void refreshCountLabel();
  void copySelectedAddress();
  void copySelectedName();
  void openSelectedAddress();

 signals:
  void importListRequested();
  void exportListRequested();
  void spreadsheetRequested();
  void completionWindowRequested();
  void generateRequested();
  void pauseRequested();
  void stopRequested();
  void sampleShopRequested();

 private:
  QPushButton* makeButton(const QString& caption, QRect geometry, const char* objectName);
  void buildMenu();

  ItemList& list_;
  ItemListModel* model_;
  QTableView* view_;
  QMenu* menu_ = nullptr;
  QLabel* countLabel_;
  QPushButton* deleteButton_;
  QPushButton* clearButton_;
  QPushButton* importButton_;
  QPushButton* exportButton_;
  QPushButton* generateButton_;
  QPushButton* pauseButton_;
  QPushButton* stopButton_;
  QPushButton* completionButton_;
  QPushButton* sampleShopButton_;
  std::function<void(const QString&)> openAddress_;
};

}  // namespace kestrune
