#include "acquire/detail_page.h"

#include <array>
#include <utility>

#include "acquire/stage_context.h"
#include "web/encoding.h"
#include "web/fetch.h"
#include "web/patterns.h"
#include "web/text.h"

namespace kestrune {

namespace {

// Entities the detail page writes in titles, replaced in this order over the whole title. The
// first two together turn a double-encoded ampersand into one space. "&quot;" becomes a plain
// quote: the row writers escape quotes for their own format.
constexpr std::array<std::pair<std::string_view, std::string_view>, 11> TitleEntities{{
    {"&amp;", " "},
    {"amp;", ""},
    {"&apos;", "'"},
    {"&lt;", "<"},
    {"&gt;", ">"},
    {"&middot;", "·"},
    {"&rsquo;", "’"},
    {"&mdash;", "—"},
    {"&lsquo;", "‘"},
    {"&quot;", "\""},
    {"&deg;", "°"},
}};

}  // namespace

void readDetailPage(ItemRecord& record, const StageContext& context) {
  if (context.proceed()) {
    FetchOptions options;
    options.url = "https://" + context.endpoints->sourceDetailHost + "/offer/" + record.offerId +
                  ".html?spm=0.0.0.0.G2RPwY&sk=consign";
    options.cancel = context.cancel;
    record.pageText = GbkToUtf8(FetchTimed(options).body);
  }
  context.log("线程：" + std::to_string(context.workerNumber) + "  开始获取 第：" +
              std::to_string(record.itemNumber) + "/" + std::to_string(context.totalItems) +
              " 个宝贝   基本信息！\r\n");
  record.title = titleFromPage(record.pageText);
}

std::string titleFromPage(std::string_view pageText) {
  std::string title = TextBetween(pageText, "。这是", "的详细页面。");
  for (const auto& [entity, text] : TitleEntities) title = ReplaceAll(title, entity, text);
  return title;
}

void readSourceCategoryId(ItemRecord& record) {
  record.sourceCategoryId = TextBetween(record.pageText, "catid':'", "'");
}

void readAttributeText(ItemRecord& record) {
  record.attributeSourceText =
      ReplaceAll(TextBetween(record.pageText, "详细页面。", "。我们还为") + "，", ";", "；");
  std::string pairs;
  const PatternMatches matches =
      FindAll(PatternFamily::Page, R"re((.*?):(.*?)，)re", record.attributeSourceText);
  for (std::size_t match = 0; match < matches.count(); ++match) {
    const std::string name = matches.group(match, 1);
    for (const std::string& value : SplitText(matches.group(match, 2), ",")) {
      pairs += name + ":" + value + ";";
    }
  }
  record.attributeText = ReplaceAll(pairs, "&amp；", "&");
}

void readLocation(ItemRecord& record) {
  record.province = TextBetween(record.pageText, "province=", ";");
  record.city = TextBetween(record.pageText, "city=", "\"");
}

}  // namespace kestrune
