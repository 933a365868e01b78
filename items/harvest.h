// The harvest: reads the pages of a shop or category listing one after another through the page
// renderer and appends every item found to the item list, logging each page. It also holds the
// rules of the page range a user may choose for a long listing (the window's dialog and the
// command line apply the same rules). It runs on the caller's thread and returns when done.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "items/item_list.h"
#include "items/listing.h"
#include "web/endpoints.h"
#include "web/operation_log.h"
#include "web/renderer.h"

namespace kestrune {

// A listing of more pages than this asks which pages to read: reading many pages in a row can
// make the marketplace lock the user out.
inline constexpr int PagesWithoutAsking = 35;

struct PageRange {
  int from = 0;
  int to = 0;
};

// A page number as typed into a range box: its leading digits, 0 when it has none.
int PageNumberOf(std::string_view text);

// Checks a range for a listing of `totalPages` pages; empty when it may be read, else the message
// that tells the user what to change. A range spans at most 36 pages and must start below the
// listing's last page.
std::string PageRangeMessage(int totalPages, int from, int to);

// Asks which pages of a long listing to read.
class PageRangeChooser {
 public:
  virtual ~PageRangeChooser() = default;
  // Returns a range that PageRangeMessage accepts, or nullopt when no range can be had (a program
  // without a user that was given none); the add then ends without reading pages.
  virtual std::optional<PageRange> choosePageRange(int totalPages) = 0;
};

// A chooser with a fixed answer, for programs without a user: the range given (when it passes the
// rules) or none.
class FixedPageRange : public PageRangeChooser {
 public:
  explicit FixedPageRange(std::optional<PageRange> range = std::nullopt) : range_(range) {}
  std::optional<PageRange> choosePageRange(int totalPages) override;

 private:
  std::optional<PageRange> range_;
};

// What the intake and the harvest use of the program around them.
struct IntakeServices {
  ItemList& list;
  PageRenderer& renderer;
  PageRangeChooser& ranges;
  LogSink* log = nullptr;
  // The item-page hosts that shop mode refuses.
  Endpoints endpoints = {};
  // Lets the window handle its pending events (the list view shows the new rows); empty when
  // there is no window.
  std::function<void()> processEvents = {};
  // Shows the list's row count wherever the front end shows it.
  std::function<void()> refreshCountLabel = {};
  // Ends a harvest between pages and rows (the program is closing); no command of the user
  // interrupts one.
  std::stop_token stop = {};
};

// Reads pages state.pagesDone + 1 to state.lastPage of the listing (shop pages when `shopMode`,
// else the list kind of the state), appends their items and counts state.pagesDone up. Returns
// the number of rows appended.
int Harvest(int worker, bool shopMode, HarvestState& state, const IntakeServices& services);

}  // namespace kestrune
