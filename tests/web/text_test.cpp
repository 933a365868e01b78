#include "web/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kestrune {
namespace {

TEST(TextBetween, CutsBetweenFirstLeftAndTheRightBehindIt) {
  struct Case {
    const char* text;
    const char* left;
    const char* right;
    const char* expected;
  };
  const Case cases[] = {
      {"<b>x</b>", "<b>", "</b>", "x"},
      {"<b></b>", "<b>", "</b>", ""},           // right marker right after the left
      {"abc</b>", "<b>", "</b>", ""},           // left missing
      {"<b>abc", "<b>", "</b>", ""},            // right missing
      {"k=1; k=2;", "k=", ";", "1"},            // left twice: the first one counts
      {";x=1;", "x=", ";", "1"},                // a right marker before the left is not used
      {"价格：12元/件", "价格：", "元", "12"},
      {"<img data-tfs-url=\"//img/a.jpg\" alt=\"b\">", "data-tfs-url=#引号", "#引号", "//img/a.jpg"},
      {"a #引号x#引号", "#引号", "#引号", ""},  // the marker itself is not searched for
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.left, c.right), c.expected) << c.text << " | " << c.left;
  }
}

TEST(TextBetween, HonoursStartAndCaseFlag) {
  EXPECT_EQ(TextBetween("a=1;a=2;", "a=", ";", 2), "2");
  EXPECT_EQ(TextBetween("a=1;", "a=", ";", 99), "");
  EXPECT_EQ(TextBetween("<B>x</b>", "<b>", "</B>"), "");
  EXPECT_EQ(TextBetween("<B>x</b>", "<b>", "</B>", 0, true), "x");
}

TEST(TextSpan, ThreeFormsOverACookieLine) {
  const std::string cookie = "cna=Ab12; path=/";
  EXPECT_EQ(TextSpan(cookie, "=", ";"), "Ab12");
  EXPECT_EQ(TextSpan("cna=Ab12", "=", ";"), "");  // no semicolon behind the equals sign
  EXPECT_EQ(TextSpan(cookie, "", ";"), "cna=Ab12");
  EXPECT_EQ(TextSpan("cna=Ab12", "", ";"), "");
  EXPECT_EQ(TextSpan(cookie, "=", ""), "Ab12; path=/");
  EXPECT_EQ(TextSpan(cookie, "#", ""), "");
  EXPECT_EQ(TextSpan("a#引号b", "#引号", ""), "b");  // markers are taken literally
}

TEST(HeaderLine, SplitsAtTheFirstColon) {
  EXPECT_EQ(HeaderName("Content-Type: text/html; a=b:c"), "Content-Type");
  EXPECT_EQ(HeaderValue("Content-Type: text/html; a=b:c"), "text/html; a=b:c");
  EXPECT_EQ(HeaderName("  Location :  http://x/ "), "Location");
  EXPECT_EQ(HeaderValue("  Location :  http://x/ "), "http://x/");
  EXPECT_EQ(HeaderName("HTTP/1.1 200 OK"), "");
  EXPECT_EQ(HeaderValue("HTTP/1.1 200 OK"), "");
}

