// The request profiles through which every download of the program goes. A profile is one fixed
// way of making a single HTTP or HTTPS request: which header lines it completes and how, which
// user agent it sends, how cookies travel, which time-outs apply. A profile keeps no state: each
// call makes one request (following redirects unless told not to) and returns; callers choose
// retries and fallbacks. An empty body is the only failure signal callers look at.
//
// Bodies come back as the bytes received: no charset conversion, no decompression. Header and
// cookie texts travel as the bytes they are; only bodyText is text of the program and leaves as
// its GBK bytes.
#pragma once

#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>

namespace kestrune {

struct FetchOptions {
  // Full address, beginning "http://" or "https://".
  std::string url;
  // GET, POST or HEAD; empty means GET. HEAD sends the body as POST does.
  std::string method = "GET";
  // Request body as text; its GBK bytes are sent.
  std::string bodyText;
  // Request body as bytes; when not empty it is sent instead of bodyText (FetchDirect, FetchTimed).
  std::string bodyBytes;
  // Extra request header lines separated by CR LF; the profile completes them and writes the
  // completed text back here.
  std::string headers;
  // Cookie text ("a=1; b=2") to send. Whether it is given at all matters to FetchDirect: without
  // one the request carries and keeps the cookies of the shared cookie store. FetchDirect (when
  // given) and FetchTimed (always) merge the response's cookies back into it.
  std::optional<std::string> cookies;
  // The referrer of FetchFallback; empty means the url.
  std::string referrer;
  // Do not follow redirects (FetchDirect, FetchTimed).
  bool noRedirect = false;
  // Proxy as "host:port"; empty means a direct connection. Credentials go to the proxy
  // (FetchTimed, FetchFallback) or to the server when it asks for them (FetchGuarded).
  std::string proxy;
  std::string proxyUser;
  std::string proxyPassword;
  // The time-out rule of the profile: FetchTimed and FetchFallback give up when a phase (connect,
  // send, wait for data) takes this long (0: 15 s; FetchTimed -1: 60 s to connect, 30 s for the
  // rest); FetchGuarded gives up when the whole request takes this long (0: 90 s).
  int timeoutSeconds = 0;
  // Return the raw response headers / the cookies the response sets. FetchDirect and FetchTimed
  // always return both; FetchFallback returns cookies only.
  bool wantHeaders = false;
  bool wantCookies = false;
  // FetchGuarded: also write the cookies the response sets into the shared store, even when a
  // cookie text is sent.
  bool storeCookies = false;
  // A stop request abandons the request at once; the result is then empty.
  std::stop_token cancel;
};

struct FetchResult {
  // The response body as received; empty when the request failed or nothing came back.
  std::string body;
  // Raw response headers of the final response, lines separated by CR LF. FetchDirect and
  // FetchTimed write the header name Set-Cookie in any letter case as exactly "Set-Cookie".
  std::string headers;
  // The cookies the response sets, as a cookie text.
  std::string cookies;
  // Numeric HTTP status; FetchTimed only, 0 when the request failed.
  int status = 0;
};

// The system's plain HTTP request: agent from a User-Agent line of the headers (any letter case)
// or "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"; completes Accept, Referer,
// Accept-Language and Content-Type and adds the given cookie text as a Cookie line. Verifies
// certificates.
FetchResult FetchDirect(FetchOptions& options);

// The time-limited request: completes the headers like FetchDirect plus a User-Agent line, sends
// only the given cookie text (never the shared store's), and ignores certificate errors.
FetchResult FetchTimed(FetchOptions& options);

// The picture-download request: fixed Referrer, Accept, Accept-Language and Content-Type lines,
// the given cookie text only, the client's own agent; returns the body and, when asked, the
// cookies (strict form). Verifies certificates.
FetchResult FetchFallback(FetchOptions& options);

// A plain HTTP/1.0 GET with the single extra line "Accept: */*", the agent
// "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)" and the shared store's cookies. Returns
// the body; any failure gives "".
std::string FetchPlain(const std::string& url, std::stop_token cancel = {});

// Certificate authorities that certificate-checking requests trust besides the system's: a PEM
// file (the `[tls] ca` of endpoints.ini), read now. An empty path trusts the system's alone.
// Returns false when the file cannot be read (the system's are trusted alone then).
bool setTrustedCaFile(const std::filesystem::path& pemFile);

// Sets up the request layer of a program home, once at start-up: the extra certificate authority
// from its endpoints file and the shared cookie store on its options folder.
void configureWebAccess(const std::filesystem::path& home);

}  // namespace kestrune
