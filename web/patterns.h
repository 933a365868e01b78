// The two families of regular expressions the program uses.
//  - Listing patterns (Perl syntax, Boost.Regex): letters match regardless of case, "." matches
//    every character including CR and LF, "^" and "$" also match at line breaks.
//  - Page patterns (PCRE2 in UTF mode, JIT): letters match regardless of case, "." matches every
//    character but LF (a CR is matched), "^" and "$" at line starts and ends, lazy quantifiers.
// Both give all non-overlapping matches left to right. A pattern that does not compile, or a
// search that runs into the engine's limits (a hostile page), gives no match and returns
// promptly; nothing here throws. Compiled patterns are cached, so callers may pass pattern
// texts freely from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

enum class PatternFamily { Listing, Page };

// All matches of one search. group(m, n) is sub-match n (0 = whole match) of match m; a match or
// sub-match that does not exist, or did not take part, reads as "".
class PatternMatches {
 public:
  std::size_t count() const { return matches_.size(); }
  bool empty() const { return matches_.empty(); }
  std::string group(std::size_t match, std::size_t group = 0) const;

  // Filled by the engines.
  std::vector<std::vector<std::string>> matches_;
};

// All non-overlapping matches of `pattern` in `text`.
PatternMatches FindAll(PatternFamily family, std::string_view pattern, std::string_view text);

// True when `pattern` matches somewhere in `text`.
bool Matches(PatternFamily family, std::string_view pattern, std::string_view text);

// Replaces every match by `replacement`, taken literally (no "$1" expansion). A pattern that does
// not compile leaves the text unchanged.
std::string ReplaceAllMatches(PatternFamily family, std::string_view pattern, std::string_view text,
                              std::string_view replacement);

}  // namespace kestrune
