// The market as a server: what it records, the faults it injects, TLS with its test authority,
// the sign-in cookies, the security-check switch, added routes and the endpoints file.
#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "demo-market/curl_fetch.h"
#include "tools/demo-market/market.h"
#include "web/endpoints.h"

namespace kestrune::demo {
namespace {

using namespace std::chrono_literals;
using testing::curlFetch;
using testing::FetchOptions;

class MarketWire : public ::testing::Test {
 protected:
  void SetUp() override { market_.start(); }
  std::string fixtureItem() const { return market_.baseUrl() + "/offer/520000000001.html"; }

  DemoMarket market_;
};

TEST_F(MarketWire, RecordsRequestsExactlyAsSent) {
  FetchOptions options;
  options.headers = {"Zeta-Last: 1", "accept-language: zh-cn", "Referer: http://example.test/x", "X-Mixed-CASE: a b"};
  options.postBody = "a=1&b=%E4";
  curlFetch(market_.baseUrl() + "/echo/cookie?x=1&y=2", options);
  curlFetch(market_.baseUrl() + "/offer/520000000001.html", FetchOptions().http10());

  auto requests = market_.requests();
  ASSERT_EQ(requests.size(), 2u);
  const auto& post = requests[0];
  EXPECT_EQ(post.method, "POST");
  EXPECT_EQ(post.target, "/echo/cookie?x=1&y=2");
  EXPECT_EQ(post.version, "HTTP/1.1");
  EXPECT_EQ(post.body, "a=1&b=%E4");
  EXPECT_FALSE(post.secure);
  EXPECT_EQ(post.port, market_.httpPort());
  // The caller's own lines keep their order and spelling, behind curl's Host and Accept.
  std::vector<std::string> own;
  for (const auto& line : post.headerLines) {
    if (line.rfind("Host:", 0) != 0 && line.rfind("Accept:", 0) != 0 && line.rfind("Content-", 0) != 0) own.push_back(line);
  }
  EXPECT_EQ(own, (std::vector<std::string>{"Zeta-Last: 1", "accept-language: zh-cn", "Referer: http://example.test/x",
                                           "X-Mixed-CASE: a b"}));
  EXPECT_EQ(post.header("content-length"), "9");
  EXPECT_EQ(post.header("x-mixed-case"), "a b");
  EXPECT_EQ(requests[1].version, "HTTP/1.0");

  EXPECT_EQ(market_.requestsTo("/offer/").size(), 1u);
  market_.clearRequests();
  EXPECT_TRUE(market_.requests().empty());
}

TEST_F(MarketWire, InjectedFaultsFailTheWayClientsSee) {
  struct Case {
    std::string name;
    Fault fault;
    CURLcode code;
    long status;
  };
  const std::vector<Case> cases = {
      {"server error", Fault::failing(), CURLE_OK, 500},
      {"reset", Fault::resetting(), CURLE_RECV_ERROR, 0},
      {"truncated body", Fault::truncated(), CURLE_PARTIAL_FILE, 200},
      {"slow body", Fault::slowBody(5ms, 16 * 1024), CURLE_OK, 200},
      {"latency", Fault::delay(50ms), CURLE_OK, 200},
  };
  std::string whole = curlFetch(fixtureItem()).body;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    market_.setFault("/offer/520000000001", c.fault);
    auto reply = curlFetch(fixtureItem() + "?sk=consign");
    if (c.code == CURLE_RECV_ERROR) {
      // A reset shows as a receive error or as an answer that never came, by timing.
      EXPECT_TRUE(reply.code == CURLE_RECV_ERROR || reply.code == CURLE_GOT_NOTHING) << curl_easy_strerror(reply.code);
    } else {
      EXPECT_EQ(reply.code, c.code) << curl_easy_strerror(reply.code);
    }
    EXPECT_EQ(reply.status, c.status);
    if (c.code == CURLE_OK && c.status == 200) {
      EXPECT_EQ(reply.body, whole);
    }
    if (c.code == CURLE_PARTIAL_FILE) {
      EXPECT_EQ(reply.body, whole.substr(0, whole.size() / 2));
    }
    // Other paths are untouched.
    EXPECT_EQ(curlFetch(market_.baseUrl() + "/offer/520000000002.html").status, 200);
  }
  market_.clearFaults();
  EXPECT_EQ(curlFetch(fixtureItem()).status, 200);
}

TEST_F(MarketWire, FaultCanApplyOnceAndTheLongestPrefixWins) {
  market_.setFault("/img/", Fault::failing());
  market_.setFault("/img/ibank/desc/a.jpg", Fault::failing().once());
  EXPECT_EQ(curlFetch(market_.baseUrl() + "/img/ibank/desc/a.jpg").status, 500);
  EXPECT_EQ(curlFetch(market_.baseUrl() + "/img/ibank/desc/a.jpg").status, 500);  // the broader fault again
  market_.setFault("/img/", Fault{});
  market_.setFault("/img/ibank/desc/b.jpg", Fault::failing().once());
  EXPECT_EQ(curlFetch(market_.baseUrl() + "/img/ibank/desc/b.jpg").status, 500);
  EXPECT_EQ(curlFetch(market_.baseUrl() + "/img/ibank/desc/b.jpg").status, 200);
}

TEST_F(MarketWire, HangingRequestHoldsTheClientUntilItsTimeoutAndStopStillReturns) {
  market_.setFault("/offer/", Fault::hanging());
  auto reply = curlFetch(fixtureItem(), FetchOptions().timeout(500));
  EXPECT_EQ(reply.code, CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(market_.requestsTo("/offer/").size(), 1u);  // it was received, just never answered

  // A client still waiting when the market stops gets its connection closed.
  auto pending = std::async(std::launch::async, [&] { return curlFetch(fixtureItem(), FetchOptions().timeout(60000)); });
  while (market_.requestsTo("/offer/").size() < 2) std::this_thread::sleep_for(10ms);
  market_.stop();
  ASSERT_EQ(pending.wait_for(30s), std::future_status::ready);
  EXPECT_NE(pending.get().code, CURLE_OK);
}

TEST_F(MarketWire, HttpsWorksWithTheTestAuthorityAndFailsWithoutIt) {
  auto trusted = curlFetch(market_.itemUrl("520000000001"), FetchOptions().trust(market_.caFile().string()));
  EXPECT_EQ(trusted.code, CURLE_OK) << curl_easy_strerror(trusted.code);
  EXPECT_EQ(trusted.status, 200);
  ASSERT_FALSE(market_.requests().empty());
  EXPECT_TRUE(market_.requests().back().secure);
  EXPECT_EQ(market_.requests().back().port, market_.httpsPort());

  auto untrusted = curlFetch(market_.itemUrl("520000000001"));
  EXPECT_EQ(untrusted.code, CURLE_PEER_FAILED_VERIFICATION) << curl_easy_strerror(untrusted.code);
}

TEST_F(MarketWire, SignInSetsSessionAndHttpOnlyCookiesAndEchoReturnsTheCookieHeader) {
  auto form = curlFetch(market_.baseUrl() + "/member/signin.htm");
  EXPECT_EQ(form.status, 200);
  auto signedIn = curlFetch(market_.baseUrl() + "/member/signin.htm", FetchOptions().post("loginId=buyer01&password=x"));
  auto cookies = signedIn.headers("Set-Cookie");
  ASSERT_EQ(cookies.size(), 3u);
  EXPECT_EQ(cookies[0], "__cn_logon__=true; Path=/");
  EXPECT_EQ(cookies[1].rfind("cookie2=", 0), 0u);
  EXPECT_NE(cookies[1].find("; HttpOnly"), std::string::npos);
  EXPECT_EQ(cookies[2], "_nk_=buyer01; Path=/; Max-Age=2592000");

  auto echo = curlFetch(market_.baseUrl() + "/echo/cookie", FetchOptions().header("Cookie: a=1; b=2"));
  EXPECT_EQ(echo.body, "a=1; b=2");
}

TEST_F(MarketWire, SecurityCheckSendsListingsToTheSecurityHost) {
  market_.setSecurityCheck(true);
  auto listing = curlFetch(market_.baseUrl() + "/page/offerlist.htm?&pageNum=1");
  EXPECT_EQ(listing.status, 302);
  auto location = listing.headers("Location");
  ASSERT_EQ(location.size(), 1u);
  EXPECT_EQ(location[0].rfind("http://" + market_.securityHost() + "/query.htm?", 0), 0u);
  auto check = curlFetch(location[0]);
  EXPECT_EQ(check.status, 200);
  EXPECT_EQ(check.body.find("<title>"), std::string::npos);  // untitled, so a browser shows its address
  EXPECT_EQ(curlFetch(fixtureItem()).status, 200);           // item pages still answer

  market_.setSecurityCheck(false);
  EXPECT_EQ(curlFetch(market_.baseUrl() + "/page/offerlist.htm?&pageNum=1").status, 200);
}

TEST_F(MarketWire, AddedRoutesTakePrecedenceAndSeeTheDecodedRequest) {
  MarketRequest seen;
  market_.addRoute("POST", "/offer/post/*", [&](const MarketRequest& request) {
    seen = request;
    return MarketResponse::gbkPage("表单");
  });
  auto reply = curlFetch(market_.secureBaseUrl() + "/offer/post/fill_product_info.htm?x=%D6%D0",
                         FetchOptions()
                             .trust(market_.caFile().string())
                             .header("Cookie: login=1")
                             .post("secondCategoryId=1031910&subject="));
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "\xB1\xED\xB5\xA5");  // "表单" as GBK
  EXPECT_TRUE(seen.secure);
  EXPECT_EQ(seen.path, "/offer/post/fill_product_info.htm");
  EXPECT_EQ(seen.param("x"), "\xD6\xD0");  // GBK bytes of "中", decoded from the query
  EXPECT_EQ(seen.param("secondCategoryId"), "1031910");
  EXPECT_TRUE(seen.hasParam("subject"));
  EXPECT_EQ(seen.header("cookie"), "login=1");
  EXPECT_EQ(curlFetch(market_.baseUrl() + "/no/such/path").status, 404);
  EXPECT_EQ(curlFetch(fixtureItem(), FetchOptions().head()).status, 200);  // HEAD takes the GET route
}

TEST_F(MarketWire, WritesAnEndpointsFileThatPointsTheProgramAtTheMarket) {
  auto home = std::filesystem::temp_directory_path() / ("market-endpoints-home-" + std::to_string(market_.httpPort()));
  std::filesystem::remove_all(home);
  ASSERT_EQ(market_.writeEndpoints(home), std::nullopt);
  Endpoints endpoints = loadEndpoints(home);
  EXPECT_EQ(endpoints.sourceDetailHost, market_.secureHost());
  EXPECT_EQ(endpoints.sourceSecurityHost, market_.securityHost());
  EXPECT_EQ(endpoints.sourceLoginUrl, market_.baseUrl() + "/member/signin.htm");
  EXPECT_EQ(endpoints.targetPropsUrl, market_.host());
  EXPECT_EQ(endpoints.categoryMirrorUrl, market_.host());
  EXPECT_EQ(curlFetch(endpoints.vendorHelpUrl).status, 200);
  std::ifstream ca(endpoints.tlsCaFile);
  std::stringstream pem;
  pem << ca.rdbuf();
  EXPECT_EQ(pem.str(), market_.caPem());
  // The copied authority is enough to reach the detail host over HTTPS.
  auto page = curlFetch("https://" + endpoints.sourceDetailHost + "/offer/520000000001.html", FetchOptions().trust(endpoints.tlsCaFile));
  EXPECT_EQ(page.code, CURLE_OK);
  std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace kestrune::demo
