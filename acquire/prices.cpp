#include "acquire/prices.h"

#include <vector>

#include "web/patterns.h"
#include "web/text.h"

namespace kestrune {

namespace {

// skuProps lists the SKUs in the reverse of their page order.
std::string joinReversed(const std::vector<std::string>& entries) {
  std::string joined;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) joined += *entry;
  return joined;
}

}  // namespace

void readQuantity(ItemRecord& record) {
  record.quantity = TextBetween(record.pageText, "max#引号:#引号", "\"");
}

void readTaobaoPrices(ItemRecord& record) {
  const std::string& page = record.pageText;
  std::vector<std::string> entries;
  std::string price;

  // Two sale values per SKU ("first&gt;second"), each SKU with its own discount price.
  const PatternMatches priced = FindAll(
      PatternFamily::Page,
      R"re("(.[^"]*?)&gt;(.*?)":{"canBookCount":(.*?),"discountPrice":"(.*?)",)re", page);
  for (std::size_t m = 0; m < priced.count(); ++m) {
    entries.push_back(priced.group(m, 4) + ":" + priced.group(m, 3) + "::" + priced.group(m, 2) +
                      ";" + priced.group(m, 1) + ";");
    price = priced.group(m, 4);
  }

  if (priced.empty()) {
    price = TextBetween(page, "refPrice':'", "'");
    // Two sale values per SKU, all at the page's reference price.
    const PatternMatches twoValues = FindAll(
        PatternFamily::Page, R"re("(.[^"]*?)&gt;(.*?)":{"canBookCount":(.*?),().*?})re", page);
    for (std::size_t m = 0; m < twoValues.count(); ++m) {
      entries.push_back(price + ":" + twoValues.group(m, 3) + "::" + twoValues.group(m, 2) + ";" +
                        twoValues.group(m, 1) + ";");
    }
    if (twoValues.empty()) {
      // One sale value per SKU.
      const PatternMatches oneValue =
          FindAll(PatternFamily::Page, R"re("(.[^"]*?)":{"canBookCount":(.*?),.*?})re", page);
      for (std::size_t m = 0; m < oneValue.count(); ++m) {
        entries.push_back(price + ":" + oneValue.group(m, 2) + "::" + oneValue.group(m, 1) + ";");
      }
    }
  }

  record.price = price;
  record.skuProps = joinReversed(entries);
  record.validThru.clear();
}

}  // namespace kestrune
