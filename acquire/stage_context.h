// What a stage of the per-item pipeline may use besides the item's record: where it runs (worker
// and run), the remote hosts, the settings, the run's picture folder and catalogue-cache lock,
// and the run's pause and stop. Stages call proceed() before each request or file they write, so
// a paused run makes no new request and a stopped run none at all; they hand `cancel` to every
// fetch, so a stop abandons the requests under way.
#pragma once

#include <filesystem>
#include <mutex>
#include <stop_token>
#include <string_view>

#include "acquire/settings.h"
#include "web/endpoints.h"

namespace kestrune {

class RunGate;
struct GenerationRun;
class LogSink;

struct StageContext {
  int workerNumber = 0;  // 1 to 5; the item's log lines show it
  const GenerationRun* run = nullptr;
  int totalItems = 0;
  OutputKind outputKind = OutputKind::TaobaoAssistant;
  const Endpoints* endpoints = nullptr;
  const SettingsSnapshot* settings = nullptr;
  // The program home; the catalogue cache lives in its options folder.
  std::filesystem::path home;
  // Every picture of the run goes into this folder.
  std::filesystem::path pictureFolder;
  // Held while downloading into the catalogue cache.
  std::mutex* cacheLock = nullptr;
  LogSink* logSink = nullptr;
  RunGate* gate = nullptr;
  std::stop_token cancel;

  // Waits while the run is paused; false once it has been stopped (the stage then skips its
  // requests and writes and leaves its fields empty).
  bool proceed() const;
  // An operation-log line of this worker; dropped once the run has been stopped.
  void log(std::string_view message) const;
};

}  // namespace kestrune
