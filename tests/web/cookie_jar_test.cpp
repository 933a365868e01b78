#include "web/cookie_jar.h"

#include <gtest/gtest.h>

#include <memory>

#include "web/shared_cookie_store.h"

namespace kestrune {
namespace {

TEST(CookieMerge, NewerWinsOlderFollowsDeletedAndDuplicatesGo) {
  struct Case {
    const char* older;
    const char* newer;
    const char* merged;
  } cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"a=1", "a=deleted", ""},
      {"a = 1", "", "a=1"},
      // The first of two older namesakes wins; two newer namesakes both stay.
      {"a=1; a=2", "", "a=1"},
      {"", "a=1; a=2", "a=1; a=2"},
      // Exact duplicates go, the first kept.
      {"", "a=1; a=1; b=2", "a=1; b=2"},
      {"", "", ""},
      // Blanks anywhere go, full-width ones too; empty entries leave no "; ;".
      {"x=1 2;; y=　3", "", "x=12; y=3"},
      // An older entry deleted by name through the newer text vanishes with it.
      {"sid=abc; lang=zh", "sid=deleted", "lang=zh"},
  };
  for (const Case& c : cases) {
    std::string older = c.older;
    std::string newer = c.newer;
    EXPECT_EQ(CookieMerge(older, newer), c.merged) << c.older << " + " << c.newer;
    EXPECT_EQ(older, c.merged);
  }
}

TEST(CookieMerge, BothArgumentsLoseTheirBlanks) {
  std::string older = "a = 1";
  std::string newer = "b = 2";
  CookieMerge(older, newer);
  EXPECT_EQ(newer, "b=2");
}

TEST(CollectSetCookies, LenientAndStrictForms) {
  struct Case {
    const char* what;
    const char* headers;
    const char* lenient;
    const char* strict;
  } cases[] = {
      {"one with a path, one without attributes",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nContent-Length: 0\r\n\r\n",
       "a=1; b=2", "a=1"},
      {"an empty value", "Set-Cookie: a=; path=/\r\nSet-Cookie: b=2; path=/\r\n", "a=; b=2", "b=2"},
      {"none", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", "", ""},
      // The strict form reads only the exact spelling; callers of the lenient form have
      // normalised the name already.
      {"lower-case name", "set-cookie: a=1; path=/\r\n", "", ""},
      {"a header that only mentions the name", "X-Set-Cookie-Hint: no\r\nSet-Cookie: a=1; path=/\r\n",
       "a=1", "a=1"},
      {"value with an equals sign", "Set-Cookie: t=YWI=; path=/\r\n", "t=YWI=", "t=YWI="},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CollectSetCookies(c.headers, CookieForm::Lenient), c.lenient) << c.what;
    EXPECT_EQ(CollectSetCookies(c.headers, CookieForm::Strict), c.strict) << c.what;
  }
}

class StoreCookies : public ::testing::Test {
 protected:
  void SetUp() override { setSharedCookieStore(store); }
  void TearDown() override { setSharedCookieStore(nullptr); }
  std::shared_ptr<SharedCookieStore> store = std::make_shared<SharedCookieStore>();
};

TEST_F(StoreCookies, BrowserCookiesIncludesHttpOnlyAndFindsOneByName) {
  store->setFromHeader("http://shop.example.com/", "visible=1; Path=/");
  store->setFromHeader("http://shop.example.com/", "session=s3cr3t; Path=/; HttpOnly");
  store->setFromHeader("http://shop.example.com/", "token=YWJj==; Path=/");
  store->setFromHeader("http://shop.example.com/", "stamp=a:b; Path=/");
  store->setFromHeader("http://other.example.com/", "elsewhere=1; Path=/");

  EXPECT_EQ(BrowserCookies("shop.example.com/offer/post.htm"),
            "visible=1; session=s3cr3t; token=YWJj==; stamp=a:b");
  EXPECT_EQ(BrowserCookies("shop.example.com/", "SESSION"), "SESSION=s3cr3t");
  EXPECT_EQ(BrowserCookies("shop.example.com/", "token"), "token=YWJj==");
  EXPECT_EQ(BrowserCookies("shop.example.com/", "stamp"), "stamp=a");
  EXPECT_EQ(BrowserCookies("shop.example.com/", "missing"), "");
  EXPECT_EQ(BrowserCookies("nothing.example.com/"), "");
}

TEST_F(StoreCookies, StoreSetCookiesKeepsAttributes) {
  StoreSetCookies(
      "HTTP/1.1 200 OK\r\nSet-Cookie: sid=42; path=/member; HttpOnly\r\n"
      "Set-Cookie: lang=zh\r\nContent-Type: text/html\r\n\r\n",
      "login.example.com");
  EXPECT_EQ(store->cookieHeaderFor("http://login.example.com/member/home"), "sid=42; lang=zh");
  EXPECT_EQ(store->cookieHeaderFor("http://login.example.com/other"), "lang=zh");
  EXPECT_EQ(store->cookieHeaderFor("http://login.example.com/member/home", false), "lang=zh");

  StoreSetCookies("Content-Type: text/html\r\n", "quiet.example.com");
  EXPECT_TRUE(store->all().size() == 2);
}

}  // namespace
}  // namespace kestrune
