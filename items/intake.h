// "添加到列表": turns one address into rows of the item list. In single-item mode the item's page
// gives one row; in shop and list mode the first listing page gives the item and page counts,
// and the harvest then reads the listing page by page. Every refusal is one log line; nothing
// here shows a window (the page range of a long listing comes through a PageRangeChooser).
#pragma once

#include <string_view>

#include "items/harvest.h"
#include "items/listing.h"

namespace kestrune {

enum class IntakeResult {
  Ignored,      // an empty address or an unknown mode: nothing happened, nothing was logged
  Refused,      // the address named nothing readable; the reason is in the log
  NoItems,      // a listing that shows no items at all
  RangeNeeded,  // a long listing and no page range to read; nothing was read
  ItemAdded,    // single item: one row appended
  Harvested,    // shop or list: the listing was read
};

struct IntakeOutcome {
  IntakeResult result = IntakeResult::Ignored;
  int rowsAdded = 0;
  int totalPages = 0;  // the listing's page count as its first page shows it
};

// Runs "添加到列表" for `address` (as typed, untrimmed) in `mode` ("单品", "列表" or "店铺").
// `state` carries the listing between adds; shop and list adds set it up and harvest it.
IntakeOutcome AddToList(std::string_view address, std::string_view mode, HarvestState& state,
                        const IntakeServices& services);

}  // namespace kestrune
