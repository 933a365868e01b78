#include "web/shared_cookie_store.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "web/platform.h"
#include "web/text.h"

namespace kestrune {

namespace {

// Bounds that keep a hostile site from filling memory or the file (browsers use the same order).
constexpr std::size_t kMaxCookieBytes = 4096;
constexpr std::size_t kMaxCookiesPerDomain = 180;
constexpr std::size_t kMaxCookies = 3000;

std::int64_t now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool isLive(const StoredCookie& cookie, std::int64_t at) {
  return cookie.expires == 0 || cookie.expires > at;
}

// Tabs, line breaks and other control bytes would break a header or a line of the file.
bool cleanText(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

std::string trimBlanks(std::string_view text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(begin, end - begin + 1));
}

bool isIpAddress(std::string_view host) {
  return !host.empty() && (host.find_first_not_of("0123456789.") == std::string_view::npos ||
                           host.front() == '[');
}

bool domainMatches(std::string_view host, const StoredCookie& cookie) {
  if (host == cookie.domain) return true;
  if (cookie.hostOnly || isIpAddress(host)) return false;
  return host.size() > cookie.domain.size() &&
         host.substr(host.size() - cookie.domain.size()) == cookie.domain &&
         host[host.size() - cookie.domain.size() - 1] == '.';
}

bool pathMatches(std::string_view requestPath, std::string_view cookiePath) {
  if (requestPath == cookiePath) return true;
  if (requestPath.substr(0, cookiePath.size()) != cookiePath) return false;
  return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

// The path of an address without its query or fragment; "/" when it has none.
std::string requestPath(std::string_view url) {
  std::string path = UrlPath(url);
  std::size_t cut = path.find_first_of("?#");
  if (cut != std::string::npos) path.resize(cut);
  if (path.empty() || path.front() != '/') path = "/";
  return path;
}

// The path a cookie without a Path attribute gets: the directory of the request path.
std::string defaultPath(std::string_view url) {
  std::string path = requestPath(url);
  std::size_t lastSlash = path.rfind('/');
  if (lastSlash == 0 || lastSlash == std::string::npos) return "/";
  return path.substr(0, lastSlash);
}

bool isSecureUrl(std::string_view url) { return LowerAscii(url.substr(0, 8)) == "https://"; }

}  // namespace

namespace {

std::mutex processStoreMutex;
std::shared_ptr<SharedCookieStore> processStore;

}  // namespace

std::shared_ptr<SharedCookieStore> sharedCookieStore() {
  std::lock_guard lock(processStoreMutex);
  if (!processStore) processStore = std::make_shared<SharedCookieStore>();
  return processStore;
}

void setSharedCookieStore(std::shared_ptr<SharedCookieStore> store) {
  std::lock_guard lock(processStoreMutex);
  processStore = std::move(store);
}

std::filesystem::path cookieStoreFile(const std::filesystem::path& optionsFolder) {
  return optionsFolder / "cookies.txt";
}

SharedCookieStore::SharedCookieStore(std::filesystem::path file) : file_(std::move(file)) { load(); }

bool SharedCookieStore::setFromHeader(std::string_view url, std::string_view setCookieValue,
                                      int quietListener) {
  const std::string host = UrlHost(url);
  if (host.empty()) return false;

  std::vector<std::string> parts = SplitText(setCookieValue, ";");
  if (parts.empty()) return false;
  std::size_t equals = parts[0].find('=');
  if (equals == std::string::npos) return false;
  StoredCookie cookie;
  cookie.name = trimBlanks(std::string_view(parts[0]).substr(0, equals));
  cookie.value = trimBlanks(std::string_view(parts[0]).substr(equals + 1));
  if (cookie.name.empty() || cookie.name.size() + cookie.value.size() > kMaxCookieBytes ||
      !cleanText(cookie.name) || !cleanText(cookie.value)) {
    return false;
  }
  cookie.domain = host;
  cookie.path = defaultPath(url);

  bool haveMaxAge = false;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::string_view part = parts[i];
    std::size_t eq = part.find('=');
    std::string key = LowerAscii(trimBlanks(part.substr(0, eq)));
    std::string value = eq == std::string_view::npos ? std::string() : trimBlanks(part.substr(eq + 1));
    if (key == "max-age") {
      char* end = nullptr;
      long long seconds = std::strtoll(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0') continue;
      haveMaxAge = true;
      cookie.expires = seconds <= 0 ? 1 : now() + std::min<long long>(seconds, 400LL * 86400);
    } else if (key == "expires" && !haveMaxAge) {
      time_t when = curl_getdate(value.c_str(), nullptr);
      if (when == -1) continue;
      cookie.expires = when <= 0 ? 1 : static_cast<std::int64_t>(when);
    } else if (key == "domain") {
      std::string domain = LowerAscii(value);
      while (!domain.empty() && domain.front() == '.') domain.erase(0, 1);
      if (domain.empty()) continue;
      StoredCookie probe;
      probe.domain = domain;
      probe.hostOnly = false;
      // A site may set cookies for itself and its parents, never for a sibling or a bare
      // top-level name.
      if (!domainMatches(host, probe)) return false;
      if (domain != host && domain.find('.') == std::string::npos) return false;
      cookie.domain = domain;
      cookie.hostOnly = isIpAddress(host);
    } else if (key == "path") {
      if (!value.empty() && value.front() == '/' && cleanText(value)) cookie.path = value;
    } else if (key == "secure") {
      cookie.secure = true;
    } else if (key == "httponly") {
      cookie.httpOnly = true;
    }
  }
  set(cookie, quietListener);
  return true;
}

void SharedCookieStore::set(const StoredCookie& given, int quietListener) {
  StoredCookie cookie = given;
  cookie.domain = LowerAscii(cookie.domain);
  while (!cookie.domain.empty() && cookie.domain.front() == '.') cookie.domain.erase(0, 1);
  if (cookie.path.empty() || cookie.path.front() != '/') cookie.path = "/";
  std::vector<CookieChange> changes;
  bool persistentTouched = false;
  {
    std::lock_guard lock(mutex_);
    storeLocked(cookie, changes, persistentTouched);
  }
  finish(changes, persistentTouched, quietListener);
}

void SharedCookieStore::remove(const StoredCookie& cookie, int quietListener) {
  StoredCookie gone = cookie;
  gone.expires = 1;
  set(gone, quietListener);
}

void SharedCookieStore::clear() {
  std::vector<CookieChange> changes;
  bool persistentTouched = false;
  {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
      changes.push_back({entry.cookie, true});
      persistentTouched = persistentTouched || entry.cookie.expires != 0;
    }
    entries_.clear();
  }
  finish(changes, persistentTouched, 0);
}

void SharedCookieStore::storeLocked(StoredCookie cookie, std::vector<CookieChange>& changes,
                                    bool& persistentTouched) {
  auto existing = std::find_if(entries_.begin(), entries_.end(),
                               [&](const Entry& entry) { return entry.cookie.sameKey(cookie); });
  if (!isLive(cookie, now())) {
    if (existing == entries_.end()) return;
    persistentTouched = persistentTouched || existing->cookie.expires != 0;
    changes.push_back({existing->cookie, true});
    entries_.erase(existing);
    return;
  }
  if (existing != entries_.end()) {
    if (existing->cookie == cookie) return;
    persistentTouched = persistentTouched || existing->cookie.expires != 0 || cookie.expires != 0;
    existing->cookie = cookie;  // a replaced cookie keeps its place in the order
  } else {
    persistentTouched = persistentTouched || cookie.expires != 0;
    entries_.push_back({cookie, nextCreated_++});
  }
  changes.push_back({std::move(cookie), false});
  enforceLimitsLocked(changes.back().cookie.domain, changes, persistentTouched);
}

void SharedCookieStore::enforceLimitsLocked(const std::string& domain,
                                            std::vector<CookieChange>& changes,
                                            bool& persistentTouched) {
  const std::int64_t at = now();
  auto evict = [&](auto predicate, std::size_t limit) {
    std::size_t count = std::count_if(entries_.begin(), entries_.end(), predicate);
    // Expired cookies go first, then the oldest (entries_ is in creation order).
    for (auto it = entries_.begin(); count > limit && it != entries_.end();) {
      if (predicate(*it) && !isLive(it->cookie, at)) {
        persistentTouched = true;
        changes.push_back({it->cookie, true});
        it = entries_.erase(it);
        --count;
      } else {
        ++it;
      }
    }
    for (auto it = entries_.begin(); count > limit && it != entries_.end();) {
      if (predicate(*it)) {
        persistentTouched = persistentTouched || it->cookie.expires != 0;
        changes.push_back({it->cookie, true});
        it = entries_.erase(it);
        --count;
      } else {
        ++it;
      }
    }
  };
  evict([&](const Entry& entry) { return entry.cookie.domain == domain; }, kMaxCookiesPerDomain);
  evict([](const Entry&) { return true; }, kMaxCookies);
}

void SharedCookieStore::finish(const std::vector<CookieChange>& changes, bool persistentTouched,
                               int quietListener) {
  if (changes.empty()) return;
  if (persistentTouched) save();
  std::lock_guard lock(listenerMutex_);
  for (const auto& [id, listener] : listeners_) {
    if (id == quietListener) continue;
    for (const CookieChange& change : changes) listener(change);
  }
}

std::vector<StoredCookie> SharedCookieStore::cookiesFor(std::string_view url,
                                                        bool includeHttpOnly) const {
  const std::string host = UrlHost(url);
  const std::string path = requestPath(url);
  const bool secure = isSecureUrl(url);
  const std::int64_t at = now();
  std::vector<const Entry*> matching;
  {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
      const StoredCookie& cookie = entry.cookie;
      if (!isLive(cookie, at) || (cookie.secure && !secure) || (cookie.httpOnly && !includeHttpOnly))
        continue;
      if (!domainMatches(host, cookie) || !pathMatches(path, cookie.path)) continue;
      matching.push_back(&entry);
    }
    std::stable_sort(matching.begin(), matching.end(), [](const Entry* a, const Entry* b) {
      if (a->cookie.path.size() != b->cookie.path.size())
        return a->cookie.path.size() > b->cookie.path.size();
      return a->created < b->created;
    });
    std::vector<StoredCookie> result;
    result.reserve(matching.size());
    for (const Entry* entry : matching) result.push_back(entry->cookie);
    return result;
  }
}

