#include "app/address_box.h"

#include <QMouseEvent>

namespace kestrune {

AddressBox::AddressBox(std::function<QString()> intakeMode, QWidget* parent)
    : QLineEdit(parent), intakeMode_(std::move(intakeMode)) {
  setText(hintFor(QStringLiteral("单品")));
}

QString AddressBox::hintFor(const QString& intakeMode) {
  if (intakeMode == QStringLiteral("单品")) return QStringLiteral("请输入宝贝地址");
  if (intakeMode == QStringLiteral("列表")) return QStringLiteral("请输入列表地址");
  if (intakeMode == QStringLiteral("店铺")) return QStringLiteral("请输入店铺地址");
  return {};
}

bool AddressBox::isHint(const QString& text) {
  for (const char* mode : {"单品", "列表", "店铺"}) {
    if (text == hintFor(QString::fromUtf8(mode))) return true;
  }
  return false;
}

void AddressBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && isHint(text())) clear();
  QLineEdit::mousePressEvent(event);
}

void AddressBox::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) selectAll();
}

void AddressBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (text().isEmpty()) setText(hintFor(intakeMode_ ? intakeMode_() : QString()));
}

}  // namespace kestrune
