#include "web/fetch.h"

#include <fstream>
#include <sstream>

#include "web/cookie_jar.h"
#include "web/encoding.h"
#include "web/endpoints.h"
#include "web/fetch_transport.h"
#include "web/program_home.h"
#include "web/shared_cookie_store.h"
#include "web/text.h"

namespace kestrune {

namespace {

constexpr const char* kAgentMsie9 = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr const char* kAgentMsie6 = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// The agent the request component sends of its own when nobody sets one.
constexpr const char* kAgentComponent = "Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)";
constexpr const char* kAcceptPictures =
    "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

// Phase limits where a profile leaves them to the HTTP stack: long enough for a slow marketplace,
// short enough that a dead server does not hold a worker for ever.
constexpr long kStackConnectMs = 60000;
constexpr long kStackStallSeconds = 60;
constexpr long kComponentConnectMs = 60000;
constexpr long kComponentStallSeconds = 30;

enum class Completion { Direct, Timed };

// Completes the caller's header text. Every test is a case-sensitive search anywhere in the text,
// so a caller's "content-type:" does not count and the text then carries both lines.
std::string completeHeaders(std::string headers, const std::string& url,
                            const std::optional<std::string>& cookies, Completion profile) {
  if (headers.empty()) {
    headers = "Accept: */*";
  } else if (headers.find("Accept:") == std::string::npos) {
    headers += "\r\nAccept: */*";
  }
  if (headers.find("Referer:") == std::string::npos) headers += "\r\nReferer: " + url;
  if (headers.find("Accept-Language:") == std::string::npos) headers += "\r\nAccept-Language: zh-cn";
  if (profile == Completion::Timed && headers.find("User-Agent:") == std::string::npos) {
    headers += std::string("\r\nUser-Agent: ") + kAgentMsie9;
  }
  if (headers.find("Content-Type:") == std::string::npos) {
    headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (profile == Completion::Direct && cookies && !cookies->empty()) {
    headers += "\r\nCookie: " + *cookies;
  }
  return headers;
}

// Writes the header name Set-Cookie, in whatever letter case it came, as "Set-Cookie".
std::string normaliseSetCookie(const std::string& rawHeaders, bool dropStatusLine) {
  std::string out;
  for (const std::string& line : SplitText(rawHeaders, "\r\n")) {
    if (dropStatusLine && line.rfind("HTTP/", 0) == 0) continue;
    std::size_t colon = line.find(':');
    if (colon != std::string::npos && LowerAscii(Trim(line.substr(0, colon))) == "set-cookie") {
      out += "Set-Cookie" + line.substr(colon);
    } else {
      out += line;
    }
    out += "\r\n";
  }
  return out;
}

std::string upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string methodOf(const FetchOptions& options) {
  return options.method.empty() ? "GET" : upper(options.method);
}

std::string requestBody(const FetchOptions& options, bool bytesAllowed) {
  if (bytesAllowed && !options.bodyBytes.empty()) return options.bodyBytes;
  return Utf8ToGbk(options.bodyText);
}

std::string readFile(const std::filesystem::path& file, bool& ok) {
  std::ifstream in(file, std::ios::binary);
  ok = static_cast<bool>(in);
  std::ostringstream text;
  if (ok) text << in.rdbuf();
  return text.str();
}

}  // namespace

FetchResult FetchDirect(FetchOptions& options) {
  options.headers = completeHeaders(options.headers, options.url, options.cookies, Completion::Direct);

  transport::Request request;
  request.url = options.url;
  request.method = methodOf(options);
  request.body = requestBody(options, true);
  request.lines = transport::headerTextLines(options.headers, false);
  // A User-Agent line of the caller (any letter case) is the agent; it goes as written.
  request.agent = kAgentMsie9;
  // With a cookie text of its own the request neither reads nor writes the shared store.
  request.useCookieStore = !options.cookies.has_value();
  request.followRedirects = !options.noRedirect;
  request.proxy = options.proxy;
  request.connectTimeoutMs = kStackConnectMs;
  request.stallTimeoutSeconds = kStackStallSeconds;
  request.cancel = options.cancel;

  transport::Response response = transport::perform(request);
  if (!response.ok) return {};
  FetchResult result;
  result.body = std::move(response.body);
  result.headers = normaliseSetCookie(response.rawHeaders, false);
  result.cookies = CollectSetCookies(result.headers, CookieForm::Lenient);
  if (options.cookies) {
    std::string newer = result.cookies;
    CookieMerge(*options.cookies, newer);
  }
  return result;
}

FetchResult FetchTimed(FetchOptions& options) {
  options.headers = completeHeaders(options.headers, options.url, options.cookies, Completion::Timed);

  transport::Request request;
  request.url = options.url;
  request.method = methodOf(options);
  request.body = requestBody(options, true);
  if (options.cookies && !options.cookies->empty()) request.lines.push_back("Cookie: " + *options.cookies);
  for (std::string& line : transport::headerTextLines(options.headers, true)) {
    request.lines.push_back(std::move(line));
  }
  request.verifyCertificates = false;  // certificate errors never stop this profile
  request.followRedirects = !options.noRedirect;
  request.proxy = options.proxy;
  request.proxyUser = options.proxyUser;
  request.proxyPassword = options.proxyPassword;
  if (options.timeoutSeconds == -1) {
    request.connectTimeoutMs = kComponentConnectMs;
    request.stallTimeoutSeconds = kComponentStallSeconds;
  } else {
    long seconds = options.timeoutSeconds >= 1 ? options.timeoutSeconds : 15;
    request.connectTimeoutMs = seconds * 1000;
    request.stallTimeoutSeconds = seconds;
  }
  request.cancel = options.cancel;

  transport::Response response = transport::perform(request);
  FetchResult result;
  if (response.ok) {
    result.body = std::move(response.body);
    result.headers = normaliseSetCookie(response.rawHeaders, true);
    result.status = response.status;
    result.cookies = CollectSetCookies(result.headers, CookieForm::Lenient);
  }
  std::string older = options.cookies.value_or(std::string());
  std::string newer = result.cookies;
  options.cookies = CookieMerge(older, newer);
  return result;
}

FetchResult FetchFallback(FetchOptions& options) {
  transport::Request request;
  request.url = options.url;
  request.method = methodOf(options);
  request.body = requestBody(options, false);
  // The header is spelled "Referrer" here, not "Referer".
  request.lines = {"Referrer: " + (options.referrer.empty() ? options.url : options.referrer),
                   std::string("Accept: ") + kAcceptPictures, "Accept-Language: zh-cn",
                   "Content-Type: application/x-www-form-urlencoded"};
  if (options.cookies && !options.cookies->empty()) request.lines.push_back("Cookie: " + *options.cookies);
  request.agent = kAgentComponent;
  request.proxy = options.proxy;
  request.proxyUser = options.proxyUser;
  request.proxyPassword = options.proxyPassword;
  if (options.timeoutSeconds < 0) {
    request.connectTimeoutMs = kComponentConnectMs;
    request.stallTimeoutSeconds = kComponentStallSeconds;
  } else {
    long seconds = options.timeoutSeconds != 0 ? options.timeoutSeconds : 15;
    request.connectTimeoutMs = seconds * 1000;
    request.stallTimeoutSeconds = seconds;
  }
  request.cancel = options.cancel;

  transport::Response response = transport::perform(request);
  if (!response.ok) return {};
  FetchResult result;
  result.body = std::move(response.body);
  if (options.wantCookies && response.rawHeaders.find("Set-Cookie") != std::string::npos) {
    result.cookies = CollectSetCookies(response.rawHeaders, CookieForm::Strict);
  }
  return result;
}

std::string FetchPlain(const std::string& url, std::stop_token cancel) {
  transport::Request request;
  request.url = url;
  request.lines = {"Accept: */*"};
  request.agent = kAgentMsie6;
  request.useCookieStore = true;
  request.http10 = true;
  request.connectTimeoutMs = kStackConnectMs;
  request.stallTimeoutSeconds = kStackStallSeconds;
  request.cancel = std::move(cancel);
  transport::Response response = transport::perform(request);
  return response.ok ? std::move(response.body) : std::string();
}

bool setTrustedCaFile(const std::filesystem::path& pemFile) {
  if (pemFile.empty()) {
    transport::setExtraCaPem({});
    return true;
  }
  bool ok = false;
  std::string pem = readFile(pemFile, ok);
  transport::setExtraCaPem(ok ? pem : std::string());
  return ok;
}

void configureWebAccess(const std::filesystem::path& home) {
  Endpoints endpoints = loadEndpoints(home);
  setTrustedCaFile(endpoints.tlsCaFile);
  setSharedCookieStore(std::make_shared<SharedCookieStore>(cookieStoreFile(optionsFolder(home))));
}

}  // namespace kestrune
