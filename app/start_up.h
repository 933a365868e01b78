// The start of the window program: skin, splash window, toolbar, settings, notification icon,
// then the main window on its "开始" page.
#pragma once

class QApplication;

namespace kestrune {

class MainWindow;

struct StartUpOptions {
  int splashPauseMs = 300;           // how long the full progress bar stays before the splash closes
  bool restrictToFirstProcessor = true;
};

void startUp(QApplication& application, MainWindow& window, const StartUpOptions& options = {});

}  // namespace kestrune
