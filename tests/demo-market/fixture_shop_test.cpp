// What the demo market serves: the fixture shop's pages, descriptions and pictures, the
// synthetic items, and the listings, all fetched over real HTTP(S) the way the program fetches them.
#include <gtest/gtest.h>

#include <functional>

#include "demo-market/curl_fetch.h"
#include "items/listing.h"
#include "tools/demo-market/market.h"
#include "web/encoding.h"
#include "web/text.h"

namespace kestrune::demo {
namespace {

using testing::curlFetch;

class FixtureShop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    market_ = new DemoMarket();
    market_->start();
  }
  static void TearDownTestSuite() {
    delete market_;
    market_ = nullptr;
  }
  void SetUp() override { market_->setListing({}); }

  static std::string get(const std::string& url) {
    auto reply = curlFetch(url, testing::FetchOptions().trust(market_->caFile().string()));
    EXPECT_EQ(reply.code, CURLE_OK) << url;
    return reply.body;
  }
  static std::string detailPage(const std::string& id) {
    return GbkToUtf8(get(market_->itemUrl(id) + "?spm=0.0.0.0.G2RPwY&sk=consign"));
  }
  static size_t occurrences(std::string_view text, std::string_view needle) {
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + needle.size())) ++count;
    return count;
  }

  static DemoMarket* market_;
};

DemoMarket* FixtureShop::market_ = nullptr;

TEST_F(FixtureShop, DetailPagesArriveAsGbkAndCarryTheMarkersTheProgramReads) {
  auto ids = market_->fixtureItemIds();
  ASSERT_GE(ids.size(), 12u);
  for (const auto& id : ids) {
    std::string raw = get(market_->itemUrl(id));
    std::string page = GbkToUtf8(raw);
    SCOPED_TRACE(id);
    EXPECT_NE(raw, page) << "the page must be GBK, not UTF-8";
    EXPECT_EQ(TextBetween(page, "offer_id:\"", "\","), id);
    EXPECT_NE(page.find("\r\n"), std::string::npos);
    if (page.find("已下架") != std::string::npos) continue;  // the removed offer has no facts
    EXPECT_FALSE(TextBetween(page, "。这是", "的详细页面。").empty());
    EXPECT_FALSE(TextBetween(page, "catid':'", "'").empty());
    EXPECT_FALSE(TextBetween(page, "refPrice':'", "'").empty());
    EXPECT_FALSE(TextBetween(page, "unit':'", "'").empty());
    EXPECT_FALSE(TextBetween(page, "max\":\"", "\"").empty());
    EXPECT_FALSE(TextBetween(page, "province=", ";").empty());
    EXPECT_FALSE(TextBetween(page, "city=", "\"").empty());
    EXPECT_FALSE(TextBetween(page, "<td class=\"de-value\">&yen;", "</td>").empty());
  }
  // The title element decodes to the fixture's title text.
  EXPECT_EQ(TextBetween(detailPage("520000000001"), "<title>", "</title>"), "女式纯棉短袖T恤 夏季新款 宽松百搭 - 阿里巴巴");
}

