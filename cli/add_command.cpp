#include "cli/add_command.h"

#include <atomic>
#include <chrono>
#include <stop_token>
#include <system_error>
#include <thread>

#include "cli/console.h"
#include "items/intake.h"
#include "items/item_list_file.h"
#include "web/endpoints.h"
#include "web/renderer.h"

namespace kestrune::cli {

namespace {

namespace fs = std::filesystem;

std::string_view intakeMode(const std::string& mode) {
  if (mode == "list") return ListMode;
  if (mode == "shop") return ShopMode;
  return SingleItemMode;
}

// Why rows could not be appended to `file`; empty when they can be tried. Checked before the
// pages are read, so a typing error in the path does not waste a long harvest.
std::string listFileProblem(const fs::path& file) {
  std::error_code error;
  if (fs::is_directory(file, error)) return "it is a folder";
  const fs::path folder = fs::absolute(file, error).parent_path();
  if (!fs::is_directory(folder, error)) return "its folder does not exist";
  return {};
}

}  // namespace

int runAdd(const Arguments& arguments, const fs::path& home) {
  const fs::path listFile = pathFromArgument(arguments.listFile);
  const std::string problem = listFileProblem(listFile);
  if (!problem.empty()) {
    return fail(BadInput, "cannot add to the list " + arguments.listFile + ": " + problem);
  }

  ItemList list;
  DirectPageRenderer renderer;
  FixedPageRange ranges(arguments.pages);
  StandardErrorLog log;
  // Ctrl-C ends a harvest between pages; the items found until then are still added.
  std::stop_source stop;
  watchForInterrupt();
  std::atomic<bool> finished = false;
  std::thread watcher([&] {
    while (!finished) {
      if (interrupted()) {
        stop.request_stop();
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });

  IntakeServices services{list, renderer, ranges, &log, loadEndpoints(home)};
  services.stop = stop.get_token();
  HarvestState state;
  const IntakeOutcome outcome = AddToList(arguments.address, intakeMode(arguments.mode), state, services);
  finished = true;
  watcher.join();

  const std::vector<ItemRow> rows = list.rows();
  if (!rows.empty()) {
    const ItemListFileResult written = appendItemListFile(listFile, rows);
    if (!written.ok) {
      return fail(NotDone, "cannot write the list " + arguments.listFile + ": " + written.reason);
    }
    tell("added " + std::to_string(rows.size()) + (rows.size() == 1 ? " item" : " items") +
         " to " + arguments.listFile);
  }
  if (stop.stop_requested()) return fail(NotDone, "stopped");
  if (!rows.empty()) return Done;

  switch (outcome.result) {
    case IntakeResult::Ignored:
      return fail(BadInput, "the address is empty");
    case IntakeResult::RangeNeeded: {
      std::string message = "the listing has " + std::to_string(outcome.totalPages) +
                            " pages: choose the pages to read with --pages FROM-TO";
      if (arguments.pages) {
        message = "--pages " + std::to_string(arguments.pages->from) + "-" +
                  std::to_string(arguments.pages->to) + ": " +
                  PageRangeMessage(outcome.totalPages, arguments.pages->from, arguments.pages->to);
      }
      return fail(BadInput, message);
    }
    case IntakeResult::NoItems:
      return fail(NotDone, "the listing shows no items; nothing was added");
    default:
      return fail(NotDone, "no item was found at the address; nothing was added");
  }
}

}  // namespace kestrune::cli
