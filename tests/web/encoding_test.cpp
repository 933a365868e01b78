#include "web/encoding.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

TEST(Encoding, EveryTwoByteGbkCharacterRoundTrips) {
  int decoded = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      std::string text = GbkToUtf8(bytes);
      if (text == kReplacement) continue;  // an unassigned position
      ++decoded;
      ASSERT_EQ(Utf8ToGbk(text), bytes) << std::hex << lead << trail;
    }
  }
  EXPECT_GT(decoded, 21000);  // code page 936 assigns about 21,800 two-byte characters
}

TEST(Encoding, InvalidBytesBecomeReplacementsAndTheRestSurvives) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"a\xFF" "b", "a\xEF\xBF\xBD" "b"},
      {"x\xD5", "x\xEF\xBF\xBD"},                          // lead byte cut off at the end
      {"\x81\x30z", "\xEF\xBF\xBD" "0z"},                   // lead byte before a digit
      {std::string("\xD5\xE6\0\xBC\xD9", 5), std::string("真\0假", 7)},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GbkToUtf8(c.bytes), c.text);
}

TEST(Encoding, EncodingReplacesWhatGbkLacks) {
  EXPECT_EQ(Utf8ToGbk("真😀x"), "\xD5\xE6?x");
  EXPECT_EQ(Utf8ToGbk("a\xC3"), "a?");  // truncated UTF-8
  EXPECT_EQ(Utf8ToGbk("plain"), "plain");
}

TEST(Encoding, Utf16IsLittleEndianWithOneZeroUnit) {
  EXPECT_EQ(GbkToUtf16("A真"), std::string("A\0\x1F\x77\0\0", 6));
  EXPECT_EQ(GbkToUtf16(""), std::string("\0\0", 2));
}

TEST(Encoding, ValidUtf8ReplacesBadSequences) {
  EXPECT_EQ(ValidUtf8("ok真"), "ok真");
  EXPECT_EQ(ValidUtf8("a\xC0\xAF" "b"), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");  // overlong form
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
}

}  // namespace
}  // namespace kestrune