std::string SharedCookieStore::cookieHeaderFor(std::string_view url, bool includeHttpOnly) const {
  std::string header;
  for (const StoredCookie& cookie : cookiesFor(url, includeHttpOnly)) {
    if (!header.empty()) header += "; ";
    header += cookie.name + "=" + cookie.value;
  }
  return header;
}

std::vector<StoredCookie> SharedCookieStore::all() const {
  const std::int64_t at = now();
  std::lock_guard lock(mutex_);
  std::vector<StoredCookie> result;
  for (const Entry& entry : entries_) {
    if (isLive(entry.cookie, at)) result.push_back(entry.cookie);
  }
  return result;
}

int SharedCookieStore::addListener(std::function<void(const CookieChange&)> listener) {
  std::lock_guard lock(listenerMutex_);
  int id = nextListener_++;
  listeners_.emplace(id, std::move(listener));
  return id;
}

void SharedCookieStore::removeListener(int id) {
  std::lock_guard lock(listenerMutex_);
  listeners_.erase(id);
}

// The file is in the Netscape cookie format that curl and browsers' export tools also use:
// domain, subdomains flag, path, secure flag, expiry, name, value; "#HttpOnly_" marks HttpOnly.
void SharedCookieStore::save() const {
  if (file_.empty()) return;
  std::lock_guard fileLock(fileMutex_);
  std::ostringstream text;
  text << "# Netscape HTTP Cookie File\n# Written by KestruneTrellisor; holds sign-ins, keep it private.\n";
  for (const StoredCookie& cookie : all()) {
    if (cookie.expires == 0) continue;
    text << (cookie.httpOnly ? "#HttpOnly_" : "") << (cookie.hostOnly ? "" : ".") << cookie.domain
         << '\t' << (cookie.hostOnly ? "FALSE" : "TRUE") << '\t' << cookie.path << '\t'
         << (cookie.secure ? "TRUE" : "FALSE") << '\t' << cookie.expires << '\t' << cookie.name
         << '\t' << cookie.value << '\n';
  }
  std::error_code error;
  std::filesystem::create_directories(file_.parent_path(), error);
  std::filesystem::path temporary = file_;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return;
    // Narrow the rights before the sign-ins are written into the file.
    restrictToOwner(temporary);
    out << text.str();
    if (!out.flush()) return;
  }
  std::filesystem::rename(temporary, file_, error);
  if (error) std::filesystem::remove(temporary, error);
}

