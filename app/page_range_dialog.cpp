#include "app/page_range_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/artwork.h"

namespace kestrune {

PageRangeDialog::PageRangeDialog(int totalPages, QWidget* parent)
    : QDialog(parent), totalPages_(totalPages) {
  setObjectName(QStringLiteral("pageRangeDialog"));
  setWindowTitle(QStringLiteral("待列出宝贝数量太多！"));
  setModal(true);
  setFixedSize(360, 176);

  icon_ = new QToolButton(this);
  icon_->setObjectName(QStringLiteral("pageRangeIcon"));
  icon_->setGeometry(14, 20, 44, 44);
  icon_->setIcon(QIcon(questionPicture(40)));
  icon_->setIconSize(QSize(40, 40));
  icon_->setAutoRaise(true);

  auto* text = new QLabel(QStringLiteral("一次性列出宝贝太多有可能引起阿里锁定IP！请输入本次列出的宝贝的"
                                         "起始和结尾页码！建议间隔不超过35页！\r\n"),
                          this);
  text->setObjectName(QStringLiteral("pageRangeText"));
  text->setWordWrap(true);
  text->setGeometry(70, 12, 276, 60);

  auto* fromLabel = new QLabel(QStringLiteral("从"), this);
  fromLabel->setGeometry(70, 84, 18, 22);
  from_ = new QLineEdit(this);
  from_->setObjectName(QStringLiteral("fromPage"));
  from_->setGeometry(90, 84, 80, 22);
  auto* toLabel = new QLabel(QStringLiteral("至"), this);
  toLabel->setGeometry(184, 84, 18, 22);
  to_ = new QLineEdit(this);
  to_->setObjectName(QStringLiteral("toPage"));
  to_->setGeometry(204, 84, 80, 22);

  message_ = new QLabel(QStringLiteral("间隔超过35页！请修改！"), this);
  message_->setObjectName(QStringLiteral("pageRangeMessage"));
  message_->setStyleSheet(QStringLiteral("color: #c00000;"));
  message_->setGeometry(70, 114, 276, 20);

  confirm_ = new QPushButton(QStringLiteral("确定"), this);
  confirm_->setObjectName(QStringLiteral("confirmPageRange"));
  confirm_->setGeometry(144, 140, 72, 26);
  confirm_->setDefault(true);
  connect(confirm_, &QPushButton::clicked, this, &PageRangeDialog::confirm);
}

void PageRangeDialog::confirm() {
  const int from = PageNumberOf(from_->text().toStdString());
  const int to = PageNumberOf(to_->text().toStdString());
  const std::string problem = PageRangeMessage(totalPages_, from, to);
  if (!problem.empty()) {
    message_->setText(QString::fromStdString(problem));
    message_->show();
    return;
  }
  message_->hide();
  range_ = {from, to};
  accept();
}

void PageRangeDialog::reject() {}

void PageRangeDialog::closeEvent(QCloseEvent* event) {
  // Only "确定" with a valid range closes the dialog.
  if (result() != QDialog::Accepted) event->ignore();
}

std::optional<PageRange> DialogPageRangeChooser::choosePageRange(int totalPages) {
  PageRangeDialog dialog(totalPages, parent_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.range();
}

}  // namespace kestrune
