// The request profiles against the demo market over real HTTP and HTTPS: the header lines each
// profile puts on the wire, cookies, certificates, time-outs, cancellation and the body limit.
#include "web/fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "tools/demo-market/market.h"
#include "web/guarded_fetch.h"
#include "web/shared_cookie_store.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using demo::Fault;
using demo::MarketResponse;
using Clock = std::chrono::steady_clock;

// Peak resident memory of this process in MiB; 0 where the system does not say.
long peakMemoryMiB() {
#ifdef __linux__
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) / 1024;
  }
#endif
  return 0;
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class Fetch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    market = new demo::DemoMarket();
    market->start();
    market->addRoute("", "/setcookie", [](const demo::MarketRequest&) {
      MarketResponse response = MarketResponse::bytes("set", "text/plain");
      response.headers.emplace_back("set-cookie", "lower=1");
      response.headers.emplace_back("Set-Cookie", "pathed=2; Path=/");
      response.headers.emplace_back("Set-Cookie", "emptied=; Path=/");
      return response;
    });
    market->addRoute("GET", "/hop", [](const demo::MarketRequest&) {
      MarketResponse response = MarketResponse::bytes("moved", "text/plain");
      response.status = 302;
      response.headers.emplace_back("Set-Cookie", "hop=1; Path=/");
      response.headers.emplace_back("Location", "/echo/cookie");
      return response;
    });
  }
  static void TearDownTestSuite() {
    delete market;
    market = nullptr;
  }
  void SetUp() override {
    market->clearRequests();
    market->clearFaults();
    setSharedCookieStore(store);
    setTrustedCaFile({});
  }
  void TearDown() override {
    setSharedCookieStore(nullptr);
    setTrustedCaFile({});
  }

  std::string url(const std::string& path) const { return market->baseUrl() + path; }
  demo::RecordedRequest onlyRequest() const {
    auto requests = market->requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? demo::RecordedRequest{} : requests.front();
  }

  static demo::DemoMarket* market;
  std::shared_ptr<SharedCookieStore> store = std::make_shared<SharedCookieStore>();
};

demo::DemoMarket* Fetch::market = nullptr;

constexpr const char* kMsie9 = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr const char* kMsie6 = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr const char* kPictureAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

TEST_F(Fetch, EachProfileSendsExactlyItsHeaderLines) {
  const std::string page = url("/echo/cookie?x=1");
  const std::string host = "Host: " + market->host();
  store->setFromHeader(page, "stored=1; Path=/");

  struct Case {
    const char* profile;
    std::function<std::string()> fetch;
    const char* version;
    std::vector<std::string> lines;
  } cases[] = {
      {"FetchDirect",
       [&] { FetchOptions o; o.url = page; return FetchDirect(o).body; }, "HTTP/1.1",
       {host, kMsie9, "Accept: */*", "Referer: " + page, "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded", "Cookie: stored=1"}},
      {"FetchTimed",
       [&] { FetchOptions o; o.url = page; return FetchTimed(o).body; }, "HTTP/1.1",
       {host, "Accept: */*", "Referer: " + page, "Accept-Language: zh-cn", kMsie9,
        "Content-Type: application/x-www-form-urlencoded"}},
      {"FetchFallback",
       [&] { FetchOptions o; o.url = page; return FetchFallback(o).body; }, "HTTP/1.1",
       {host, "User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)",
        "Referrer: " + page, kPictureAccept, "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded"}},
      {"FetchPlain", [&] { return FetchPlain(page); }, "HTTP/1.0",
       {host, kMsie6, "Accept: */*", "Cookie: stored=1"}},
      {"FetchGuarded",
       [&] { FetchOptions o; o.url = page; return FetchGuarded(o).body; }, "HTTP/1.1",
       {host, kMsie6, kPictureAccept, "Referer: " + page, "Accept-Language: zh-cn",
        "Cookie: stored=1"}},
  };
  for (const Case& c : cases) {
    market->clearRequests();
    const std::string body = c.fetch();
    auto request = onlyRequest();
    EXPECT_EQ(request.method, "GET") << c.profile;
    EXPECT_EQ(request.version, c.version) << c.profile;
    EXPECT_EQ(request.headerLines, c.lines) << c.profile;
    EXPECT_EQ(request.body, "") << c.profile;
    // The echo answers with the Cookie line it got: the body came back as sent.
    EXPECT_EQ(body, request.header("Cookie")) << c.profile;
  }
}