TEST_F(FixtureShop, FixtureShopCoversTheEdgeCasesOfTheAcquisitionStages) {
  struct Facts {
    std::string page;
    std::string description;
  };
  std::vector<Facts> shop;
  for (const auto& id : market_->fixtureItemIds()) {
    Facts facts{detailPage(id), ""};
    std::string address = TextBetween(facts.page, "data-tfs-url=\"", "\"");
    if (!address.empty()) facts.description = GbkToUtf8(get(address));
    shop.push_back(facts);
  }
  auto skuMap = [](const Facts& f) { return TextBetween(f.page, "skuMap\":{", "}}"); };
  auto summary = [](const Facts& f) { return TextBetween(f.page, "详细页面。", "。我们还为"); };
  const std::vector<std::pair<std::string, std::function<bool(const Facts&)>>> cases = {
      {"entities in the title", [](const Facts& f) { return f.page.find("&amp;amp;") != std::string::npos &&
                                                             f.page.find("&quot;") != std::string::npos; }},
      {"multi-value attribute", [&](const Facts& f) { return summary(f).find(',') != std::string::npos; }},
      {"semicolon in the summary", [&](const Facts& f) { return summary(f).find(';') != std::string::npos; }},
      {"two-value SKUs with discountPrice", [&](const Facts& f) { return skuMap(f).find("&gt;") != std::string::npos &&
                                                                         skuMap(f).find("discountPrice") != std::string::npos; }},
      {"two-value SKUs without discountPrice", [&](const Facts& f) { return skuMap(f).find("&gt;") != std::string::npos &&
                                                                            skuMap(f).find("discountPrice") == std::string::npos; }},
      {"one-value SKUs", [&](const Facts& f) { return !skuMap(f).empty() && skuMap(f).find("&gt;") == std::string::npos; }},
      {"no SKU map", [](const Facts& f) { return f.page.find("skuMap") == std::string::npos &&
                                                 f.page.find("的详细页面。") != std::string::npos; }},
      {"seven main pictures", [](const Facts& f) { return occurrences(f.page, "original\":\"") == 7; }},
      {"sale-property pictures", [](const Facts& f) { return f.page.find("{\"imageUrl\":\"") != std::string::npos; }},
      {"price ranges", [](const Facts& f) { return f.page.find("\"priceRange\":[[") != std::string::npos; }},
      {"single-price form", [](const Facts& f) { return !TextBetween(f.page, "&ge;", "</span>").empty(); }},
      {"food item", [](const Facts& f) { return f.page.find("生产许可证编号:") != std::string::npos; }},
      {"description, first form", [](const Facts& f) { return f.description.find("var offer_details={\"content\":\"") == 0; }},
      {"description, second form", [](const Facts& f) { return f.description.find("var desc='") == 0; }},
      {"empty first-form description", [](const Facts& f) { return f.description == "var offer_details={\"content\":\"\"};"; }},
      {"no description", [](const Facts& f) { return f.page.find("data-tfs-url") == std::string::npos; }},
      {"failing description pictures", [](const Facts& f) {
         return f.description.find("missing-") != std::string::npos && f.description.find("spacer.gif") != std::string::npos &&
                f.description.find("empty-") != std::string::npos && f.description.find(".tif") != std::string::npos; }},
      {"offer taken down", [](const Facts& f) { return f.page.find("的详细页面。") == std::string::npos; }},
  };
  for (const auto& [name, holds] : cases) {
    EXPECT_TRUE(std::any_of(shop.begin(), shop.end(), holds)) << "no fixture item has: " << name;
  }
}

TEST_F(FixtureShop, PicturesCoverEveryTypeAndEveryKindOfFailure) {
  const std::string folder = market_->baseUrl() + "/img/ibank/desc/";
  struct Case {
    std::string name;
    long status;
    std::string startsWith;
  };
  const std::vector<Case> cases = {
      {"a.jpg", 200, "\xFF\xD8"},         {"b.400x400.jpg", 200, "\xFF\xD8"}, {"c.png", 200, "\x89PNG"},
      {"d.gif", 200, "GIF89a"},           {"e.tif", 200, "II*"},              {"missing-f.jpg", 404, "<html>"},
  };
  for (const auto& c : cases) {
    auto reply = curlFetch(folder + c.name);
    EXPECT_EQ(reply.status, c.status) << c.name;
    EXPECT_EQ(reply.body.rfind(c.startsWith, 0), 0u) << c.name;
  }
  EXPECT_NE(curlFetch(folder + "missing-f.jpg").body.find("404"), std::string::npos);
  EXPECT_EQ(curlFetch(folder + "empty-g.jpg").body, "");
  std::string spacer = curlFetch(folder + "spacer.gif").body;
  EXPECT_EQ(spacer.size(), 49u);
  EXPECT_EQ(spacer.substr(0, 6), "GIF89a");
  // Different addresses give different bytes, so stored files can be told apart.
  EXPECT_NE(curlFetch(folder + "a.jpg").body, curlFetch(folder + "z.jpg").body);
}

