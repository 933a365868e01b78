#include "web/guarded_fetch.h"

#include "web/cookie_jar.h"
#include "web/encoding.h"
#include "web/fetch_transport.h"
#include "web/text.h"

namespace kestrune {

namespace {

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr int kDefaultTimeoutSeconds = 90;

bool contains(const std::string& text, std::string_view needle) {
  return FindText(text, needle, 0, true) != std::string::npos;
}

}  // namespace

FetchResult FetchGuarded(FetchOptions& options) {
  std::string method = LowerAscii(options.method);
  if (method.empty() || method == "get") {
    method = "GET";
  } else if (method == "post") {
    method = "POST";
  } else {
    return {};
  }

  // Every line ends CR LF; a caller's last line without one would swallow the next.
  std::string headers = options.headers;
  if (!headers.empty() && headers.substr(headers.size() > 1 ? headers.size() - 2 : 0) != "\r\n") {
    headers += "\r\n";
  }
  // The searched texts end with a space and ignore letter case.
  if (!contains(headers, "Accept: ")) {
    headers +=
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
        "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
        "application/msword, */*\r\n";
  }
  if (!contains(headers, "Referer: ")) headers += "Referer: " + options.url + "\r\n";
  if (!contains(headers, "Accept-Language: ")) headers += "Accept-Language: zh-cn\r\n";

  transport::Request request;
  request.url = options.url;
  request.method = method;
  if (method == "POST") {
    request.body = Utf8ToGbk(options.bodyText);
    if (!request.body.empty()) {
      if (!contains(headers, "Content-Type: ")) {
        headers += "Content-Type: application/x-www-form-urlencoded\r\n";
      }
      headers += "Content-Length: " + std::to_string(request.body.size()) + "\r\n";
    }
  }
  options.headers = headers;

  const std::string cookies = Trim(options.cookies.value_or(std::string()));
  if (!cookies.empty()) request.lines.push_back("Cookie: " + cookies);
  for (std::string& line : transport::headerTextLines(headers, false)) {
    request.lines.push_back(std::move(line));
  }
  request.agent = kAgent;
  request.useCookieStore = cookies.empty() || options.storeCookies;
  request.proxy = options.proxy;
  if (!Trim(options.proxyUser).empty() || !Trim(options.proxyPassword).empty()) {
    request.serverUser = options.proxyUser;
    request.serverPassword = options.proxyPassword;
  }
  request.totalTimeoutMs =
      1000L * (options.timeoutSeconds > 0 ? options.timeoutSeconds : kDefaultTimeoutSeconds);
  request.cancel = options.cancel;

  transport::Response response = transport::perform(request);
  if (!response.ok) return {};

  FetchResult result;
  result.body = std::move(response.body);
  const bool setsCookies = response.rawHeaders.find("Set-Cookie:") != std::string::npos;
  if (options.wantCookies && setsCookies) {
    result.cookies = CollectSetCookies(response.rawHeaders, CookieForm::Strict);
  }
  if (options.storeCookies && setsCookies) StoreSetCookies(response.rawHeaders, UrlHost(options.url));
  if (options.wantHeaders) result.headers = std::move(response.rawHeaders);
  return result;
}

}  // namespace kestrune