TEST_F(Fetch, CompletedHeadersAreWrittenBackAndCallerLinesKept) {
  // FetchDirect takes a User-Agent line in any letter case as its agent; FetchTimed's test is
  // case-sensitive and adds its own line as well; a lower-case content-type does not count.
  FetchOptions direct;
  direct.url = url("/echo/cookie");
  direct.headers = "user-agent: Trellis/1.0\r\ncontent-type: text/plain";
  FetchDirect(direct);
  EXPECT_EQ(direct.headers,
            "user-agent: Trellis/1.0\r\ncontent-type: text/plain\r\nAccept: */*\r\nReferer: " +
                direct.url +
                "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
  auto sent = onlyRequest().headerLines;
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "user-agent: Trellis/1.0"), 1);
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                          [](const std::string& l) { return l.rfind("User-Agent", 0) == 0; }),
            0);
  EXPECT_NE(std::find(sent.begin(), sent.end(), "content-type: text/plain"), sent.end());

  market->clearRequests();
  FetchOptions timed;
  timed.url = url("/echo/cookie");
  timed.headers = "user-agent: Trellis/1.0";
  FetchTimed(timed);
  sent = onlyRequest().headerLines;
  EXPECT_NE(std::find(sent.begin(), sent.end(), "user-agent: Trellis/1.0"), sent.end());
  EXPECT_NE(std::find(sent.begin(), sent.end(), kMsie9), sent.end());
}

TEST_F(Fetch, SuppliedCookieTextBypassesTheStoreAndCollectsTheAnswer) {
  store->setFromHeader(url("/"), "stored=1; Path=/");
  FetchOptions options;
  options.url = url("/setcookie");
  options.cookies = "";
  FetchResult result = FetchDirect(options);
  EXPECT_EQ(onlyRequest().header("Cookie"), "");
  // The lower-case header name was written "Set-Cookie"; the empty value is kept by this form.
  EXPECT_NE(result.headers.find("Set-Cookie: lower=1\r\n"), std::string::npos);
  EXPECT_EQ(result.cookies, "lower=1; pathed=2; emptied=");
  EXPECT_EQ(options.cookies, "lower=1; pathed=2; emptied=");
  EXPECT_EQ(store->cookieHeaderFor(url("/")), "stored=1");

  // A cookie text goes as a Cookie line and the answer is merged into it.
  market->clearRequests();
  options.cookies = "mine=1; pathed=0";
  FetchDirect(options);
  EXPECT_EQ(onlyRequest().header("Cookie"), "mine=1; pathed=0");
  EXPECT_EQ(options.cookies, "lower=1; pathed=2; emptied=; mine=1");

  // FetchTimed merges always and never touches the store; FetchFallback and FetchGuarded
  // collect the strict form.
  FetchOptions timed;
  timed.url = url("/setcookie");
  EXPECT_EQ(FetchTimed(timed).status, 200);
  EXPECT_EQ(timed.cookies, "lower=1; pathed=2; emptied=");
  FetchOptions fallback;
  fallback.url = url("/setcookie");
  fallback.wantCookies = true;
  EXPECT_EQ(FetchFallback(fallback).cookies, "pathed=2");
  EXPECT_EQ(store->cookieHeaderFor(url("/")), "stored=1");
  FetchOptions guarded;
  guarded.url = url("/setcookie");
  guarded.wantCookies = true;
  EXPECT_EQ(FetchGuarded(guarded).cookies, "pathed=2");
  EXPECT_EQ(store->cookieHeaderFor(url("/")), "stored=1; lower=1; pathed=2; emptied=");
}

TEST_F(Fetch, StoreTravelsAlongRedirects) {
  FetchOptions options;
  options.url = url("/hop");
  FetchResult result = FetchDirect(options);
  EXPECT_EQ(result.body, "hop=1");
  EXPECT_EQ(market->requests().size(), 2u);

  // Not followed when asked.
  market->clearRequests();
  FetchOptions stay;
  stay.url = url("/hop");
  stay.noRedirect = true;
  EXPECT_EQ(FetchDirect(stay).body, "moved");
  EXPECT_EQ(market->requests().size(), 1u);
}

