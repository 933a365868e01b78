#include "app/cookie_bridge.h"

#include <gtest/gtest.h>

#include <QWebEnginePage>

#include <filesystem>

#include "cookie_bridge_fixture.h"
#include "web/cookie_jar.h"

namespace kestrune {
namespace {

using testing::BrowserTest;
using testing::loadPage;
using testing::runScript;
using testing::waitUntil;

class CookieBridgeTest : public BrowserTest {
 protected:
  // What the browser sends to the market's cookie echo.
  std::string browserSends() {
    QWebEnginePage page(profile);
    EXPECT_TRUE(loadPage(&page, url("/echo/cookie")));
    return runScript(&page, "document.body.innerText").toString().toStdString();
  }
};

TEST_F(CookieBridgeTest, RequestsAndBrowserSeeTheSameCookiesBothWays) {
  // What the store held before the browser started, HttpOnly included, goes with the browser.
  store->setFromHeader(url("/"), "held=1; Path=/; HttpOnly");
  useStore(store);
  EXPECT_EQ(browserSends(), "held=1");

  // A cookie set by the answer to a request of the program reaches the browser.
  FetchOptions signIn;
  signIn.url = url("/member/signin.htm");
  signIn.method = "POST";
  signIn.bodyText = "loginId=buyer1&password=x";
  FetchDirect(signIn);
  ASSERT_TRUE(waitUntil([&] { return browserHas("cookie2") && browserHas("_nk_"); }));
  const std::string sent = browserSends();
  EXPECT_NE(sent.find("cookie2="), std::string::npos) << sent;
  EXPECT_NE(sent.find("_nk_=buyer1"), std::string::npos) << sent;

  // A cookie a script sets in the browser reaches the program's requests.
  QWebEnginePage page(profile);
  ASSERT_TRUE(loadPage(&page, url("/vendor/news.html")));
  runScript(&page, "document.cookie = 'fromScript=7; path=/'");
  ASSERT_TRUE(waitUntil([&] { return BrowserCookies(market->host() + "/", "fromScript") != ""; }));
  FetchOptions echo;
  echo.url = url("/echo/cookie");
  EXPECT_NE(FetchDirect(echo).body.find("fromScript=7"), std::string::npos);

  // Deleting in the browser deletes for the requests too.
  runScript(&page, "document.cookie = 'fromScript=; path=/; max-age=0'");
  EXPECT_TRUE(waitUntil([&] { return BrowserCookies(market->host() + "/", "fromScript") == ""; }));
}

TEST_F(CookieBridgeTest, PersistentCookiesOfTheBrowserSurviveARestart) {
  testing::TemporaryHome home;
  const auto file = cookieStoreFile(home.path() / "options");
  useStore(std::make_shared<SharedCookieStore>(file));

  QWebEnginePage page(profile);
  ASSERT_TRUE(loadPage(&page, url("/member/signin.htm")));
  runScript(&page, "document.querySelector('form').submit()");
  ASSERT_TRUE(waitUntil([&] { return store->cookieHeaderFor(url("/")).find("_nk_=") != std::string::npos; }));

  // The next program run opens the file: the lasting cookie is there, session ones are not.
  SharedCookieStore nextRun(file);
  const std::string carried = nextRun.cookieHeaderFor(url("/"));
  EXPECT_EQ(carried, "_nk_=demo-buyer");
}

}  // namespace
}  // namespace kestrune
