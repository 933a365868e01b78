#include "app/completion_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace kestrune {

CompletionWindow::CompletionWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("completionWindow"));
  setWindowTitle(QStringLiteral("复制完成！"));
  setWindowModality(Qt::NonModal);
  setFixedSize(220, 130);
  auto* layout = new QVBoxLayout(this);
  heading_ = new QLabel(QStringLiteral("复制已经完成："), this);
  total_ = new QLabel(this);
  success_ = new QLabel(this);
  failure_ = new QLabel(this);
  for (QLabel* label : {heading_, total_, success_, failure_}) layout->addWidget(label);
}

void CompletionWindow::showCounts(int totalItems, int successCount, int failureCount) {
  total_->setText(QStringLiteral("下载总数： ") + QString::number(totalItems));
  success_->setText(QStringLiteral("成功下载： ") + QString::number(successCount));
  failure_->setText(QStringLiteral("下载失败： ") + QString::number(failureCount));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + area.width() - width() - 10, area.y() + area.height() - height() - 30);
  }
  show();
  raise();
}

}  // namespace kestrune
