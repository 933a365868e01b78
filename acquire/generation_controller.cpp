#include "acquire/generation_controller.h"

#include <optional>
#include <system_error>

#include "acquire/item_pipeline.h"
#include "acquire/stage_context.h"
#include "package/description.h"
#include "package/taobao_package.h"
#include "web/endpoints.h"
#include "web/platform.h"

namespace kestrune {

namespace {

constexpr std::string_view PauseCaption = "暂停";
constexpr std::string_view ContinueCaption = "继续";

std::string utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path pathFromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long daysFromCivil(long long year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

}  // namespace

std::string defaultPackagePath(const std::filesystem::path& desktop, OutputKind kind,
                               const std::tm& localTime) {
  // The number counts from 08:00 on 1970-01-01, with the local clock read as if it were that
  // zone's, so names made on the same wall-clock second agree whatever the machine's zone.
  const long long seconds =
      daysFromCivil(localTime.tm_year + 1900LL, static_cast<unsigned>(localTime.tm_mon + 1),
                    static_cast<unsigned>(localTime.tm_mday)) * 86400LL +
      localTime.tm_hour * 3600LL + localTime.tm_min * 60LL + localTime.tm_sec - 8 * 3600LL;
  return utf8FromPath(desktop / u8"Kestrune生成数据包") + PathSeparator +
         (kind == OutputKind::BusinessAssistant ? "aliS" : "aliT") + std::to_string(seconds) +
         ".csv";
}

struct GenerationController::ActiveRun {
  GenerationRun run;
  RunGate gate;
  Endpoints endpoints;
};

GenerationController::GenerationController(ItemList& list, SettingsSnapshot& settings,
                                           RunHost& host, UserDialogs& dialogs, LogSink* log,
                                           std::filesystem::path home)
    : list_(list),
      settings_(settings),
      host_(host),
      dialogs_(dialogs),
      log_(log),
      home_(std::move(home)),
      pauseCaption_(PauseCaption) {}

GenerationController::~GenerationController() {
  if (auto active = activeRun()) active->gate.stop();
  alive_.reset();
  joinRetiredWorkers();
}

void GenerationController::joinRetiredWorkers() {
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
  workers_.clear();
}

std::shared_ptr<GenerationController::ActiveRun> GenerationController::activeRun() const {
  std::lock_guard lock(stateMutex_);
  return active_;
}

RunState GenerationController::state() const {
  std::lock_guard lock(stateMutex_);
  return state_;
}

GenerationController::RunCounts GenerationController::counts() const {
  std::shared_ptr<ActiveRun> latest;
  {
    std::lock_guard lock(stateMutex_);
    latest = latest_;
  }
  if (!latest) return {};
  std::lock_guard lock(latest->run.runLock);
  return {latest->run.totalItems, latest->run.successCount, latest->run.failureCount};
}

std::string GenerationController::pauseCaption() const { return pauseCaption_; }

bool GenerationController::waitUntilIdle(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(stateMutex_);
  return stateChanged_.wait_for(lock, timeout, [this] { return state_ != RunState::Running; });
}

void GenerationController::setState(RunState state,
                                    const std::shared_ptr<ActiveRun>& active) {
  {
    std::lock_guard lock(stateMutex_);
    state_ = state;
    active_ = active;
    if (active) latest_ = active;
  }
  stateChanged_.notify_all();
  host_.setRunControls(state);
}

void GenerationController::startGeneration() {
  if (state() == RunState::Running) return;
  // Workers of an earlier run have left (a stop abandoned their requests); reap them.
  joinRetiredWorkers();

  if (list_.rowCount() == 0) {
    dialogs_.message("请先粘贴待采集的宝贝链接在地址栏，并点添加到列表后，再点生成数据包！", "提示");
    return;
  }
  const OutputKind kind = settings_.outputKind();
  if (kind == OutputKind::BusinessAssistant) {
    appendLogLine(log_,
                  "  暂不能生成商机助理数据包，请在“配置”页选择“生成淘宝助理5.X数据”并保存配置后再生成\r\n");
    return;
  }

  // An empty box (a failed "更改") gets a default path just as the hint does, rather than a run
  // that would write to no file at all.
  std::string packagePath = host_.chosenPackagePath();
  if (packagePath.empty()) {
    const std::filesystem::path folder = desktopFolder() / u8"Kestrune生成数据包";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const bool business = settings_.current().packageChoice == OutputKind::BusinessAssistant;
    std::tm now = localTimeOf(std::time(nullptr));
    packagePath = defaultPackagePath(desktopFolder(), business ? OutputKind::BusinessAssistant
                                                                : OutputKind::TaobaoAssistant,
                                     now);
    // Two runs within one second would otherwise share a package and its picture folder.
    for (int tries = 0; tries < 100; ++tries) {
      const PackageLocation location = packageLocationOf(packagePath);
      if (!std::filesystem::exists(pathFromUtf8(packagePath), ignored) &&
          !std::filesystem::exists(pathFromUtf8(location.outputFolder + location.packageBaseName),
                                   ignored)) {
        break;
      }
      ++now.tm_sec;
      packagePath = defaultPackagePath(desktopFolder(), business ? OutputKind::BusinessAssistant
                                                                  : OutputKind::TaobaoAssistant,
                                       now);
    }
    host_.showPackagePath(packagePath);
  }
  const PackageLocation location = packageLocationOf(packagePath);

  if (!host_.loginPromptShown()) {
    dialogs_.message(
        "采集1688宝贝生成数据包时：\r\n请先登陆一下阿里网站，可用任意阿里或淘宝账号登陆\r\n"
        "点确定后弹出登陆窗口！",
        "注意：登陆才能匹配属性！不登陆采集无属性");
    host_.setLoginPromptShown(true);
    host_.openLoginWindow();
  }

  if (list_.rowCount() > MaxItems) {
    dialogs_.message("每次采集数量不超过1000个，如超过，请按帮助拆分为几次分别采集！", "提示");
    return;
  }

  // Only the rows the workers mark may be selected when the run ends, so that exactly the
  // packaged items leave the list.
  list_.setSelection({});
  list_.removeRowsWithoutId();
  const int rowCount = list_.rowCount();
  appendLogLine(log_, "  去除空ID宝贝【实际宝贝数量为" + std::to_string(rowCount) + "  个宝贝】\r\n");
  host_.refreshCountLabel();

  auto active = std::make_shared<ActiveRun>();
  active->run.packagePath = location.packagePath;
  active->run.outputFolder = location.outputFolder;
  active->run.packageBaseName = location.packageBaseName;
  active->run.outputKind = kind;
  active->run.totalItems = rowCount;
  active->endpoints = loadEndpoints(home_);
  {
    std::error_code ignored;
    std::filesystem::create_directories(active->run.pictureFolder(), ignored);
  }

  setState(RunState::Running, active);
  for (int workerNumber = 1; workerNumber <= WorkerCount; ++workerNumber) {
    workers_.emplace_back(&GenerationController::workerMain, this, active, workerNumber);
  }
}

void GenerationController::togglePause() {
  const std::shared_ptr<ActiveRun> active = activeRun();
  if (pauseCaption_ == PauseCaption) {
    if (active) active->gate.pause();
    pauseCaption_ = ContinueCaption;
  } else {
    if (active) active->gate.resume();
    pauseCaption_ = PauseCaption;
  }
  host_.setPauseCaption(pauseCaption_);
}

void GenerationController::stopGeneration() {
  const std::shared_ptr<ActiveRun> active = activeRun();
  if (!active) return;
  // Once the package has been written the run completes on its own.
  if (!active->gate.stop()) return;
  // The workers leave by themselves within moments; they are joined at the next start.
  setState(RunState::Stopped, nullptr);
}

StageContext GenerationController::stageContext(ActiveRun& active, int workerNumber) {
  StageContext context;
  context.workerNumber = workerNumber;
  context.run = &active.run;
  context.totalItems = active.run.totalItems;
  context.outputKind = active.run.outputKind;
  context.endpoints = &active.endpoints;
  context.settings = &settings_;
  context.home = home_;
  context.pictureFolder = active.run.pictureFolder();
  context.cacheLock = &cacheLock_;
  context.logSink = log_;
  context.gate = &active.gate;
  context.cancel = active.gate.cancelToken();
  return context;
}

void GenerationController::workerMain(std::shared_ptr<ActiveRun> active, int workerNumber) {
  GenerationRun& run = active->run;
  const StageContext context = stageContext(*active, workerNumber);

  ItemRecord record;
  int lastItem = 0;
  const std::string total = std::to_string(run.totalItems);
  while (context.proceed()) {
    const std::optional<std::int32_t> itemNumber = run.takeNextItem();
    if (!itemNumber) break;
    lastItem = *itemNumber;
    const int row = *itemNumber - 1;
    record.clear();
    record.itemNumber = *itemNumber;
    record.offerId = list_.rowText(row, IdColumn);
    record.listName = list_.rowText(row, NameColumn);
    const std::string position = std::to_string(*itemNumber) + "/" + total;
    context.log("线程：" + std::to_string(workerNumber) + "  开始下载 第：" + position +
                " 个宝贝:" + record.listName + "\r\n");

    if (!runItemStages(record, context)) return;
    if (!record.title.empty()) {
      const std::string packageRow = buildTaobaoRow(record);
      if (!active->gate.unlessStopped([&] {
            run.appendPackageRow(packageRow);
            list_.markRowDone(row);
          })) {
        return;
      }
    }
    context.log(" 线程：" + std::to_string(workerNumber) + " 第：" + position +
                " 个宝贝 下载完成！\r\n");
  }
  if (active->gate.stopped()) return;

  bool last = false;
  {
    std::lock_guard lock(run.runLock);
    last = ++run.finishedWorkers == WorkerCount;
  }
  if (last) finishRun(active, workerNumber, lastItem);
}

void GenerationController::finishRun(const std::shared_ptr<ActiveRun>& active, int workerNumber,
                                      int lastItem) {
  GenerationRun& run = active->run;
  const StageContext context = stageContext(*active, workerNumber);

  {
    std::lock_guard lock(run.runLock);
    run.failureCount = run.totalItems - run.successCount;
  }
  handleDescriptionLinks(run, context);
  context.log(" 线程：" + std::to_string(workerNumber) + " 第：" + std::to_string(lastItem) + "/" +
              std::to_string(run.totalItems) + " 个宝贝 下载完成！成功： " +
              std::to_string(run.successCount) + " 失败：" + std::to_string(run.failureCount) +
              " 正在写文件...\r\n");

  WriteOutcome outcome;
  if (!active->gate.commit(
          [&] { outcome = writeTaobaoPackage(pathFromUtf8(run.packagePath), run.packageRows); })) {
    return;
  }
  if (outcome.written) {
    appendLogLine(log_, " 文件写成功！\r\n");
    appendLogLine(log_, " 数据包存放位置" + run.packagePath + "\r\n");
  } else {
    appendLogLine(log_, " 文件写入失败：" + run.packagePath + "（" + outcome.reason + "）\r\n");
  }

  std::weak_ptr<int> alive = alive_;
  host_.postToUi([this, alive, active, written = outcome.written, reason = outcome.reason] {
    if (alive.expired()) return;
    completeOnUi(active, written, reason);
  });
}

void GenerationController::completeOnUi(const std::shared_ptr<ActiveRun>& active, bool written,
                                        const std::string& reason) {
  const GenerationRun& run = active->run;
  host_.showSavePathHint();
  if (written) {
    list_.deleteSelectedRows();
    host_.refreshCountLabel();
    host_.showCompletionWindow(run.totalItems, run.successCount, run.failureCount);
  } else {
    // The list keeps every row, so the same items can be packaged again.
    dialogs_.message("数据包没有写成：\r\n" + run.packagePath + "\r\n" + reason, "提示");
  }
  setState(RunState::Idle, nullptr);
}

}  // namespace kestrune
