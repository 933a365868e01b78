// Shared pieces of the browser tests: the demo market, a fresh cookie store set as the process's
// shared one, and an off-the-record browser profile bridged to it, all torn down per test.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <algorithm>
#include <functional>
#include <memory>

#include "app/cookie_bridge.h"
#include "shell_fixture.h"
#include "tools/demo-market/market.h"
#include "web/fetch.h"
#include "web/shared_cookie_store.h"

namespace kestrune::testing {

// Processes events until `done` holds or `milliseconds` pass; returns whether it held.
inline bool waitUntil(const std::function<bool()>& done, int milliseconds = 15000) {
  return settleUntil(done, milliseconds);
}

// Loads url into page and waits for the load to end; returns whether it succeeded.
inline bool loadPage(QWebEnginePage* page, const std::string& url) {
  bool finished = false;
  bool ok = false;
  auto connection = QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool success) {
    finished = true;
    ok = success;
  });
  page->load(QUrl(QString::fromStdString(url)));
  waitUntil([&] { return finished; });
  QObject::disconnect(connection);
  return ok;
}

// Runs a script in the page and waits for its value.
inline QVariant runScript(QWebEnginePage* page, const QString& script) {
  auto value = std::make_shared<QVariant>();
  auto done = std::make_shared<bool>(false);
  page->runJavaScript(script, [value, done](const QVariant& result) {
    *value = result;
    *done = true;
  });
  waitUntil([done] { return *done; }, 5000);
  return *value;
}

class BrowserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testApplication();
    market = new demo::DemoMarket();
    market->start();
  }
  static void TearDownTestSuite() {
    delete market;
    market = nullptr;
  }

  BrowserTest() {
    setSharedCookieStore(store);
    profile = new QWebEngineProfile();
    QObject::connect(profile->cookieStore(), &QWebEngineCookieStore::cookieAdded,
                     [this](const QNetworkCookie& cookie) { browserAdded.push_back(cookie.name().toStdString()); });
    bridge = new CookieBridge(profile, store, profile);
    market->clearRequests();
    market->clearFaults();
    market->setSecurityCheck(false);
  }
  ~BrowserTest() override {
    settle();
    delete profile;  // pages on it are gone by now; the bridge goes with it
    settle();
    setSharedCookieStore(nullptr);
  }

  std::string url(const std::string& path) const { return market->baseUrl() + path; }

  // Whether the browser has reported a cookie of this name as added.
  bool browserHas(const std::string& name) const {
    return std::find(browserAdded.begin(), browserAdded.end(), name) != browserAdded.end();
  }

  // Bridges the profile to another store (one on a file, as the program opens it).
  void useStore(std::shared_ptr<SharedCookieStore> other) {
    delete bridge;
    store = std::move(other);
    setSharedCookieStore(store);
    bridge = new CookieBridge(profile, store, profile);
  }

  // The cookie store of a fresh program run unless a test opens one on a file.
  std::shared_ptr<SharedCookieStore> store = std::make_shared<SharedCookieStore>();
  QWebEngineProfile* profile = nullptr;
  CookieBridge* bridge = nullptr;
  std::vector<std::string> browserAdded;
  static demo::DemoMarket* market;
};

inline demo::DemoMarket* BrowserTest::market = nullptr;

}  // namespace kestrune::testing
