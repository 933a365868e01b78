// How a whole generation run performs: 1000 synthetic items (about 300 KB of page each) served
// by the demo market over HTTPS on this machine. Without added latency it reports the workers'
// processor time per item and the peak memory; with 100 ms added to every request it reports the
// wall time against the ideal of five workers waiting in parallel
// (requests per item x 100 ms x 1000 / 5).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "acquire/generation_controller.h"
#include "tools/demo-market/market.h"
#include "web/fetch.h"
#include "web/platform.h"

namespace kestrune {
namespace {

constexpr int kItems = 1000;

// No window: posted work runs at once on the worker that posts it.
class BenchHost : public WindowlessRunHost {
 public:
  using WindowlessRunHost::WindowlessRunHost;
  void showCompletionWindow(int, int successCount, int) override { successCount_ = successCount; }
  void postToUi(std::function<void()> task) override { task(); }

  int successCount_ = -1;
};

class QuietDialogs : public UserDialogs {
 public:
  void message(const std::string&, const std::string&) override {}
  bool ask(const std::string&, const std::string&) override { return true; }
  std::optional<std::filesystem::path> chooseSaveFile(const std::string&, const std::string&,
                                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseOpenFile(const std::string&,
                                                      const std::string&) override {
    return std::nullopt;
  }
};

// Every worker writes log lines from its own thread; the processor time its thread has used at
// its latest line is, at the end of the run, what the worker cost (the market's threads, which
// serve the pages in the same process, never log).
class CpuSampler : public LogSink {
 public:
  void writeLogLine(std::string) override {
    const double used = threadCpuSeconds();
    std::lock_guard lock(mutex_);
    used_[std::this_thread::get_id()] = used;
  }
  double workerSeconds(std::thread::id excluded) const {
    std::lock_guard lock(mutex_);
    double total = 0;
    for (const auto& [thread, seconds] : used_) {
      if (thread != excluded) total += seconds;
    }
    return total;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::thread::id, double> used_;
};

demo::DemoMarket& market() {
  static demo::DemoMarket* market = [] {
    auto* started = new demo::DemoMarket();
    started->start();
    return started;
  }();
  return *market;
}

void runOverSyntheticItems(benchmark::State& state, std::chrono::milliseconds latency) {
  const auto root = std::filesystem::temp_directory_path() / "kestrune-run-bench";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "home" / "options");
  if (auto error = market().writeEndpoints(root / "home")) {
    state.SkipWithError(error->c_str());
    return;
  }
  configureWebAccess(root / "home");
  market().setLatency(latency);

  for (auto _ : state) {
    ItemList list;
    for (int n = 1; n <= kItems; ++n) {
      const std::string id = demo::DemoMarket::syntheticItemId(n);
      list.appendRow("宝贝" + id, "", "", id);
    }
    SettingsSnapshot settings;
    const auto package = root / ("package-" + std::to_string(latency.count()) + ".csv");
    BenchHost host(package.string());
    QuietDialogs dialogs;
    CpuSampler sampler;
    GenerationController controller(list, settings, host, dialogs, &sampler, root / "home");
    market().clearRequests();
    const double peakBefore = static_cast<double>(peakResidentBytes()) / 1e6;

    const auto started = std::chrono::steady_clock::now();
    controller.startGeneration();
    controller.waitUntilIdle(std::chrono::minutes(30));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    state.SetIterationTime(wall);

    const double requestsPerItem = static_cast<double>(market().requests().size()) / kItems;
    const double ideal = requestsPerItem * latency.count() / 1000.0 * kItems / 5;
    const double packageBytes = static_cast<double>(std::filesystem::file_size(package));
    state.counters["items_ok"] = host.successCount_;
    state.counters["requests_per_item"] = requestsPerItem;
    state.counters["cpu_ms_per_item"] =
        sampler.workerSeconds(std::this_thread::get_id()) * 1000 / kItems;
    state.counters["wall_s"] = wall;
    state.counters["package_MB"] = packageBytes / 1e6;
    // The process peak includes the market's threads serving the pages; peak_before_MB is the
    // peak before the run (program, libraries, market at rest).
    state.counters["peak_MB"] = static_cast<double>(peakResidentBytes()) / 1e6;
    state.counters["peak_before_MB"] = peakBefore;
    if (ideal > 0) {
      state.counters["ideal_s"] = ideal;
      state.counters["wall_over_ideal"] = wall / ideal;
    }
  }
  market().setLatency(std::chrono::milliseconds(0));
  std::filesystem::remove_all(root);
}

void BM_RunFastNetwork(benchmark::State& state) {
  runOverSyntheticItems(state, std::chrono::milliseconds(0));
}
void BM_RunSlowNetwork(benchmark::State& state) {
  runOverSyntheticItems(state, std::chrono::milliseconds(100));
}

BENCHMARK(BM_RunFastNetwork)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_RunSlowNetwork)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kestrune
