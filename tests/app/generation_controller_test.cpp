#include "app/generation_controller.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/completion_window.h"
#include "app/item_list_panel.h"
#include "app/settings_page.h"
#include "app/widget_dialogs.h"
#include "shell_fixture.h"
#include "tools/demo-market/market.h"
#include "web/encoding.h"
#include "web/fetch.h"

namespace kestrune {
namespace {

bool pumpUntil(const std::function<bool()>& done, int milliseconds = 20000) {
  return testing::settleUntil(done, milliseconds);
}

// Sets an environment variable for the life of the object.
class EnvironmentOverride {
 public:
  EnvironmentOverride(const char* name, const std::filesystem::path& value) : name_(name) {
    if (const char* before = std::getenv(name)) before_ = before;
    set(value.string());
  }
  ~EnvironmentOverride() { set(before_.value_or("")); }

 private:
  void set(const std::string& value) const {
#ifdef _WIN32
    _putenv_s(name_, value.c_str());
#else
    setenv(name_, value.c_str(), 1);
#endif
  }
  const char* name_;
  std::optional<std::string> before_;
};

class GenerationWindowTest : public testing::ShellTest {
 protected:
  GenerationWindowTest() {
    market.start();
    EXPECT_FALSE(market.writeEndpoints(home.path()).has_value());
    generation = std::make_unique<WindowGeneration>(*window, settings, home.path());
    generation->setLoginOpener([this] { ++loginWindows; });
  }
  ~GenerationWindowTest() override {
    generation.reset();
    market.stop();
  }

  void queue(const std::vector<std::string>& ids) {
    for (const auto& id : ids) items.appendRow("宝贝" + id, "", market.itemUrl(id), id);
    testing::settle();
  }

  ItemListPanel* panel() const { return window->listPanel(); }

  demo::DemoMarket market;
  std::unique_ptr<WindowGeneration> generation;
  int loginWindows = 0;
};

TEST_F(GenerationWindowTest, AListBecomesAPackageAndTheCompletionWindowShowsTheCounts) {
  queue({"520000000001", "520000000010", "520000000004"});
  // The box shows its hint: the package goes to the desktop, here a folder of the test's own.
  const EnvironmentOverride desktop("HOME", home.path() / "user");
  const EnvironmentOverride config("XDG_CONFIG_HOME", home.path() / "user" / ".config");
  ASSERT_EQ(window->savePathBox()->text(), MainWindow::savePathHint());
  ASSERT_FALSE(window->settingsPage()->loginPromptShown()->isChecked());

  QTest::mouseClick(panel()->generateButton(), Qt::LeftButton);
  // The sign-in prompt came first, then the login window; the box is checked from now on.
  ASSERT_FALSE(dialogs.notices.empty());
  EXPECT_EQ(dialogs.notices[0].title, "注意：登陆才能匹配属性！不登陆采集无属性");
  EXPECT_EQ(loginWindows, 1);
  EXPECT_TRUE(window->settingsPage()->loginPromptShown()->isChecked());

  ASSERT_TRUE(pumpUntil([&] {
    return generation->completionWindow() && generation->completionWindow()->isVisible();
  }));
  CompletionWindow* done = generation->completionWindow();
  EXPECT_EQ(done->windowTitle(), QStringLiteral("复制完成！"));
  EXPECT_EQ(done->heading()->text(), QStringLiteral("复制已经完成："));
  EXPECT_EQ(done->totalLabel()->text(), QStringLiteral("下载总数： 3"));
  EXPECT_EQ(done->successLabel()->text(), QStringLiteral("成功下载： 2"));
  EXPECT_EQ(done->failureLabel()->text(), QStringLiteral("下载失败： 1"));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(done->x(), screen.x() + screen.width() - done->width() - 10);
  EXPECT_EQ(done->y(), screen.y() + screen.height() - done->height() - 30);
  EXPECT_FALSE(done->isModal());

  ASSERT_TRUE(pumpUntil([&] { return panel()->generateButton()->isEnabled(); }));
  testing::settle();
  EXPECT_FALSE(panel()->pauseButton()->isEnabled());
  EXPECT_FALSE(panel()->stopButton()->isEnabled());
  EXPECT_TRUE(window->addToListButton()->isEnabled());
  EXPECT_EQ(window->savePathBox()->text(), MainWindow::savePathHint());
  // Only the item that failed is left.
  ASSERT_EQ(items.rowCount(), 1);
  EXPECT_EQ(items.rowText(0, IdColumn), "520000000010");
  EXPECT_EQ(panel()->countLabel()->text(), QStringLiteral("1"));
  EXPECT_EQ(panel()->listView()->model()->rowCount(), 1);

  const auto folder = home.path() / "user" / "Desktop" / u8"Kestrune生成数据包";
  std::filesystem::path package;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".csv") package = entry.path();
  }
  ASSERT_FALSE(package.empty());
  EXPECT_TRUE(std::filesystem::is_directory(package.parent_path() / package.stem()));
  std::ifstream in(package, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(GbkToUtf8(bytes).find("\"手工皂 天然植物精油 100g 洁面沐浴\""), std::string::npos);

  // The small button brings the window back with the same counts.
  done->close();
  QTest::mouseClick(panel()->completionButton(), Qt::LeftButton);
  EXPECT_TRUE(done->isVisible());
  EXPECT_EQ(done->successLabel()->text(), QStringLiteral("成功下载： 2"));
}

TEST_F(GenerationWindowTest, ControlsWhileRunningPausedAndStopped) {
  window->settingsPage()->loginPromptShown()->setChecked(true);
  market.setFault("/offer/", demo::Fault::hanging());
  queue(market.fixtureItemIds());
  const auto package = home.path() / "held.csv";
  window->savePathBox()->setText(pathToQt(package));

  QTest::mouseClick(panel()->generateButton(), Qt::LeftButton);
  EXPECT_FALSE(panel()->generateButton()->isEnabled());
  EXPECT_TRUE(panel()->pauseButton()->isEnabled());
  EXPECT_TRUE(panel()->stopButton()->isEnabled());
  for (QWidget* control : std::initializer_list<QWidget*>{
           window->addToListButton(), panel()->importButton(), window->changePathButton(),
           panel()->listView(), panel()->deleteButton(), panel()->clearButton()}) {
    EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  }

  QTest::mouseClick(panel()->pauseButton(), Qt::LeftButton);
  EXPECT_EQ(panel()->pauseButton()->text(), QStringLiteral("继续"));
  EXPECT_TRUE(panel()->stopButton()->isEnabled());

  QTest::mouseClick(panel()->stopButton(), Qt::LeftButton);
  testing::settle();
  EXPECT_TRUE(panel()->generateButton()->isEnabled());
  EXPECT_FALSE(panel()->pauseButton()->isEnabled());
  EXPECT_FALSE(panel()->stopButton()->isEnabled());
  EXPECT_FALSE(window->addToListButton()->isEnabled());
  EXPECT_FALSE(panel()->listView()->isEnabled());
  EXPECT_EQ(panel()->pauseButton()->text(), QStringLiteral("继续"));
  EXPECT_EQ(items.rowCount(), static_cast<int>(market.fixtureItemIds().size()));
  EXPECT_FALSE(std::filesystem::exists(package));
  EXPECT_EQ(generation->completionWindow(), nullptr);
}

}  // namespace
}  // namespace kestrune
