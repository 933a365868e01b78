// kestrune-cli end to end: the real program, started as a child process, against the demo market
// started here, with a temporary program home pointed at the market.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "child_process.h"
#include "items/item_list_file.h"
#include "tools/demo-market/market.h"
#include "web/program_home.h"
#include "web/shared_cookie_store.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::ChildResult;

constexpr const char* ItemOne = "520000000001";
constexpr const char* ItemTwo = "520000000002";
constexpr const char* MissingItem = "529999999999";

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    home = fs::temp_directory_path() /
           ("kestrune-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
            "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(home);
    market.start();
    if (auto error = market.writeEndpoints(home)) ADD_FAILURE() << *error;
    listFile = home / "list.txt";
  }
  ~CliTest() override {
    market.stop();
    std::error_code ignored;
    fs::remove_all(home, ignored);
  }

  std::vector<std::string> withHome(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--home", home.string()});
    return arguments;
  }
  // A folder for the output files of one child.
  fs::path runFolder() {
    const fs::path folder = home / ("run" + std::to_string(++runs_));
    fs::create_directories(folder);
    return folder;
  }
  ChildResult run(const std::vector<std::string>& arguments) {
    ChildProcess child(KESTRUNE_CLI_PATH, arguments, runFolder());
    return child.wait();
  }

  static std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  demo::DemoMarket market;
  fs::path home;
  fs::path listFile;

 private:
  int runs_ = 0;
};

TEST_F(CliTest, AddsItemsAndGeneratesAPackage) {
  // A sign-in kept in the home's cookie store travels with the program's requests.
  {
    SharedCookieStore store(cookieStoreFile(optionsFolder(home)));
    StoredCookie cookie;
    cookie.name = "login";
    cookie.value = "shopkeeper";
    cookie.domain = "127.0.0.1";
    cookie.expires = 4102444800;  // 2100-01-01
    store.set(cookie);
  }

  for (const char* id : {ItemOne, ItemTwo}) {
    const ChildResult added = run(withHome({"add", "--list", listFile.string(), market.itemUrl(id)}));
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_NE(added.err.find("added 1 item"), std::string::npos) << added.err;
  }
  const auto addRequests = market.requestsTo(std::string("/offer/") + ItemOne);
  ASSERT_FALSE(addRequests.empty());
  EXPECT_NE(addRequests.front().header("Cookie").find("login=shopkeeper"), std::string::npos);

  const ChildResult refused = run(withHome({"add", "--list", listFile.string(), market.itemUrl(MissingItem)}));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("nothing was added"), std::string::npos) << refused.err;

  ItemListFileResult list = readItemListFile(listFile);
  ASSERT_TRUE(list.ok);
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_EQ(list.rows[0].id, ItemOne);
  EXPECT_EQ(list.rows[1].address, market.itemUrl(ItemTwo));
  EXPECT_FALSE(list.rows[0].name.empty());

  // An item the market no longer has fails and is kept for a later run.
  ASSERT_TRUE(appendItemListFile(listFile, {{"已下架", "", market.itemUrl(MissingItem), MissingItem}}).ok);

  const fs::path package = home / "out" / "pkg.csv";
  const ChildResult generated =
      run(withHome({"generate", "--list", listFile.string(), "--out", (home / "out" / "pkg").string()}));
  EXPECT_EQ(generated.status, 0) << generated.err;
  EXPECT_EQ(generated.out, package.string() + "\n");
  EXPECT_TRUE(fileText(package).starts_with("version 1.00"));
  EXPECT_TRUE(fs::is_directory(home / "out" / "pkg"));
  EXPECT_NE(generated.err.find("文件写成功"), std::string::npos) << generated.err;

  const ItemListFileResult failed = readItemListFile(listFile.string() + ".failed.txt");
  ASSERT_TRUE(failed.ok);
  ASSERT_EQ(failed.rows.size(), 1u);
  EXPECT_EQ(failed.rows[0].id, MissingItem);
}

