#include "app/page_toolbar.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/artwork.h"

namespace kestrune {
namespace {

constexpr int ButtonWidth = 65;
constexpr int ButtonHeight = 58;
constexpr int ButtonGap = 5;
constexpr int SeparatorSpace = 11;  // extra room for the line between buttons 5 and 6
constexpr int FirstButtonX = 196;
constexpr int ButtonY = 3;

const char* const Captions[PageToolbar::ButtonCount] = {"开始页面", "单个采集", "列表采集", "店铺采集",
                                                        "下载配置", "使用帮助", "退出系统"};

}  // namespace

PageToolbar::PageToolbar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pageToolbar"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageToolbar::buildButtons() {
  built_ = true;
  update();
}

QString PageToolbar::caption(int n) const {
  return n >= 1 && n <= ButtonCount ? QString::fromUtf8(Captions[n - 1]) : QString();
}

QRect PageToolbar::buttonRect(int n) const {
  if (n < 1 || n > ButtonCount) return {};
  int x = FirstButtonX + (n - 1) * (ButtonWidth + ButtonGap) + (n > 5 ? SeparatorSpace : 0);
  return QRect(x, ButtonY, ButtonWidth, ButtonHeight);
}

void PageToolbar::setCurrentButton(int n) {
  current_ = n;
  update();
}

int PageToolbar::buttonAt(QPoint point) const {
  if (!built_) return 0;
  for (int n = 1; n <= ButtonCount; ++n) {
    if (buttonRect(n).contains(point)) return n;
  }
  return 0;
}

void PageToolbar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  bool active = window()->isActiveWindow();

  QLinearGradient background(0, 0, 0, height());
  background.setColorAt(0, active ? QColor(0x2c, 0x7d, 0xc9) : QColor(0x55, 0x86, 0xb4));
  background.setColorAt(1, active ? QColor(0x17, 0x4a, 0x80) : QColor(0x3a, 0x5c, 0x80));
  painter.fillRect(rect(), background);

  // The program's name at the left.
  programIcon().paint(&painter, QRect(10, 12, 40, 40));
  QFont nameFont = font();
  nameFont.setBold(true);
  nameFont.setPointSizeF(10.5);
  painter.setFont(nameFont);
  painter.setPen(Qt::white);
  painter.drawText(QRect(56, 10, FirstButtonX - 58, 24), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("KestruneTrellisor"));
  QFont tagFont = font();
  tagFont.setPointSizeF(8.5);
  painter.setFont(tagFont);
  painter.setPen(QColor(0xcf, 0xe3, 0xf7));
  painter.drawText(QRect(57, 34, 140, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("1688 宝贝复制助手"));

  if (!built_) return;
  QFont captionFont = font();
  captionFont.setPointSizeF(8.5);
  painter.setFont(captionFont);
  for (int n = 1; n <= ButtonCount; ++n) {
    QRect box = buttonRect(n);
    bool lit = n == hovered_ || n == pressed_ || n == current_;
    if (lit) {
      QPainterPath shape;
      shape.addRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
      int alpha = n == pressed_ ? 90 : (n == hovered_ ? 60 : 38);
      painter.fillPath(shape, QColor(255, 255, 255, alpha));
      painter.setPen(QColor(255, 255, 255, 110));
      painter.drawPath(shape);
    }
    int shift = n == pressed_ ? 1 : 0;
    toolbarIcon(n).paint(&painter, QRect(box.x() + (ButtonWidth - 32) / 2 + shift, box.y() + 4 + shift, 32, 32));
    painter.setPen(Qt::white);
    painter.drawText(QRect(box.x() + shift, box.y() + 38 + shift, ButtonWidth, 18), Qt::AlignCenter, caption(n));
  }
  int lineX = buttonRect(5).right() + (ButtonGap + SeparatorSpace) / 2 + 1;
  painter.setPen(QColor(0x0f, 0x35, 0x5c));
  painter.drawLine(lineX, 8, lineX, height() - 8);
  painter.setPen(QColor(255, 255, 255, 70));
  painter.drawLine(lineX + 1, 8, lineX + 1, height() - 8);
}

void PageToolbar::mouseMoveEvent(QMouseEvent* event) {
  int n = buttonAt(event->position().toPoint());
  if (n != hovered_) {
    hovered_ = n;
    setCursor(n ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
  }
}

void PageToolbar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = buttonAt(event->position().toPoint());
  update();
}

void PageToolbar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  int clicked = pressed_ != 0 && buttonAt(event->position().toPoint()) == pressed_ ? pressed_ : 0;
  pressed_ = 0;
  update();
  if (clicked) emit buttonClicked(clicked);
}

void PageToolbar::leaveEvent(QEvent*) {
  hovered_ = 0;
  update();
}

}  // namespace kestrune
