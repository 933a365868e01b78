#include "web/patterns.h"

// A search may walk at most this many matcher states before it is given up as hostile: enough
// for lazy patterns over the largest pages, small enough that nested repeats on a 1 MB page stop
// in a fraction of a second. Must be set before the regex headers are read.
#define BOOST_REGEX_MAX_STATE_COUNT 20000000

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <boost/regex/icu.hpp>
#include <exception>
#include <memory>
#include <unordered_map>
#include <utility>

#include "web/encoding.h"

namespace kestrune {
namespace {

// Backtracking bounds of the page family (PCRE2 counts differently from Boost, so its own
// figures): nested repeats on a 1 MB page hit these well within a second.
constexpr uint32_t kPageMatchLimit = 5'000'000;
constexpr uint32_t kPageDepthLimit = 250'000;
constexpr PCRE2_SIZE kJitStackStart = 64 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 4 * 1024 * 1024;

// Compiled patterns kept per thread; a worker that sees more distinct patterns than this starts
// over, which bounds the memory a long run can pin.
constexpr std::size_t kCacheLimit = 256;

// One search's results: the span of every match and, when wanted, its sub-matches.
struct SearchResult {
  bool ok = false;
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  std::vector<std::vector<std::string>> groups;
};

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF), which both engines need to step through the text character by character.
bool wellFormedUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (std::size_t i = 2; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
    }
    p += length;
  }
  return true;
}

std::size_t utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// ---- Listing family: Boost.Regex over the text's code points (through ICU) ----

struct ListingCache {
  std::unordered_map<std::string, std::shared_ptr<const boost::u32regex>> patterns;

  // The compiled pattern, or null when it does not compile (remembered, so a broken pattern is
  // not compiled again on every call).
  std::shared_ptr<const boost::u32regex> get(std::string_view pattern) {
    auto found = patterns.find(std::string(pattern));
    if (found != patterns.end()) return found->second;
    if (patterns.size() >= kCacheLimit) patterns.clear();
    std::shared_ptr<const boost::u32regex> compiled;
    if (wellFormedUtf8(pattern)) {
      try {
        // Perl syntax as is: "." takes line breaks too, "^" and "$" match at every line.
        compiled = std::make_shared<const boost::u32regex>(boost::make_u32regex(
            std::string(pattern), boost::regex_constants::perl | boost::regex_constants::icase));
      } catch (const std::exception&) {
        compiled.reset();
      }
    }
    patterns.emplace(std::string(pattern), compiled);
    return compiled;
  }
};

SearchResult searchListing(std::string_view pattern, std::string_view text, std::size_t maxMatches,
                           bool wantGroups) {
  thread_local ListingCache cache;
  SearchResult result;
  auto compiled = cache.get(pattern);
  if (!compiled) return result;
  const char* base = text.data();
  try {
    boost::u32regex_iterator<const char*> it(base, base + text.size(), *compiled);
    boost::u32regex_iterator<const char*> end;
    for (; it != end && result.spans.size() < maxMatches; ++it) {
      const auto& match = *it;
      result.spans.emplace_back(match[0].first - base, match[0].second - base);
      if (wantGroups) {
        std::vector<std::string> groups;
        groups.reserve(match.size());
        for (std::size_t n = 0; n < match.size(); ++n) {
          groups.push_back(match[n].matched ? std::string(match[n].first, match[n].second) : std::string());
        }
        result.groups.push_back(std::move(groups));
      }
    }
  } catch (const std::exception&) {
    // Complexity or memory bound reached: the page is treated as holding no match.
    return SearchResult{};
  }
  result.ok = true;
  return result;
}

// ---- Page family: PCRE2 in UTF mode, JIT-compiled where the platform allows ----

struct CodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using PageCode = std::unique_ptr<pcre2_code, CodeFree>;

struct PageCache {
  std::unordered_map<std::string, std::shared_ptr<PageCode>> patterns;
  pcre2_compile_context* compileContext = nullptr;
  pcre2_match_context* matchContext = nullptr;
  pcre2_jit_stack* jitStack = nullptr;

  PageCache() {
    compileContext = pcre2_compile_context_create(nullptr);
    if (compileContext) pcre2_set_newline(compileContext, PCRE2_NEWLINE_LF);
    matchContext = pcre2_match_context_create(nullptr);
    if (matchContext) {
      pcre2_set_match_limit(matchContext, kPageMatchLimit);
      pcre2_set_depth_limit(matchContext, kPageDepthLimit);
      jitStack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
      if (jitStack) pcre2_jit_stack_assign(matchContext, nullptr, jitStack);
    }
  }
  ~PageCache() {
    patterns.clear();
    pcre2_jit_stack_free(jitStack);
    pcre2_match_context_free(matchContext);
    pcre2_compile_context_free(compileContext);
  }
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;

