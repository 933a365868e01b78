#include "items/harvest.h"

#include <algorithm>

#include "web/encoding.h"
#include "web/text.h"

namespace kestrune {
namespace {

void pumpEvents(const IntakeServices& services) {
  if (services.processEvents) services.processEvents();
}

}  // namespace

int PageNumberOf(std::string_view text) { return LeadingNumber(Trim(text)); }

std::string PageRangeMessage(int totalPages, int from, int to) {
  if (to > totalPages || from >= totalPages || from <= 0 || to <= 0) {
    return "起始页或结束页输入有误！请修改！";
  }
  if (to - from > PagesWithoutAsking || to < from) {
    return "超始页大于结束页或间隔大于35页！请修改！";
  }
  return {};
}

std::optional<PageRange> FixedPageRange::choosePageRange(int totalPages) {
  if (!range_ || !PageRangeMessage(totalPages, range_->from, range_->to).empty()) {
    return std::nullopt;
  }
  return range_;
}

int Harvest(int worker, bool shopMode, HarvestState& state, const IntakeServices& services) {
  const std::string thread = "  线程：" + std::to_string(worker);
  int appended = 0;
  while (state.pagesDone < state.lastPage && !services.stop.stop_requested()) {
    const int page = ++state.pagesDone;
    std::string bytes = services.renderer.fetchRendered(ListingPageAddress(state, shopMode, page));
    std::replace(bytes.begin(), bytes.end(), '\0', ' ');
    const std::string text = GbkToUtf8(bytes);
    pumpEvents(services);
    // Follows the fetch, so whatever the renderer logged for this page stands before it.
    appendLogLine(services.log, thread + "  正在读取宝贝列表 第：  " + std::to_string(page) + " /" +
                                    std::to_string(state.lastPage) + " 页\r\n");

    for (ItemRow& row : ReadListingPage(text).rows) {
      if (services.stop.stop_requested()) break;
      services.list.appendRow(std::move(row.name), std::move(row.price), std::move(row.address),
                              std::move(row.id));
      ++appended;
      pumpEvents(services);
    }

    appendLogLine(services.log, thread + "  读取成功，成功提取了：  " +
                                    std::to_string(services.list.rowCount()) + "  个宝贝\r\n");
    if (services.refreshCountLabel) services.refreshCountLabel();
    if (state.pagesDone == state.lastPage) {
      appendLogLine(services.log, "  宝贝下载完成 【共提取了：  " +
                                      std::to_string(services.list.rowCount()) + "  个宝贝】\r\n");
    }
    pumpEvents(services);
  }
  return appended;
}

}  // namespace kestrune
