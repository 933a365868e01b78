#include "web/fetch_transport.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

#include "web/shared_cookie_store.h"
#include "web/text.h"

namespace kestrune::transport {

namespace {

// A hostile or broken server cannot make the program hold more than this of one answer.
constexpr std::size_t kMaxBodyBytes = std::size_t{64} << 20;
constexpr std::size_t kMaxHeaderBytes = std::size_t{1} << 20;
constexpr int kMaxRedirects = 20;

std::once_flag globalInit;

std::mutex caMutex;
std::shared_ptr<const std::string> caBundle;  // system bundle + extra authorities, PEM

// TLS sessions and name lookups are shared by every request of the process: the next request to
// a host resumes the session of the last handshake with it instead of paying for a full one,
// which with five workers fetching from one host is most of a request's set-up time. libcurl
// only resumes a session for a request with the same certificate settings.
std::mutex shareLocks[CURL_LOCK_DATA_LAST];

void lockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { shareLocks[data].lock(); }
void unlockShare(CURL*, curl_lock_data data, void*) { shareLocks[data].unlock(); }

// Lives as long as the process; created after curl_global_init.
CURLSH* sharedSessions() {
  static CURLSH* share = [] {
    CURLSH* created = curl_share_init();
    if (created) {
      curl_share_setopt(created, CURLSHOPT_LOCKFUNC, lockShare);
      curl_share_setopt(created, CURLSHOPT_UNLOCKFUNC, unlockShare);
      curl_share_setopt(created, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
      curl_share_setopt(created, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    return created;
  }();
  return share;
}

struct Transfer {
  std::string body;
  std::string headers;
  bool tooLarge = false;
  // A HEAD that carries a body goes out as a custom method, for which libcurl would wait for an
  // answer body that never comes: the transfer ends when the final answer's headers are in.
  bool endAfterHeaders = false;
  bool headersDone = false;
  int lastStatus = 0;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  size_t bytes = size * count;
  if (transfer->body.size() + bytes > kMaxBodyBytes) {
    transfer->tooLarge = true;
    return 0;  // makes libcurl stop with a write error
  }
  transfer->body.append(data, bytes);
  return bytes;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  size_t bytes = size * count;
  std::string_view line(data, bytes);
  // Interim answers (100 Continue and the like) are forgotten when the next one begins.
  if (line.substr(0, 5) == "HTTP/") {
    transfer->headers.clear();
    std::size_t space = line.find(' ');
    transfer->lastStatus = space == std::string_view::npos ? 0 : std::atoi(line.data() + space + 1);
  }
  if (transfer->headers.size() + bytes > kMaxHeaderBytes) {
    transfer->tooLarge = true;
    return 0;
  }
  transfer->headers.append(line);
  if (transfer->endAfterHeaders && line == "\r\n" && transfer->lastStatus >= 200) {
    transfer->headersDone = true;
    return 0;
  }
  return bytes;
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// Host, port and scheme: a redirect that leaves them drops the caller's credentials.
std::string origin(std::string_view url) {
  return LowerAscii(url.substr(0, 5)) + "|" + UrlHost(url, true);
}

bool isCredentialLine(std::string_view line) {
  std::string name = LowerAscii(HeaderName(line));
  return name == "cookie" || name == "authorization";
}

struct Hop {
  std::string url;
  std::string method;
  bool sendBody = false;
  std::vector<std::string> lines;
};

struct HopResult {
  CURLcode code = CURLE_OK;
  bool cancelled = false;
  Transfer transfer;
  int status = 0;
  std::string redirect;
};

HopResult performHop(const Request& request, const Hop& hop, long totalTimeoutMs) {
  HopResult result;
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!easy || !multi) {
    result.code = CURLE_FAILED_INIT;
    return result;
  }
  CURL* e = easy.get();
  curl_easy_setopt(e, CURLOPT_URL, hop.url.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  if (CURLSH* share = sharedSessions()) curl_easy_setopt(e, CURLOPT_SHARE, share);
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                   request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &result.transfer);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &result.transfer);
  curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));

  // An empty proxy string also keeps libcurl from taking one from the environment.
  const std::string proxy = Trim(request.proxy).empty() ? std::string() : "http://" + Trim(request.proxy);
  curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());
  if (!proxy.empty() && !request.proxyUser.empty()) {
    curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, request.proxyUser.c_str());
    curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
  }
  if (!request.serverUser.empty()) {
    // Probe first and answer a challenge, as a browser does, instead of sending the password
    // to every server unasked.
    curl_easy_setopt(e, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    curl_easy_setopt(e, CURLOPT_USERNAME, request.serverUser.c_str());
    curl_easy_setopt(e, CURLOPT_PASSWORD, request.serverPassword.c_str());
  }

  std::shared_ptr<const std::string> bundle;
  if (request.verifyCertificates) {
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    {
      std::lock_guard lock(caMutex);
      bundle = caBundle;
    }
    if (bundle) {
      curl_blob blob{const_cast<char*>(bundle->data()), bundle->size(), CURL_BLOB_NOCOPY};
      curl_easy_setopt(e, CURLOPT_CAINFO_BLOB, &blob);
    }
  } else {
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
  }

  if (request.connectTimeoutMs > 0) curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
  if (request.stallTimeoutSeconds > 0) {
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, request.stallTimeoutSeconds);
  }
  if (totalTimeoutMs > 0) curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, totalTimeoutMs);

  if (hop.method == "HEAD" && (!hop.sendBody || request.body.empty())) {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else if (hop.method == "HEAD") {
    result.transfer.endAfterHeaders = true;
  }
  if (hop.sendBody && !(hop.method == "HEAD" && request.body.empty())) {
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, request.body.data());
  } else if (hop.method != "HEAD") {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  }
  if (hop.method != "GET" && hop.method != "POST") {
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, hop.method.c_str());
  }

  std::vector<std::string> lines = hop.lines;
  if (request.useCookieStore) {
    std::string cookies = sharedCookieStore()->cookieHeaderFor(hop.url);
    if (!cookies.empty()) lines.push_back("Cookie: " + cookies);
  }
  if (!request.agent.empty() && !hasHeader(lines, "User-Agent")) {
    curl_easy_setopt(e, CURLOPT_USERAGENT, request.agent.c_str());
  }
  std::vector<std::string> wire;
  for (const std::string& line : lines) {
    // libcurl reads "Name:" as "drop your own Name header"; an empty header line is sent by
    // writing it "Name;".
    wire.push_back(HeaderValue(line).empty() ? HeaderName(line) + ";" : line);
  }
  // libcurl adds these of its own unless told not to; the profile's lines are all that go.
  for (std::string_view own : {"Accept", "Expect", "Content-Type"}) {
    if (!hasHeader(lines, own)) wire.push_back(std::string(own) + ":");
  }
  std::unique_ptr<curl_slist, ListDeleter> list;
  for (const std::string& entry : wire) {
    curl_slist* grown = curl_slist_append(list.get(), entry.c_str());
    if (!grown) {
      result.code = CURLE_OUT_OF_MEMORY;
      return result;
    }
    (void)list.release();
    list.reset(grown);
  }
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, list.get());

  curl_multi_add_handle(multi.get(), e);
  {
    CURLM* m = multi.get();
    std::stop_callback wake(request.cancel, [m] { curl_multi_wakeup(m); });
    int running = 1;
    while (running) {
      if (request.cancel.stop_requested()) {
        result.cancelled = true;
        break;
      }
      if (curl_multi_perform(m, &running) != CURLM_OK) break;
      if (running) curl_multi_poll(m, nullptr, 0, 1000, nullptr);
    }
  }
  int left = 0;
  result.code = CURLE_RECV_ERROR;
  while (CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
    if (message->msg == CURLMSG_DONE) result.code = message->data.result;
  }
  if (result.code == CURLE_WRITE_ERROR && result.transfer.headersDone) result.code = CURLE_OK;
  curl_multi_remove_handle(multi.get(), e);

  long status = 0;
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
  result.status = static_cast<int>(status);
  char* location = nullptr;
  if (curl_easy_getinfo(e, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) {
    result.redirect = location;
  }
  return result;
}

