#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/address_box.h"
#include "app/item_list_panel.h"
#include "app/page_toolbar.h"
#include "app/settings_page.h"
#include "app/shell_windows.h"
#include "app/start_up.h"
#include "shell_fixture.h"
#include "web/program_home.h"

namespace kestrune {
namespace {

using testing::ShellTest;

class MainWindowTest : public ShellTest {
 protected:
  void clickToolbar(int n) {
    PageToolbar* toolbar = window->pageToolbar();
    if (!toolbar->hasButtons()) toolbar->buildButtons();
    QTest::mouseClick(toolbar, Qt::LeftButton, {}, toolbar->buttonRect(n).center());
  }
  void leaveAddressBox() {
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(window->addressBox(), &focusOut);
  }
  // Answers the next modal window (the exit question) by clicking one of its buttons.
  void answerExitQuestion(bool confirm) {
    QTimer::singleShot(0, [confirm] {
      auto* question = qobject_cast<ExitConfirmWindow*>(QApplication::activeModalWidget());
      ASSERT_NE(question, nullptr);
      EXPECT_EQ(question->windowTitle(), QStringLiteral("退出程序？"));
      QTest::mouseClick(confirm ? question->confirmButton() : question->cancelButton(), Qt::LeftButton);
    });
  }
};

TEST_F(MainWindowTest, ToolbarButtonsSwitchPagesBannerAndIntakeMode) {
  struct Step {
    const char* typed;  // put into the address box before the click, when not null
    int button;
    int page;
    BannerPicture banner;
    const char* bannerText;
    const char* label;
    const char* mode;
    const char* box;
  };
  const char* single = "【单个模式】 就是指定采集一个点宝贝 输入该宝贝地址即可进行采集 可以添加多个";
  const char* list = "【列表模式】 就是仅仅采集某个店铺的一个分类 输入分类的网页地址即可进行采集";
  const char* shop = "【店铺模式】 就是采集整个店铺的所有宝贝 只需输入店铺的首页地址即可进行采集";
  const Step steps[] = {
      {"http://typed/1", 1, 0, BannerPicture::Start, "", "商品地址：", "", "http://typed/1"},
      {nullptr, 2, 1, BannerPicture::SingleItem, single, "宝贝地址：", "单品", "请输入宝贝地址"},
      {"http://typed/2", 2, 1, BannerPicture::SingleItem, single, "宝贝地址：", "单品", "http://typed/2"},
      {nullptr, 3, 1, BannerPicture::Category, list, "列表地址：", "列表", "请输入列表地址"},
      {"http://typed/3", 4, 1, BannerPicture::Shop, shop, "店铺地址：", "店铺", "请输入店铺地址"},
      {"http://typed/4", 5, 2, BannerPicture::Settings, "可以对采集的一些信息进行设置", "店铺地址：", "店铺",
       "http://typed/4"},
      {nullptr, 6, 3, BannerPicture::Help, "", "店铺地址：", "店铺", "http://typed/4"},
      {nullptr, 2, 1, BannerPicture::SingleItem, single, "宝贝地址：", "单品", "请输入宝贝地址"},
  };
  EXPECT_EQ(window->intakeMode(), QString());
  EXPECT_EQ(window->addressBox()->text(), QStringLiteral("请输入宝贝地址"));
  for (const auto& step : steps) {
    SCOPED_TRACE(window->pageToolbar()->caption(step.button).toStdString());
    if (step.typed) window->addressBox()->setText(QString::fromUtf8(step.typed));
    clickToolbar(step.button);
    EXPECT_EQ(window->pages()->currentIndex(), step.page);
    EXPECT_EQ(window->bannerPicture(), step.banner);
    EXPECT_EQ(window->bannerText()->text(), QString::fromUtf8(step.bannerText));
    EXPECT_EQ(window->addressLabel()->text(), QString::fromUtf8(step.label));
    EXPECT_EQ(window->intakeMode(), QString::fromUtf8(step.mode));
    EXPECT_EQ(window->addressBox()->text(), QString::fromUtf8(step.box));
  }
  const char* tabs[] = {"开始", "采集", "配置", "帮助"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(window->pages()->tabText(i), QString::fromUtf8(tabs[i]));
}

TEST_F(MainWindowTest, ExitButtonAsksAndOnlyConfirmEnds) {
  int exits = 0;
  QObject::connect(window.get(), &MainWindow::exitConfirmed, [&exits] { ++exits; });
  window->selectPage(3);
  answerExitQuestion(false);
  clickToolbar(7);
  EXPECT_EQ(exits, 0);
  EXPECT_EQ(window->pages()->currentIndex(), 1);  // "退出系统" leaves the page as it was
  EXPECT_EQ(window->intakeMode(), QStringLiteral("列表"));
  answerExitQuestion(true);
  clickToolbar(7);
  EXPECT_EQ(exits, 1);
}

TEST_F(MainWindowTest, AddressBoxHints) {
  AddressBox* box = window->addressBox();
  // Before any mode: a click empties the start hint, and leaving the empty box keeps it empty.
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(box->text(), QString());
  leaveAddressBox();
  EXPECT_EQ(box->text(), QString());

  window->selectPage(4);
  ASSERT_EQ(box->text(), QStringLiteral("请输入店铺地址"));
  QTest::mousePress(box, Qt::LeftButton);
  EXPECT_EQ(box->text(), QString());
  QTest::mouseRelease(box, Qt::LeftButton);
  leaveAddressBox();
  EXPECT_EQ(box->text(), QStringLiteral("请输入店铺地址"));

  window->selectPage(2);
  QTest::mouseClick(box, Qt::LeftButton);
  leaveAddressBox();
  EXPECT_EQ(box->text(), QStringLiteral("请输入宝贝地址"));

  // An address is kept and wholly selected, so a paste replaces it.
  box->setText(QStringLiteral("https://detail.example/offer/1.html"));
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(20, box->height() / 2));
  EXPECT_EQ(box->text(), QStringLiteral("https://detail.example/offer/1.html"));
  EXPECT_EQ(box->selectedText(), box->text());
  // A right click neither empties a hint nor selects.
  box->setText(QStringLiteral("请输入宝贝地址"));
  box->deselect();
  QTest::mouseClick(box, Qt::RightButton);
  EXPECT_EQ(box->text(), QStringLiteral("请输入宝贝地址"));
}

TEST_F(MainWindowTest, CloseBoxHidesAndTrayBringsTheWindowBack) {
  window->createTrayIcon();
  window->show();
  ASSERT_TRUE(window->isVisible());
  EXPECT_EQ(window->trayIcon()->toolTip(), QStringLiteral("KestruneTrellisor V2.18"));
  ASSERT_EQ(window->trayMenu()->actions().size(), 1);
  EXPECT_EQ(window->trayMenu()->title(), QStringLiteral("系统菜单"));
  EXPECT_EQ(window->trayMenu()->actions()[0]->text(), QStringLiteral("退出程序"));

  window->close();
  EXPECT_FALSE(window->isVisible());
  emit window->trayIcon()->activated(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(window->isVisible());
  window->showMinimized();
  window->hide();
  emit window->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());

  int exits = 0;
  QObject::connect(window.get(), &MainWindow::exitConfirmed, [&exits] { ++exits; });
  answerExitQuestion(true);
  window->trayMenu()->actions()[0]->trigger();
  EXPECT_EQ(exits, 1);
}

TEST_F(MainWindowTest, WithoutNotificationAreaTheCloseBoxAsksToExit) {
  window->assumeTrayAvailable(false);
  window->createTrayIcon();
  window->show();
  int exits = 0;
  QObject::connect(window.get(), &MainWindow::exitConfirmed, [&exits] { ++exits; });
  answerExitQuestion(false);
  window->close();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(exits, 0);
}

TEST_F(MainWindowTest, RunStatesEnableTheirControls) {
  ItemListPanel* panel = window->listPanel();
  QWidget* generate = panel->generateButton();
  QWidget* pause = panel->pauseButton();
  QWidget* stop = panel->stopButton();
  QWidget* others[] = {window->addToListButton(), panel->importButton(),  window->changePathButton(),
                       panel->listView(),         panel->deleteButton(), panel->clearButton()};
  struct Case {
    RunControls state;
    bool generate, pauseAndStop, others;
  };
  for (auto c : {Case{RunControls::Running, false, true, false}, Case{RunControls::Stopped, true, false, false},
                 Case{RunControls::Idle, true, false, true}}) {
    SCOPED_TRACE(static_cast<int>(c.state));
    window->setRunControls(c.state);
    EXPECT_EQ(generate->isEnabled(), c.generate);
    EXPECT_EQ(pause->isEnabled(), c.pauseAndStop);
    EXPECT_EQ(stop->isEnabled(), c.pauseAndStop);
    for (QWidget* control : others) EXPECT_EQ(control->isEnabled(), c.others) << control->objectName().toStdString();
    EXPECT_TRUE(panel->exportButton()->isEnabled());
  }
}

TEST_F(MainWindowTest, ChangeDerivesThePackageLocation) {
  const std::filesystem::path folder = home.path() / "out";
  const std::filesystem::path dotted = home.path() / "my.data";
  dialogs.files = {folder / "pack", dotted / "pack", std::nullopt};
  auto sep = std::string(1, PathSeparator);

  QTest::mouseClick(window->changePathButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs.filters.back(), "逗号分隔符文件(*.csv)");
  EXPECT_EQ(window->savePathBox()->text().toStdString(), (folder / "pack.csv").string());
  EXPECT_EQ(window->packageLocation().outputFolder, folder.string() + sep);
  EXPECT_EQ(window->packageLocation().packageBaseName, "pack");
  EXPECT_EQ(settings.current().savePath, (folder / "pack.csv").string());
  EXPECT_TRUE(dialogs.notices.empty());

  QTest::mouseClick(window->changePathButton(), Qt::LeftButton);
  ASSERT_EQ(dialogs.notices.size(), 1u);
  EXPECT_EQ(dialogs.notices[0].text, "请检查文件名是否正确！");
  EXPECT_EQ(dialogs.notices[0].title, "提示");
  EXPECT_EQ(window->savePathBox()->text(), QString());
  EXPECT_EQ(settings.current().outputFolder, dotted.string() + sep);
  EXPECT_EQ(settings.current().packageBaseName, "");

  window->savePathBox()->setText(MainWindow::savePathHint());
  QTest::mouseClick(window->changePathButton(), Qt::LeftButton);  // cancelled
  EXPECT_EQ(window->savePathBox()->text(), MainWindow::savePathHint());
  EXPECT_EQ(settings.current().outputFolder, dotted.string() + sep);
}

TEST_F(MainWindowTest, CommandButtonsAnnounceThemselves) {
  std::vector<std::string> heard;
  auto listen = [&](auto signal, const char* name) {
    QObject::connect(window.get(), signal, [&heard, name] { heard.push_back(name); });
  };
  listen(&MainWindow::addToListRequested, "add");
  listen(&MainWindow::loginRequested, "login");
  listen(&MainWindow::generateRequested, "generate");
  listen(&MainWindow::importListRequested, "import");
  listen(&MainWindow::exportListRequested, "export");
  listen(&MainWindow::completionWindowRequested, "completion");
  QTest::mouseClick(window->addToListButton(), Qt::LeftButton);
  QTest::mouseClick(window->loginButton(), Qt::LeftButton);
  QTest::mouseClick(window->listPanel()->generateButton(), Qt::LeftButton);
  QTest::mouseClick(window->listPanel()->importButton(), Qt::LeftButton);
  QTest::mouseClick(window->listPanel()->exportButton(), Qt::LeftButton);
  QTest::mouseClick(window->listPanel()->completionButton(), Qt::LeftButton);
  EXPECT_EQ(heard, (std::vector<std::string>{"add", "login", "generate", "import", "export", "completion"}));

  QTest::mouseClick(window->listPanel()->sampleShopButton(), Qt::LeftButton);
  EXPECT_TRUE(window->addressBox()->text().startsWith(QStringLiteral("https://")));
}

TEST_F(MainWindowTest, StartUpShowsTheStartPageWithLoadedSettings) {
  std::filesystem::create_directories(optionsFolder(home.path()));
  {
    auto profile = ProfileFile::fromText("[SAVE]\r\ntype=4\r\n");
    ASSERT_FALSE(profile.save(settingsFile(home.path())));
  }
  window->selectPage(5);
  startUp(testing::testApplication(), *window, StartUpOptions{0, false});
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->pages()->currentIndex(), 0);
  EXPECT_TRUE(window->pageToolbar()->hasButtons());
  EXPECT_NE(window->trayIcon(), nullptr);
  EXPECT_EQ(settings.outputKind(), OutputKind::BusinessAssistant);
  EXPECT_TRUE(window->settingsPage()->businessAssistantButton()->isChecked());
  EXPECT_EQ(window->listPanel()->countLabel()->text(), QStringLiteral("0"));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("KestruneTrellisor V2.18"));
  EXPECT_EQ(window->width(), 703);
}

}  // namespace
}  // namespace kestrune
