// Binds generation runs to the main window: "生成数据包", the pause button and "停止" drive the
// core's controller; the save-path box, the sign-in prompt's check box, the login window, the
// control states and the completion window are its window side. Worker news arrives queued on
// the window's thread, so no worker ever waits for the window.
#pragma once

#include <QObject>
#include <QPointer>
#include <filesystem>
#include <memory>

#include "acquire/generation_controller.h"
#include "app/completion_window.h"

namespace kestrune {

class MainWindow;

class WindowGeneration : public QObject, public RunHost {
  Q_OBJECT

 public:
  // `home` is the program home (endpoints, catalogue cache); everything must outlive this object.
  WindowGeneration(MainWindow& window, SettingsSnapshot& settings, std::filesystem::path home);
  ~WindowGeneration() override;

  GenerationController& controller() { return *controller_; }
  // The completion window once it has been opened; null before.
  CompletionWindow* completionWindow() const { return completionWindow_; }
  // How the sign-in window opens; the login window on the sign-in page unless replaced (tests do).
  void setLoginOpener(std::function<void()> opener) { openLogin_ = std::move(opener); }

  std::string chosenPackagePath() override;
  void showPackagePath(const std::string& path) override;
  void showSavePathHint() override;
  bool loginPromptShown() override;
  void setLoginPromptShown(bool shown) override;
  void openLoginWindow() override;
  void setRunControls(RunState state) override;
  void setPauseCaption(const std::string& caption) override;
  void refreshCountLabel() override;
  void showCompletionWindow(int totalItems, int successCount, int failureCount) override;
  void postToUi(std::function<void()> task) override;

 public slots:
  // The small button beside the list: the completion window again, with the counts as they stand.
  void reopenCompletionWindow();

 private:
  MainWindow& window_;
  std::shared_ptr<LogSink> log_;
  std::function<void()> openLogin_;
  QPointer<CompletionWindow> completionWindow_;
  std::unique_ptr<GenerationController> controller_;
};

}  // namespace kestrune
