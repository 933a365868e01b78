// Turns the queued items of the item list into one import package: checks the list, fixes the
// package path and picture folder, runs five workers over the items, lets the user pause, resume
// or stop them, and, when the last worker is done, writes the package, removes the packaged rows
// and reports the counts. Windows and dialogs are reached through RunHost and UserDialogs.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquire/generation_run.h"
#include "acquire/settings.h"
#include "acquire/stage_context.h"
#include "items/item_list.h"
#include "web/operation_log.h"
#include "web/user_dialogs.h"

namespace kestrune {

// Where generation stands: idle before any run and after a completed one, running (paused or
// not), or stopped. The window enables its controls accordingly.
enum class RunState { Idle, Running, Stopped };

// What a run needs from the front end. startGeneration, togglePause and stopGeneration call it on
// the UI thread; workers reach the UI thread only through postToUi, and never wait for it.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // The path in the save-path box; empty while the box shows its hint or was left empty.
  virtual std::string chosenPackagePath() = 0;
  // Shows a package path in the save-path box.
  virtual void showPackagePath(const std::string& path) = 0;
  // Puts the hint back into the save-path box, so the next run chooses a new default path.
  virtual void showSavePathHint() = 0;
  // The check box "登陆窗口只弹出一次，未关闭软件前不再弹出".
  virtual bool loginPromptShown() = 0;
  virtual void setLoginPromptShown(bool shown) = 0;
  // Shows the sign-in window modally and returns when the user has closed it.
  virtual void openLoginWindow() = 0;
  virtual void setRunControls(RunState state) = 0;
  virtual void setPauseCaption(const std::string& caption) = 0;
  virtual void refreshCountLabel() = 0;
  // Opens the completion window without blocking.
  virtual void showCompletionWindow(int totalItems, int successCount, int failureCount) = 0;
  // From any thread: runs `task` on the UI thread soon. Must not wait for it.
  virtual void postToUi(std::function<void()> task) = 0;
};

// A host without a window (the command-line program, benchmarks): there is no save-path box,
// sign-in window or control to update, and the sign-in prompt counts as shown, since a sign-in
// made in the window program reaches every front end through the shared cookie store.
class WindowlessRunHost : public RunHost {
 public:
  explicit WindowlessRunHost(std::string packagePath) : packagePath_(std::move(packagePath)) {}
  std::string chosenPackagePath() override { return packagePath_; }
  void showPackagePath(const std::string&) override {}
  void showSavePathHint() override {}
  bool loginPromptShown() override { return true; }
  void setLoginPromptShown(bool) override {}
  void openLoginWindow() override {}
  void setRunControls(RunState) override {}
  void setPauseCaption(const std::string&) override {}
  void refreshCountLabel() override {}

  const std::string& chosenPath() const { return packagePath_; }

 private:
  std::string packagePath_;
};

class GenerationController {
 public:
  static constexpr int WorkerCount = 5;
  static constexpr int MaxItems = 1000;

  // `home` is the program home: its endpoints file names the hosts, its options folder holds the
  // catalogue cache.
  GenerationController(ItemList& list, SettingsSnapshot& settings, RunHost& host,
                       UserDialogs& dialogs, LogSink* log, std::filesystem::path home);
  // Stops a run still going and waits for its workers.
  ~GenerationController();
  GenerationController(const GenerationController&) = delete;
  GenerationController& operator=(const GenerationController&) = delete;

  // The "生成数据包", pause and "停止" buttons; UI thread.
  void startGeneration();
  void togglePause();
  void stopGeneration();

  RunState state() const;
  struct RunCounts {
    int totalItems = 0;
    int successCount = 0;
    int failureCount = 0;
  };
  // The counts of the latest run as they stand (all 0 before the first run).
  RunCounts counts() const;
  // "暂停" or "继续".
  std::string pauseCaption() const;
  // Waits until no run is going (it has completed, its UI work included, or was stopped);
  // false when the time ran out. For the command-line program and tests.
  bool waitUntilIdle(std::chrono::milliseconds timeout) const;

  // Guards the catalogue cache for as long as the program runs.
  std::mutex& cacheLock() { return cacheLock_; }

 private:
  struct ActiveRun;

  void workerMain(std::shared_ptr<ActiveRun> active, int workerNumber);
  void finishRun(const std::shared_ptr<ActiveRun>& active, int workerNumber, int lastItem);
  void completeOnUi(const std::shared_ptr<ActiveRun>& active, bool written,
                    const std::string& reason);
  StageContext stageContext(ActiveRun& active, int workerNumber);
  std::shared_ptr<ActiveRun> activeRun() const;
  // Sets the state and the run going on (null when none) together, then the window's controls.
  void setState(RunState state, const std::shared_ptr<ActiveRun>& active);
  void joinRetiredWorkers();

  ItemList& list_;
  SettingsSnapshot& settings_;
  RunHost& host_;
  UserDialogs& dialogs_;
  LogSink* log_;
  std::filesystem::path home_;

  std::mutex cacheLock_;
  std::vector<std::thread> workers_;   // UI thread only; joined at the next start or at the end
  std::string pauseCaption_;
  // Posted UI work checks this, so it never reaches a controller that is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  // Guards state_ and active_: front ends may run posted UI work on a thread of their own.
  mutable std::mutex stateMutex_;
  mutable std::condition_variable stateChanged_;
  RunState state_ = RunState::Idle;
  std::shared_ptr<ActiveRun> active_;  // the run going on, if any
  std::shared_ptr<ActiveRun> latest_;  // the latest run started
};

// The default package path: the folder "Kestrune生成数据包" in `desktop`, then "aliS" (Business
// Assistant) or "aliT", the local time as seconds since 1970-01-01 08:00:00, and ".csv".
std::string defaultPackagePath(const std::filesystem::path& desktop, OutputKind kind,
                               const std::tm& localTime);

}  // namespace kestrune
