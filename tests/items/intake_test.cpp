#include "items/intake.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/demo-market/market.h"
#include "web/fetch.h"
#include "web/renderer.h"

namespace kestrune {
namespace {

// Remembers every question and answers with a fixed range (or none).
class RecordingChooser : public PageRangeChooser {
 public:
  std::optional<PageRange> choosePageRange(int totalPages) override {
    asked.push_back(totalPages);
    return answer;
  }
  std::optional<PageRange> answer;
  std::vector<int> asked;
};

class IntakeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    market_ = std::make_unique<demo::DemoMarket>();
    market_->start();
    setTrustedCaFile(market_->caFile());
  }
  static void TearDownTestSuite() {
    setTrustedCaFile({});
    market_.reset();
  }
  void SetUp() override {
    market_->clearRequests();
    market_->clearFaults();
    market_->setSecurityCheck(false);
    market_->setListing({});
  }

  IntakeOutcome add(const std::string& address, std::string_view mode) {
    Endpoints endpoints;
    endpoints.sourceDetailHost = market_->secureHost();
    IntakeServices services{list, renderer, chooser, &log, endpoints};
    services.refreshCountLabel = [this] { ++countRefreshes; };
    return AddToList(address, mode, state, services);
  }

  // The log messages without their stamps (a stamp never holds two blanks in a row).
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    const std::vector<std::string> lines = log.lines();
    for (std::size_t i = seen; i < lines.size(); ++i) out.push_back(lines[i].substr(lines[i].find("  ")));
    return out;
  }
  void forgetLog() { seen = log.lines().size(); }

  std::vector<std::string> pagesRequested(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& request : market_->requestsTo(prefix)) {
      out.push_back(request.target.substr(request.target.rfind("pageNum=") + 8));
    }
    return out;
  }

  static std::unique_ptr<demo::DemoMarket> market_;
  ItemList list;
  MemoryLogSink log;
  std::size_t seen = 0;  // log lines an earlier step of the test wrote
  DirectPageRenderer renderer;
  RecordingChooser chooser;
  HarvestState state;
  int countRefreshes = 0;
};

std::unique_ptr<demo::DemoMarket> IntakeTest::market_;

TEST_F(IntakeTest, RefusalsAndNoOps) {
  const std::string market = market_->host();
  struct Case {
    std::string address;
    std::string_view mode;
    IntakeResult result;
    std::string message;  // "" when nothing is logged
  };
  const Case cases[] = {
      {"   　 ", SingleItemMode, IntakeResult::Ignored, ""},
      {"http://" + market + "/", "批量", IntakeResult::Ignored, ""},
      // The hint of the address box is an address like any other.
      {"请输入宝贝地址", SingleItemMode, IntakeResult::Refused, "  地址输入不正确，未识别到宝贝！\r\n"},
      {"请输入店铺地址", ShopMode, IntakeResult::Refused, "  店铺地址输入不正确，未识别到宝贝！\r\n"},
      {"请输入列表地址", ListMode, IntakeResult::Refused, "  分类地址输入不正确，未识别到宝贝！\r\n"},
      // A page with a title but no offer id.
      {"http://" + market + "/vendor/news.html", SingleItemMode, IntakeResult::Refused,
       "  地址输入不正确，未识别到宝贝！\r\n"},
      // An item page in shop mode is refused before any request.
      {market_->itemUrl("520000000001"), ShopMode, IntakeResult::Refused,
       "  店铺地址输入不正确，未识别到宝贝！\r\n"},
      {"http://" + market + "/search.htm?&scid=newtmall-2", ListMode, IntakeResult::Refused,
       "  分类地址输入不正确，未识别到宝贝！\r\n"},
  };
  for (const Case& c : cases) {
    forgetLog();
    market_->clearRequests();
    EXPECT_EQ(add(c.address, c.mode).result, c.result) << c.address;
    if (c.message.empty()) {
      EXPECT_TRUE(messages().empty()) << c.address;
    } else {
      EXPECT_EQ(messages(), std::vector<std::string>{c.message}) << c.address;
    }
    if (c.address.find("news") == std::string::npos) {
      EXPECT_TRUE(market_->requests().empty()) << c.address;
    }
  }
  EXPECT_EQ(list.rowCount(), 0);
}

