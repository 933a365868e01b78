#include "tools/demo-market/market.h"

#include <httplib.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

#include "tools/demo-market/catalog.h"
#include "tools/demo-market/front.h"
#include "tools/demo-market/test_certificate.h"
#include "web/encoding.h"
#include "web/endpoints.h"
#include "web/profile_file.h"
#include "web/program_home.h"

namespace kestrune::demo {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string percentEncode(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// The number after the last "pageNum=" of a listing address; 1 when there is none.
int pageNumberOf(std::string_view target) {
  auto at = target.rfind("pageNum=");
  if (at == std::string_view::npos) return 1;
  int number = 0;
  for (size_t i = at + 8; i < target.size() && target[i] >= '0' && target[i] <= '9' && number < 100000; ++i) {
    number = number * 10 + (target[i] - '0');
  }
  return number;
}

// A listing key such as "plain-3" names the layout and the page count of that listing, so one
// market serves every layout side by side; other keys get the market's default listing.
ListingSetup listingSetupFor(std::string_view target, ListingSetup setup) {
  const std::pair<std::string_view, ListingLayout> names[] = {{"plain", ListingLayout::Plain},
                                                              {"wangpu", ListingLayout::Wangpu},
                                                              {"shopstreet", ListingLayout::ShopStreet},
                                                              {"newtmall", ListingLayout::NewTmall}};
  for (const auto& [name, layout] : names) {
    auto at = target.find(name);
    if (at == std::string_view::npos) continue;
    setup.layout = layout;
    size_t digits = at + name.size();
    if (digits < target.size() && target[digits] == '-') {
      int pages = 0;
      bool any = false;
      for (size_t i = digits + 1; i < target.size() && target[i] >= '0' && target[i] <= '9' && pages < 10000; ++i) {
        pages = pages * 10 + (target[i] - '0');
        any = true;
      }
      if (any) setup.pages = pages;
    }
    break;
  }
  return setup;
}

std::string pathOf(std::string_view target) {
  auto query = target.find('?');
  return std::string(target.substr(0, query));
}

SSL_CTX* makeTlsContext(const TestCertificate& certificate) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  if (!context) throw std::runtime_error("demo market: cannot create a TLS context");
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  BIO* certificateBio = BIO_new_mem_buf(certificate.serverCertificatePem.data(),
                                        static_cast<int>(certificate.serverCertificatePem.size()));
  X509* x509 = PEM_read_bio_X509(certificateBio, nullptr, nullptr, nullptr);
  BIO_free(certificateBio);
  BIO* keyBio = BIO_new_mem_buf(certificate.serverKeyPem.data(), static_cast<int>(certificate.serverKeyPem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
  BIO_free(keyBio);
  bool ok = x509 && key && SSL_CTX_use_certificate(context, x509) == 1 && SSL_CTX_use_PrivateKey(context, key) == 1;
  X509_free(x509);
  EVP_PKEY_free(key);
  if (!ok) {
    SSL_CTX_free(context);
    throw std::runtime_error("demo market: cannot load the test certificate");
  }
  return context;
}

}  // namespace

std::string RecordedRequest::header(std::string_view name) const {
  for (const auto& line : headerLines) {
    auto colon = line.find(':');
    if (colon == std::string::npos || !equalsIgnoringCase(std::string_view(line).substr(0, colon), name)) continue;
    auto value = line.substr(colon + 1);
    auto start = value.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : value.substr(start);
  }
  return {};
}

std::string MarketRequest::param(std::string_view name) const {
  for (const auto& [key, value] : params) {
    if (key == name) return value;
  }
  return {};
}

bool MarketRequest::hasParam(std::string_view name) const {
  return std::any_of(params.begin(), params.end(), [&](const auto& entry) { return entry.first == name; });
}

std::string MarketRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (equalsIgnoringCase(key, name)) return value;
  }
  return {};
}

MarketResponse MarketResponse::gbkPage(std::string_view utf8Text, int status) {
  MarketResponse response;
  response.status = status;
  response.body = Utf8ToGbk(utf8Text);
  return response;
}

MarketResponse MarketResponse::bytes(std::string body, std::string contentType) {
  MarketResponse response;
  response.body = std::move(body);
  response.contentType = std::move(contentType);
  return response;
}

