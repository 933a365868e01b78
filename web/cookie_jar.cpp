#include "web/cookie_jar.h"

#include <algorithm>
#include <vector>

#include "web/shared_cookie_store.h"
#include "web/text.h"

namespace kestrune {

namespace {

constexpr std::string_view kSetCookie = "Set-Cookie";

std::vector<std::string> headerLines(std::string_view headers) {
  std::vector<std::string> lines = SplitText(headers, "\r\n");
  // A server that ends its lines with a bare LF still sends one header per line.
  std::vector<std::string> split;
  for (const std::string& line : lines) {
    for (std::string& piece : SplitText(line, "\n")) split.push_back(std::move(piece));
  }
  return split;
}

// The name of a cookie-text entry: its text before the first "=", trimmed (the whole entry,
// trimmed, when there is no "=").
std::string entryName(std::string_view entry) {
  return Trim(entry.substr(0, entry.find('=')));
}

std::string joinEntries(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) {
    if (!text.empty()) text += "; ";
    text += entry;
  }
  return text;
}

}  // namespace

std::string CollectSetCookies(std::string_view headers, CookieForm form) {
  if (form == CookieForm::Strict && headers.find(kSetCookie) == std::string_view::npos) return {};
  std::vector<std::string> entries;
  for (const std::string& line : headerLines(headers)) {
    // Only Set-Cookie lines themselves: a header that merely mentions the name gives nothing.
    if (HeaderName(line) != kSetCookie) continue;
    std::string entry;
    if (form == CookieForm::Lenient) {
      entry = line.find(';') == std::string::npos ? Trim(ReplaceAll(line, "Set-Cookie:", ""))
                                                  : Trim(TextBetween(line, "Set-Cookie:", ";"));
    } else {
      if (TextSpan(line, "=", ";").empty()) continue;
      entry = Trim(TextSpan(line, "Set-Cookie:", ";"));
    }
    if (!entry.empty()) entries.push_back(std::move(entry));
  }
  return joinEntries(entries);
}

std::string CookieMerge(std::string& older, std::string& newer) {
  older = RemoveSpaces(older);
  newer = RemoveSpaces(newer);
  std::vector<std::string> merged;
  for (std::string& entry : SplitText(newer, ";")) {
    if (!entry.empty()) merged.push_back(std::move(entry));
  }
  for (std::string& entry : SplitText(older, ";")) {
    if (entry.empty()) continue;
    const std::string name = entryName(entry);
    bool known = std::any_of(merged.begin(), merged.end(),
                             [&](const std::string& kept) { return entryName(kept) == name; });
    if (!known) merged.push_back(std::move(entry));
  }
  constexpr std::string_view kDeleted = "=deleted";
  std::vector<std::string> result;
  for (std::string& entry : merged) {
    bool deleted = entry.size() >= kDeleted.size() &&
                   std::string_view(entry).substr(entry.size() - kDeleted.size()) == kDeleted;
    if (deleted || std::find(result.begin(), result.end(), entry) != result.end()) continue;
    result.push_back(std::move(entry));
  }
  older = joinEntries(result);
  return older;
}

std::string BrowserCookies(std::string_view hostAndPath, std::string_view name) {
  const std::string address = "http://" + std::string(hostAndPath);
  const auto store = sharedCookieStore();
  std::string scriptVisible = store->cookieHeaderFor(address, false);
  std::string everything = store->cookieHeaderFor(address, true);
  std::string merged = CookieMerge(scriptVisible, everything);
  if (name.empty()) return merged;

  const std::string wanted = LowerAscii(name);
  for (const std::string& piece : SplitText(Trim(merged) + ";", ";")) {
    const std::string entry = Trim(piece);
    std::size_t equals = entry.find('=');
    if (equals == std::string::npos || LowerAscii(entry.substr(0, equals)) != wanted) continue;
    // The value runs from the first "=" (values such as base64 "abc==" keep their own "=") to
    // the first colon, when there is one.
    std::size_t colon = entry.find(':');
    std::string value = colon == std::string::npos || colon < equals
                            ? entry.substr(equals + 1)
                            : entry.substr(equals + 1, colon - equals - 1);
    if (value.empty()) return {};
    return std::string(name) + "=" + value;
  }
  return {};
}

void StoreSetCookies(std::string_view headers, std::string_view host) {
  if (headers.find("Set-Cookie:") == std::string_view::npos) return;
  const std::string address = "http://" + std::string(host);
  const auto store = sharedCookieStore();
  for (const std::string& line : headerLines(headers)) {
    if (line.find(kSetCookie) == std::string::npos) continue;
    if (LowerAscii(HeaderName(line)) != "set-cookie") continue;
    store->setFromHeader(address, HeaderValue(line));
  }
}

}  // namespace kestrune