TEST_F(IntakeTest, SingleItemIsAppendedAsTyped) {
  const std::string address = market_->itemUrl("520000000001");
  state.lastPage = 80;  // left over from a long harvest: a single item neither asks nor harvests
  state.listingKey = "x";
  ASSERT_EQ(add(address, SingleItemMode).result, IntakeResult::ItemAdded);
  ASSERT_EQ(add(address, SingleItemMode).result, IntakeResult::ItemAdded);
  ASSERT_EQ(list.rowCount(), 2);
  const ItemRow row = *list.row(1);
  EXPECT_EQ(row.name, "女式纯棉短袖T恤 夏季新款 宽松百搭 - 阿里巴巴");
  EXPECT_EQ(row.price, "");
  EXPECT_EQ(row.address, address);
  EXPECT_EQ(row.id, "520000000001");
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(countRefreshes, 2);
  EXPECT_TRUE(chooser.asked.empty());
  EXPECT_EQ(state.listingKey, "");
  EXPECT_EQ(state.listingKind, ListingKind::Shop);
}

TEST_F(IntakeTest, ShopOfThreePagesIsReadPageByPage) {
  market_->setListing({demo::ListingLayout::NewTmall, 3, 20});
  // Typed with https, read through http on the host as typed.
  IntakeOutcome outcome = add("https://" + market_->host() + "/", ShopMode);
  ASSERT_EQ(outcome.result, IntakeResult::Harvested);
  EXPECT_EQ(outcome.rowsAdded, 60);
  EXPECT_EQ(state.shopHost, market_->host());
  EXPECT_EQ(state.pagesDone, 3);

  const std::vector<std::string> expected = {
      "  共搜索到：60 个商品\r\n",
      "  宝贝页码从第 1 页到第  3  页下载，总页码数是 3 页！\r\n",
      "  线程：1  正在读取宝贝列表 第：  1 /3 页\r\n",
      "  线程：1  读取成功，成功提取了：  20  个宝贝\r\n",
      "  线程：1  正在读取宝贝列表 第：  2 /3 页\r\n",
      "  线程：1  读取成功，成功提取了：  40  个宝贝\r\n",
      "  线程：1  正在读取宝贝列表 第：  3 /3 页\r\n",
      "  线程：1  读取成功，成功提取了：  60  个宝贝\r\n",
      "  宝贝下载完成 【共提取了：  60  个宝贝】\r\n",
  };
  EXPECT_EQ(messages(), expected);
  EXPECT_EQ(countRefreshes, 3);

  const auto requests = market_->requestsTo("/page/offerlist.htm");
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].target, "/page/offerlist.htm");
  EXPECT_FALSE(requests[0].secure);
  EXPECT_EQ(requests[3].target, "/page/offerlist.htm?&pageNum=3");

  // Page 1 holds an advertisement without an offer address (skipped, its price unused) and a
  // last offer without a price; the recommended offer below the pager is not taken.
  EXPECT_EQ(list.rowText(0, IdColumn), "520000000001");
  EXPECT_EQ(list.rowText(0, PriceColumn), "10.50");
  EXPECT_NE(list.rowText(2, IdColumn), "");
  EXPECT_NE(list.rowText(18, PriceColumn), "");
  EXPECT_EQ(list.rowText(19, PriceColumn), "");
  EXPECT_NE(list.rowText(20, PriceColumn), "");
}

TEST_F(IntakeTest, EveryLayoutIsHarvestedFromTheServedPage) {
  for (const char* layout : {"plain", "wangpu", "shopstreet", "newtmall"}) {
    list.clearRows();
    const std::string address =
        "http://" + market_->host() + "/page/category-" + layout + "-1.htm";
    ASSERT_EQ(add(address, ListMode).result, IntakeResult::Harvested) << layout;
    EXPECT_EQ(state.listingKind, ListingKind::CatIdCategory);
    EXPECT_EQ(state.listingKey, std::string(layout) + "-1");
    ASSERT_EQ(list.rowCount(), 20) << layout;
    EXPECT_EQ(list.rowText(0, PriceColumn), "10.50") << layout;
    EXPECT_EQ(list.rowText(19, PriceColumn), "") << layout;
  }
  // A one-page listing shows no page count and is read as one page.
  EXPECT_EQ(messages()[1], "  宝贝页码从第 1 页到第  1  页下载，总页码数是 1 页！\r\n");
}

