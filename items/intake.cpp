#include "items/intake.h"

#include <algorithm>

#include "web/encoding.h"
#include "web/fetch.h"
#include "web/text.h"

namespace kestrune {
namespace {

constexpr std::string_view kItemRefused = "  地址输入不正确，未识别到宝贝！\r\n";
constexpr std::string_view kShopRefused = "  店铺地址输入不正确，未识别到宝贝！\r\n";
constexpr std::string_view kListRefused = "  分类地址输入不正确，未识别到宝贝！\r\n";
constexpr std::string_view kListPageEmpty = "  店铺地址输入不正确，未识别到宝贝！1\r\n";
constexpr std::string_view kNoItems = "  该分类未识别到宝贝！\r\n";

// Pages may carry NUL bytes; they would cut the text short for every later search.
std::string pageText(std::string bytes) {
  std::replace(bytes.begin(), bytes.end(), '\0', ' ');
  return GbkToUtf8(bytes);
}

// True when the text can name a web page at all: an optional http or https scheme, then a host
// of ASCII letters, digits, dots and hyphens with an optional port. Anything else (the box's own
// hint, a pasted sentence) would only send a request that cannot succeed, or ask the name
// service about a made-up host.
bool namesWebPage(std::string_view address) {
  std::string lower = LowerAscii(address);
  std::string_view rest = lower;
  if (rest.starts_with("http://")) {
    rest.remove_prefix(7);
  } else if (rest.starts_with("https://")) {
    rest.remove_prefix(8);
  } else if (rest.find("://") != std::string_view::npos) {
    return false;
  }
  const std::size_t end = rest.find_first_of("/?#");
  const std::string_view host = rest.substr(0, end);
  if (host.empty()) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':';
  });
}

IntakeOutcome refuse(const IntakeServices& services, std::string_view message) {
  appendLogLine(services.log, message);
  return {IntakeResult::Refused, 0, 0};
}

IntakeOutcome addSingleItem(std::string_view address, const IntakeServices& services) {
  std::string body;
  if (namesWebPage(address)) {
    FetchOptions direct;
    direct.url = std::string(address);
    direct.cancel = services.stop;
    body = FetchDirect(direct).body;
    if (body.empty() && !services.stop.stop_requested()) {
      FetchOptions timed;
      timed.url = std::string(address);
      timed.cancel = services.stop;
      body = FetchTimed(timed).body;
    }
  }
  const std::string page = pageText(std::move(body));

  std::string id = TextBetween(page, "offer_id:\"", "\",");
  if (Trim(id).empty()) return refuse(services, kItemRefused);
  std::string title = TextBetween(page, "<title>", "</title>");
  if (title.empty()) title = TextBetween(page, "<title >", "</title>");
  if (Trim(title).empty()) return refuse(services, kItemRefused);

  services.list.appendRow(std::move(title), "", std::string(address), std::move(id));
  if (services.refreshCountLabel) services.refreshCountLabel();
  return {IntakeResult::ItemAdded, 1, 0};
}

// Reads the counts of a first listing page, logs them and sets up the harvest; then asks for a
// page range when the listing is long, and harvests.
IntakeOutcome countAndHarvest(const std::string& page, bool shopMode, HarvestState& state,
                              const IntakeServices& services) {
  ListingCounts counts = ReadListingCounts(page, shopMode);
  appendLogLine(services.log, "  共搜索到：" + counts.resultCountText + " 个商品\r\n");
  if (counts.pageCount == 0 && counts.zeroTestText == "0") {
    appendLogLine(services.log, kNoItems);
    return {IntakeResult::NoItems, 0, 0};
  }
  // A listing of one page shows no page count.
  std::string pagesText = counts.pageCount == 0 ? std::string("1") : counts.pageCountText;
  const int pages = counts.pageCount == 0 ? 1 : counts.pageCount;
  appendLogLine(services.log, "  宝贝页码从第 1 页到第  " + pagesText + "  页下载，总页码数是 " +
                                  pagesText + " 页！\r\n");
  state.lastPage = pages;
  state.pagesDone = 0;

  if (state.lastPage > PagesWithoutAsking) {
    std::optional<PageRange> range = services.ranges.choosePageRange(pages);
    if (!range || !PageRangeMessage(pages, range->from, range->to).empty()) {
      return {IntakeResult::RangeNeeded, 0, pages};
    }
    state.lastPage = range->to;
    state.pagesDone = range->from - 1;
  }
  const int rows = Harvest(1, shopMode, state, services);
  return {IntakeResult::Harvested, rows, pages};
}

IntakeOutcome addShop(std::string_view address, HarvestState& state,
                      const IntakeServices& services) {
  const std::string host = ListingHostOf(address);
  // An item page typed in shop mode; compared as typed, letter case included.
  if (host.empty() || host == services.endpoints.sourceDetailHost ||
      host == services.endpoints.mallDetailHost) {
    return refuse(services, kShopRefused);
  }
  state.shopHost = host;
  const std::string page =
      pageText(services.renderer.fetchRendered("http://" + host + "/page/offerlist.htm"));
  if (page.empty()) return refuse(services, kShopRefused);
  return countAndHarvest(page, true, state, services);
}

IntakeOutcome addList(std::string_view address, HarvestState& state,
                      const IntakeServices& services) {
  ListingAddress listing = ClassifyListAddress(address);
  if (listing.key.empty()) return refuse(services, kListRefused);
  state.listingKind = listing.kind;
  state.listingKey = listing.key;
  const std::string page = pageText(services.renderer.fetchRendered(std::string(address)));
  if (page.empty()) return refuse(services, kListPageEmpty);
  state.shopHost = ListingHostOf(address);
  return countAndHarvest(page, false, state, services);
}

}  // namespace

IntakeOutcome AddToList(std::string_view address, std::string_view mode, HarvestState& state,
                        const IntakeServices& services) {
  if (Trim(address).empty()) return {};
  if (mode != SingleItemMode && mode != ListMode && mode != ShopMode) return {};
  state.listingKey.clear();
  state.listingKind = ListingKind::Shop;
  if (mode == SingleItemMode) return addSingleItem(address, services);
  if (mode == ShopMode) return addShop(address, state, services);
  return addList(address, state, services);
}

}  // namespace kestrune
