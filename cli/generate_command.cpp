#include "cli/generate_command.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <mutex>
#include <optional>
#include <system_error>

#include "acquire/generation_controller.h"
#include "acquire/settings.h"
#include "cli/console.h"
#include "items/item_list_file.h"
#include "web/profile_file.h"

namespace kestrune::cli {

namespace {

namespace fs = std::filesystem;

// The window's part in a run, played by the terminal. The thread that runs runGenerate is the
// run's UI thread: it carries out the work that workers post, between checks for Ctrl-C.
class ConsoleRunHost : public WindowlessRunHost {
 public:
  explicit ConsoleRunHost(std::string chosenPath) : WindowlessRunHost(std::move(chosenPath)) {}

  void showPackagePath(const std::string& path) override { shownPath_ = path; }
  void showCompletionWindow(int totalItems, int successCount, int failureCount) override {
    completed_ = true;
    totalItems_ = totalItems;
    successCount_ = successCount;
    failureCount_ = failureCount;
  }
  void postToUi(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    posted_.notify_one();
  }

  // Carries out the posted work, waiting up to `wait` for some to arrive.
  void runPostedTasks(std::chrono::milliseconds wait) {
    std::deque<std::function<void()>> tasks;
    {
      std::unique_lock lock(mutex_);
      posted_.wait_for(lock, wait, [this] { return !tasks_.empty(); });
      tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
  }

  std::string packagePath() const { return chosenPath().empty() ? shownPath_ : chosenPath(); }
  bool completed() const { return completed_; }
  int totalItems() const { return totalItems_; }
  int successCount() const { return successCount_; }
  int failureCount() const { return failureCount_; }

 private:
  std::string shownPath_;
  bool completed_ = false;
  int totalItems_ = 0;
  int successCount_ = 0;
  int failureCount_ = 0;

  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;
};

// Why nothing can be written into `folder` (creating it when missing); empty when it can. Tried
// before the run, so a bad --out does not cost the downloads of a whole list first.
std::string folderWriteProblem(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return error.message();
  const fs::path probe = folder / ".kestrune-write-check";
  {
    std::ofstream out(probe, std::ios::binary);
    if (!out || !(out << "x") || (out.close(), !out)) {
      fs::remove(probe, error);
      return "the folder cannot be written";
    }
  }
  fs::remove(probe, error);
  return {};
}

// The package path that --out names: absolute, with ".csv" added to a file name without any
// extension. Empty when the file name has nothing before its first ".".
std::optional<std::string> packagePathOf(const std::string& out) {
  fs::path path = fs::absolute(pathFromArgument(out));
  if (pathText(path.filename()).find('.') == std::string::npos) path += ".csv";
  const PackageLocation location = packageLocationOf(pathText(path));
  if (location.packageBaseName.empty()) return std::nullopt;
  return location.packagePath;
}

Settings settingsOfHome(const fs::path& home) {
  return readSettings(ProfileFile::load(settingsFile(home)), Settings{});
}

}  // namespace

int runGenerate(const Arguments& arguments, const fs::path& home) {
  const fs::path listFile = pathFromArgument(arguments.listFile);
  const ItemListFileResult read = readItemListFile(listFile);
  if (!read.ok) {
    return fail(BadInput, "cannot read the list " + arguments.listFile + ": " + read.reason);
  }
  if (read.rows.empty()) return fail(NotDone, "the list " + arguments.listFile + " holds no items");

  std::string chosenPath;
  if (!arguments.outFile.empty()) {
    const std::optional<std::string> path = packagePathOf(arguments.outFile);
    if (!path) {
      return fail(BadInput, "--out " + arguments.outFile + ": the file name needs a name before its first '.'");
    }
    chosenPath = *path;
    const std::string folder = packageLocationOf(chosenPath).outputFolder;
    const std::string problem = folderWriteProblem(pathFromArgument(folder));
    if (!problem.empty()) {
      return fail(NotDone, "cannot write the package into " + folder + ": " + problem);
    }
  }

  SettingsSnapshot settings;
  Settings current = settingsOfHome(home);
  if (arguments.kind) current.packageChoice = *arguments.kind;
  settings.setCurrent(current);
  settings.setOutputKind(current.packageChoice);

  ItemList list;
  list.appendRows(read.rows);
  StandardErrorLog log;
  ConsoleDialogs dialogs;
  ConsoleRunHost host(chosenPath);
  bool stopAsked = false;
  bool stopped = false;
  {
    GenerationController controller(list, settings, host, dialogs, &log, home);
    watchForInterrupt();
    controller.startGeneration();
    if (controller.state() != RunState::Running) {
      return fail(NotDone, "no package was written");
    }
    while (controller.state() == RunState::Running) {
      host.runPostedTasks(std::chrono::milliseconds(100));
      if (interrupted() && !stopAsked) {
        stopAsked = true;
        tell("stopping...");
        controller.stopGeneration();
        stopped = controller.state() == RunState::Stopped;
      }
    }
    host.runPostedTasks(std::chrono::milliseconds(0));
  }
  if (stopped) return fail(NotDone, "stopped; no package was written");
  if (!host.completed()) return fail(NotDone, "no package was written");

  // After the run the list holds exactly the items that failed.
  const fs::path failedFile = pathFromArgument(arguments.listFile + ".failed.txt");
  const std::vector<ItemRow> failed = list.rows();
  if (!failed.empty()) {
    const ItemListFileResult written = writeItemListFile(failedFile, failed);
    if (!written.ok) {
      tell("cannot write the failed items to " + pathText(failedFile) + ": " + written.reason);
    } else {
      tell(std::to_string(failed.size()) + " failed items are in " + pathText(failedFile));
    }
  } else {
    // A list of failures from an earlier run would only mislead now.
    std::error_code ignored;
    fs::remove(failedFile, ignored);
  }

  std::cout << host.packagePath() << std::endl;
  if (host.successCount() == 0) {
    return fail(NotDone, "none of the " + std::to_string(host.totalItems()) +
                             " items could be copied; the package holds no items");
  }
  return Done;
}

}  // namespace kestrune::cli
