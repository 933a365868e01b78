#include "app/login_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include "app/main_window.h"
#include "cookie_bridge_fixture.h"
#include "web/cookie_jar.h"

namespace kestrune {
namespace {

using testing::BrowserTest;
using testing::runScript;
using testing::waitUntil;

class LoginWindowTest : public BrowserTest {
 protected:
  QString loginUrl() const { return QString::fromStdString(url("/member/signin.htm")); }
};

TEST_F(LoginWindowTest, ShowsTheSignInPageWithItsNote) {
  LoginWindow window(loginUrl(), nullptr, profile);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("浏览器（生成数据包前，登陆一下，可以自动匹配属性）"));
  EXPECT_EQ(window.size(), QSize(596, 471));
  EXPECT_EQ(window.pos(), QPoint(50, 50));
  EXPECT_EQ(window.browser()->geometry(), QRect(0, 0, 596, 384));
  EXPECT_EQ(window.note()->geometry(), QRect(8, 390, 576, 56));
  EXPECT_EQ(window.note()->text(),
            QStringLiteral("1.请勿担心安全问题，本页面是阿里官网网页！\n"
                           "2.如果担心安全问题，建议使用小号或子账号登陆。\n"
                           "3.登陆成功后，关闭该窗口即可！"));
  EXPECT_EQ(window.browser()->url(), QUrl(loginUrl()));
  EXPECT_TRUE(waitUntil([&] { return !market->requestsTo("/member/signin.htm").empty(); }));
}

TEST_F(LoginWindowTest, ASignInReachesTheRequestsAtOnceHttpOnlyIncluded) {
  LoginWindow window(loginUrl(), nullptr, profile);
  window.show();
  bool loaded = false;
  QObject::connect(window.browser(), &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
  ASSERT_TRUE(waitUntil([&] { return loaded; }));

  // The user presses the page's own sign-in button.
  loaded = false;
  runScript(window.browser()->page(),
            "document.querySelector('input[name=loginId]').value = 'shopkeeper';"
            "document.getElementById('signin').click();");
  ASSERT_TRUE(waitUntil([&] { return loaded; }));
  ASSERT_TRUE(waitUntil([&] { return !BrowserCookies(market->host() + "/", "cookie2").empty(); }));
  window.close();

  const std::string cookies = BrowserCookies(market->host() + "/offer/post.htm");
  EXPECT_NE(cookies.find("cookie2="), std::string::npos) << cookies;
  EXPECT_NE(cookies.find("_nk_=shopkeeper"), std::string::npos) << cookies;
  FetchOptions options;
  options.url = url("/echo/cookie");
  const std::string sent = FetchDirect(options).body;
  EXPECT_NE(sent.find("cookie2="), std::string::npos) << sent;
  EXPECT_NE(sent.find("__cn_logon__=true"), std::string::npos) << sent;
}

TEST_F(LoginWindowTest, OpenIsModalFreshEachTimeAndReturnsWhenClosed) {
  for (int opening = 1; opening <= 2; ++opening) {
    bool wasModal = false;
    // Plays the user: once the window is up and its page asked for, close it.
    QTimer user;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&user, &QTimer::timeout, [&] {
      QWidget* shown = QApplication::activeModalWidget();
      if (!shown) return;
      bool asked = market->requestsTo("/member/signin.htm").size() == static_cast<size_t>(opening);
      if (!asked && clock.elapsed() < 10000) return;
      wasModal = shown->isModal() && shown->windowTitle().startsWith(QStringLiteral("浏览器"));
      shown->close();
    });
    user.start(50);
    openLoginWindow(nullptr, loginUrl(), profile);
    EXPECT_TRUE(wasModal);
    // Each opening navigates to the sign-in page again.
    EXPECT_EQ(market->requestsTo("/member/signin.htm").size(), static_cast<size_t>(opening));
  }
}

TEST_F(LoginWindowTest, TheButtonThreeOpensItOnTheSignInPage) {
  testing::TemporaryHome home;
  ItemList items;
  SettingsSnapshot settings;
  testing::ScriptedDialogs dialogs;
  MainWindow window(ShellContext{items, settings, home.path(), Endpoints{}});
  window.setDialogs(&dialogs);
  window.assumeTrayAvailable(true);
  bindLoginButton(window, loginUrl());
  window.show();

  QUrl shownUrl;
  QString caption;
  QTimer user;
  QElapsedTimer clock;
  clock.start();
  QObject::connect(&user, &QTimer::timeout, [&] {
    auto* login = dynamic_cast<LoginWindow*>(QApplication::activeModalWidget());
    if (!login) return;
    if (market->requestsTo("/member/signin.htm").empty() && clock.elapsed() < 10000) return;
    shownUrl = login->browser()->url();
    caption = login->windowTitle();
    EXPECT_EQ(login->parentWidget(), &window);
    login->close();
  });
  user.start(50);
  QTest::mouseClick(window.loginButton(), Qt::LeftButton);
  EXPECT_EQ(shownUrl, QUrl(loginUrl()));
  EXPECT_TRUE(caption.startsWith(QStringLiteral("浏览器")));
  EXPECT_EQ(market->requestsTo("/member/signin.htm").size(), 1u);
}

}  // namespace
}  // namespace kestrune
