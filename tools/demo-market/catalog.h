// What the demo market sells: the fixture shop read from the fixtures folder (detail page
// template, item files, descriptions, listing layouts, fixed pages), synthetic items generated
// on the fly for benchmarks, and pictures of every type the program must recognise.
// Everything here is UTF-8 text; the market encodes pages to GBK when it sends them.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/demo-market/market.h"

namespace kestrune::demo {

// The market's own addresses, which pages name: "127.0.0.1:<port>".
struct MarketHosts {
  std::string http;
  std::string https;
};

struct PictureAnswer {
  int status = 200;
  std::string contentType;
  std::string body;
};

class Catalog {
 public:
  // Reads every fixture file; throws std::runtime_error naming a file that is missing.
  explicit Catalog(const std::filesystem::path& fixtures);

  std::vector<std::string> itemIds() const;  // fixture items in id order

  // The detail page of an offer, or nullopt for an unknown id.
  std::optional<std::string> detailPage(std::string_view offerId, const MarketHosts& hosts) const;
  // The description script named by the page's data-tfs-url, or nullopt when there is none.
  std::optional<std::string> descriptionScript(std::string_view offerId, const MarketHosts& hosts) const;
  // Page number page (from 1) of a listing.
  std::string listingPage(const ListingSetup& setup, int page, const MarketHosts& hosts) const;
  // A fixed page of fixtures/pages with its {{name}} fields filled.
  std::string page(std::string_view name, const std::map<std::string, std::string>& fields) const;

  // The picture for the last segment of a picture address (see fixtures/README.md).
  static PictureAnswer picture(std::string_view fileName);
  // The 1x1 GIF that the CDN sends in place of a missing picture.
  static std::string spacerGif();

  static std::string syntheticId(int n);
  // n of a synthetic id, or 0 when the id is not in the reserved range.
  static int syntheticNumber(std::string_view offerId);

 private:
  struct Item {
    std::string id;
    std::map<std::string, std::string> fields;
    std::string descriptionHtml;
    std::string field(const std::string& name) const;
  };
  struct Layout {
    std::map<std::string, std::string> sections;  // page, row, price, pageCount
    bool crlf = false;
  };

  const Item* fixtureItem(std::string_view offerId) const;
  Item syntheticItem(int n) const;
  std::string renderDetail(const Item& item, const MarketHosts& hosts, std::string_view filler) const;
  std::string renderDescription(const Item& item, const MarketHosts& hosts) const;

  std::string detailTemplate_;
  std::vector<Item> items_;
  std::map<std::string, std::string> pages_;
  std::map<ListingLayout, Layout> layouts_;
};

}  // namespace kestrune::demo