TEST_F(CliTest, LongListingIsReadOnlyOverTheGivenPages) {
  demo::ListingSetup listing;
  listing.pages = 40;
  listing.itemsPerPage = 5;
  market.setListing(listing);
  const std::string shop = market.baseUrl() + "/";

  const ChildResult unasked = run(withHome({"add", "--mode", "shop", "--list", listFile.string(), shop}));
  EXPECT_EQ(unasked.status, 2);
  EXPECT_NE(unasked.err.find("40 pages"), std::string::npos) << unasked.err;
  EXPECT_FALSE(fs::exists(listFile));

  const ChildResult tooWide =
      run(withHome({"add", "--mode", "shop", "--pages", "1-40", "--list", listFile.string(), shop}));
  EXPECT_EQ(tooWide.status, 2) << tooWide.err;

  const ChildResult ranged =
      run(withHome({"add", "--mode", "shop", "--pages", "3-4", "--list", listFile.string(), shop}));
  EXPECT_EQ(ranged.status, 0) << ranged.err;
  const ItemListFileResult list = readItemListFile(listFile);
  ASSERT_TRUE(list.ok);
  EXPECT_EQ(list.rows.size(), 10u);
}

TEST_F(CliTest, UsageErrorsAndBadInputExitWithTwo) {
  ASSERT_TRUE(writeItemListFile(listFile, {{"甲", "", market.itemUrl(ItemOne), ItemOne}}).ok);
  const std::string list = listFile.string();
  const std::string missing = (home / "no-such-list.txt").string();
  struct Case {
    std::vector<std::string> arguments;
    std::string named;  // what the one-line message must name
  };
  const std::vector<Case> cases = {
      {{"generate", "--list", list, "--bogus"}, "--bogus"},
      {{"generate"}, "--list"},
      {{"generate", "--list", missing}, missing},
      {{"generate", "--list", list, "--kind", "tmall"}, "--kind"},
      {{"generate", "--list", list, "--out", (home / ".csv").string()}, ".csv"},
      {{"add", "--list", list}, "ADDRESS"},
      {{"add", "--mode", "item", "--pages", "1-3", "--list", list, "http://x/"}, "--pages"},
      {{"add", "--list", (home / "no-folder" / "list.txt").string(), "http://x/"}, "no-folder"},
      {{"frobnicate"}, "frobnicate"},
      {{"--home", (home / "nowhere").string(), "generate", "--list", list}, "nowhere"},
  };
  for (const Case& c : cases) {
    const ChildResult result = run(c.arguments[0] == "--home" ? c.arguments : withHome(c.arguments));
    EXPECT_EQ(result.status, 2) << c.named << ": " << result.err;
    EXPECT_TRUE(result.err.starts_with("kestrune-cli: ")) << result.err;
    EXPECT_NE(result.err.substr(0, result.err.find('\n')).find(c.named), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty()) << result.out;
  }
  EXPECT_TRUE(market.requestsTo("/offer/").empty()) << "bad input is refused before any download";

  const ChildResult help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("generate --list FILE"), std::string::npos);
  const ChildResult version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("kestrune-cli ") + KESTRUNE_VERSION + "\n");
}

TEST_F(CliTest, UnwritableOutputFolderWritesNothing) {
  ASSERT_TRUE(writeItemListFile(listFile, {{"甲", "", market.itemUrl(ItemOne), ItemOne}}).ok);
  const fs::path plainFile = home / "plain";
  std::ofstream(plainFile) << "not a folder";

  const fs::path folder = plainFile / "packages";
  const ChildResult result =
      run(withHome({"generate", "--list", listFile.string(), "--out", (folder / "pkg.csv").string()}));
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(folder.string()), std::string::npos) << result.err;
  EXPECT_TRUE(result.out.empty());
  EXPECT_TRUE(market.requestsTo("/offer/").empty());
}

TEST_F(CliTest, InterruptStopsTheRunWithoutAPackage) {
  ASSERT_TRUE(writeItemListFile(listFile, {{"甲", "", market.itemUrl(ItemOne), ItemOne},
                                           {"乙", "", market.itemUrl(ItemTwo), ItemTwo}})
                  .ok);
  market.setFault("/offer/", demo::Fault::hanging());
  const fs::path package = home / "out" / "pkg.csv";

  ChildProcess child(KESTRUNE_CLI_PATH,
                     withHome({"generate", "--list", listFile.string(), "--out", package.string()}),
                     runFolder());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (market.requestsTo("/offer/").empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_FALSE(market.requestsTo("/offer/").empty()) << child.errorSoFar();
  child.interrupt();
  const ChildResult result = child.wait(std::chrono::seconds(30));

  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("stopped"), std::string::npos) << result.err;
  EXPECT_TRUE(result.out.empty());
  EXPECT_FALSE(fs::exists(package));
  EXPECT_FALSE(fs::exists(listFile.string() + ".failed.txt"));
}

}  // namespace
}  // namespace kestrune

#endif
