#include "web/text.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "web/encoding.h"

namespace kestrune {
namespace {

// The full-width blank U+3000 in UTF-8.
constexpr std::string_view kWideBlank = "\xE3\x80\x80";

char lowerByte(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string replaceQuoteMarker(std::string_view marker) {
  if (marker.find(QuoteMarker) == std::string_view::npos) return std::string(marker);
  return ReplaceAll(marker, QuoteMarker, "\"");
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Reads a port number; anything but one to five digits naming a real port counts as none.
int parsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return -1;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    port = port * 10 + (c - '0');
  }
  return (port >= 1 && port <= 65535) ? port : -1;
}

// Number of UTF-8 characters in the text (continuation bytes not counted).
std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

// Cuts the text after `limit` UTF-8 characters.
std::string firstCharacters(std::string text, std::size_t limit) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == limit) {
        text.resize(i);
        break;
      }
      ++count;
    }
  }
  return text;
}

struct CalendarTime {
  int year, month, day, weekday;  // weekday 0 = Sunday
  int hour, minute, second;
};

// Calendar date of a day count relative to 1970-01-01 (proleptic Gregorian calendar).
void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// Splits a date-time value the way the shop tools store them: whole days since 1899-12-30, and
// the fraction's magnitude as the time of day (so -1.25 is 1899-12-29 06:00). The range is the
// one those values can hold, years 100 to 9999.
bool toCalendar(double value, CalendarTime& out) {
  if (!std::isfinite(value) || value < -657435.0 || value >= 2958466.0) return false;
  double wholeDays = std::trunc(value);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(value - wholeDays) * 86400.0));
  auto days = static_cast<std::int64_t>(wholeDays);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += 1;
  }
  const std::int64_t unixDays = days - 25569;  // 1899-12-30 to 1970-01-01
  civilFromDays(unixDays, out.year, out.month, out.day);
  if (out.year < 100 || out.year > 9999) return false;
  out.weekday = static_cast<int>(((unixDays % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
  out.hour = static_cast<int>(seconds / 3600);
  out.minute = static_cast<int>(seconds / 60 % 60);
  out.second = static_cast<int>(seconds % 60);
  return true;
}

constexpr std::array<std::string_view, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};
constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

std::string twoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

// Applies one picture: each run of a picture letter is a field, every other character is copied.
template <typename Field>
std::string formatPicture(std::string_view picture, std::string_view letters, Field field) {
  std::string out;
  for (std::size_t i = 0; i < picture.size();) {
    char letter = picture[i];
    if (letters.find(letter) == std::string_view::npos) {
      out += letter;
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == letter) ++run;
    out += field(letter, run);
    i += run;
  }
  return out;
}

std::string formatDate(std::string_view picture, const CalendarTime& t) {
  return formatPicture(picture, "dMyg", [&](char letter, std::size_t run) -> std::string {
    switch (letter) {
      case 'd':
        if (run == 1) return std::to_string(t.day);
        if (run == 2) return twoDigits(t.day);
        if (run == 3) return std::string(kDayNames[t.weekday].substr(0, 3));
        return std::string(kDayNames[t.weekday]);
      case 'M':
        if (run == 1) return std::to_string(t.month);
        if (run == 2) return twoDigits(t.month);
        if (run == 3) return std::string(kMonthNames[t.month - 1].substr(0, 3));
        return std::string(kMonthNames[t.month - 1]);
      case 'y':
        if (run == 1) return std::to_string(t.year % 10);
        if (run == 2) return twoDigits(t.year % 100);
        return std::to_string(t.year);
      default:  // 'g': the era
        return "AD";
    }
  });
}

std::string formatTime(std::string_view picture, const CalendarTime& t) {
  return formatPicture(picture, "hHmst", [&](char letter, std::size_t run) -> std::string {
    switch (letter) {
      case 'h': {
        int hour = t.hour % 12 == 0 ? 12 : t.hour % 12;
        return run == 1 ? std::to_string(hour) : twoDigits(hour);
      }
      case 'H':
        return run == 1 ? std::to_string(t.hour) : twoDigits(t.hour);
      case 'm':
        return run == 1 ? std::to_string(t.minute) : twoDigits(t.minute);
      case 's':
        return run == 1 ? std::to_string(t.second) : twoDigits(t.second);
      default: {  // 't': the AM/PM mark
        std::string mark = t.hour < 12 ? "AM" : "PM";
        return run == 1 ? mark.substr(0, 1) : mark;
      }
    }
  });
}

// The longest date or time text one picture may produce.
constexpr std::size_t kPictureTextLimit = 50;

std::string escapePatternText(std::string_view text, std::string_view slash) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '/':
        out += slash;
        break;
      case '(': case ')': case '+': case '*': case '.': case '[': case ']': case '|':
        out += '\\';
        out += c;
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool isBlankAt(std::string_view text, std::size_t pos, std::size_t& length) {
  if (text[pos] == ' ') {
    length = 1;
    return true;
  }
  if (text.substr(pos, kWideBlank.size()) == kWideBlank) {
    length = kWideBlank.size();
    return true;
  }
  return false;
}

}  // namespace