void storeResponseCookies(const std::string& url, std::string_view rawHeaders) {
  auto store = sharedCookieStore();
  for (const std::string& line : SplitText(rawHeaders, "\r\n")) {
    if (LowerAscii(HeaderName(line)) == "set-cookie") store->setFromHeader(url, HeaderValue(line));
  }
}

}  // namespace

std::vector<std::string> headerTextLines(std::string_view headerText, bool normalise) {
  std::vector<std::string> lines;
  for (std::string line : SplitText(headerText, "\n")) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A bare CR inside a line would end the header on the wire: nothing may smuggle one in.
    if (line.find('\r') != std::string::npos || line.find('\0') != std::string::npos) continue;
    if (line.find(':') == std::string::npos || HeaderName(line).empty()) continue;
    lines.push_back(normalise ? HeaderName(line) + ": " + HeaderValue(line) : line);
  }
  return lines;
}

bool hasHeader(const std::vector<std::string>& lines, std::string_view name) {
  const std::string wanted = LowerAscii(name);
  for (const std::string& line : lines) {
    if (LowerAscii(HeaderName(line)) == wanted) return true;
  }
  return false;
}

void setExtraCaPem(std::string pem) {
  std::shared_ptr<const std::string> bundle;
  if (!pem.empty()) {
    // A blob replaces libcurl's default bundle file, so the system's authorities go in with it.
    std::string combined;
    std::unique_ptr<CURL, EasyDeleter> probe(curl_easy_init());
    char* systemBundle = nullptr;
    if (probe && curl_easy_getinfo(probe.get(), CURLINFO_CAINFO, &systemBundle) == CURLE_OK &&
        systemBundle) {
      std::ifstream in(systemBundle, std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      combined = text.str();
    }
    combined += "\n" + pem;
    bundle = std::make_shared<const std::string>(std::move(combined));
  }
  std::lock_guard lock(caMutex);
  caBundle = std::move(bundle);
}

Response perform(const Request& request) {
  std::call_once(globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  Response response;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(request.totalTimeoutMs);

  Hop hop{request.url, request.method.empty() ? "GET" : request.method,
          request.method == "POST" || request.method == "HEAD", request.lines};
  for (int redirects = 0;; ++redirects) {
    long remainingMs = 0;
    if (request.totalTimeoutMs > 0) {
      remainingMs = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          deadline - std::chrono::steady_clock::now())
                                          .count());
      if (remainingMs <= 0) return {};
    }
    HopResult result = performHop(request, hop, remainingMs);
    if (result.cancelled || result.code != CURLE_OK || result.transfer.tooLarge) return {};
    if (request.useCookieStore) storeResponseCookies(hop.url, result.transfer.headers);

    const int status = result.status;
    const bool redirect = status == 301 || status == 302 || status == 303 || status == 307 ||
                          status == 308;
    if (!request.followRedirects || !redirect || result.redirect.empty()) {
      response.ok = true;
      response.body = std::move(result.transfer.body);
      response.rawHeaders = std::move(result.transfer.headers);
      response.status = status;
      return response;
    }
    if (redirects == kMaxRedirects) return {};

    // Browsers turn a redirected POST into a GET (303 turns every method but HEAD into one).
    if ((status == 303 && hop.method != "HEAD") ||
        ((status == 301 || status == 302) && hop.method == "POST")) {
      hop.method = "GET";
      hop.sendBody = false;
    }
    if (origin(result.redirect) != origin(hop.url)) {
      std::erase_if(hop.lines, [](const std::string& line) { return isCredentialLine(line); });
    }
    hop.url = std::move(result.redirect);
  }
}

}  // namespace kestrune::transport