TEST_F(Fetch, HeadSendsItsBodyLikePostButGuardedSendsOnlyGetAndPost) {
  for (auto profile : {&FetchDirect, &FetchTimed}) {
    market->clearRequests();
    FetchOptions options;
    options.url = url("/echo/cookie");
    options.method = "HEAD";
    options.bodyText = "a=中";
    profile(options);
    auto request = onlyRequest();
    EXPECT_EQ(request.method, "HEAD");
    EXPECT_EQ(request.body, "a=\xd6\xd0");  // the GBK bytes of the text
    EXPECT_EQ(request.header("Content-Length"), "4");
  }

  market->clearRequests();
  FetchOptions post;
  post.url = url("/echo/cookie");
  post.method = "post";
  post.bodyText = "a=1";
  FetchGuarded(post);
  auto request = onlyRequest();
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.body, "a=1");
  auto& lines = request.headerLines;
  auto type = std::find(lines.begin(), lines.end(), "Content-Type: application/x-www-form-urlencoded");
  ASSERT_NE(type, lines.end());
  EXPECT_EQ(*(type + 1), "Content-Length: 3");
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("Content-Length", 0) == 0; }),
            1);

  market->clearRequests();
  FetchOptions put;
  put.url = url("/echo/cookie");
  put.method = "PUT";
  put.bodyText = "a=1";
  FetchResult nothing = FetchGuarded(put);
  EXPECT_EQ(nothing.body, "");
  EXPECT_TRUE(market->requests().empty());
}

TEST_F(Fetch, CertificatesAreCheckedExceptByFetchTimed) {
  const std::string page = market->secureBaseUrl() + "/echo/cookie";
  FetchOptions timed;
  timed.url = page;
  EXPECT_EQ(FetchTimed(timed).status, 200);

  FetchOptions direct;
  direct.url = page;
  EXPECT_EQ(FetchDirect(direct).headers, "");
  EXPECT_EQ(FetchPlain(page), "");
  EXPECT_TRUE(market->requestsTo("/echo").size() == 1u);  // only FetchTimed got through

  ASSERT_TRUE(setTrustedCaFile(market->caFile()));
  FetchOptions trusted;
  trusted.url = page;
  EXPECT_NE(FetchDirect(trusted).headers.find("200"), std::string::npos);
  // FetchGuarded takes https addresses as well.
  FetchOptions guarded;
  guarded.url = page;
  guarded.wantHeaders = true;
  EXPECT_NE(FetchGuarded(guarded).headers.find("200"), std::string::npos);
  EXPECT_EQ(market->requestsTo("/echo").size(), 3u);
  EXPECT_FALSE(setTrustedCaFile(market->caFile().parent_path() / "missing.pem"));
}

TEST_F(Fetch, TimeOutsEndRequestsToAServerThatNeverAnswers) {
  market->setFault("/never", Fault::hanging());
  auto start = Clock::now();
  FetchOptions guarded;
  guarded.url = url("/never");
  guarded.timeoutSeconds = 2;
  EXPECT_EQ(FetchGuarded(guarded).body, "");
  double guardedSeconds = secondsSince(start);
  EXPECT_GE(guardedSeconds, 1.9);
  EXPECT_LT(guardedSeconds, 4.0);

  start = Clock::now();
  FetchOptions timed;
  timed.url = url("/never");
  timed.timeoutSeconds = 1;
  FetchResult result = FetchTimed(timed);
  EXPECT_EQ(result.body, "");
  EXPECT_EQ(result.status, 0);
  double timedSeconds = secondsSince(start);
  EXPECT_GE(timedSeconds, 0.9);
  EXPECT_LT(timedSeconds, 3.5);
}

TEST_F(Fetch, AStopRequestAbandonsARequestAtOnce) {
  market->setFault("/never", Fault::hanging());
  std::stop_source stop;
  std::thread stopper([&] {
    std::this_thread::sleep_for(300ms);
    stop.request_stop();
  });
  auto start = Clock::now();
  FetchOptions options;
  options.url = url("/never");
  options.cancel = stop.get_token();
  EXPECT_EQ(FetchDirect(options).body, "");
  EXPECT_LT(secondsSince(start), 1.5);
  stopper.join();
}

TEST_F(Fetch, FailedTransfersGiveAnEmptyBody) {
  struct Case {
    const char* what;
    Fault fault;
  } cases[] = {
      {"reset", Fault::resetting()},
      {"truncated", Fault::truncated()},
      {"oversized, declared", Fault::hugeBody(std::size_t{100} << 20, true)},
      {"oversized, undeclared", Fault::hugeBody(std::size_t{100} << 20, false)},
  };
  for (const Case& c : cases) {
    market->setFault("/offer/", c.fault);
    FetchOptions options;
    options.url = url("/offer/" + market->fixtureItemIds().front() + ".html");
    EXPECT_EQ(FetchDirect(options).body, "") << c.what;
  }
  // Refused as it came: 100 MiB never piled up in memory.
  EXPECT_LT(peakMemoryMiB(), 300);
  // A server error is an answer: its page comes back.
  market->setFault("/offer/", Fault::failing());
  FetchOptions options;
  options.url = url("/offer/x.html");
  EXPECT_NE(FetchTimed(options).body, "");
  EXPECT_EQ(FetchTimed(options).status, 500);
}

}  // namespace
}  // namespace kestrune
