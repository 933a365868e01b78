#include "web/shared_cookie_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

TEST(SharedCookieStore, SendsEachCookieWhereABrowserWould) {
  SharedCookieStore store;
  const std::string from = "https://www.shop.example.com/member/login.htm";
  ASSERT_TRUE(store.setFromHeader(from, "hostonly=1"));  // path defaults to /member
  ASSERT_TRUE(store.setFromHeader(from, "wide=2; Domain=.shop.example.com; Path=/"));
  ASSERT_TRUE(store.setFromHeader(from, "secret=3; Path=/; Secure"));
  ASSERT_TRUE(store.setFromHeader(from, "sid=4; Path=/; HttpOnly"));
  ASSERT_TRUE(store.setFromHeader(from, "gone=5; Path=/; Max-Age=0"));
  ASSERT_TRUE(store.setFromHeader(from, "old=6; Path=/; Expires=Thu, 01 Jan 1998 00:00:00 GMT"));

  struct Case {
    const char* url;
    bool httpOnly;
    const char* header;
  } cases[] = {
      {"https://www.shop.example.com/member/home", true, "hostonly=1; wide=2; secret=3; sid=4"},
      {"http://www.shop.example.com/member/home", true, "hostonly=1; wide=2; sid=4"},
      {"http://www.shop.example.com/membership", true, "wide=2; sid=4"},
      {"http://img.shop.example.com/a.jpg", true, "wide=2"},
      {"http://shop.example.com/", true, "wide=2"},
      {"http://www.shop.example.com/", false, "wide=2"},
      {"http://evilshop.example.com/", true, ""},
      {"HTTP://WWW.SHOP.EXAMPLE.COM:80/member/", true, "hostonly=1; wide=2; sid=4"},
  };
  for (const Case& c : cases) EXPECT_EQ(store.cookieHeaderFor(c.url, c.httpOnly), c.header) << c.url;
}

TEST(SharedCookieStore, RefusesCookiesASiteMayNotSet) {
  SharedCookieStore store;
  const std::string from = "http://www.shop.example.com/";
  EXPECT_FALSE(store.setFromHeader(from, "a=1; Domain=other.example.com"));
  EXPECT_FALSE(store.setFromHeader(from, "a=1; Domain=com"));
  EXPECT_FALSE(store.setFromHeader(from, "novalue"));
  EXPECT_FALSE(store.setFromHeader(from, "=1"));
  EXPECT_FALSE(store.setFromHeader(from, "a=1\tb"));
  EXPECT_FALSE(store.setFromHeader(from, "a=" + std::string(5000, 'x')));
  EXPECT_FALSE(store.setFromHeader("http://127.0.0.1/", "a=1; Domain=0.0.1"));
  EXPECT_TRUE(store.all().empty());
}

TEST(SharedCookieStore, ReplacesDeletesAndBoundsWhatOneSiteSets) {
  SharedCookieStore store;
  const std::string from = "http://shop.example.com/";
  store.setFromHeader(from, "a=1; Path=/");
  store.setFromHeader(from, "b=1; Path=/");
  store.setFromHeader(from, "a=2; Path=/");
  EXPECT_EQ(store.cookieHeaderFor(from), "a=2; b=1");  // a keeps its place
  store.setFromHeader(from, "a=x; Path=/; Expires=Thu, 01 Jan 1998 00:00:00 GMT");
  EXPECT_EQ(store.cookieHeaderFor(from), "b=1");

  for (int i = 0; i < 500; ++i) store.setFromHeader(from, "n" + std::to_string(i) + "=v; Path=/");
  auto all = store.all();
  EXPECT_LE(all.size(), 200u);
  EXPECT_EQ(all.back().name, "n499");  // the oldest went first
}

TEST(SharedCookieStore, KeepsPersistentCookiesInAPrivateFile) {
  const fs::path folder = fs::temp_directory_path() / ("kestrune-cookies-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::remove_all(folder);
  const fs::path file = cookieStoreFile(folder / "options");
  {
    SharedCookieStore store(file);
    store.setFromHeader("http://shop.example.com/", "lasting=1; Path=/; Max-Age=3600; HttpOnly");
    store.setFromHeader("http://shop.example.com/", "wide=2; Domain=example.com; Path=/; Max-Age=3600; Secure");
    store.setFromHeader("http://shop.example.com/", "session=3; Path=/");
  }
  ASSERT_TRUE(fs::exists(file));
#ifndef _WIN32
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
#endif

  SharedCookieStore reopened(file);
  auto all = reopened.all();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].name, "lasting");
  EXPECT_TRUE(all[0].httpOnly);
  EXPECT_TRUE(all[0].hostOnly);
  EXPECT_EQ(all[1].domain, "example.com");
  EXPECT_FALSE(all[1].hostOnly);
  EXPECT_TRUE(all[1].secure);
  EXPECT_EQ(reopened.cookieHeaderFor("https://img.example.com/"), "wide=2");

  // Unreadable lines are skipped, the rest still loads.
  { std::ofstream(file, std::ios::app) << "garbage line\n.example.com\tTRUE\n"; }
  EXPECT_EQ(SharedCookieStore(file).all().size(), 2u);
  fs::remove_all(folder);
}

TEST(SharedCookieStore, ListenersHearChangesButNotTheirOwnEchoes) {
  SharedCookieStore store;
  std::vector<CookieChange> heard;
  int id = store.addListener([&](const CookieChange& change) { heard.push_back(change); });
  store.setFromHeader("http://a.example.com/", "x=1; Path=/");
  store.setFromHeader("http://a.example.com/", "x=1; Path=/");  // no change, nothing to hear
  StoredCookie fromBrowser{"y", "2", "a.example.com"};
  store.set(fromBrowser, id);
  store.remove(fromBrowser);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[0].cookie.name, "x");
  EXPECT_FALSE(heard[0].removed);
  EXPECT_EQ(heard[1].cookie.name, "y");
  EXPECT_TRUE(heard[1].removed);
  store.removeListener(id);
}

TEST(SharedCookieStore, ManyThreadsAtOnce) {
  SharedCookieStore store;
  std::vector<std::thread> threads;
  for (int t = 0; t < 5; ++t) {
    threads.emplace_back([&store, t] {
      for (int i = 0; i < 200; ++i) {
        store.setFromHeader("http://w" + std::to_string(t) + ".example.com/", "c" + std::to_string(i % 20) + "=" + std::to_string(i));
        store.cookieHeaderFor("http://w" + std::to_string(t) + ".example.com/");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(store.all().size(), 100u);
  EXPECT_EQ(store.cookieHeaderFor("http://w3.example.com/").substr(0, 7), "c0=180;");
}

}  // namespace
}  // namespace kestrune