MarketResponse MarketResponse::notFound() {
  return gbkPage("<html><head><title>404 页面不存在</title></head><body><h1>404</h1><p>您访问的页面不存在。</p></body></html>",
                 404);
}

struct DemoMarket::State {
  struct Route {
    std::string method;
    std::string pattern;
    RouteHandler handler;
  };

  std::filesystem::path fixtures;
  std::unique_ptr<Catalog> catalog;
  std::unique_ptr<httplib::Server> server;
  std::thread serverThread;
  std::unique_ptr<Front> front;
  SSL_CTX* tls = nullptr;
  TestCertificate certificate;
  std::filesystem::path temporaryFolder;
  int httpPort = 0;
  int httpsPort = 0;
  int securityPort = 0;

  mutable std::mutex mutex;
  std::vector<RecordedRequest> recorded;
  std::map<std::string, Fault> faults;
  std::chrono::milliseconds latency{0};
  bool securityCheck = false;
  ListingSetup listing;
  std::vector<Route> routes;
  unsigned sessions = 0;

  MarketHosts hosts() const {
    return {"127.0.0.1:" + std::to_string(httpPort), "127.0.0.1:" + std::to_string(httpsPort)};
  }

  RouteHandler findRoute(const std::string& method, const std::string& path) const {
    std::lock_guard lock(mutex);
    for (auto it = routes.rbegin(); it != routes.rend(); ++it) {
      // HEAD is answered as GET without the body (the server drops it).
      if (!it->method.empty() && it->method != method && !(method == "HEAD" && it->method == "GET")) continue;
      const std::string& pattern = it->pattern;
      bool matches = !pattern.empty() && pattern.back() == '*'
                         ? path.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0
                         : path == pattern;
      if (matches) return it->handler;
    }
    return {};
  }

  std::optional<Fault> takeFault(const std::string& target) {
    std::lock_guard lock(mutex);
    auto best = faults.end();
    for (auto it = faults.begin(); it != faults.end(); ++it) {
      if (target.compare(0, it->first.size(), it->first) == 0 &&
          (best == faults.end() || it->first.size() > best->first.size())) {
        best = it;
      }
    }
    if (best == faults.end()) return std::nullopt;
    Fault fault = best->second;
    if (best->second.times > 0 && --best->second.times == 0) faults.erase(best);
    return fault;
  }

  void serve(const httplib::Request& in, httplib::Response& out) {
    MarketRequest request;
    request.method = in.method;
    request.target = in.target;
    request.path = pathOf(in.target);
    request.body = in.body;
    for (const auto& [key, value] : in.params) request.params.emplace_back(key, value);
    for (const auto& [key, value] : in.headers) {
      if (key == "X-Demo-Market-Secure") {
        request.secure = value == "1";
      } else if (key != "REMOTE_ADDR" && key != "REMOTE_PORT" && key != "LOCAL_ADDR" && key != "LOCAL_PORT") {
        request.headers.emplace_back(key, value);
      }
    }
    RouteHandler handler = findRoute(request.method, request.path);
    MarketResponse response = handler ? handler(request) : MarketResponse::notFound();
    out.status = response.status;
    for (const auto& [name, value] : response.headers) out.set_header(name.c_str(), value);
    out.set_content(response.body, response.contentType.c_str());
  }
};

