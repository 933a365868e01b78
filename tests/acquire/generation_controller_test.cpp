#include "acquire/generation_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <algorithm>
#include <mutex>
#include <thread>

#include "package/taobao_csv_reader.h"
#include "package/taobao_package.h"
#include "tools/demo-market/market.h"
#include "web/encoding.h"
#include "web/endpoints.h"
#include "web/fetch.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using testing::ReadCsv;

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path utf8Path(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// Plays the window: records what the run shows, and runs posted work on the test's own thread,
// which pumps it like a UI loop.
class TestHost : public RunHost {
 public:
  std::string chosenPackagePath() override { return hint_ ? std::string() : box_; }
  void showPackagePath(const std::string& path) override {
    box_ = path;
    hint_ = false;
  }
  void showSavePathHint() override {
    box_.clear();
    hint_ = true;
  }
  bool loginPromptShown() override { return loginPromptShown_; }
  void setLoginPromptShown(bool shown) override { loginPromptShown_ = shown; }
  void openLoginWindow() override { ++loginWindows_; }
  void setRunControls(RunState state) override { controls_.push_back(state); }
  void setPauseCaption(const std::string& caption) override { caption_ = caption; }
  void refreshCountLabel() override { ++countRefreshes_; }
  void showCompletionWindow(int total, int success, int failure) override {
    completions_.push_back({total, success, failure});
  }
  void postToUi(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
  }

  // Runs posted work until the run is no longer going; false when that takes longer than `limit`.
  bool pumpUntilIdle(GenerationController& controller, std::chrono::milliseconds limit = 30s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      pump(10ms);
      if (controller.state() != RunState::Running) return true;
    }
    return false;
  }
  void pump(std::chrono::milliseconds wait) {
    std::deque<std::function<void()>> tasks;
    {
      std::unique_lock lock(mutex_);
      posted_.wait_for(lock, wait, [this] { return !tasks_.empty(); });
      tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
  }

  struct Completion {
    int total, success, failure;
  };
  bool hint_ = true;
  std::string box_;
  bool loginPromptShown_ = true;
  int loginWindows_ = 0;
  std::vector<RunState> controls_;
  std::string caption_;
  int countRefreshes_ = 0;
  std::vector<Completion> completions_;

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;
};

class TestDialogs : public UserDialogs {
 public:
  void message(const std::string& text, const std::string& title) override {
    messages.push_back({text, title});
  }
  bool ask(const std::string&, const std::string&) override { return true; }
  std::optional<std::filesystem::path> chooseSaveFile(const std::string&, const std::string&,
                                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseOpenFile(const std::string&,
                                                      const std::string&) override {
    return std::nullopt;
  }
  std::vector<std::pair<std::string, std::string>> messages;
};

void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

// A run over a private home and desktop; the market is started by the tests that need it.
class GenerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            (std::string("kestrune-run-") + info->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "home" / "options");
    std::filesystem::create_directories(root_ / "user");
    setEnvironment("HOME", (root_ / "user").string());
    setEnvironment("XDG_CONFIG_HOME", (root_ / "user" / ".config").string());
    controller_ = std::make_unique<GenerationController>(list_, settings_, host_, dialogs_, &log_,
                                                         root_ / "home");
  }
  void TearDown() override {
    controller_.reset();
    market_.stop();
    std::filesystem::remove_all(root_);
  }

  void startMarket() {
    market_.start();
    ASSERT_FALSE(market_.writeEndpoints(root_ / "home").has_value());
    configureWebAccess(root_ / "home");
  }

  // The package goes to a fixed file of the test's own.
  std::filesystem::path choosePackage(const std::string& name = "shop.csv") {
    host_.showPackagePath((root_ / name).string());
    return root_ / name;
  }

  void addItem(const std::string& id, const std::string& name = "") {
    list_.appendRow(name.empty() ? "宝贝" + id : name, "", "https://detail/" + id, id);
  }

  bool logHas(const std::string& text) const {
    for (const auto& line : log_.lines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  std::vector<std::string> listIds() const {
    std::vector<std::string> ids;
    for (const auto& row : list_.rows()) ids.push_back(row.id);
    return ids;
  }

  std::filesystem::path root_;
  demo::DemoMarket market_;
  ItemList list_;
  SettingsSnapshot settings_;
  TestHost host_;
  TestDialogs dialogs_;
  MemoryLogSink log_;
  std::unique_ptr<GenerationController> controller_;
};

TEST(DefaultPackagePath, CountsSecondsFromEightOClockOnNewYear1970) {
  std::tm moment{};
  moment.tm_year = 2016 - 1900;
  moment.tm_mon = 8;
  moment.tm_mday = 22;
  moment.tm_hour = 7;
  moment.tm_min = 10;
  moment.tm_sec = 44;
  const std::string separator(1, PathSeparator);
  EXPECT_EQ(defaultPackagePath("desk", OutputKind::TaobaoAssistant, moment),
            "desk" + separator + "Kestrune生成数据包" + separator + "aliT1474499444.csv");
  std::tm start{};
  start.tm_year = 70;
  start.tm_mday = 1;
  start.tm_hour = 8;
  EXPECT_EQ(defaultPackagePath("desk", OutputKind::BusinessAssistant, start),
            "desk" + separator + "Kestrune生成数据包" + separator + "aliS0.csv");
}

TEST_F(GenerationTest, RefusesAnEmptyListAndTooManyRows) {
  controller_->startGeneration();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].first,
            "请先粘贴待采集的宝贝链接在地址栏，并点添加到列表后，再点生成数据包！");
  EXPECT_EQ(dialogs_.messages[0].second, "提示");
  EXPECT_TRUE(host_.hint_);

  for (int i = 0; i < 1001; ++i) addItem(i % 2 ? std::to_string(520000000001 + i) : "");
  controller_->startGeneration();
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[1].first,
            "每次采集数量不超过1000个，如超过，请按帮助拆分为几次分别采集！");
  EXPECT_EQ(controller_->state(), RunState::Idle);
  EXPECT_EQ(list_.rowCount(), 1001);  // rows without an id stay until a run starts
  EXPECT_TRUE(log_.lines().empty());
  // The default path chosen before the refusal stays in the box.
  ASSERT_FALSE(host_.hint_);
  EXPECT_NE(host_.box_.find("Kestrune生成数据包"), std::string::npos);
}

