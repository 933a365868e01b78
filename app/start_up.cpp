#include "app/start_up.h"

#include <QApplication>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>

#include "app/main_window.h"
#include "app/page_toolbar.h"
#include "app/settings_page.h"
#include "app/shell_windows.h"
#include "web/platform.h"

namespace kestrune {

void startUp(QApplication& application, MainWindow& window, const StartUpOptions& options) {
  applySkin(application, window.skinAdjustment());

  SplashWindow splash;
  splash.setStatus(QStringLiteral("正在加载软件功能模块--"));
  splash.show();
  QCoreApplication::processEvents();

  window.setBanner(BannerPicture::Start, QString());
  window.applyStartUpSize();
  // The top bar draws itself and takes nothing from the skin.
  splash.setProgress(85);

  window.pageToolbar()->buildButtons();
  window.settingsPage()->loadSettings();
  window.createTrayIcon();

  splash.setProgress(100);
  QCoreApplication::processEvents();
  if (options.splashPauseMs > 0) {
    QEventLoop pause;
    QTimer::singleShot(options.splashPauseMs, &pause, &QEventLoop::quit);
    pause.exec();
  }
  splash.close();

  window.pages()->setCurrentIndex(0);
  window.pageToolbar()->setCurrentButton(1);
  window.show();

  // Every run's workers then share one processor.
  if (options.restrictToFirstProcessor) restrictToFirstProcessor();
}

}  // namespace kestrune