DemoMarket::DemoMarket(std::filesystem::path fixtures) : state_(std::make_unique<State>()) {
  state_->fixtures = fixtures.empty() ? std::filesystem::path(DEMO_MARKET_FIXTURES) : std::move(fixtures);
  State& s = *state_;

  addRoute("GET", "/offer/*", [&s](const MarketRequest& request) {
    // "/offer/<id>.html"
    std::string rest = request.path.substr(7);
    auto dot = rest.find(".html");
    if (dot == std::string::npos || rest.find('/') != std::string::npos) return MarketResponse::notFound();
    auto page = s.catalog->detailPage(rest.substr(0, dot), s.hosts());
    return page ? MarketResponse::gbkPage(*page) : MarketResponse::notFound();
  });

  addRoute("GET", "/desc/*", [&s](const MarketRequest& request) {
    std::string rest = request.path.substr(6);
    auto dot = rest.find(".js");
    auto script = dot == std::string::npos ? std::nullopt : s.catalog->descriptionScript(rest.substr(0, dot), s.hosts());
    if (!script) return MarketResponse::notFound();
    return MarketResponse::bytes(Utf8ToGbk(*script), "application/javascript; charset=GBK");
  });

  addRoute("GET", "/img/*", [](const MarketRequest& request) {
    auto slash = request.path.rfind('/');
    PictureAnswer answer = Catalog::picture(request.path.substr(slash + 1));
    MarketResponse response = MarketResponse::bytes(answer.body, answer.contentType);
    response.status = answer.status;
    return response;
  });

  RouteHandler listing = [&s](const MarketRequest& request) {
    ListingSetup setup;
    bool blocked;
    {
      std::lock_guard lock(s.mutex);
      setup = s.listing;
      blocked = s.securityCheck;
    }
    if (blocked) {
      // As the marketplace does: listings send the browser on to the security-check host.
      std::string scheme = request.secure ? "https://" : "http://";
      std::string original = scheme + request.header("Host") + request.target;
      MarketResponse response = MarketResponse::gbkPage("<html><body>302 Found</body></html>", 302);
      response.headers.emplace_back("Location", "http://127.0.0.1:" + std::to_string(s.securityPort) +
                                                    "/query.htm?smApp=offerlist&smPolicy=offerlist-anti_Spider&smReturn=" +
                                                    percentEncode(original));
      return response;
    }
    setup = listingSetupFor(request.target, setup);
    return MarketResponse::gbkPage(s.catalog->listingPage(setup, pageNumberOf(request.target), s.hosts()));
  };
  for (const char* path : {"/page/offerlist.htm", "/page/offerlist_*", "/page/category-*", "/search.htm",
                           "/offer_search.htm"}) {
    addRoute("GET", path, listing);
  }

  addRoute("GET", "/query.htm", [&s](const MarketRequest&) {
    return MarketResponse::gbkPage(s.catalog->page("security-check", {}));
  });

  addRoute("GET", "/member/signin.htm", [&s](const MarketRequest&) {
    return MarketResponse::gbkPage(s.catalog->page("signin", {}));
  });
  addRoute("POST", "/member/signin.htm", [&s](const MarketRequest& request) {
    std::string loginId;
    for (char c : request.param("loginId")) {
      if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') loginId += c;
    }
    if (loginId.empty()) loginId = "demo-buyer";
    unsigned session;
    {
      std::lock_guard lock(s.mutex);
      session = ++s.sessions;
    }
    char token[32];
    std::snprintf(token, sizeof token, "%08x%08x", static_cast<unsigned>(std::hash<std::string>{}(loginId)), session);
    MarketResponse response = MarketResponse::gbkPage(s.catalog->page("signed-in", {{"loginId", loginId}}));
    // A session cookie, a session cookie that scripts may not read, and a lasting one.
    response.headers.emplace_back("Set-Cookie", "__cn_logon__=true; Path=/");
    response.headers.emplace_back("Set-Cookie", std::string("cookie2=") + token + "; Path=/; HttpOnly");
    response.headers.emplace_back("Set-Cookie", "_nk_=" + loginId + "; Path=/; Max-Age=2592000");
    return response;
  });

  addRoute("", "/echo/cookie", [](const MarketRequest& request) {
    std::string cookies;
    for (const auto& [name, value] : request.headers) {
      if (equalsIgnoringCase(name, "Cookie")) cookies += (cookies.empty() ? "" : "; ") + value;
    }
    return MarketResponse::bytes(cookies, "text/plain; charset=utf-8");
  });

  addRoute("GET", "/vendor/news.html", [&s](const MarketRequest&) {
    return MarketResponse::gbkPage(s.catalog->page("news", {{"http", s.hosts().http}}));
  });
  addRoute("GET", "/vendor/help.html", [&s](const MarketRequest&) {
    return MarketResponse::gbkPage(s.catalog->page("help", {{"http", s.hosts().http}}));
  });

  addRoute("GET", "/", [&s](const MarketRequest&) {
    MarketHosts hosts = s.hosts();
    std::string html = "<!DOCTYPE html><html><head><meta charset=\"gbk\"><title>演示市场</title></head><body>"
                       "<h2>演示市场（本机）</h2><h3>商品</h3><ul>";
    for (const auto& id : s.catalog->itemIds()) {
      std::string url = "https://" + hosts.https + "/offer/" + id + ".html";
      html += "<li><a href=\"" + url + "\">" + url + "</a></li>";
    }
    html += "</ul><h3>店铺与分类</h3><ul><li>店铺：http://" + hosts.http + "/</li>"
            "<li>分类：http://" + hosts.http + "/search.htm?search=y&amp;scid=plain-3&amp;viewType=grid</li>"
            "<li>分类：http://" + hosts.http + "/page/category-shopstreet-2.htm</li>"
            "<li>列表：http://" + hosts.http + "/page/offerlist_newtmall-2.htm</li></ul></body></html>";
    return MarketResponse::gbkPage(html);
  });
}