  std::shared_ptr<PageCode> get(std::string_view pattern) {
    auto found = patterns.find(std::string(pattern));
    if (found != patterns.end()) return found->second;
    if (patterns.size() >= kCacheLimit) patterns.clear();
    std::shared_ptr<PageCode> compiled;
    if (compileContext) {
      int error = 0;
      PCRE2_SIZE errorOffset = 0;
      // \uHHHH is read as a character, as script patterns write it.
      pcre2_code* code = pcre2_compile(
          reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
          PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE | PCRE2_ALT_BSUX, &error, &errorOffset,
          compileContext);
      if (code) {
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);  // without JIT the interpreter runs it
        compiled = std::make_shared<PageCode>(code);
      }
    }
    patterns.emplace(std::string(pattern), compiled);
    return compiled;
  }
};

SearchResult searchPage(std::string_view pattern, std::string_view text, std::size_t maxMatches,
                        bool wantGroups) {
  thread_local PageCache cache;
  SearchResult result;
  auto compiled = cache.get(pattern);
  if (!compiled || !cache.matchContext) return result;
  pcre2_code* code = compiled->get();
  std::unique_ptr<pcre2_match_data, void (*)(pcre2_match_data*)> data(
      pcre2_match_data_create_from_pattern(code, nullptr), pcre2_match_data_free);
  if (!data) return result;
  uint32_t captureCount = 0;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captureCount);

  const auto* subject = reinterpret_cast<PCRE2_SPTR>(text.data());
  std::size_t offset = 0;
  while (offset <= text.size() && result.spans.size() < maxMatches) {
    // The text was checked once by the caller; checking it again on every step would make a
    // search over many matches quadratic.
    int rc = pcre2_match(code, subject, text.size(), offset, PCRE2_NO_UTF_CHECK, data.get(),
                         cache.matchContext);
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) return SearchResult{};  // a limit was reached or the engine failed
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    const std::size_t begin = ovector[0];
    const std::size_t end = ovector[1];
    if (end < begin) return SearchResult{};  // \K in a lookahead can do this; not a usable match
    result.spans.emplace_back(begin, end);
    if (wantGroups) {
      std::vector<std::string> groups;
      groups.reserve(captureCount + 1);
      for (uint32_t n = 0; n <= captureCount; ++n) {
        if (static_cast<int>(n) < rc && ovector[2 * n] != PCRE2_UNSET) {
          groups.emplace_back(text.substr(ovector[2 * n], ovector[2 * n + 1] - ovector[2 * n]));
        } else {
          groups.emplace_back();
        }
      }
      result.groups.push_back(std::move(groups));
    }
    if (end > begin) {
      offset = end;
    } else {
      // An empty match: go on one whole character further.
      if (end >= text.size()) break;
      offset = end + utf8Length(static_cast<unsigned char>(text[end]));
    }
  }
  result.ok = true;
  return result;
}

SearchResult search(PatternFamily family, std::string_view pattern, std::string_view text,
                    std::size_t maxMatches, bool wantGroups, std::string& cleanedText) {
  // Text that is not well-formed UTF-8 (never the case for decoded pages, but possible for raw
  // bytes) is searched in its repaired form rather than handed to the engines as is.
  std::string_view subject = text.data() ? text : std::string_view("", 0);
  if (!wellFormedUtf8(subject)) {
    cleanedText = ValidUtf8(subject);
    subject = cleanedText;
    if (!wellFormedUtf8(subject)) return SearchResult{};
  }
  if (family == PatternFamily::Listing) return searchListing(pattern, subject, maxMatches, wantGroups);
  return searchPage(pattern, subject, maxMatches, wantGroups);
}

}  // namespace

std::string PatternMatches::group(std::size_t match, std::size_t group) const {
  if (match >= matches_.size()) return {};
  const auto& groups = matches_[match];
  if (group >= groups.size()) return {};
  return groups[group];
}

PatternMatches FindAll(PatternFamily family, std::string_view pattern, std::string_view text) {
  std::string cleaned;
  SearchResult result = search(family, pattern, text, static_cast<std::size_t>(-1), true, cleaned);
  PatternMatches matches;
  if (result.ok) matches.matches_ = std::move(result.groups);
  return matches;
}

bool Matches(PatternFamily family, std::string_view pattern, std::string_view text) {
  std::string cleaned;
  SearchResult result = search(family, pattern, text, 1, false, cleaned);
  return result.ok && !result.spans.empty();
}

std::string ReplaceAllMatches(PatternFamily family, std::string_view pattern, std::string_view text,
                              std::string_view replacement) {
  std::string cleaned;
  SearchResult result = search(family, pattern, text, static_cast<std::size_t>(-1), false, cleaned);
  if (!result.ok || result.spans.empty()) return std::string(text);
  std::string_view subject = cleaned.empty() ? text : std::string_view(cleaned);
  std::string out;
  out.reserve(subject.size());
  std::size_t copied = 0;
  for (const auto& [begin, end] : result.spans) {
    if (begin < copied) continue;
    out.append(subject.substr(copied, begin - copied));
    out.append(replacement);
    copied = end;
  }
  out.append(subject.substr(copied));
  return out;
}

}  // namespace kestrune
