// The bar across the top of the main window: the program's name and seven picture buttons that
// switch pages and intake modes. It draws itself (pictures, captions, hover and press) instead
// of taking the skin, and tells the window which button was clicked.
#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>

namespace kestrune {

class PageToolbar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int ButtonCount = 7;

  explicit PageToolbar(QWidget* parent = nullptr);

  // Puts the seven buttons on the bar; until then it shows only the program's name.
  void buildButtons();
  bool hasButtons() const { return built_; }
  QString caption(int n) const;
  // Where button n (1 to 7) stands on the bar.
  QRect buttonRect(int n) const;
  // The button shown as the current one (the page last chosen), 0 for none.
  void setCurrentButton(int n);
  int currentButton() const { return current_; }

 signals:
  void buttonClicked(int n);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int buttonAt(QPoint point) const;

  bool built_ = false;
  int hovered_ = 0;
  int pressed_ = 0;
  int current_ = 0;
};

}  // namespace kestrune
