#include "app/intake_controller.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWebEngineProfile>

#include <memory>

#include "app/address_box.h"
#include "app/item_list_panel.h"
#include "app/log_box.h"
#include "app/page_range_dialog.h"
#include "app/rendered_fetch.h"
#include "app/webengine_setup.h"
#include "shell_fixture.h"
#include "tools/demo-market/market.h"
#include "web/encoding.h"
#include "web/fetch.h"

namespace kestrune {
namespace {

class IntakeWindowTest : public testing::ShellTest {
 protected:
  static void SetUpTestSuite() {
    prepareWebEngine();
    testing::testApplication();
    market = new demo::DemoMarket();
    market->start();
    setTrustedCaFile(market->caFile());
  }
  static void TearDownTestSuite() {
    setTrustedCaFile({});
    delete market;
    market = nullptr;
  }

  IntakeWindowTest() {
    profile = new QWebEngineProfile();
    renderer = std::make_unique<RenderedFetch>(window.get(), window->logSink().get(),
                                               market->securityHost(), profile);
    // Five short steps a cycle: the demo market answers at once, so three cycles still see
    // every page loaded.
    renderer->setStepMilliseconds(60);
    Endpoints endpoints;
    endpoints.sourceDetailHost = market->secureHost();
    endpoints.sourceSecurityHost = market->securityHost();
    controller = std::make_unique<IntakeController>(*window, *renderer, endpoints);
    market->clearRequests();
    market->setSecurityCheck(false);
    market->setListing({});
  }
  ~IntakeWindowTest() override {
    controller.reset();
    renderer.reset();
    testing::settle();
    delete profile;
  }

  // Runs "添加到列表" for `address` in the mode of toolbar button `modeButton`.
  void add(int modeButton, const std::string& address) {
    window->selectPage(modeButton);
    window->addressBox()->setText(QString::fromStdString(address));
    window->addToListButton()->click();
    testing::settle();
  }

  QString logText() const { return window->logBox()->toPlainText(); }

  static demo::DemoMarket* market;
  QWebEngineProfile* profile = nullptr;
  std::unique_ptr<RenderedFetch> renderer;
  std::unique_ptr<IntakeController> controller;
};

demo::DemoMarket* IntakeWindowTest::market = nullptr;

TEST_F(IntakeWindowTest, EveryLayoutIsReadFromTheHtmlTheBrowserWritesOut) {
  const std::pair<const char*, const char*> layouts[] = {
      {"plain", "普通"}, {"wangpu", "普通"}, {"shopstreet", "店铺街"}, {"newtmall", "新天猫"}};
  for (const auto& [key, layout] : layouts) {
    const std::string url = market->baseUrl() + "/search.htm?&search=y&scid=" + key +
                            "-2&viewType=grid&orderType=_hotsell&pageNum=1";
    const std::string html = GbkToUtf8(renderer->fetchRendered(url));
    ASSERT_EQ(html.rfind("<html", 0), 0u) << key << ": " << html.substr(0, 60);
    ListingPageItems items = ReadListingPage(html);
    EXPECT_EQ(items.templateName, layout) << key;
    ASSERT_EQ(items.rows.size(), 20u) << key;
    EXPECT_EQ(items.rows[0].id, "520000000001") << key;
    EXPECT_EQ(items.rows[0].price, "10.50") << key;
    EXPECT_EQ(items.rows[1].name.rfind("儿童T恤", 0), 0u) << key;
    EXPECT_EQ(items.rows[19].price, "") << key;
  }
}

TEST_F(IntakeWindowTest, SingleItemsAndRefusals) {
  add(2, market->itemUrl("520000000003"));
  ASSERT_EQ(items.rowCount(), 1);
  EXPECT_EQ(items.rowText(0, IdColumn), "520000000003");
  EXPECT_EQ(items.rowText(0, AddressColumn), market->itemUrl("520000000003"));
  EXPECT_EQ(window->listPanel()->countLabel()->text(), QStringLiteral("1"));
  EXPECT_EQ(window->listPanel()->listView()->model()->rowCount(), 1);

  // The box still shows its hint: the hint is taken as the address.
  window->selectPage(4);
  ASSERT_EQ(window->addressBox()->text(), QStringLiteral("请输入店铺地址"));
  window->addToListButton()->click();
  testing::settle();
  EXPECT_TRUE(logText().contains(QStringLiteral("  店铺地址输入不正确，未识别到宝贝！")));
  EXPECT_EQ(items.rowCount(), 1);
}

TEST_F(IntakeWindowTest, ALongListingAsksForItsRangeAndFillsTheListWhileTheWindowWaits) {
  // The dialog answers: first a range it refuses, then pages 2 to 2.
  QString refusal;
  bool answered = false;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    PageRangeDialog* dialog = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* found = qobject_cast<PageRangeDialog*>(widget); found && found->isVisible()) dialog = found;
    }
    if (!dialog || answered) return;
    answered = true;
    dialog->fromBox()->setText(QStringLiteral("0"));
    dialog->toBox()->setText(QStringLiteral("20"));
    dialog->confirmButton()->click();
    refusal = dialog->messageLine()->text();
    dialog->fromBox()->setText(QStringLiteral("2"));
    dialog->toBox()->setText(QStringLiteral("2"));
    dialog->confirmButton()->click();
  });
  answer.start(50);

  // While the pages load the window is live: the box and the button are off, a second add does
  // nothing, and rows reach the view before the harvest ends.
  bool disabledWhileReading = false;
  int rowsSeenByView = 0;
  QAbstractItemModel* model = window->listPanel()->listView()->model();
  auto watch = QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] {
    if (!controller->busy()) return;
    disabledWhileReading = !window->addressBox()->isEnabled() && !window->addToListButton()->isEnabled();
    controller->addToList();
    rowsSeenByView = model->rowCount();
  });

  add(3, market->baseUrl() + "/page/category-newtmall-40.htm");
  answer.stop();
  QObject::disconnect(watch);

  EXPECT_EQ(refusal, QStringLiteral("起始页或结束页输入有误！请修改！"));
  EXPECT_TRUE(disabledWhileReading);
  EXPECT_TRUE(window->addressBox()->isEnabled());
  EXPECT_TRUE(window->addToListButton()->isEnabled());
  EXPECT_EQ(controller->harvestState().pagesDone, 2);
  EXPECT_EQ(controller->harvestState().lastPage, 2);

  ASSERT_EQ(items.rowCount(), 20);
  EXPECT_EQ(rowsSeenByView, 20);  // rows reached the view before the harvest ended
  EXPECT_EQ(window->listPanel()->countLabel()->text(), QStringLiteral("20"));
  // Pages: the address itself, then page 2 alone; the second add never ran.
  const auto requests = market->requestsTo("/");
  std::vector<std::string> listingTargets;
  for (const auto& request : requests) {
    if (request.target.find("newtmall-40") != std::string::npos) listingTargets.push_back(request.target);
  }
  ASSERT_EQ(listingTargets.size(), 2u);
  EXPECT_EQ(listingTargets[1],
            "/search.htm?&search=y&catId=newtmall-40&viewType=grid&orderType=_hotsell&pageNum=2");

  const QString log = logText();
  EXPECT_TRUE(log.contains(QStringLiteral("  宝贝页码从第 1 页到第  40  页下载，总页码数是 40 页！")));
  EXPECT_TRUE(log.contains(QStringLiteral("  线程：1  正在读取宝贝列表 第：  2 /2 页")));
  EXPECT_TRUE(log.contains(QStringLiteral("  宝贝下载完成 【共提取了：  20  个宝贝】")));
}

}  // namespace
}  // namespace kestrune
