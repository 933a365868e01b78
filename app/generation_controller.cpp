#include "app/generation_controller.h"

#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>

#include "app/completion_window.h"
#include "app/item_list_panel.h"
#include "app/login_window.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/widget_dialogs.h"
#include "web/endpoints.h"

namespace kestrune {

WindowGeneration::WindowGeneration(MainWindow& window, SettingsSnapshot& settings,
                                   std::filesystem::path home)
    : QObject(&window), window_(window), log_(window.logSink()) {
  const QString loginUrl = toQt(loadEndpoints(home).sourceLoginUrl);
  openLogin_ = [this, loginUrl] { kestrune::openLoginWindow(&window_, loginUrl); };
  controller_ = std::make_unique<GenerationController>(window.listPanel()->itemList(), settings,
                                                       *this, window.dialogs(), log_.get(),
                                                       std::move(home));
  connect(&window, &MainWindow::generateRequested, this, [this] { controller_->startGeneration(); });
  connect(&window, &MainWindow::pauseRequested, this, [this] { controller_->togglePause(); });
  connect(&window, &MainWindow::stopRequested, this, [this] { controller_->stopGeneration(); });
  connect(&window, &MainWindow::completionWindowRequested, this,
          &WindowGeneration::reopenCompletionWindow);
}

// The controller goes first: it stops a run still going and waits for its workers, which may
// still use this host.
WindowGeneration::~WindowGeneration() { controller_.reset(); }

std::string WindowGeneration::chosenPackagePath() {
  const QString text = window_.savePathBox()->text();
  return text == MainWindow::savePathHint() ? std::string() : fromQt(text);
}

void WindowGeneration::showPackagePath(const std::string& path) {
  window_.savePathBox()->setText(toQt(path));
}

void WindowGeneration::showSavePathHint() { window_.savePathBox()->setText(MainWindow::savePathHint()); }

bool WindowGeneration::loginPromptShown() {
  return window_.settingsPage()->loginPromptShown()->isChecked();
}

void WindowGeneration::setLoginPromptShown(bool shown) {
  window_.settingsPage()->loginPromptShown()->setChecked(shown);
}

void WindowGeneration::openLoginWindow() { openLogin_(); }

void WindowGeneration::setRunControls(RunState state) {
  switch (state) {
    case RunState::Idle:
      window_.setRunControls(RunControls::Idle);
      break;
    case RunState::Running:
      window_.setRunControls(RunControls::Running);
      break;
    case RunState::Stopped:
      window_.setRunControls(RunControls::Stopped);
      break;
  }
}

void WindowGeneration::setPauseCaption(const std::string& caption) {
  window_.listPanel()->pauseButton()->setText(toQt(caption));
}

void WindowGeneration::refreshCountLabel() { window_.listPanel()->refreshCountLabel(); }

void WindowGeneration::showCompletionWindow(int totalItems, int successCount, int failureCount) {
  if (!completionWindow_) completionWindow_ = new CompletionWindow(&window_);
  completionWindow_->showCounts(totalItems, successCount, failureCount);
}

void WindowGeneration::reopenCompletionWindow() {
  const GenerationController::RunCounts counts = controller_->counts();
  showCompletionWindow(counts.totalItems, counts.successCount, counts.failureCount);
}

void WindowGeneration::postToUi(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

}  // namespace kestrune