TEST_F(IntakeTest, LongListingsAskForARange) {
  const std::string base = "http://" + market_->host() + "/search.htm?&search=y&scid=";

  // 35 pages are read without asking.
  ASSERT_EQ(add(base + "newtmall-35&x=1", ListMode).result, IntakeResult::Harvested);
  EXPECT_TRUE(chooser.asked.empty());
  EXPECT_EQ(pagesRequested("/search.htm").size(), 36u);  // the address itself, then pages 1 to 35

  // 36 pages ask; without an answer nothing is read.
  market_->clearRequests();
  list.clearRows();
  IntakeOutcome outcome = add(base + "newtmall-36&x=1", ListMode);
  EXPECT_EQ(outcome.result, IntakeResult::RangeNeeded);
  EXPECT_EQ(outcome.totalPages, 36);
  EXPECT_EQ(chooser.asked, std::vector<int>{36});
  EXPECT_EQ(market_->requests().size(), 1u);
  EXPECT_EQ(list.rowCount(), 0);

  // 80 pages with the range 10 to 45 read exactly those pages.
  market_->clearRequests();
  forgetLog();
  chooser.answer = PageRange{10, 45};
  outcome = add(base + "newtmall-80&x=1", ListMode);
  ASSERT_EQ(outcome.result, IntakeResult::Harvested);
  std::vector<std::string> pages = pagesRequested("/search.htm?&search=y&scid=newtmall-80&viewType");
  ASSERT_EQ(pages.size(), 36u);
  EXPECT_EQ(pages.front(), "10");
  EXPECT_EQ(pages.back(), "45");
  EXPECT_EQ(state.pagesDone, 45);
  const std::vector<std::string> lines = messages();
  EXPECT_EQ(lines[1], "  宝贝页码从第 1 页到第  80  页下载，总页码数是 80 页！\r\n");
  EXPECT_EQ(lines[2], "  线程：1  正在读取宝贝列表 第：  10 /45 页\r\n");
  EXPECT_EQ(lines[lines.size() - 3], "  线程：1  正在读取宝贝列表 第：  45 /45 页\r\n");
  EXPECT_EQ(lines.back(), "  宝贝下载完成 【共提取了：  720  个宝贝】\r\n");
}

TEST_F(IntakeTest, EmptyListingsAndFailedPages) {
  const std::string host = market_->host();

  // A zero result count without a page count ends the add.
  IntakeOutcome outcome = add("http://" + host + "/offer_search.htm?&catId=9&keywords=plain-0", ListMode);
  EXPECT_EQ(outcome.result, IntakeResult::NoItems);
  EXPECT_EQ(state.listingKind, ListingKind::DirectList);
  EXPECT_EQ(messages(), (std::vector<std::string>{"  共搜索到：0 个商品\r\n", "  该分类未识别到宝贝！\r\n"}));

  // A first page that cannot be had.
  forgetLog();
  market_->setFault("/page/offerlist_", demo::Fault::resetting());
  EXPECT_EQ(add("http://" + host + "/page/offerlist_cups.htm", ListMode).result, IntakeResult::Refused);
  EXPECT_EQ(messages(), std::vector<std::string>{"  店铺地址输入不正确，未识别到宝贝！1\r\n"});

  // The security check: no counts, so one page is read, and it gives no rows.
  forgetLog();
  market_->setSecurityCheck(true);
  outcome = add("http://" + host + "/page/category-newtmall-5.htm", ListMode);
  EXPECT_EQ(outcome.result, IntakeResult::Harvested);
  EXPECT_EQ(list.rowCount(), 0);
  EXPECT_EQ(messages(), (std::vector<std::string>{
                            "  共搜索到： 个商品\r\n",
                            "  宝贝页码从第 1 页到第  1  页下载，总页码数是 1 页！\r\n",
                            "  线程：1  正在读取宝贝列表 第：  1 /1 页\r\n",
                            "  线程：1  读取成功，成功提取了：  0  个宝贝\r\n",
                            "  宝贝下载完成 【共提取了：  0  个宝贝】\r\n",
                        }));
}

TEST_F(IntakeTest, HarvestStopsBetweenPagesWhenAsked) {
  market_->setListing({demo::ListingLayout::NewTmall, 5, 20});
  std::stop_source stop;
  Endpoints endpoints;
  IntakeServices services{list, renderer, chooser, &log, endpoints};
  // The front end asks the harvest to stop while it shows the first page's rows.
  services.processEvents = [&] {
    if (list.rowCount() >= 20) stop.request_stop();
  };
  services.stop = stop.get_token();
  AddToList("http://" + market_->host() + "/", ShopMode, state, services);
  EXPECT_EQ(list.rowCount(), 20);
  EXPECT_EQ(state.pagesDone, 1);
}

}  // namespace
}  // namespace kestrune
