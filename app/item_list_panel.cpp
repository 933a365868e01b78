#include "app/item_list_panel.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QUrl>

#include "app/artwork.h"
#include "app/item_list_model.h"
#include "app/widget_dialogs.h"

namespace kestrune {

ItemListPanel::ItemListPanel(ItemList& list, QWidget* parent)
    : QWidget(parent), list_(list), model_(new ItemListModel(list, this)), view_(new QTableView(this)) {
  setObjectName(QStringLiteral("listPanel"));
  view_->setObjectName(QStringLiteral("itemListView"));
  view_->setGeometry(0, 0, 564, 248);
  model_->attachView(view_);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);

  auto* countCaption = new QLabel(QStringLiteral("宝贝数："), this);
  countCaption->setGeometry(580, -2, 54, 20);
  countLabel_ = new QLabel(QStringLiteral("0"), this);
  countLabel_->setObjectName(QStringLiteral("countLabel"));
  countLabel_->setGeometry(633, -2, 60, 20);

  deleteButton_ = makeButton(QStringLiteral("删除"), {590, 20, 72, 24}, "deleteButton");
  clearButton_ = makeButton(QStringLiteral("清空"), {590, 47, 72, 24}, "clearButton");
  importButton_ = makeButton(QStringLiteral("导入列表"), {590, 74, 72, 24}, "importListButton");
  exportButton_ = makeButton(QStringLiteral("导出列表"), {590, 102, 72, 24}, "exportListButton");
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(562, 129, 125, 4);
  generateButton_ = makeButton(QStringLiteral("生成数据包"), {579, 139, 91, 30}, "generateButton");
  pauseButton_ = makeButton(QStringLiteral("暂停"), {579, 175, 91, 30}, "pauseButton");
  stopButton_ = makeButton(QStringLiteral("停止"), {579, 211, 91, 30}, "stopButton");
  pauseButton_->setEnabled(false);
  stopButton_->setEnabled(false);

  completionButton_ = makeButton(QString(), {571, 39, 16, 48}, "completionWindowButton");
  completionButton_->setToolTip(QStringLiteral("再次打开上次生成的完成窗口"));
  sampleShopButton_ = makeButton(QString(), {666, 7, 32, 112}, "sampleShopButton");
  sampleShopButton_->setIcon(QIcon(toolbarPicture(4, 16, QColor(0x1f, 0x5f, 0x9e))));
  sampleShopButton_->setToolTip(QStringLiteral("填入一个示例店铺地址"));
  // The button reaches past the panel's right edge; keep its picture in the part that shows.
  sampleShopButton_->setStyleSheet(QStringLiteral("text-align: left; padding-left: 2px;"));
  // Both small buttons sit inside the others' columns; keep them above the line and labels.
  completionButton_->raise();

  connect(deleteButton_, &QPushButton::clicked, this, &ItemListPanel::deleteSelectedRows);
  connect(clearButton_, &QPushButton::clicked, this, &ItemListPanel::clearRows);
  connect(importButton_, &QPushButton::clicked, this, &ItemListPanel::importListRequested);
  connect(exportButton_, &QPushButton::clicked, this, &ItemListPanel::exportListRequested);
  connect(generateButton_, &QPushButton::clicked, this, &ItemListPanel::generateRequested);
  connect(pauseButton_, &QPushButton::clicked, this, &ItemListPanel::pauseRequested);
  connect(stopButton_, &QPushButton::clicked, this, &ItemListPanel::stopRequested);
  connect(completionButton_, &QPushButton::clicked, this, &ItemListPanel::completionWindowRequested);
  connect(sampleShopButton_, &QPushButton::clicked, this, &ItemListPanel::sampleShopRequested);

  buildMenu();
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this](QPoint at) { menu_->popup(view_->viewport()->mapToGlobal(at)); });

  openAddress_ = [](const QString& address) {
    if (!address.isEmpty()) QDesktopServices::openUrl(QUrl::fromUserInput(address));
  };
}

QPushButton* ItemListPanel::makeButton(const QString& caption, QRect geometry, const char* objectName) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setGeometry(geometry);
  return button;
}

void ItemListPanel::buildMenu() {
  menu_ = new QMenu(QStringLiteral("列表菜单"), this);
  menu_->setObjectName(QStringLiteral("listMenu"));
  // The list menu's export is the same command as the "导出列表" button.
  connect(menu_->addAction(QStringLiteral("导出宝贝列表")), &QAction::triggered, this,
          &ItemListPanel::exportListRequested);
  connect(menu_->addAction(QStringLiteral("用IE打开宝贝链接")), &QAction::triggered, this,
          &ItemListPanel::openSelectedAddress);
  connect(menu_->addAction(QStringLiteral("用EXCEL打开宝贝列表")), &QAction::triggered, this,
          &ItemListPanel::spreadsheetRequested);
  menu_->addSeparator();
  connect(menu_->addAction(QStringLiteral("复制宝贝地址")), &QAction::triggered, this,
          &ItemListPanel::copySelectedAddress);
  connect(menu_->addAction(QStringLiteral("复制宝贝名称")), &QAction::triggered, this,
          &ItemListPanel::copySelectedName);
  connect(menu_->addAction(QStringLiteral("删除选中宝贝")), &QAction::triggered, this,
          &ItemListPanel::deleteSelectedRows);
  menu_->addSeparator();
}

void ItemListPanel::deleteSelectedRows() {
  list_.deleteSelectedRows();
  refreshCountLabel();
}

void ItemListPanel::clearRows() {
  list_.clearRows();
  refreshCountLabel();
}

void ItemListPanel::refreshCountLabel() {
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(this, &ItemListPanel::refreshCountLabel, Qt::QueuedConnection);
    return;
  }
  countLabel_->setText(QString::number(list_.rowCount()));
}

void ItemListPanel::copySelectedAddress() {
  QGuiApplication::clipboard()->setText(toQt(list_.rowText(list_.currentRow(), AddressColumn)));
}

void ItemListPanel::copySelectedName() {
  QGuiApplication::clipboard()->setText(toQt(list_.rowText(list_.currentRow(), NameColumn)));
}

void ItemListPanel::openSelectedAddress() {
  if (openAddress_) openAddress_(toQt(list_.rowText(list_.currentRow(), AddressColumn)));
}

}  // namespace kestrune
