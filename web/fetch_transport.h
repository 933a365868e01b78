// The one libcurl exchange under every request profile: exactly the header lines it is given
// (libcurl's own Accept, Expect and Content-Type are held back), cookies of the shared store on
// request, redirects followed hop by hop so that each hop reads and feeds the store, limits that
// keep a hostile server from exhausting memory, and cancellation at once through a stop token.
// The profiles decide everything a server can observe; this file only carries it out.
#pragma once

#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::transport {

struct Request {
  std::string url;
  // "GET", "POST", "HEAD"; a body is sent for POST and HEAD.
  std::string method = "GET";
  std::string body;
  // Header lines in the order they go on the wire, "Name: value" each.
  std::vector<std::string> lines;
  // Sent as the User-Agent line after Host unless `lines` carry one; empty sends none.
  std::string agent;
  // Read the shared store's cookies for every hop and store what every response sets.
  bool useCookieStore = false;
  bool http10 = false;
  bool verifyCertificates = true;
  bool followRedirects = true;
  // "host:port" of an HTTP proxy; empty for a direct connection.
  std::string proxy;
  std::string proxyUser, proxyPassword;
  // Handed to the server when it asks for authentication.
  std::string serverUser, serverPassword;
  // 0 means no limit of that kind. The stall limit gives up when no byte moved for that long.
  long connectTimeoutMs = 0;
  long stallTimeoutSeconds = 0;
  long totalTimeoutMs = 0;
  std::stop_token cancel;
};

struct Response {
  // False for every failure: nothing sent, no answer, cut off, too large, timed out, cancelled.
  bool ok = false;
  std::string body;
  // Status line and header lines of the final response, each ending CR LF, as received.
  std::string rawHeaders;
  int status = 0;
};

Response perform(const Request& request);

// Splits a header text at line breaks into wire lines: blank lines go, each line keeps its text
// (with `normalise`, "Name: value" from the trimmed name and value). Lines without a colon go.
std::vector<std::string> headerTextLines(std::string_view headerText, bool normalise);

// Whether any of the lines is the header `name` (letter case ignored).
bool hasHeader(const std::vector<std::string>& lines, std::string_view name);

// The extra certificate authorities, as PEM text (empty: none).
void setExtraCaPem(std::string pem);

}  // namespace kestrune::transport
