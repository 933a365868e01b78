// Cookie texts: the "name=value; name=value" form in which callers carry a sign-in from request
// to request, built from the Set-Cookie lines of responses and merged with what a caller holds;
// and the two explicit doors into the shared cookie store (reading the cookies of an address,
// writing the cookies a response set). Attributes (path, domain, expiry) never enter a text.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

enum class CookieForm {
  // Every Set-Cookie line gives its name=value, lines without attributes included
  // (FetchDirect, FetchTimed; the header name was already written "Set-Cookie").
  Lenient,
  // Only lines spelled "Set-Cookie" whose value stands between "=" and a ";" behind it: a cookie
  // set to an empty value and a line without attributes are left out (FetchGuarded,
  // FetchFallback).
  Strict,
};

// The cookies that raw response headers (CR LF separated) set, as a cookie text in header order.
std::string CollectSetCookies(std::string_view headers, CookieForm form);

// Merges `newer` into `older`: both lose every blank, the newer entries come first and win for
// their names, older entries with other names follow (the first of two namesakes wins), entries
// ending "=deleted" and exact duplicates go. The result is written into `older` and returned.
std::string CookieMerge(std::string& older, std::string& newer);

// The cookies the shared store holds for "http://" + hostAndPath, HttpOnly ones included (a
// script in the browser could not read those); or, when `name` is given, only the entry of that
// name (compared without regard to letter case) as name + "=" + value, "" when it is missing.
std::string BrowserCookies(std::string_view hostAndPath, std::string_view name = {});

// Writes every cookie that the Set-Cookie lines of `headers` set into the shared store, for the
// address "http://" + host, attributes included.
void StoreSetCookies(std::string_view headers, std::string_view host);

}  // namespace kestrune
