// The one cookie store that the program's requests and its embedded browsers share, so that a
// sign-in made in the login window travels with later downloads. It keeps cookies per domain and
// path like a browser does (persistent ones and session ones, HttpOnly marked), answers "which
// cookies go to this address", and keeps the persistent ones in a file in the options folder.
// It knows nothing of HTTP clients or windows: the request code and the browser bridge call it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct StoredCookie {
  std::string name;
  std::string value;
  // Lower-case host name without a leading dot. A host-only cookie goes to this host alone; a
  // domain cookie (set with a Domain attribute) also to its subdomains.
  std::string domain;
  bool hostOnly = true;
  std::string path = "/";
  // Seconds since 1970; 0 for a session cookie, which lives as long as the process.
  std::int64_t expires = 0;
  bool secure = false;
  bool httpOnly = false;

  bool sameKey(const StoredCookie& other) const {
    return name == other.name && domain == other.domain && path == other.path;
  }
  bool operator==(const StoredCookie&) const = default;
};

// What a listener hears: a cookie was stored (or replaced) or removed.
struct CookieChange {
  StoredCookie cookie;
  bool removed = false;
};

class SharedCookieStore {
 public:
  // A store kept in memory only.
  SharedCookieStore() = default;
  // A store whose persistent cookies are read from `file` now and written back to it, with
  // owner-only permissions, whenever one of them changes. A missing or unreadable file starts
  // an empty store.
  explicit SharedCookieStore(std::filesystem::path file);

  SharedCookieStore(const SharedCookieStore&) = delete;
  SharedCookieStore& operator=(const SharedCookieStore&) = delete;

  // Stores the cookie of one Set-Cookie header value ("name=value; Path=/; HttpOnly") received
  // from `url`, by the rules browsers follow: a Domain attribute must cover the url's host, a
  // missing Path defaults to the url's directory, Max-Age wins over Expires, and an expiry in the
  // past deletes the cookie. Returns false when the header was refused.
  bool setFromHeader(std::string_view url, std::string_view setCookieValue, int quietListener = 0);

  // Stores a cookie as it is (from the embedded browser); an expired one deletes its namesake.
  void set(const StoredCookie& cookie, int quietListener = 0);
  // Removes the cookie with the same name, domain and path, if there is one.
  void remove(const StoredCookie& cookie, int quietListener = 0);
  void clear();

  // The cookies that a request to `url` carries, longest path first, then oldest first. Secure
  // cookies go only to https addresses; HttpOnly ones only when asked for.
  std::vector<StoredCookie> cookiesFor(std::string_view url, bool includeHttpOnly = true) const;
  // The same as the value of a Cookie header: "a=1; b=2"; empty when none apply.
  std::string cookieHeaderFor(std::string_view url, bool includeHttpOnly = true) const;
  // Every live cookie, oldest first.
  std::vector<StoredCookie> all() const;

  // Listeners hear every change, on the thread that made it. The number returned identifies the
  // listener; a change made with that number as `quietListener` is not told to it (so a bridge
  // does not hear its own echoes). Removing a listener waits for a call under way to return.
  int addListener(std::function<void(const CookieChange&)> listener);
  void removeListener(int id);

  const std::filesystem::path& file() const { return file_; }

 private:
  struct Entry {
    StoredCookie cookie;
    std::uint64_t created = 0;
  };

  // Applies one cookie to the entries; expects mutex_ held. Fills the changes to announce once
  // it is released, and says whether the file needs writing.
  void storeLocked(StoredCookie cookie, std::vector<CookieChange>& changes, bool& persistentTouched);
  void enforceLimitsLocked(const std::string& domain, std::vector<CookieChange>& changes,
                           bool& persistentTouched);
  void finish(const std::vector<CookieChange>& changes, bool persistentTouched, int quietListener);
  void save() const;
  void load();

  std::filesystem::path file_;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  std::uint64_t nextCreated_ = 1;

  // Recursive, so that a listener may change the store itself.
  std::recursive_mutex listenerMutex_;
  std::map<int, std::function<void(const CookieChange&)>> listeners_;
  int nextListener_ = 1;

  mutable std::mutex fileMutex_;
};

// The store that the whole process shares. Each front end sets it once at start-up (a store on
// the options folder's file); until then, and after setting null, it is a store in memory.
std::shared_ptr<SharedCookieStore> sharedCookieStore();
void setSharedCookieStore(std::shared_ptr<SharedCookieStore> store);

// The file of the persistent cookies inside an options folder.
std::filesystem::path cookieStoreFile(const std::filesystem::path& optionsFolder);

}  // namespace kestrune