TEST_F(GenerationTest, BusinessAssistantRunsDoNotStartYet) {
  settings_.setOutputKind(OutputKind::BusinessAssistant);
  addItem("520000000001");
  controller_->startGeneration();
  EXPECT_EQ(controller_->state(), RunState::Idle);
  EXPECT_TRUE(logHas("商机助理"));
  EXPECT_EQ(list_.rowCount(), 1);
  EXPECT_TRUE(host_.controls_.empty());
}

TEST_F(GenerationTest, ItemsWithoutIdsGiveAnEmptyPackageOnTheDesktop) {
  host_.loginPromptShown_ = false;
  list_.appendRow("a", "", "", "");
  list_.appendRow("b", "", "", "");
  list_.appendRow("c", "", "", " ");  // blanks are an id
  list_.setSelection({2});
  ASSERT_NO_FATAL_FAILURE(startMarket());
  controller_->startGeneration();
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_));

  // The sign-in prompt comes once, then the window.
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].first,
            "采集1688宝贝生成数据包时：\r\n请先登陆一下阿里网站，可用任意阿里或淘宝账号登陆\r\n"
            "点确定后弹出登陆窗口！");
  EXPECT_EQ(dialogs_.messages[0].second, "注意：登陆才能匹配属性！不登陆采集无属性");
  EXPECT_TRUE(host_.loginPromptShown_);
  EXPECT_EQ(host_.loginWindows_, 1);

  EXPECT_TRUE(logHas("  去除空ID宝贝【实际宝贝数量为1  个宝贝】\r\n"));
  ASSERT_EQ(host_.completions_.size(), 1u);
  EXPECT_EQ(host_.completions_[0].total, 1);
  EXPECT_EQ(host_.completions_[0].success, 0);
  EXPECT_EQ(host_.completions_[0].failure, 1);
  // The failed row stays even though the user had selected it before the run.
  EXPECT_EQ(listIds(), std::vector<std::string>{" "});

  const auto folder = root_ / "user" / "Desktop" / u8"Kestrune生成数据包";
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 2u);  // the package and its picture folder
  std::sort(files.begin(), files.end());
  EXPECT_TRUE(std::filesystem::is_directory(files[0]));
  EXPECT_EQ(files[1].extension(), ".csv");
  EXPECT_EQ(files[1].filename().string().rfind("aliT", 0), 0u);
  EXPECT_EQ(readFile(files[1]), Utf8ToGbk(taobaoPackageHeader()));
  EXPECT_TRUE(logHas(" 数据包存放位置" + files[1].string() + "\r\n"));
  EXPECT_TRUE(host_.hint_);
  EXPECT_EQ(host_.controls_, (std::vector<RunState>{RunState::Running, RunState::Idle}));

  // A second run neither prompts nor opens the sign-in window, and gets a new file.
  addItem("");
  addItem("");
  controller_->startGeneration();
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_));
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(host_.loginWindows_, 1);
  ASSERT_EQ(host_.completions_.size(), 2u);
  EXPECT_EQ(host_.completions_[1].total, 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 4);
}

