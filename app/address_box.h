// The address box of the "采集" page: it shows a hint for the current intake mode, empties
// itself when the user clicks into a hint, selects everything on release so a paste replaces
// it, and puts the hint back when it is left empty.
#pragma once

#include <QLineEdit>
#include <functional>

namespace kestrune {

class AddressBox : public QLineEdit {
  Q_OBJECT

 public:
  // `intakeMode` tells the box which mode the window is in ("单品", "列表", "店铺" or empty).
  explicit AddressBox(std::function<QString()> intakeMode, QWidget* parent = nullptr);

  // The hint of an intake mode; empty for no mode.
  static QString hintFor(const QString& intakeMode);
  static bool isHint(const QString& text);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  std::function<QString()> intakeMode_;
};

}  // namespace kestrune
