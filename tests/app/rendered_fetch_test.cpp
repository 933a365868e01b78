#include "app/rendered_fetch.h"

#include <gtest/gtest.h>

#include <QWebEngineView>
#include <QWidget>

#include "cookie_bridge_fixture.h"
#include "web/encoding.h"
#include "web/operation_log.h"

namespace kestrune {
namespace {

using demo::Fault;
using testing::BrowserTest;

constexpr const char* kLockedMessage = "  线程：1  阿里锁定，请换账号登陆或换IP或稍后再试！\r\n";

class RenderedFetchTest : public BrowserTest {
 protected:
  RenderedFetchTest() : renderer(&host, &log, market->securityHost(), profile) { host.show(); }

  int lockedLines() const {
    int count = 0;
    for (const std::string& line : log.lines()) {
      if (line.size() > std::string(kLockedMessage).size() &&
          line.substr(line.size() - std::string(kLockedMessage).size()) == kLockedMessage) {
        ++count;
      }
    }
    return count;
  }

  QWidget host;
  MemoryLogSink log;
  RenderedFetch renderer;
};

TEST_F(RenderedFetchTest, AFastPageIsHeldThreeCyclesAndComesBackAsGbk) {
  const std::string page = url("/page/offerlist.htm?pageNum=1");
  const std::string html = GbkToUtf8(renderer.fetchRendered(page));
  EXPECT_EQ(renderer.lastCycles(), 3);
  EXPECT_EQ(html.rfind("<html", 0), 0u) << html.substr(0, 80);
  EXPECT_NE(html.find("全部商品"), std::string::npos) << html.substr(0, 400);
  EXPECT_EQ(lockedLines(), 0);
  EXPECT_EQ(renderer.view()->size(), QSize(16, 24));
  EXPECT_EQ(renderer.view()->parentWidget(), &host);
}

TEST_F(RenderedFetchTest, TheSecurityCheckIsLoggedOncePerCycleAndItsPageReturned) {
  market->setSecurityCheck(true);
  const std::string html = GbkToUtf8(renderer.fetchRendered(url("/page/offerlist.htm")));
  EXPECT_NE(html.find("sec-check"), std::string::npos);
  EXPECT_GE(renderer.lastCycles(), 3);
  EXPECT_EQ(lockedLines(), renderer.lastCycles());
}

TEST_F(RenderedFetchTest, WithoutADocumentThePageComesFromFetchDirect) {
  renderer.setStepMilliseconds(20);  // sixteen cycles in a fraction of the time
  market->setFault("/page/offerlist.htm", Fault::hanging().once());
  const std::string html = GbkToUtf8(renderer.fetchRendered(url("/page/offerlist.htm")));
  EXPECT_EQ(renderer.lastCycles(), 16);
  EXPECT_NE(html.find("全部商品"), std::string::npos) << html.substr(0, 400);
  auto requests = market->requestsTo("/page/offerlist.htm");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[1].header("User-Agent").find("MSIE 9.0"), std::string::npos);
}

}  // namespace
}  // namespace kestrune
