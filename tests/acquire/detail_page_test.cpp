#include "acquire/detail_page.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

std::string pageWithTitle(const std::string& title) {
  return "<meta name=\"description\" content=\"批发。这是" + title +
         "的详细页面。颜色:红色。我们还为您精选了\">";
}

TEST(TitleFromPage, DecodesEntitiesInOrder) {
  struct Case {
    std::string title;
    std::string expected;
  };
  const Case cases[] = {
      {"纯棉T恤", "纯棉T恤"},
      // A double-encoded ampersand becomes one space.
      {"A&amp;amp;B", "A B"},
      {"A&amp;B", "A B"},
      {"&apos;&lt;&gt;&middot;&rsquo;&mdash;&lsquo;&deg;", "'<>·’—‘°"},
      // The title is plain text: the entity is one quote, a literal quote stays one quote.
      {"&quot;新款&quot; 8\" 屏", "\"新款\" 8\" 屏"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(titleFromPage(pageWithTitle(c.title)), c.expected) << c.title;
  }
}

TEST(TitleFromPage, EmptyWithoutTheMarkers) {
  EXPECT_EQ(titleFromPage(""), "");
  EXPECT_EQ(titleFromPage("<title>纯棉T恤</title> 这是纯棉T恤的详细页面。"), "");
  EXPECT_EQ(titleFromPage("。这是纯棉T恤的详细"), "");
}

TEST(AttributeText, SplitsPairsAndValues) {
  struct Case {
    std::string summary;
    std::string sourceText;
    std::string pairs;
  };
  const Case cases[] = {
      {"颜色:红色,蓝色，尺码:XL", "颜色:红色,蓝色，尺码:XL，", "颜色:红色;颜色:蓝色;尺码:XL;"},
      // ';' inside a value may not end a pair.
      {"材质:棉;麻", "材质:棉；麻，", "材质:棉；麻;"},
      {"品牌:A&amp;B", "品牌:A&amp；B，", "品牌:A&B;"},
      {"货号:8:12", "货号:8:12，", "货号:8:12;"},
      {"", "，", ""},
  };
  for (const Case& c : cases) {
    ItemRecord record;
    record.pageText = "。这是T恤的详细页面。" + c.summary + "。我们还为您精选了";
    readAttributeText(record);
    EXPECT_EQ(record.attributeSourceText, c.sourceText) << c.summary;
    EXPECT_EQ(record.attributeText, c.pairs) << c.summary;
  }
}

TEST(AttributeText, PageWithoutSummaryGivesNoPairs) {
  ItemRecord record;
  record.pageText = "<html>没有属性</html>";
  readAttributeText(record);
  EXPECT_EQ(record.attributeSourceText, "，");
  EXPECT_EQ(record.attributeText, "");
}

TEST(BasicFacts, CategoryAndLocation) {
  ItemRecord record;
  record.pageText =
      "var iDetailConfig = {'catid':'1031910','refPrice':'9.90'};\n"
      "<a href=\"/search?province=浙江;city=杭州\">浙江 杭州</a>";
  readSourceCategoryId(record);
  readLocation(record);
  EXPECT_EQ(record.sourceCategoryId, "1031910");
  EXPECT_EQ(record.province, "浙江");
  EXPECT_EQ(record.city, "杭州");

  ItemRecord bare;
  bare.pageText = "<html></html>";
  readSourceCategoryId(bare);
  readLocation(bare);
  EXPECT_EQ(bare.sourceCategoryId, "");
  EXPECT_EQ(bare.province, "");
  EXPECT_EQ(bare.city, "");
}

}  // namespace
}  // namespace kestrune
