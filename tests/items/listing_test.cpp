#include "items/listing.h"

#include <gtest/gtest.h>

#include <climits>

#include "items/harvest.h"

namespace kestrune {
namespace {

TEST(ListingAddressTest, ClassifiesListAddressesInOrder) {
  struct Case {
    std::string address;
    ListingKind kind;
    std::string key;
  };
  const Case cases[] = {
      {"http://shop.1688.com/search.htm?&scid=123&viewType=grid", ListingKind::ScidCategory, "123"},
      // A key that is not both preceded and followed by "&" is not recognised.
      {"http://shop.1688.com/search.htm?&scid=123", ListingKind::ScidCategory, ""},
      {"http://shop.1688.com/search.htm?scid=123&x=1", ListingKind::ScidCategory, ""},
      {"http://shop.1688.com/search.htm?&scid=1&catId=77&", ListingKind::CatIdCategory, "77"},
      {"http://shop.1688.com/category-4455.html", ListingKind::CatIdCategory, "4455"},
      {"http://shop.1688.com/search.htm?&catId=77&keywords=cup", ListingKind::DirectList,
       "http://shop.1688.com/search.htm?&catId=77&keywords=cup"},
      {"  http://s.1688.com/offerlist_cup.htm  ", ListingKind::DirectList,
       "http://s.1688.com/offerlist_cup.htm"},
      {"请输入列表地址", ListingKind::Shop, ""},
  };
  for (const Case& c : cases) {
    ListingAddress found = ClassifyListAddress(c.address);
    EXPECT_EQ(found.kind, c.kind) << c.address;
    EXPECT_EQ(found.key, c.key) << c.address;
  }
}

TEST(ListingAddressTest, HostIsTakenAsTyped) {
  const std::pair<std::string, std::string> cases[] = {
      {"http://shop1.1688.com/page/offerlist.htm", "shop1.1688.com"},
      {"https://Shop1.1688.com/", "Shop1.1688.com"},
      {"http://127.0.0.1:8080/search.htm?&scid=1&", "127.0.0.1:8080"},
      {"http://shop1.1688.com", ""},
      {"请输入店铺地址", ""},
  };
  for (const auto& [address, host] : cases) EXPECT_EQ(ListingHostOf(address), host) << address;
}

TEST(ListingAddressTest, PageAddressesFollowTheListingKind) {
  HarvestState state;
  state.shopHost = "shop1.1688.com";
  state.listingKey = "55";
  EXPECT_EQ(ListingPageAddress(state, true, 3), "http://shop1.1688.com/page/offerlist.htm?&pageNum=3");
  state.listingKind = ListingKind::ScidCategory;
  EXPECT_EQ(ListingPageAddress(state, false, 12),
            "http://shop1.1688.com/search.htm?&search=y&scid=55&viewType=grid&orderType=_hotsell"
            "&pageNum=12");
  state.listingKind = ListingKind::CatIdCategory;
  EXPECT_EQ(ListingPageAddress(state, false, 1),
            "http://shop1.1688.com/search.htm?&search=y&catId=55&viewType=grid&orderType=_hotsell"
            "&pageNum=1");
  state.listingKind = ListingKind::DirectList;
  state.listingKey = "http://s.1688.com/offerlist_cup.htm?keywords=cup";
  EXPECT_EQ(ListingPageAddress(state, false, 2),
            "http://s.1688.com/offerlist_cup.htm?keywords=cup?&pageNum=2");
}

TEST(ListingCountsTest, ReadsCountsWithShopAndListMarkers) {
  struct Case {
    std::string page;
    bool shop;
    std::string result;
    std::string pagesText;
    int pages;
    std::string zero;
  };
  const Case cases[] = {
      {"<span class=\"offer-count\"> 812 </em>条 <em class=page-count>41</em>页", true, "812", "41",
       41, ""},
      {"<a class=\"offerinfo_wplist\">64条</a> <b class=ui-page-s-len>4</b>", true, "64", "4", 4,
       "64"},
      {"<a class=\"offerinfo_wplist\">64条</a> <em class=\"page-count\">3</em>页", true, "64", "3", 3,
       "64"},
      // The list markers know no ui-page-s-len.
      {"共搜索到<em><span>64</span></em>个符合条件的产品 <b class=ui-page-s-len>4</b>", false,
       "<span>64", "", 0, "<span>64"},
      {"共搜索到<em>0</span></em>个符合条件的产品", false, "0", "", 0, "0"},
      {"<em class=\"page-count\">36页</em>页", false, "", "36页", 36, ""},
      {"", true, "", "", 0, ""},
  };
  for (const Case& c : cases) {
    ListingCounts counts = ReadListingCounts(c.page, c.shop);
    EXPECT_EQ(counts.resultCountText, c.result) << c.page;
    EXPECT_EQ(counts.pageCountText, c.pagesText) << c.page;
    EXPECT_EQ(counts.pageCount, c.pages) << c.page;
    EXPECT_EQ(counts.zeroTestText, c.zero) << c.page;
  }
  EXPECT_EQ(LeadingNumber(" 12abc"), 12);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber("99999999999999999999"), INT_MAX);
}

// Small pages in each layout's written-out form.
const char kPlainPage[] =
    "<DIV class=title><A title=x href=\"http://shop1.1688.com/offer/1001.html\" target=_blank>"
    "Cup &amp; lid</A></DIV>\r\n<DIV class=attributes><SPAN>￥</span> <em>12.50</em></DIV>"
    "<DIV class=title><A href=\"http://shop1.1688.com/offer/1002.html\" target=_blank>Bowl</A>"
    "</DIV>\r\n<DIV class=attributes><SPAN>￥</span> <em>3.00</em></DIV>";
const char kShopStreetPage[] =
    "<ul>\n<div class=\"image\">\n  <a href=\"http://shop1.1688.com/offer/2001.html\" "
    "title=\"Kettle\" target=\"_blank\"><img></a></div>\n"
    "<span class=\"yen\">&yen;</span>\n        \t<em>45.00</em>";
const char kNewTmallPage[] =
    "<div class=\"title\">\n  <a class=\"t\" href=\"http://shop1.1688.com/offer/3001.html\" "
    "target=\"_blank\">Teapot</a>\n</div>\n<div class=\"attributes\">"
    "<span>￥</span>\n        \t<em>88.00</em>";

const char kPlainPageAsBrowserWritesIt[] =
    "<div class=\"title\"><a title=\"Cup\" href=\"http://shop1.1688.com/offer/1001.html\" "
    "target=\"_blank\">Cup</a></div>\n<div class=\"attributes\"><span class=\"price\">"
    "<span class=\"symbol\">￥</span> <em>12.50</em></span></div>";
const char kShopStreetPageAsBrowserWritesIt[] =
    "<ul>\n<div class=\"image\">\n  <a href=\"http://shop1.1688.com/offer/2001.html\" "
    "title=\"Kettle\" target=\"_blank\"><img></a></div>\n"
    "<span class=\"symbol\">?</span>\n        \t<em>45.00</em>";

TEST(ListingPageTest, EachLayoutIsRecognised) {
  struct Case {
    const char* page;
    std::string layout;
    ItemRow first;
    std::size_t rows;
  };
  const Case cases[] = {
      {kPlainPage, "普通", {"Cup &amp; lid", "12.50", "http://shop1.1688.com/offer/1001.html", "1001"}, 2},
      {kShopStreetPage, "店铺街", {"Kettle", "45.00", "http://shop1.1688.com/offer/2001.html", "2001"}, 1},
      {kNewTmallPage, "新天猫", {"Teapot", "88.00", "http://shop1.1688.com/offer/3001.html", "3001"}, 1},
      // The window's browser writes plain pages with quoted attributes and LF, and the yen entity
      // as a character GBK lacks.
      {kPlainPageAsBrowserWritesIt, "普通", {"Cup", "12.50", "http://shop1.1688.com/offer/1001.html", "1001"}, 1},
      {kShopStreetPageAsBrowserWritesIt, "店铺街", {"Kettle", "45.00", "http://shop1.1688.com/offer/2001.html", "2001"}, 1},
  };
  for (const Case& c : cases) {
    ListingPageItems items = ReadListingPage(c.page);
    EXPECT_EQ(items.templateName, c.layout);
    ASSERT_EQ(items.rows.size(), c.rows) << c.layout;
    EXPECT_EQ(items.rows[0].name, c.first.name);
    EXPECT_EQ(items.rows[0].price, c.first.price);
    EXPECT_EQ(items.rows[0].address, c.first.address);
    EXPECT_EQ(items.rows[0].id, c.first.id);
  }
}

TEST(ListingPageTest, WangpuPagesAreAlsoReadByThePlainLayout) {
  // "旺铺" rows ("class=title " and "<DIV class=attributes>") are a narrower form of "普通" rows,
  // so the plain layout, tried first, reads them.
  const std::string page =
      "<DIV class=title ><A href=\"http://shop1.1688.com/offer/4001.html\" target=_blank>Mug</A>"
      "</DIV>\r\n<DIV class=attributes><SPAN>￥</span> <em>7.00</em></DIV>";
  ListingPageItems items = ReadListingPage(page);
  EXPECT_EQ(items.templateName, "普通");
  ASSERT_EQ(items.rows.size(), 1u);
  EXPECT_EQ(items.rows[0].id, "4001");
  EXPECT_EQ(items.rows[0].price, "7.00");
}

std::string newTmallRow(const std::string& address, const std::string& name, bool withPrice,
                        const std::string& price = "1.00") {
  std::string row = "<div class=\"title\">\n<a href=\"" + address + "\" target=\"_blank\">" + name +
                    "</a>\n</div>\n<div class=\"attributes\">";
  if (withPrice) row += "<span>￥</span>\n        \t<em>" + price + "</em>";
  return row;
}

TEST(ListingPageTest, PricesPairWithRowMatchesByPosition) {
  // Row 2 has no offer id: it is skipped and its price ("2.00") goes unused.
  std::string page = newTmallRow("http://s/offer/1.html", "one", true, "1.00") +
                     newTmallRow("http://s/detail/2", "two", true, "2.00") +
                     newTmallRow("http://s/offer/3.html", "three", true, "3.00");
  ListingPageItems items = ReadListingPage(page);
  ASSERT_EQ(items.rows.size(), 2u);
  EXPECT_EQ(items.rows[0].price, "1.00");
  EXPECT_EQ(items.rows[1].id, "3");
  EXPECT_EQ(items.rows[1].price, "3.00");

  // 20 rows, 19 prices: the row without a price takes the next one's, the last gets none.
  page.clear();
  for (int i = 1; i <= 20; ++i) {
    page += newTmallRow("http://s/offer/" + std::to_string(i) + ".html", "n", i != 5,
                        std::to_string(i) + ".00");
  }
  items = ReadListingPage(page);
  ASSERT_EQ(items.rows.size(), 20u);
  EXPECT_EQ(items.rows[3].price, "4.00");
  EXPECT_EQ(items.rows[4].price, "6.00");
  EXPECT_EQ(items.rows[18].price, "20.00");
  EXPECT_EQ(items.rows[19].price, "");
}

TEST(ListingPageTest, PagerAndUnknownPagesGiveNoRows) {
  const std::string item = newTmallRow("http://s/offer/1.html", "one", true);
  const std::string pagerItem = newTmallRow("http://other/offer/9.html", "other shop", true);
  ListingPageItems items = ReadListingPage(item + "<div data-widget=\"分页器&quot;\">" + pagerItem);
  ASSERT_EQ(items.rows.size(), 1u);
  EXPECT_EQ(items.rows[0].id, "1");

  EXPECT_TRUE(ReadListingPage("<html><body>安全验证</body></html>").rows.empty());
  EXPECT_EQ(ReadListingPage("").templateName, "");
}

TEST(PageRangeTest, RulesForAListingOf80Pages) {
  const char* kBad = "起始页或结束页输入有误！请修改！";
  const char* kWide = "超始页大于结束页或间隔大于35页！请修改！";
  struct Case {
    int from, to;
    const char* message;
  };
  const Case cases[] = {
      {10, 45, ""}, {1, 36, ""}, {79, 80, ""},  {10, 46, kWide}, {45, 10, kWide}, {0, 20, kBad},
      {90, 95, kBad}, {80, 80, kBad}, {10, 81, kBad}, {-3, 10, kBad}, {5, 0, kBad},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PageRangeMessage(80, c.from, c.to), c.message) << c.from << "-" << c.to;
  }
  EXPECT_EQ(PageNumberOf(" 12 "), 12);
  EXPECT_EQ(PageNumberOf("十"), 0);

  FixedPageRange none;
  EXPECT_FALSE(none.choosePageRange(80));
  FixedPageRange refused(PageRange{10, 46});
  EXPECT_FALSE(refused.choosePageRange(80));
  FixedPageRange accepted(PageRange{10, 45});
  ASSERT_TRUE(accepted.choosePageRange(80));
  EXPECT_EQ(accepted.choosePageRange(80)->to, 45);
}

}  // namespace
}  // namespace kestrune
