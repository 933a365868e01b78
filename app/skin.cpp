#include "app/skin.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>

namespace kestrune {
namespace {

// The skin data: base colours that the default adjustment (hue +180, saturation -14,
// brightness +10) turns into the program's blue look.
const QColor BaseAccent = QColor::fromHsl(30, 150, 100);
const QColor BaseWindow = QColor::fromHsl(30, 40, 232);
const QColor BaseFrame = QColor::fromHsl(30, 60, 170);
const QColor BaseButton = QColor::fromHsl(30, 70, 236);

}  // namespace

int hueFromSlider(int position) { return position - 181; }
int amountFromSlider(int position) { return position - 101; }
int hueSliderPosition(int hue) { return hue + 181; }
int amountSliderPosition(int amount) { return amount + 101; }

QColor adjustColour(const QColor& base, const SkinAdjustment& adjustment) {
  QColor hsl = base.toHsl();
  int hue = ((hsl.hslHue() < 0 ? 0 : hsl.hslHue()) + adjustment.hue) % 360;
  if (hue < 0) hue += 360;
  double saturation = hsl.hslSaturation() * (1.0 + std::clamp(adjustment.saturation, -100, 100) / 100.0);
  double lightness = hsl.lightness();
  double towards = std::clamp(adjustment.brightness, -100, 100) / 100.0;
  lightness = towards >= 0 ? lightness + (255 - lightness) * towards : lightness * (1.0 + towards);
  return QColor::fromHsl(hue, std::clamp(static_cast<int>(saturation), 0, 255),
                         std::clamp(static_cast<int>(lightness), 0, 255));
}

void applySkin(QApplication& application, const SkinAdjustment& adjustment) {
  const QColor accent = adjustColour(BaseAccent, adjustment);
  const QColor window = adjustColour(BaseWindow, adjustment);
  const QColor frame = adjustColour(BaseFrame, adjustment);
  const QColor button = adjustColour(BaseButton, adjustment);

  if (auto* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) application.setStyle(fusion);
  QPalette palette = application.style()->standardPalette();
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::Button, button);
  palette.setColor(QPalette::Highlight, accent);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::AlternateBase, window.lighter(104));
  palette.setColor(QPalette::Link, accent);
  application.setPalette(palette);

  application.setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid %1; border-radius: 3px; margin-top: 8px; padding-top: 4px; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: %2; }"
      "QPushButton { border: 1px solid %1; border-radius: 3px; padding: 2px 6px;"
      "  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 %3); }"
      "QPushButton:hover { border-color: %2; }"
      "QPushButton:pressed { background: %3; }"
      "QPushButton:disabled { color: #9a9a9a; border-color: #c8c8c8; }"
      "QLineEdit, QPlainTextEdit, QTextEdit, QTextBrowser, QTableView { border: 1px solid %1; }"
      "QHeaderView::section { background: %3; border: 0; border-right: 1px solid %1;"
      "  border-bottom: 1px solid %1; padding: 2px 4px; }"
      "QStatusBar { border-top: 1px solid %1; }")
                              .arg(frame.name(), accent.name(), button.name()));
}

}  // namespace kestrune