TEST_F(GenerationTest, AllIdsEmptyRunsNoItem) {
  list_.appendRow("a", "", "", "");
  list_.appendRow("b", "", "", "");
  const auto package = choosePackage();
  controller_->startGeneration();
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_));
  ASSERT_EQ(host_.completions_.size(), 1u);
  EXPECT_EQ(host_.completions_[0].total, 0);
  EXPECT_EQ(host_.completions_[0].success, 0);
  EXPECT_EQ(host_.completions_[0].failure, 0);
  EXPECT_EQ(readFile(package), Utf8ToGbk(taobaoPackageHeader()));
  EXPECT_TRUE(logHas(" 线程：") && logHas(" 第：0/0 个宝贝 下载完成！成功： 0 失败：0 正在写文件...\r\n"));
  EXPECT_EQ(list_.rowCount(), 0);
}

TEST_F(GenerationTest, AFailedWriteKeepsTheListAndSaysWhy) {
  ASSERT_NO_FATAL_FAILURE(startMarket());
  addItem("520000000001");
  addItem("520000000004");
  // A folder already holds the package's name.
  std::filesystem::create_directories(root_ / "taken.csv" / "inside");
  const auto package = choosePackage("taken.csv");
  controller_->startGeneration();
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_));
  EXPECT_TRUE(logHas(" 文件写入失败：" + package.string() + "（"));
  EXPECT_TRUE(std::filesystem::is_directory(root_ / "taken.csv" / "inside"));
  EXPECT_FALSE(logHas("文件写成功"));
  EXPECT_TRUE(host_.completions_.empty());
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(list_.rowCount(), 2);
  EXPECT_EQ(controller_->state(), RunState::Idle);
}

// What the rows of the fixture shop must hold: values read off the fixture pages.
struct ExpectedRow {
  std::string title, price, num, skuProps, state, city;
};