void SharedCookieStore::load() {
  std::ifstream in(file_, std::ios::binary);
  if (!in) return;
  const std::int64_t at = now();
  std::string line;
  std::lock_guard lock(mutex_);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    StoredCookie cookie;
    constexpr std::string_view httpOnlyMark = "#HttpOnly_";
    if (line.rfind(httpOnlyMark, 0) == 0) {
      cookie.httpOnly = true;
      line.erase(0, httpOnlyMark.size());
    } else if (line.empty() || line.front() == '#') {
      continue;
    }
    std::vector<std::string> fields = SplitText(line, "\t");
    if (fields.size() == 6) fields.emplace_back();  // an empty value leaves no last field
    if (fields.size() != 7) continue;
    cookie.domain = LowerAscii(fields[0]);
    cookie.hostOnly = fields[1] != "TRUE";
    while (!cookie.domain.empty() && cookie.domain.front() == '.') cookie.domain.erase(0, 1);
    cookie.path = fields[2];
    cookie.secure = fields[3] == "TRUE";
    cookie.expires = std::strtoll(fields[4].c_str(), nullptr, 10);
    cookie.name = fields[5];
    cookie.value = fields[6];
    if (cookie.domain.empty() || cookie.name.empty() || cookie.path.empty() ||
        cookie.path.front() != '/' ||
        !isLive(cookie, at) || cookie.expires == 0) {
      continue;
    }
    auto existing = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& entry) { return entry.cookie.sameKey(cookie); });
    if (existing != entries_.end()) {
      existing->cookie = cookie;
    } else if (entries_.size() < kMaxCookies) {
      entries_.push_back({cookie, nextCreated_++});
    }
  }
}

}  // namespace kestrune
