// The demo market: a local stand-in for the marketplaces and the vendor's services, serving
// item detail pages, descriptions, pictures, shop listings, a sign-in page and a security-check
// page from readable fixtures, over HTTP and HTTPS on 127.0.0.1. Tests start it in-process on
// ephemeral ports; the demo-market program runs it for a person trying the tool.
// It records every request exactly as sent and can inject faults; it never reaches any other host.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrune::demo {

// One request as the market received it, before any parsing changed it.
struct RecordedRequest {
  std::string method;
  std::string target;   // path and query as sent
  std::string version;  // "HTTP/1.1" or "HTTP/1.0"
  std::vector<std::string> headerLines;  // "Name: value", in the order and spelling sent
  std::string body;     // after removing chunked framing, if any
  bool secure = false;  // arrived over HTTPS
  int port = 0;         // the market port it arrived on

  // Value of the first header line with this name (letter case ignored); empty when absent.
  std::string header(std::string_view name) const;
};

// What goes wrong with the requests whose target (path and query) begins with a prefix.
// Several effects may combine: latency comes first, then the failure.
struct Fault {
  std::chrono::milliseconds latency{0};  // wait before answering
  bool hang = false;          // never answer; the connection is held until the client leaves or the market stops
  bool reset = false;         // close the connection with a TCP reset instead of answering
  bool serverError = false;   // answer "500 Internal Server Error"
  bool truncateBody = false;  // send the headers, then only half of the body, then close
  std::chrono::milliseconds slowBodyStep{0};  // send the body in pieces of slowBodyBytes with this pause between
  std::size_t slowBodyBytes = 1024;
  int times = 0;              // applies to this many requests, then disappears; 0 for every request

  static Fault delay(std::chrono::milliseconds latency) { Fault f; f.latency = latency; return f; }
  static Fault hanging() { Fault f; f.hang = true; return f; }
  static Fault resetting() { Fault f; f.reset = true; return f; }
  static Fault failing() { Fault f; f.serverError = true; return f; }
  static Fault truncated() { Fault f; f.truncateBody = true; return f; }
  static Fault slowBody(std::chrono::milliseconds step, std::size_t bytes = 1024) {
    Fault f; f.slowBodyStep = step; f.slowBodyBytes = bytes; return f;
  }
  Fault once() const { Fault f = *this; f.times = 1; return f; }
};

// A request as a route handler sees it.
struct MarketRequest {
  std::string method;
  std::string path;    // without the query, percent-encoding kept
  std::string target;  // path and query as sent
  std::vector<std::pair<std::string, std::string>> params;   // query and form fields, percent-decoded bytes
  std::vector<std::pair<std::string, std::string>> headers;  // names as sent
  std::string body;
  bool secure = false;

  // First value of a query or form field (decoded bytes, GBK where the client sent GBK); empty when absent.
  std::string param(std::string_view name) const;
  bool hasParam(std::string_view name) const;
  // First header with this name, letter case ignored; empty when absent.
  std::string header(std::string_view name) const;
};

struct MarketResponse {
  int status = 200;
  std::string contentType = "text/html; charset=GBK";
  std::string body;  // bytes as sent
  std::vector<std::pair<std::string, std::string>> headers;  // extra lines, e.g. Set-Cookie, Location

  // A page whose UTF-8 text is sent as GBK bytes, as the marketplace sends its pages.
  static MarketResponse gbkPage(std::string_view utf8Text, int status = 200);
  static MarketResponse bytes(std::string body, std::string contentType);
  static MarketResponse notFound();
};

using RouteHandler = std::function<MarketResponse(const MarketRequest&)>;

// How a listing page is laid out: the four page families that the harvest recognises.
enum class ListingLayout { Plain, Wangpu, ShopStreet, NewTmall };

// The listing served at a shop's "/page/offerlist.htm" and at list addresses whose key does not
// name a layout itself (see fixtures/README.md for the addresses that do).
struct ListingSetup {
  ListingLayout layout = ListingLayout::NewTmall;
  int pages = 2;          // 0 gives an empty listing with the count 0
  int itemsPerPage = 20;  // page 1 starts with the fixture shop's items, synthetic items follow
};

struct MarketPorts {
  int http = 0;      // 0: any free port
  int https = 0;
  int security = 0;  // plain HTTP, the host of the security-check page
};

class DemoMarket {
 public:
  // fixtures: the folder of fixture files; defaults to the source tree's fixtures folder.
  explicit DemoMarket(std::filesystem::path fixtures = {});
  ~DemoMarket();
  DemoMarket(const DemoMarket&) = delete;
  DemoMarket& operator=(const DemoMarket&) = delete;

  // Binds the listeners on 127.0.0.1 and starts serving. Throws std::runtime_error when a port
  // cannot be bound or the fixtures cannot be read.
  void start(MarketPorts ports = {});
  // Stops serving: held (hanging) requests are released, every connection is closed, and all
  // threads are joined. Safe to call twice; the destructor calls it.
  void stop();

  int httpPort() const;
  int httpsPort() const;
  int securityPort() const;
  std::string host() const;          // "127.0.0.1:<httpPort>"
  std::string secureHost() const;    // "127.0.0.1:<httpsPort>"
  std::string securityHost() const;  // "127.0.0.1:<securityPort>"
  std::string baseUrl() const;       // "http://127.0.0.1:<httpPort>"
  std::string secureBaseUrl() const; // "https://127.0.0.1:<httpsPort>"
  // PEM file of the test certificate authority that signed the HTTPS certificate; it lives in a
  // temporary folder that stop() removes.
  std::filesystem::path caFile() const;
  std::string caPem() const;

  // Writes home/options/endpoints.ini pointing every endpoint at this market and copies the CA
  // next to it. Returns an error message when the file cannot be written.
  std::optional<std::string> writeEndpoints(const std::filesystem::path& home) const;

  // Every request received since start or the last clearRequests(), in arrival order.
  std::vector<RecordedRequest> requests() const;
  // The recorded requests whose target begins with a prefix.
  std::vector<RecordedRequest> requestsTo(std::string_view targetPrefix) const;
  void clearRequests();

  // Faults by target prefix; a later fault for the same prefix replaces the earlier one, and
  // the longest matching prefix wins.
  void setFault(std::string targetPrefix, Fault fault);
  void clearFaults();
  // Added to every answer (benchmarks of a slow network).
  void setLatency(std::chrono::milliseconds latency);
  // When on, listing pages redirect to the security-check page on the security host.
  void setSecurityCheck(bool on);
  void setListing(ListingSetup setup);

  // Adds a route; routes added later take precedence, so a test may override a built-in one.
  // A pattern ending in "*" matches every path with that prefix; otherwise the path must be equal.
  // method "" matches every method.
  void addRoute(std::string method, std::string pathPattern, RouteHandler handler);

  // Addresses of the fixture data, for tests and the start-up message.
  std::vector<std::string> fixtureItemIds() const;
  std::string itemUrl(std::string_view offerId) const;  // https detail page address
  // Id of synthetic item n (n from 1): generated on the fly, about 300 KB of page each.
  static std::string syntheticItemId(int n);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kestrune::demo