std::size_t FindText(std::string_view text, std::string_view needle, std::size_t start,
                     bool caseInsensitive) {
  if (start >= text.size()) return std::string_view::npos;
  if (needle.empty()) return start;
  if (!caseInsensitive) return text.find(needle, start);
  if (needle.size() > text.size()) return std::string_view::npos;
  const char first = lowerByte(needle[0]);
  for (std::size_t i = start; i + needle.size() <= text.size(); ++i) {
    if (lowerByte(text[i]) != first) continue;
    std::size_t k = 1;
    while (k < needle.size() && lowerByte(text[i + k]) == lowerByte(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        std::size_t start, bool caseInsensitive) {
  const std::string leftMarker = replaceQuoteMarker(left);
  const std::string rightMarker = replaceQuoteMarker(right);
  std::size_t leftAt = FindText(text, leftMarker, start, caseInsensitive);
  if (leftAt == std::string_view::npos) return {};
  std::size_t contentAt = leftAt + leftMarker.size();
  std::size_t rightAt = FindText(text, rightMarker, contentAt, caseInsensitive);
  if (rightAt == std::string_view::npos) return {};
  return std::string(text.substr(contentAt, rightAt - contentAt));
}

std::string TextSpan(std::string_view text, std::string_view left, std::string_view right) {
  if (left.empty()) {
    std::size_t rightAt = FindText(text, right);
    if (rightAt == std::string_view::npos) return {};
    return std::string(text.substr(0, rightAt));
  }
  std::size_t leftAt = text.find(left);
  if (leftAt == std::string_view::npos) return {};
  std::string_view rest = text.substr(leftAt + left.size());
  if (right.empty()) return std::string(rest);
  std::size_t rightAt = rest.find(right);
  if (rightAt == std::string_view::npos) return {};
  return std::string(rest.substr(0, rightAt));
}

std::string HeaderName(std::string_view line) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  return Trim(line.substr(0, colon));
}

std::string HeaderValue(std::string_view line) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  return Trim(line.substr(colon + 1));
}

std::string UrlHost(std::string_view url, bool keepPort, bool plainHttp) {
  std::string host;
  if (plainHttp) {
    constexpr std::string_view scheme = "http://";
    std::size_t schemeAt = url.find(scheme);
    std::size_t begin = schemeAt == std::string_view::npos ? 0 : schemeAt + scheme.size();
    std::size_t end = url.find('/', begin);
    host = std::string(url.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
    host = LowerAscii(host);
  } else {
    std::string lowered = LowerAscii(url);
    if (lowered.empty() || lowered.back() != '/') lowered += '/';
    std::string_view scheme = "http://";
    if (startsWith(lowered, "https://")) {
      scheme = "https://";
    } else if (lowered.find(scheme) == std::string::npos) {
      lowered.insert(0, scheme);
    }
    host = TextBetween(lowered, scheme, "/");
  }
  if (!keepPort) {
    std::size_t colon = host.find(':');
    if (colon != std::string::npos) host.resize(colon);
  }
  return host;
}

int UrlPort(std::string_view url, bool plainHttp) {
  const std::string host = UrlHost(url, true, plainHttp);
  std::size_t colon = plainHttp ? host.find(':') : host.rfind(':');
  if (colon != std::string::npos) {
    // A colon followed by no usable number (as in the plain form of an https address) falls
    // back to the default port instead of giving port 0.
    int port = parsePort(std::string_view(host).substr(colon + 1));
    if (port > 0) return port;
  }
  if (plainHttp) return 80;
  return startsWith(LowerAscii(url.substr(0, 5)), "https") ? 443 : 80;
}

std::string UrlPath(std::string_view url, bool plainHttp) {
  const std::string host = UrlHost(url, false, plainHttp);
  std::size_t hostAt = FindText(url, host, 0, true);
  if (hostAt == std::string_view::npos) return "/";
  std::size_t slash = url.find('/', hostAt);
  if (slash == std::string_view::npos) return "/";
  return std::string(url.substr(slash));
}

std::string RegexEscape(std::string_view text) { return escapePatternText(text, "\\/"); }

std::string RegexEscapeJson(std::string_view text) { return escapePatternText(text, "\\\\\\/"); }

std::string PercentEncode(std::string_view text, bool keepSafe, bool utf8) {
  if (text.empty()) return {};
  const std::string bytes = utf8 ? std::string(text) : Utf8ToGbk(text);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const bool safe = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                      (byte >= 'a' && byte <= 'z') || byte == '-' || byte == '.';
    if (keepSafe && safe) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::string DateTimeText(double value, std::string_view datePicture, std::string_view timePicture) {
  CalendarTime time{};
  if (!toCalendar(value, time)) return {};
  std::string out;
  if (characterCount(datePicture) >= 3) {
    out += firstCharacters(formatDate(datePicture, time), kPictureTextLimit);
  }
  if (characterCount(timePicture) >= 3) {
    out += firstCharacters(formatTime(timePicture, time), kPictureTextLimit);
  }
  return out;
}

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t length = 0;
  while (begin < text.size() && isBlankAt(text, begin, length)) begin += length;
  std::size_t end = text.size();
  while (end > begin) {
    if (text[end - 1] == ' ') {
      --end;
    } else if (end - begin >= kWideBlank.size() &&
               text.substr(end - kWideBlank.size(), kWideBlank.size()) == kWideBlank) {
      end -= kWideBlank.size();
    } else {
      break;
    }
  }
  return std::string(text.substr(begin, end - begin));
}

std::string RemoveSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (isBlankAt(text, i, length)) {
      i += length;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t at = text.find(separator, begin);
    if (at == std::string_view::npos) {
      pieces.emplace_back(text.substr(begin));
      break;
    }
    pieces.emplace_back(text.substr(begin, at - begin));
    begin = at + separator.size();
  }
  return pieces;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t begin = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, begin)) {
    out.append(text.substr(begin, at - begin));
    out.append(to);
    begin = at + from.size();
  }
  out.append(text.substr(begin));
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lowerByte(c);
  return out;
}

}  // namespace kestrune
