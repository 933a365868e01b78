// One generation run: the package it writes, the counters its five workers share, and the pause
// and stop that the window applies to them. The controller that starts runs and the workers
// themselves live in generation_controller.h.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <stop_token>
#include <string>
#include <string_view>

#include "acquire/settings.h"

namespace kestrune {

struct GenerationRun {
  // Full path of the package file, the folder part up to and including its last separator, and
  // the file name up to its first ".". The run's pictures go into outputFolder + packageBaseName.
  std::string packagePath;
  std::string outputFolder;
  std::string packageBaseName;
  // The package kind, fixed when the run starts so that one package never mixes two formats.
  OutputKind outputKind = OutputKind::TaobaoAssistant;
  std::int32_t totalItems = 0;

  // Guarded by runLock, which is held only for these short updates.
  std::int32_t nextItem = 0;
  std::int32_t finishedWorkers = 0;
  std::int32_t successCount = 0;
  // The package rows in the order items succeeded.
  std::string packageRows;
  std::mutex runLock;

  // totalItems - successCount, set once by the worker that finishes the run.
  std::int32_t failureCount = 0;

  std::filesystem::path pictureFolder() const;

  // The next item number (1-based), each handed out once in increasing order; nullopt when no
  // item is left.
  std::optional<std::int32_t> takeNextItem();
  // Appends a finished row and counts the success, together.
  void appendPackageRow(std::string_view row);
};

// The pause and stop of one run. Workers ask proceed() before each step and wrap every effect the
// user can see (a log line, a package row, a marked list row) in unlessStopped(), so that once
// stop() has returned no worker starts another request, line or row.
class RunGate {
 public:
  // Waits while the run is paused; false once it has been stopped.
  bool proceed();
  void pause();
  void resume();
  // Stops the run, wakes held workers and abandons requests under way. Has no effect once the
  // package has been committed (the run is then completing); returns whether it stopped the run.
  bool stop();
  bool stopped() const;
  std::stop_token cancelToken() const { return stopSource_.get_token(); }

  // Runs `effect` unless the run has been stopped; a stop waits for an effect under way.
  bool unlessStopped(const std::function<void()>& effect);
  // Runs `commit` (writing the package) unless the run has been stopped; from then on the run
  // can no longer be stopped. Returns false when the run had been stopped.
  bool commit(const std::function<void()>& commit);

 private:
  mutable std::mutex mutex_;
  std::condition_variable resumed_;
  bool paused_ = false;
  bool stopped_ = false;
  bool committed_ = false;
  std::shared_mutex effects_;
  std::stop_source stopSource_;
};

}  // namespace kestrune