TEST_F(GenerationTest, FixtureShopBecomesATaobaoPackage) {
  ASSERT_NO_FATAL_FAILURE(startMarket());
  const std::map<std::string, ExpectedRow> expected{
      {"520000000001",
       {"女式纯棉短袖T恤 夏季新款 宽松百搭", "7.00", "3580",
        "7.00:45::L;白色;6.00:80::M;蓝色;5.00:120::M;红色;", "浙江", "义乌"}},
      {"520000000002",
       {"儿童T恤 短裤两件套 \"夏日\" 纯棉·透气 5°C<新款> It’s ‘潮’童装—包邮 'A'", "15.00", "960",
        "15.00:460::黄色;15.00:500::粉色;", "广东", "广州"}},
      {"520000000003",
       {"304不锈钢保温杯 500ml 学生水杯", "8.80", "1200",
        "8.80:300::350ml;白色;8.80:320::500ml;白色;8.80:280::350ml;黑色;8.80:300::500ml;黑色;",
        "浙江", "永康"}},
      {"520000000004", {"手工皂 天然植物精油 100g 洁面沐浴", "6.50", "5000", "", "广东", "汕头"}},
      {"520000000011", {"通用型号 维修配件 单件", "1.00", "99", "", "江苏", "苏州"}},
  };
  // The removed offer has no title; the unknown one answers with no page.
  const std::vector<std::string> failing{"520000000010", "599999999999"};
  list_.appendRow("空", "", "", "");
  for (const auto& [id, row] : expected) addItem(id);
  for (const auto& id : failing) addItem(id);
  list_.appendRow("空", "", "", "");
  const auto package = choosePackage();

  controller_->startGeneration();
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_));

  const std::string bytes = readFile(package);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.rfind(Utf8ToGbk(taobaoPackageHeader()), 0), 0u);
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(bytes)), bytes);  // GBK throughout
  const auto records = ReadCsv(GbkToUtf8(bytes));
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 3 + expected.size());
  std::set<std::string> seen;
  for (std::size_t r = 3; r < records->size(); ++r) {
    const auto& fields = (*records)[r];
    ASSERT_EQ(fields.size(), 49u);
    const std::string& id = fields[36];
    ASSERT_TRUE(expected.count(id)) << id;
    EXPECT_TRUE(seen.insert(id).second) << id;
    const ExpectedRow& want = expected.at(id);
    EXPECT_EQ(fields[0], want.title);
    EXPECT_EQ(fields[7], want.price) << id;
    EXPECT_EQ(fields[9], want.num) << id;
    EXPECT_EQ(fields[30], want.skuProps) << id;
    EXPECT_EQ(fields[4], want.state) << id;
    EXPECT_EQ(fields[5], want.city) << id;
    const std::map<int, std::string> fixed{{3, "1"},  {6, "1"},  {8, "0"},  {15, "0"}, {17, "1"},
                                           {18, "0"}, {22, "0"}, {23, "0"}, {27, "0"}, {35, "0"},
                                           {37, "0"}, {38, "2"}, {40, "1"}, {41, "0"}, {42, "0"}};
    for (const auto& [column, value] : fixed) EXPECT_EQ(fields[column], value) << column;
  }

  ASSERT_EQ(host_.completions_.size(), 1u);
  EXPECT_EQ(host_.completions_[0].total, 7);
  EXPECT_EQ(host_.completions_[0].success, 5);
  EXPECT_EQ(host_.completions_[0].failure, 2);
  EXPECT_EQ(listIds(), failing);
  EXPECT_TRUE(list_.selectedRows().empty());

  // Each item was fetched once, over HTTPS, at its detail address.
  const auto requests = market_.requestsTo("/offer/");
  EXPECT_EQ(requests.size(), 7u);
  for (const auto& request : requests) {
    EXPECT_TRUE(request.secure);
    EXPECT_NE(request.target.find(".html?spm=0.0.0.0.G2RPwY&sk=consign"), std::string::npos);
  }
  // Two lines per item from the worker that took it.
  for (int item = 1; item <= 7; ++item) {
    EXPECT_TRUE(logHas("  开始下载 第：" + std::to_string(item) + "/7 个宝贝:宝贝"));
    EXPECT_TRUE(logHas(" 第：" + std::to_string(item) + "/7 个宝贝 下载完成！\r\n"));
    EXPECT_TRUE(logHas("  开始获取 第：" + std::to_string(item) + "/7 个宝贝   基本信息！\r\n"));
  }
  EXPECT_TRUE(logHas(" 文件写成功！\r\n"));
  EXPECT_TRUE(logHas(" 数据包存放位置" + package.string() + "\r\n"));
}

TEST_F(GenerationTest, ThreeItemsAreEachCopiedOnce) {
  ASSERT_NO_FATAL_FAILURE(startMarket());
  addItem("520000000001");
  addItem("520000000002");
  addItem("520000000001");  // queued twice, copied twice
  const auto package = choosePackage();
  controller_->startGeneration();
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_));
  const auto records = ReadCsv(GbkToUtf8(readFile(package)));
  ASSERT_TRUE(records);
  EXPECT_EQ(records->size(), 6u);
  EXPECT_EQ(market_.requestsTo("/offer/").size(), 3u);
  EXPECT_EQ(list_.rowCount(), 0);
}

