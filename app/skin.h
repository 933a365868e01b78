// The program's look: a palette and style sheet built from a few base colours, shifted by the
// hue, saturation and brightness that the three hidden sliders of the main window set. The
// page toolbar draws itself and is not affected.
#pragma once

#include <QColor>

class QApplication;

namespace kestrune {

struct SkinAdjustment {
  int hue = 180;        // degrees added to each base colour's hue, -180..180
  int saturation = -14;  // -100..100, percent of the colour's saturation added or taken away
  int brightness = 10;   // -100..100, percent of the way towards white (or black when negative)
};

// Slider positions and adjustments: the hue slider runs 1..361, the other two 1..201.
int hueFromSlider(int position);
int amountFromSlider(int position);
int hueSliderPosition(int hue);
int amountSliderPosition(int amount);

QColor adjustColour(const QColor& base, const SkinAdjustment& adjustment);

// Restyles every window of the application; may be called again when a slider moves.
void applySkin(QApplication& application, const SkinAdjustment& adjustment);

}  // namespace kestrune