TEST(Url, TakesAddressesApart) {
  struct Case {
    const char* url;
    bool plain;
    const char* host;
    const char* hostWithPort;
    int port;
    const char* path;
  };
  const Case cases[] = {
      {"HTTP://WWW.Example.COM:8080/Path/A?q=1", false, "www.example.com", "www.example.com:8080", 8080,
       "/Path/A?q=1"},
      {"https://Shop.Example.com/x?y=/z", false, "shop.example.com", "shop.example.com", 443, "/x?y=/z"},
      {"HTTPS://EX.com", false, "ex.com", "ex.com", 443, "/"},
      {"detail.1688.com/offer/1.html", false, "detail.1688.com", "detail.1688.com", 80, "/offer/1.html"},
      {"http://example.com", false, "example.com", "example.com", 80, "/"},
      {"http://127.0.0.1:8123/a/b", true, "127.0.0.1", "127.0.0.1:8123", 8123, "/a/b"},
      {"HTTP://Up.Example.com/a", true, "http", "http:", 80, "//Up.Example.com/a"},  // "http://" is case-sensitive here
      {"up.example.com:81", true, "up.example.com", "up.example.com:81", 81, "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlHost(c.url, false, c.plain), c.host);
    EXPECT_EQ(UrlHost(c.url, true, c.plain), c.hostWithPort);
    EXPECT_EQ(UrlPort(c.url, c.plain), c.port);
    EXPECT_EQ(UrlPath(c.url, c.plain), c.path);
  }
}

TEST(Url, PlainFormReadsOnlyHttp) {
  // The plain form looks for "http://" only, so an https address yields the host "https" and
  // port 80; callers of the plain form never pass https addresses on purpose.
  EXPECT_EQ(UrlHost("https://example.com/a", false, true), "https");
  EXPECT_EQ(UrlPort("https://example.com/a", true), 80);
}

TEST(Url, UnusablePortFallsBackToTheDefault) {
  EXPECT_EQ(UrlPort("http://example.com:/a"), 80);
  EXPECT_EQ(UrlPort("https://example.com:99999/a"), 443);
  EXPECT_EQ(UrlPort("http://example.com:8x/a"), 80);
}

TEST(RegexEscaping, EscapesOnlyTheListedCharacters) {
  EXPECT_EQ(RegexEscape("(12.5)"), "\\(12\\.5\\)");
  EXPECT_EQ(RegexEscape("a/b+c*[d]|e?^${}\\中"), "a\\/b\\+c\\*\\[d\\]\\|e?^${}\\中");
  EXPECT_EQ(RegexEscapeJson("http://x.cn/a(1)"), "http:\\\\\\/\\\\\\/x\\.cn\\\\\\/a\\(1\\)");
}

TEST(PercentEncode, EncodesGbkOrUtf8Bytes) {
  struct Case {
    const char* text;
    bool keepSafe;
    bool utf8;
    const char* expected;
  };
  const Case cases[] = {
      {"中文", false, false, "%D6%D0%CE%C4"},
      {"中文", true, false, "%D6%D0%CE%C4"},
      {"中", false, true, "%E4%B8%AD"},
      {"Ab-1.z_ ", false, false, "%41%62%2D%31%2E%7A%5F%20"},
      {"Ab-1.z_ ", true, false, "Ab-1.z%5F%20"},
      {"", false, false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PercentEncode(c.text, c.keepSafe, c.utf8), c.expected) << c.text << c.keepSafe << c.utf8;
  }
}

TEST(DateTimeText, FormatsPictures) {
  const double march15 = 45000.0;  // 2023-03-15, a Wednesday
  const double afternoon = (13 * 3600 + 5 * 60 + 9) / 86400.0;
  struct Case {
    double value;
    const char* date;
    const char* time;
    const char* expected;
  };
  const Case cases[] = {
      {march15, "yyyy-MM-dd", "", "2023-03-15"},
      {march15 + afternoon, "yyyy-MM-dd", "HH", "2023-03-15"},  // a 2-character time picture adds nothing
      {march15 + afternoon, "yy", "HH:mm:ss", "13:05:09"},
      {march15 + afternoon, "d/M/yyyy ", "h:mm:ss tt", "15/3/2023 1:05:09 PM"},
      {march15, "ddd dd MMM y", "", "Wed 15 Mar 3"},
      {march15, "dddd, MMMM yy", "", "Wednesday, March 23"},
      {march15, "yyyy年MM月dd日", "", "2023年03月15日"},
      {march15 + 0.99999999, "yyyy-MM-dd ", "HH:mm:ss", "2023-03-16 00:00:00"},  // rounds to the second
      {0.0, "yyyy-MM-dd", "", "1899-12-30"},
      {-1.25, "yyyy-MM-dd ", "HH:mm", "1899-12-29 06:00"},  // negative days keep a forward time
      {1e9, "yyyy-MM-dd", "", ""},
      {std::numeric_limits<double>::quiet_NaN(), "yyyy-MM-dd", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateTimeText(c.value, c.date, c.time), c.expected) << c.value << " " << c.date;
  }
}

TEST(Blanks, TrimAndRemoveSpaces) {
  EXPECT_EQ(Trim("  a b　"), "a b");
  EXPECT_EQ(Trim("　 中 文　 "), "中 文");
  EXPECT_EQ(Trim("\ta \r\n"), "\ta \r\n");
  EXPECT_EQ(Trim(" \ta "), "\ta");
  EXPECT_EQ(Trim("　　"), "");
  EXPECT_EQ(RemoveSpaces(" a　b c\t "), "abc\t");
}

TEST(SplitText, KeepsInnerEmptiesDropsTrailingOne) {
  using Pieces = std::vector<std::string>;
  EXPECT_EQ(SplitText("a,b,,c", ","), (Pieces{"a", "b", "", "c"}));
  EXPECT_EQ(SplitText(",a", ","), (Pieces{"", "a"}));
  EXPECT_EQ(SplitText("a,", ","), (Pieces{"a"}));
  EXPECT_EQ(SplitText("a,,", ","), (Pieces{"a", ""}));
  EXPECT_EQ(SplitText("", ","), Pieces{});
  EXPECT_EQ(SplitText("a<br>b", "<br>"), (Pieces{"a", "b"}));
  EXPECT_EQ(SplitText("abc", ";"), (Pieces{"abc"}));
}

TEST(SmallHelpers, ReplaceLowerFind) {
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("a.b.c", ".", ".."), "a..b..c");  // no rescanning of inserted text
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(LowerAscii("ABC中Ä"), "abc中Ä");

  EXPECT_EQ(FindText("abcABC", "BC"), 4u);
  EXPECT_EQ(FindText("abcABC", "BC", 0, true), 1u);
  EXPECT_EQ(FindText("abcABC", "bc", 2), std::string::npos);
  EXPECT_EQ(FindText("abc", "", 1), 1u);
  EXPECT_EQ(FindText("abc", "", 3), std::string::npos);
  EXPECT_EQ(FindText("中文中文", "文", 4), 9u);
}

}  // namespace
}  // namespace kestrune