TEST_F(GenerationTest, AThousandRowsRunAndEachItemIsTakenOnce) {
  ASSERT_NO_FATAL_FAILURE(startMarket());
  // Detail pages asked at a local port where nothing listens fail at once, which keeps a
  // thousand items quick; every other endpoint still points at the market.
  const auto endpoints = endpointsFile(root_ / "home");
  std::string text = readFile(endpoints);
  const auto key = text.find("SourceDetailHost=");
  ASSERT_NE(key, std::string::npos);
  text.replace(key, text.find("\r\n", key) - key, "SourceDetailHost=127.0.0.1:1");
  std::ofstream(endpoints, std::ios::binary) << text;

  for (int i = 1; i <= 1000; ++i) addItem(std::to_string(530000000000 + i));
  const auto package = choosePackage();
  controller_->startGeneration();
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_, 120s));
  EXPECT_TRUE(logHas("  去除空ID宝贝【实际宝贝数量为1000  个宝贝】\r\n"));
  std::map<std::string, int> taken;
  for (const auto& line : log_.lines()) {
    const auto at = line.find("  开始下载 第：");
    if (at != std::string::npos) ++taken[line.substr(at, line.find(' ', at + 20) - at)];
  }
  EXPECT_EQ(taken.size(), 1000u);
  for (const auto& [item, count] : taken) EXPECT_EQ(count, 1) << item;
  ASSERT_EQ(host_.completions_.size(), 1u);
  EXPECT_EQ(host_.completions_[0].failure, 1000);
  EXPECT_EQ(readFile(package), Utf8ToGbk(taobaoPackageHeader()));
  EXPECT_EQ(list_.rowCount(), 1000);
}

TEST_F(GenerationTest, PauseHoldsTheWorkersAndContinueResumes) {
  ASSERT_NO_FATAL_FAILURE(startMarket());
  market_.setFault("/offer/", demo::Fault::delay(200ms));
  for (const auto& id : market_.fixtureItemIds()) addItem(id);
  const auto package = choosePackage();
  controller_->startGeneration();
  for (int i = 0; i < 200 && market_.requestsTo("/offer/").empty(); ++i) {
    std::this_thread::sleep_for(5ms);
  }
  controller_->togglePause();
  EXPECT_EQ(host_.caption_, "继续");
  // Requests under way finish; then nothing new goes out while paused.
  std::this_thread::sleep_for(1000ms);
  const std::size_t whilePaused = market_.requestsTo("/offer/").size();
  EXPECT_GE(whilePaused, 1u);
  EXPECT_LE(whilePaused, 10u);
  std::this_thread::sleep_for(600ms);
  EXPECT_EQ(market_.requestsTo("/offer/").size(), whilePaused);
  EXPECT_EQ(controller_->state(), RunState::Running);

  controller_->togglePause();
  EXPECT_EQ(host_.caption_, "暂停");
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_));
  EXPECT_EQ(market_.requestsTo("/offer/").size(), market_.fixtureItemIds().size());
  EXPECT_TRUE(std::filesystem::exists(package));
}

TEST_F(GenerationTest, StopAbandonsHangingRequestsAndWritesNothing) {
  ASSERT_NO_FATAL_FAILURE(startMarket());
  market_.setFault("/offer/", demo::Fault::hanging());
  for (const auto& id : market_.fixtureItemIds()) addItem(id);
  const auto rowsBefore = list_.rows();
  const auto package = choosePackage();
  controller_->startGeneration();
  for (int i = 0; i < 200 && market_.requestsTo("/offer/").size() < 5; ++i) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(market_.requestsTo("/offer/").size(), 5u);
  controller_->togglePause();

  const auto before = std::chrono::steady_clock::now();
  controller_->stopGeneration();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
  EXPECT_EQ(controller_->state(), RunState::Stopped);
  EXPECT_EQ(host_.controls_.back(), RunState::Stopped);
  EXPECT_EQ(host_.caption_, "继续");  // a stop leaves the caption alone

  const std::size_t logLines = log_.lines().size();
  std::this_thread::sleep_for(300ms);
  host_.pump(10ms);
  EXPECT_EQ(log_.lines().size(), logLines);
  EXPECT_FALSE(std::filesystem::exists(package));
  EXPECT_TRUE(host_.completions_.empty());
  ASSERT_EQ(list_.rowCount(), static_cast<int>(rowsBefore.size()));
  EXPECT_EQ(listIds().front(), rowsBefore.front().id);
  EXPECT_TRUE(list_.selectedRows().empty());

  // A new run starts at once and unpaused: the stopped workers have left and no lock stayed held.
  market_.clearFaults();
  list_.clearRows();
  addItem("520000000004");
  const auto again = choosePackage("again.csv");
  controller_->startGeneration();
  ASSERT_TRUE(host_.pumpUntilIdle(*controller_));
  EXPECT_EQ(ReadCsv(GbkToUtf8(readFile(again)))->size(), 4u);
  controller_->togglePause();
  EXPECT_EQ(host_.caption_, "暂停");
}

}  // namespace
}  // namespace kestrune