TEST_F(FixtureShop, SyntheticItemsHaveRealisticSizeAndAreDeterministic) {
  std::string id = DemoMarket::syntheticItemId(7);
  std::string raw = get(market_->itemUrl(id));
  EXPECT_GT(raw.size(), 250u * 1024);
  EXPECT_LT(raw.size(), 350u * 1024);
  EXPECT_EQ(raw, get(market_->itemUrl(id)));
  std::string page = GbkToUtf8(raw);
  EXPECT_EQ(TextBetween(page, "offer_id:\"", "\","), id);
  EXPECT_FALSE(TextBetween(page, "。这是", "的详细页面。").empty());
  EXPECT_EQ(occurrences(page, "\"canBookCount\":"), 20u);

  std::string description = get(TextBetween(page, "data-tfs-url=\"", "\""));
  EXPECT_GT(description.size(), 25u * 1024);
  EXPECT_LT(description.size(), 40u * 1024);
  EXPECT_EQ(occurrences(description, "<img "), 20u);
  EXPECT_EQ(curlFetch(market_->itemUrl("990000000000"), testing::FetchOptions().trust(market_->caFile().string())).status, 404);  // below the reserved range
}

TEST_F(FixtureShop, ListingsOfEveryLayoutReadAsTheirPagesAndCounts) {
  struct Case {
    std::string key;
    std::string layoutName;  // what the harvest recognises the page as
  };
  // The "旺铺" row pattern is a narrower form of the "普通" one, which is tried first, so a
  // 旺铺 page reads as 普通.
  const std::vector<Case> cases = {{"plain", "普通"}, {"wangpu", "普通"}, {"shopstreet", "店铺街"}, {"newtmall", "新天猫"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    std::string base = market_->baseUrl() + "/search.htm?&search=y&scid=" + c.key + "-3&viewType=grid&orderType=_hotsell";
    std::string first = GbkToUtf8(get(base + "&pageNum=1"));
    for (bool shopMarkers : {true, false}) {
      auto counts = ReadListingCounts(first, shopMarkers);
      EXPECT_EQ(counts.pageCount, 3);
      EXPECT_EQ(counts.resultCountText, "60");
    }
    auto items = ReadListingPage(first);
    EXPECT_EQ(items.templateName, c.layoutName);
    ASSERT_EQ(items.rows.size(), 20u);  // the advertisement row and the recommendation below the pager drop out
    EXPECT_EQ(items.rows[0].id, "520000000001");
    EXPECT_EQ(items.rows[0].price, "10.50");
    EXPECT_EQ(items.rows[2].id, "520000000003");
    EXPECT_EQ(items.rows[2].price, "8.80");  // the advertisement's price went with it
    EXPECT_EQ(items.rows[19].price, "");     // the last row shows no price
    auto third = ReadListingPage(GbkToUtf8(get(base + "&pageNum=3")));
    ASSERT_EQ(third.rows.size(), 20u);
    EXPECT_EQ(third.rows[0].id, DemoMarket::syntheticItemId(40 - 11 + 1));
  }
}

TEST_F(FixtureShop, ShopListingFollowsTheMarketSetupAndAnEmptyListingShowsZero) {
  market_->setListing({.layout = ListingLayout::ShopStreet, .pages = 1, .itemsPerPage = 5});
  std::string page = GbkToUtf8(get(market_->baseUrl() + "/page/offerlist.htm?&pageNum=1"));
  EXPECT_EQ(ReadListingPage(page).templateName, "店铺街");
  EXPECT_EQ(ReadListingCounts(page, true).pageCount, 0);  // one page shows no page count
  EXPECT_EQ(ReadListingPage(page).rows.size(), 5u);

  std::string empty = GbkToUtf8(get(market_->baseUrl() + "/page/category-plain-0.htm"));
  EXPECT_EQ(ReadListingCounts(empty, false).zeroTestText, "0");
  EXPECT_EQ(ReadListingCounts(empty, true).zeroTestText, "0");
  EXPECT_TRUE(ReadListingPage(empty).rows.empty());
}

}  // namespace
}  // namespace kestrune::demo
