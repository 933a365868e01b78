// Reading the marketplace's shop and category listings: what kind of list an address names, the
// address of each listing page, the item and page counts of a first page, and the items of one
// page in any of the four page layouts. Pure functions over texts; fetching the pages and
// putting the items into the list is the harvest's job (items/harvest.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "items/item_list.h"

namespace kestrune {

// The intake modes the page toolbar selects; any other text makes "添加到列表" do nothing.
inline constexpr std::string_view SingleItemMode = "单品";
inline constexpr std::string_view ListMode = "列表";
inline constexpr std::string_view ShopMode = "店铺";

// How the pages of a listing are addressed.
enum class ListingKind { Shop = 0, ScidCategory = 1, CatIdCategory = 2, DirectList = 3 };

// What one shop or list add found, and how far its harvest has come. It lives from one add to
// the next: the harvest reads pages pagesDone + 1 to lastPage.
struct HarvestState {
  std::string shopHost;
  std::string listingKey;
  ListingKind listingKind = ListingKind::Shop;
  int lastPage = 0;
  int pagesDone = 0;
};

// The host of a shop or list address as typed (port kept, letter case kept): the text between
// "http://" and the next "/", else between "https://" and the next "/", trimmed. Empty when the
// address has no such part, e.g. a host without a path behind it.
std::string ListingHostOf(std::string_view address);

struct ListingAddress {
  ListingKind kind = ListingKind::Shop;
  std::string key;  // empty: the address names no list this program can read
};

// Classifies a list-mode address. The tests run in order and a later match replaces an earlier
// one: "scid=", "catId=", "category-", then "offerlist_" or "keywords=" (the whole address).
// A scid or catId only counts with an "&" before and after it.
ListingAddress ClassifyListAddress(std::string_view address);

// The address of listing page n (from 1) for a shop add (`shopMode`) or a list add.
std::string ListingPageAddress(const HarvestState& state, bool shopMode, int page);

// The counts a first listing page shows. The texts are as cut from the page; pageCount is 0
// when the page shows none.
struct ListingCounts {
  std::string resultCountText;
  std::string pageCountText;
  std::string zeroTestText;
  int pageCount = 0;
};

// Reads the counts with the markers of a shop's own listing (`shopMarkers`) or of a category or
// search list.
ListingCounts ReadListingCounts(std::string_view page, bool shopMarkers);

// The leading decimal digits of a text as a number (blanks before them skipped); 0 when there
// are none. Saturates instead of overflowing on absurdly long digit runs.
int LeadingNumber(std::string_view text);

// One of the four page layouts a listing may have, with its row pattern (group 1: item address,
// group 2: item name) and its price pattern (group 1: the price). Both are listing patterns.
struct ShopTemplate {
  std::string_view name;
  std::string_view rowPattern;
  std::string_view pricePattern;
};

// The layouts in the order they are tried: "普通", "旺铺", "店铺街", "新天猫".
const std::vector<ShopTemplate>& ShopTemplates();

struct ListingPageItems {
  std::string templateName;    // empty when no layout matched
  std::vector<ItemRow> rows;   // in page order
};

// The items of one listing page (UTF-8 text). Everything from the pager on is ignored. The first
// layout whose row pattern matches is used; rows whose address has no "offer/<id>.html" are
// skipped, and prices pair with row matches by position (a skipped row's price goes unused).
ListingPageItems ReadListingPage(std::string_view page);

}  // namespace kestrune
