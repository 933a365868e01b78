// The question a long listing asks before it is read: which of its pages to list this time, since
// reading many pages in a row can make the marketplace lock the user out. The dialog stays open
// until the user gives a range that the harvest's rules accept; its close box is refused.
#pragma once

#include <QDialog>

#include "items/harvest.h"

class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kestrune {

class PageRangeDialog : public QDialog {
  Q_OBJECT

 public:
  // `totalPages`: the listing's page count, the bound of the range.
  explicit PageRangeDialog(int totalPages, QWidget* parent = nullptr);

  QLineEdit* fromBox() const { return from_; }
  QLineEdit* toBox() const { return to_; }
  QLabel* messageLine() const { return message_; }
  QPushButton* confirmButton() const { return confirm_; }
  QToolButton* iconButton() const { return icon_; }

  // The range accepted by "确定"; meaningful once the dialog has been accepted.
  PageRange range() const { return range_; }

 public slots:
  // "确定": checks the boxes; shows what is wrong, or accepts the range and closes.
  void confirm();
  // Escape and the window manager's close go through here: refused.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  int totalPages_;
  PageRange range_;
  QToolButton* icon_;
  QLineEdit* from_;
  QLineEdit* to_;
  QLabel* message_;
  QPushButton* confirm_;
};

// Asks through a PageRangeDialog over `parent`, modally.
class DialogPageRangeChooser : public PageRangeChooser {
 public:
  explicit DialogPageRangeChooser(QWidget* parent) : parent_(parent) {}
  std::optional<PageRange> choosePageRange(int totalPages) override;

 private:
  QWidget* parent_;
};

}  // namespace kestrune
