#include "items/listing.h"

#include <climits>

#include "web/patterns.h"
#include "web/text.h"

namespace kestrune {

std::string ListingHostOf(std::string_view address) {
  std::string host = Trim(TextBetween(address, "http://", "/"));
  if (host.empty()) host = Trim(TextBetween(address, "https://", "/"));
  return host;
}

ListingAddress ClassifyListAddress(std::string_view address) {
  ListingAddress result;
  auto contains = [&](std::string_view needle) {
    return address.find(needle) != std::string_view::npos;
  };
  if (contains("scid=")) {
    result = {ListingKind::ScidCategory, Trim(TextBetween(address, "&scid=", "&"))};
  }
  if (contains("catId=")) {
    result = {ListingKind::CatIdCategory, Trim(TextBetween(address, "&catId=", "&"))};
  }
  if (contains("category-")) {
    result = {ListingKind::CatIdCategory, Trim(TextBetween(address, "category-", "."))};
  }
  if (contains("offerlist_") || contains("keywords=")) {
    result = {ListingKind::DirectList, Trim(address)};
  }
  return result;
}

std::string ListingPageAddress(const HarvestState& state, bool shopMode, int page) {
  const std::string n = std::to_string(page);
  if (shopMode) return "http://" + state.shopHost + "/page/offerlist.htm?&pageNum=" + n;
  switch (state.listingKind) {
    case ListingKind::ScidCategory:
      return "http://" + state.shopHost + "/search.htm?&search=y&scid=" + state.listingKey +
             "&viewType=grid&orderType=_hotsell&pageNum=" + n;
    case ListingKind::CatIdCategory:
      return "http://" + state.shopHost + "/search.htm?&search=y&catId=" + state.listingKey +
             "&viewType=grid&orderType=_hotsell&pageNum=" + n;
    case ListingKind::DirectList:
      // The address as typed gets the page number even when it has a query of its own.
      return state.listingKey + "?&pageNum=" + n;
    case ListingKind::Shop:
      break;
  }
  return "http://" + state.shopHost + "/page/offerlist.htm?&pageNum=" + n;
}

int LeadingNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

ListingCounts ReadListingCounts(std::string_view page, bool shopMarkers) {
  // The marketplace has shown these counts in several markups over the years; each listing kind
  // has its own fallbacks, and the page-count class is written both with and without quotes.
  constexpr std::string_view kShopCount = "erinfo_wplist\">";
  constexpr std::string_view kShopCountEnd = "条</a>";
  constexpr std::string_view kListCount = "共搜索到<em>";
  constexpr std::string_view kListCountEnd = "</span></em>个符合条件的产品";

  ListingCounts counts;
  const std::string offerCount = Trim(TextBetween(page, "offer-count\">", "</em>条"));
  counts.zeroTestText = shopMarkers ? Trim(TextBetween(page, kShopCount, kShopCountEnd))
                                    : Trim(TextBetween(page, kListCount, kListCountEnd));
  counts.resultCountText = offerCount.empty() ? counts.zeroTestText : offerCount;

  counts.pageCountText = TextBetween(page, "<em class=page-count>", "</em>页");
  if (shopMarkers) {
    if (counts.pageCountText.empty()) {
      counts.pageCountText = TextBetween(page, "<b class=ui-page-s-len>", "</b>");
    }
    if (counts.pageCountText.empty()) {
      counts.pageCountText = TextBetween(page, "<em class=\"page-count\">", "</em>页");
    }
  } else if (counts.pageCountText.empty()) {
    counts.pageCountText = TextBetween(page, "<em class=\"page-count\">", "</em>页");
  }
  counts.pageCount = LeadingNumber(counts.pageCountText);
  return counts;
}

const std::vector<ShopTemplate>& ShopTemplates() {
  // The first two layouts are pages written out with unquoted attributes and CR LF line breaks,
  // the last two with quoted attributes and LF. The blanks before "<em>" in the "店铺街" and
  // "新天猫" price patterns are eight spaces and a tab.
  //
  // The window's embedded browser writes every page out with quoted attributes and LF, so the
  // first two layouts reach the harvest in a form their patterns never match: the last entry is
  // "普通" in that form, tried after the four so it reads only pages none of them reads ("旺铺"
  // rows are a narrower kind of "普通" rows, as in the first two entries). The same browser
  // writes the "店铺街" yen entity out as the character, which GBK lacks, so the rendered page
  // holds "?" in its place.
  static const std::vector<ShopTemplate> templates = {
      {"普通",
       "class=title.*? href=\"(.*?)\" target=_blank>(.*?)</A>.*?\r\n<DIV class=attributes",
       ">￥</span> <em>(.*?)</em>"},
      {"旺铺",
       "class=title [\\s\\S]*? href=\"(.*?)\" target=_blank>(.*?)</A>.*?\r\n"
       "<DIV class=attributes>",
       ">￥</span> <em>(.*?)</em>"},
      {"店铺街",
       "\n<div class=\"image\">\\s*?<a href=\"(.*?)\" title=\"(.*?)\" target=\"_blank\">",
       "\">(?:&yen;|¥|\\?)</span>\n        \t<em>(.*?)</em>"},
      {"新天猫",
       "class=\"title\">\n[\\s\\S]*? href=\"(.*?)\" target=\"_blank\">(.*?)</A>[\\s\\S]*?"
       "<div class=\"attributes\">",
       ">￥</span>\n        \t<em>(.*?)</em>"},
      {"普通",
       "class=\"title\".*? href=\"(.*?)\" target=\"_blank\">(.*?)</A>.*?\n<DIV class=\"attributes\"",
       ">￥</span> <em>(.*?)</em>"},
  };
  return templates;
}

ListingPageItems ReadListingPage(std::string_view page) {
  // The pager and whatever follows it link to other pages and other shops, never to items of
  // this page.
  const std::size_t pager = page.find("分页器&quot");
  if (pager != std::string_view::npos) page = page.substr(0, pager);

  ListingPageItems items;
  for (const ShopTemplate& layout : ShopTemplates()) {
    PatternMatches rows = FindAll(PatternFamily::Listing, layout.rowPattern, page);
    if (rows.empty()) continue;
    PatternMatches prices = FindAll(PatternFamily::Listing, layout.pricePattern, page);
    items.templateName = std::string(layout.name);
    for (std::size_t i = 0; i < rows.count(); ++i) {
      std::string address = rows.group(i, 1);
      std::string id = TextBetween(address, "offer/", ".html");
      if (id.empty()) continue;
      // Prices pair with row matches by position only; group() of a missing match is "".
      items.rows.push_back({rows.group(i, 2), prices.group(i, 1), std::move(address), std::move(id)});
    }
    break;
  }
  return items;
}

}  // namespace kestrune
