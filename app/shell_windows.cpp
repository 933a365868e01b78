#include "app/shell_windows.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/artwork.h"

namespace kestrune {

SplashWindow::SplashWindow(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("splashWindow"));
  setFixedSize(460, 334);
  auto* picture = new QLabel(this);
  picture->setGeometry(0, 0, 460, 280);
  picture->setPixmap(splashPicture(QSize(460, 280)));
  status_ = new QLabel(this);
  status_->setGeometry(70, 285, 320, 16);
  status_->setAlignment(Qt::AlignCenter);
  progress_ = new QProgressBar(this);
  progress_->setGeometry(16, 304, 427, 24);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
}

void SplashWindow::setStatus(const QString& text) { status_->setText(text); }

void SplashWindow::setProgress(int percent) { progress_->setValue(percent); }

ExitConfirmWindow::ExitConfirmWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("exitConfirmWindow"));
  setWindowTitle(QStringLiteral("退出程序？"));
  setFixedSize(273, 163);
  auto* icon = new QLabel(this);
  icon->setGeometry(16, 27, 40, 40);
  icon->setPixmap(questionPicture(40));
  auto* text = new QLabel(QStringLiteral("你是否确定退出程序！"), this);
  text->setGeometry(72, 36, 190, 22);
  confirm_ = new QPushButton(QStringLiteral("确 定"), this);
  confirm_->setObjectName(QStringLiteral("confirmExit"));
  confirm_->setGeometry(88, 89, 72, 26);
  cancel_ = new QPushButton(QStringLiteral("取 消"), this);
  cancel_->setObjectName(QStringLiteral("cancelExit"));
  cancel_->setGeometry(168, 90, 72, 26);
  cancel_->setDefault(true);
  connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace kestrune
