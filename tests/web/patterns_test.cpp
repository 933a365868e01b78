#include "web/patterns.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "web/text.h"

namespace kestrune {
namespace {

constexpr PatternFamily kListing = PatternFamily::Listing;
constexpr PatternFamily kPage = PatternFamily::Page;

std::vector<std::string> firstGroups(const PatternMatches& matches, std::size_t group) {
  std::vector<std::string> out;
  for (std::size_t m = 0; m < matches.count(); ++m) out.push_back(matches.group(m, group));
  return out;
}

using Texts = std::vector<std::string>;

class BothFamilies : public ::testing::TestWithParam<PatternFamily> {};

INSTANTIATE_TEST_SUITE_P(Patterns, BothFamilies, ::testing::Values(kListing, kPage),
                         [](const auto& info) { return info.param == kListing ? "Listing" : "Page"; });

TEST_P(BothFamilies, SharedSemantics) {
  const PatternFamily family = GetParam();
  // Lazy quantifiers, all non-overlapping matches left to right.
  EXPECT_EQ(firstGroups(FindAll(family, "<b>(.*?)</b>", "<b>1</b> <b>22</b><b></b>"), 1),
            (Texts{"1", "22", ""}));
  // Case-insensitive for ASCII and beyond.
  EXPECT_TRUE(Matches(family, "price", "PRICE"));
  EXPECT_TRUE(Matches(family, "été", "ÉTÉ"));
  EXPECT_FALSE(Matches(family, "price", "prize"));
  // "^" and "$" at line breaks.
  EXPECT_EQ(firstGroups(FindAll(family, "^x(\\d)$", "x1\nx2\ny3\nx4"), 1), (Texts{"1", "2", "4"}));
  // A Chinese character is one character.
  EXPECT_EQ(FindAll(family, "价(.)", "价格").group(0, 1), "格");
  // An empty text still holds an empty line.
  EXPECT_TRUE(Matches(family, "^$", std::string_view()));
}

TEST_P(BothFamilies, MissingMatchesAndGroupsReadEmpty) {
  const PatternFamily family = GetParam();
  PatternMatches matches = FindAll(family, "(a)|(b)", "b");
  ASSERT_EQ(matches.count(), 1u);
  EXPECT_EQ(matches.group(0), "b");
  EXPECT_EQ(matches.group(0, 1), "");  // did not take part
  EXPECT_EQ(matches.group(0, 2), "b");
  EXPECT_EQ(matches.group(0, 9), "");  // no such group
  EXPECT_EQ(matches.group(3, 0), "");  // no such match
}

TEST_P(BothFamilies, BrokenPatternGivesNoMatch) {
  const PatternFamily family = GetParam();
  for (const char* broken : {"(", "a[b", "*x", "(?<"}) {
    EXPECT_TRUE(FindAll(family, broken, "a[b (x").empty()) << broken;
    EXPECT_FALSE(Matches(family, broken, "a[b (x")) << broken;
    EXPECT_EQ(ReplaceAllMatches(family, broken, "a[b (x", "-"), "a[b (x") << broken;
  }
}

TEST_P(BothFamilies, ReplacementIsLiteralAndEmptyMatchesStepWholeCharacters) {
  const PatternFamily family = GetParam();
  EXPECT_EQ(ReplaceAllMatches(family, "(\\d+)", "a12b3", "[$1\\]"), "a[$1\\]b[$1\\]");
  // Empty matches advance one character at a time, never into the middle of "中".
  EXPECT_EQ(ReplaceAllMatches(family, "x*", "a中b", "-"), "-a-中-b-");
  EXPECT_EQ(FindAll(family, "x*", "中").count(), 2u);
  EXPECT_EQ(ReplaceAllMatches(family, "z", "abc", "-"), "abc");
}

TEST_P(BothFamilies, EscapedTextMatchesItself) {
  const PatternFamily family = GetParam();
  const std::string key = "颜色(红)+1.5/件[大]|*";
  EXPECT_EQ(FindAll(family, "\"" + RegexEscape(key) + "\":(\\d+)", "{\"" + key + "\":7}").group(0, 1), "7");
  // The JSON form finds the key where JSON escaped its slash.
  EXPECT_TRUE(Matches(family, RegexEscapeJson("a/b"), "{\"k\":\"a\\/b\"}"));
  EXPECT_FALSE(Matches(family, RegexEscapeJson("a/b"), "a/b"));
}

TEST_P(BothFamilies, InvalidUtf8TextDoesNotBreakTheSearch) {
  const PatternFamily family = GetParam();
  const std::string text = "a\xFF\xC3 b=\xE4\xB8 1;";
  EXPECT_EQ(FindAll(family, "b=.*?(\\d);", text).group(0, 1), "1");
}

TEST_P(BothFamilies, HostilePatternOnLargePageGivesNoMatch) {
  const PatternFamily family = GetParam();
  // Nested repeats over 1 MB: exponential backtracking unless the engine's bounds stop it.
  // A hang here is caught by the test's own timeout.
  const std::string page(1 << 20, 'a');
  EXPECT_TRUE(FindAll(family, "(a+)+b", page).empty());
  EXPECT_TRUE(FindAll(family, "^(\\w+\\s?)*$", page + "!").empty());
  const std::string xs(1 << 20, 'x');
  EXPECT_FALSE(Matches(family, "(x+x+)+y", xs));
  EXPECT_EQ(ReplaceAllMatches(family, "(x+x+)+y", xs, "-"), xs);
}

TEST(ListingPatterns, DotTakesLineBreaks) {
  EXPECT_TRUE(Matches(kListing, "a.b", "a\rb"));
  EXPECT_TRUE(Matches(kListing, "a.b", "a\nb"));
  EXPECT_EQ(FindAll(kListing, "<td>(.*?)</td>", "<td>1\r\n2</td>").group(0, 1), "1\r\n2");
}

TEST(PagePatterns, DotTakesCarriageReturnButNotLineFeed) {
  EXPECT_TRUE(Matches(kPage, "a.b", "a\rb"));
  EXPECT_FALSE(Matches(kPage, "a.b", "a\nb"));
  // Lines end at LF only, so a CRLF line keeps its CR.
  EXPECT_EQ(firstGroups(FindAll(kPage, "^(.+)$", "a\r\nb"), 1), (Texts{"a\r", "b"}));
  EXPECT_TRUE(Matches(kPage, "\\u4e2d", "中"));
}

TEST(Patterns, SameCachedPatternsFromManyThreads) {
  std::string page;
  for (int i = 0; i < 200; ++i) page += "<img class=\"x\" src=\"//img/" + std::to_string(i) + ".jpg\">\n";
  std::vector<int> good(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        PatternMatches page1 = FindAll(kPage, "<img[^>]*?src=\"(.*?)\"", page);
        PatternMatches listing = FindAll(kListing, "src=\"//img/(\\d+)\\.jpg", page);
        if (page1.count() == 200 && page1.group(199, 1) == "//img/199.jpg" && listing.count() == 200 &&
            listing.group(7, 1) == "7") {
          ++good[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(good, (std::vector<int>{50, 50, 50, 50}));
}

}  // namespace
}  // namespace kestrune
