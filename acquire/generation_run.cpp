#include "acquire/generation_run.h"

#include "acquire/stage_context.h"
#include "web/operation_log.h"

namespace kestrune {

namespace {

std::filesystem::path pathFromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

std::filesystem::path GenerationRun::pictureFolder() const {
  return pathFromUtf8(outputFolder + packageBaseName);
}

std::optional<std::int32_t> GenerationRun::takeNextItem() {
  std::lock_guard lock(runLock);
  if (nextItem >= totalItems) return std::nullopt;
  return ++nextItem;
}

void GenerationRun::appendPackageRow(std::string_view row) {
  std::lock_guard lock(runLock);
  packageRows += row;
  ++successCount;
}

bool RunGate::proceed() {
  std::unique_lock lock(mutex_);
  resumed_.wait(lock, [this] { return !paused_ || stopped_; });
  return !stopped_;
}

void RunGate::pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void RunGate::resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  resumed_.notify_all();
}

bool RunGate::stop() {
  {
    std::unique_lock effects(effects_);
    std::lock_guard lock(mutex_);
    if (committed_) return false;
    stopped_ = true;
  }
  stopSource_.request_stop();
  resumed_.notify_all();
  return true;
}

bool RunGate::stopped() const {
  std::lock_guard lock(mutex_);
  return stopped_;
}

bool RunGate::unlessStopped(const std::function<void()>& effect) {
  std::shared_lock effects(effects_);
  if (stopped()) return false;
  effect();
  return true;
}

bool RunGate::commit(const std::function<void()>& commit) {
  std::unique_lock effects(effects_);
  if (stopped()) return false;
  commit();
  std::lock_guard lock(mutex_);
  committed_ = true;
  return true;
}

bool StageContext::proceed() const { return gate == nullptr || gate->proceed(); }

void StageContext::log(std::string_view message) const {
  if (gate == nullptr) {
    appendLogLine(logSink, message);
    return;
  }
  gate->unlessStopped([&] { appendLogLine(logSink, message); });
}

}  // namespace kestrune