DemoMarket::~DemoMarket() { stop(); }

void DemoMarket::start(MarketPorts ports) {
  State& s = *state_;
  if (s.front) throw std::runtime_error("demo market: already started");
  if (!s.catalog) s.catalog = std::make_unique<Catalog>(s.fixtures);

  s.certificate = makeTestCertificate();
  std::random_device random;
  s.temporaryFolder = std::filesystem::temp_directory_path() /
                      ("kestrune-demo-market-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(s.temporaryFolder);
  std::ofstream(s.temporaryFolder / "ca.pem", std::ios::binary) << s.certificate.caCertificatePem;
  s.tls = makeTlsContext(s.certificate);

  s.server = std::make_unique<httplib::Server>();
  s.server->set_keep_alive_max_count(1);
  auto serve = [&s](const httplib::Request& in, httplib::Response& out) { s.serve(in, out); };
  s.server->Get(".*", serve);
  s.server->Post(".*", serve);
  s.server->Put(".*", serve);
  s.server->Delete(".*", serve);
  s.server->Options(".*", serve);
  s.server->Patch(".*", serve);
  int backendPort = s.server->bind_to_any_port("127.0.0.1");
  if (backendPort <= 0) {
    stop();
    throw std::runtime_error("demo market: cannot bind the internal server");
  }
  s.serverThread = std::thread([&s] { s.server->listen_after_bind(); });

  Front::Hooks hooks;
  hooks.record = [&s](RecordedRequest request) {
    std::lock_guard lock(s.mutex);
    s.recorded.push_back(std::move(request));
  };
  hooks.takeFault = [&s](const std::string& target) { return s.takeFault(target); };
  hooks.latency = [&s] {
    std::lock_guard lock(s.mutex);
    return s.latency;
  };
  s.front = std::make_unique<Front>(backendPort, std::move(hooks));
  try {
    s.httpPort = s.front->listen(ports.http, nullptr);
    s.httpsPort = s.front->listen(ports.https, s.tls);
    s.securityPort = s.front->listen(ports.security, nullptr);
  } catch (...) {
    stop();
    throw;
  }
  s.front->start();
}

void DemoMarket::stop() {
  State& s = *state_;
  if (s.front) {
    s.front->stop();
    s.front.reset();
  }
  if (s.server) {
    s.server->stop();
    if (s.serverThread.joinable()) s.serverThread.join();
    s.server.reset();
  }
  if (s.tls) {
    SSL_CTX_free(s.tls);
    s.tls = nullptr;
  }
  if (!s.temporaryFolder.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(s.temporaryFolder, ignored);
    s.temporaryFolder.clear();
  }
}

int DemoMarket::httpPort() const { return state_->httpPort; }
int DemoMarket::httpsPort() const { return state_->httpsPort; }
int DemoMarket::securityPort() const { return state_->securityPort; }
std::string DemoMarket::host() const { return "127.0.0.1:" + std::to_string(state_->httpPort); }
std::string DemoMarket::secureHost() const { return "127.0.0.1:" + std::to_string(state_->httpsPort); }
std::string DemoMarket::securityHost() const { return "127.0.0.1:" + std::to_string(state_->securityPort); }
std::string DemoMarket::baseUrl() const { return "http://" + host(); }
std::string DemoMarket::secureBaseUrl() const { return "https://" + secureHost(); }
std::filesystem::path DemoMarket::caFile() const { return state_->temporaryFolder / "ca.pem"; }
std::string DemoMarket::caPem() const { return state_->certificate.caCertificatePem; }

std::optional<std::string> DemoMarket::writeEndpoints(const std::filesystem::path& home) const {
  auto options = optionsFolder(home);
  std::error_code error;
  std::filesystem::create_directories(options, error);
  if (error) return "cannot create " + options.string() + ": " + error.message();
  auto caCopy = std::filesystem::absolute(options / "demo-market-ca.pem", error);
  {
    std::ofstream file(caCopy, std::ios::binary | std::ios::trunc);
    file << caPem();
    if (!file) return "cannot write " + caCopy.string();
  }
  // Keeps whatever else the file holds; only the market's own keys change.
  ProfileFile profile = ProfileFile::load(endpointsFile(home));
  const std::pair<const char*, std::string> values[] = {
      {"SourceDetailHost", secureHost()},
      {"MallDetailHost", secureHost()},
      {"SourceLoginUrl", baseUrl() + "/member/signin.htm"},
      {"SourceSecurityHost", securityHost()},
      {"OfferPostFormUrl", secureHost()},
      {"SpuLevelInfoUrl", secureHost()},
      {"TargetCategorySearchUrl", secureHost()},
      {"TargetPropsUrl", host()},
      {"VendorPropsArchiveUrl", host()},
      {"VendorCategoryUrl", host()},
      {"CategoryMirrorUrl", host()},
      {"VendorNewsUrl", baseUrl() + "/vendor/news.html"},
      {"VendorHelpUrl", baseUrl() + "/vendor/help.html"},
  };
  for (const auto& [key, value] : values) profile.setValue("endpoints", key, value);
  profile.setValue("tls", "ca", caCopy.string());
  return profile.save(endpointsFile(home));
}

std::vector<RecordedRequest> DemoMarket::requests() const {
  std::lock_guard lock(state_->mutex);
  return state_->recorded;
}

std::vector<RecordedRequest> DemoMarket::requestsTo(std::string_view targetPrefix) const {
  std::lock_guard lock(state_->mutex);
  std::vector<RecordedRequest> matching;
  for (const auto& request : state_->recorded) {
    if (request.target.compare(0, targetPrefix.size(), targetPrefix) == 0) matching.push_back(request);
  }
  return matching;
}

void DemoMarket::clearRequests() {
  std::lock_guard lock(state_->mutex);
  state_->recorded.clear();
}

void DemoMarket::setFault(std::string targetPrefix, Fault fault) {
  std::lock_guard lock(state_->mutex);
  state_->faults[std::move(targetPrefix)] = fault;
}

void DemoMarket::clearFaults() {
  std::lock_guard lock(state_->mutex);
  state_->faults.clear();
}

void DemoMarket::setLatency(std::chrono::milliseconds latency) {
  std::lock_guard lock(state_->mutex);
  state_->latency = latency;
}

void DemoMarket::setSecurityCheck(bool on) {
  std::lock_guard lock(state_->mutex);
  state_->securityCheck = on;
}

void DemoMarket::setListing(ListingSetup setup) {
  std::lock_guard lock(state_->mutex);
  state_->listing = setup;
}

void DemoMarket::addRoute(std::string method, std::string pathPattern, RouteHandler handler) {
  std::lock_guard lock(state_->mutex);
  state_->routes.push_back({std::move(method), std::move(pathPattern), std::move(handler)});
}

std::vector<std::string> DemoMarket::fixtureItemIds() const {
  if (!state_->catalog) state_->catalog = std::make_unique<Catalog>(state_->fixtures);
  return state_->catalog->itemIds();
}

std::string DemoMarket::itemUrl(std::string_view offerId) const {
  return secureBaseUrl() + "/offer/" + std::string(offerId) + ".html";
}

std::string DemoMarket::syntheticItemId(int n) { return Catalog::syntheticId(n); }

}  // namespace kestrune::demo
