// The two small windows of the program's frame: the splash window shown while the program
// starts, and the question "退出程序？" that ends it.
#pragma once

#include <QDialog>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrune {

class SplashWindow : public QWidget {
  Q_OBJECT

 public:
  explicit SplashWindow(QWidget* parent = nullptr);
  void setStatus(const QString& text);
  void setProgress(int percent);
  QLabel* statusLabel() const { return status_; }
  QProgressBar* progressBar() const { return progress_; }

 private:
  QLabel* status_;
  QProgressBar* progress_;
};

// Modal; accepted by "确 定", rejected by "取 消" and the close box.
class ExitConfirmWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ExitConfirmWindow(QWidget* parent = nullptr);
  QPushButton* confirmButton() const { return confirm_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  QPushButton* confirm_;
  QPushButton* cancel_;
};

}  // namespace kestrune
