// Everything one worker of a generation run knows about the item it is copying: what the detail
// page said, what the category mapping and property matching made of it, and the finished texts
// the package writers put into the item's row. Each worker owns one record and clears it for
// every item; records are never shared, so nothing here needs a lock.
//
// All texts are the program's UTF-8 text. Numbers read from pages (prices, quantities, category,
// property and value ids) stay text from page to package; an absent value is the empty text.
#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

struct ItemRecord {
  // Identity, set when the worker takes the item.
  std::int32_t itemNumber = 0;  // 1-based; the item is list row itemNumber - 1
  std::string offerId;          // list column "ID"
  std::string listName;         // list column "名称", shown in the item's first log line

  // Detail page and basic facts.
  std::string pageText;  // the whole detail page, decoded from GBK once
  // The item title with its HTML entities decoded to plain text ("&quot;" is one '"'); empty when
  // the page was not read or had no title marker, which makes the item a failure.
  std::string title;
  std::string sourceCategoryId;
  std::string province;
  std::string city;
  // The page's attribute summary: name:value pairs separated by "，", one "，" appended, every ';'
  // turned into "；" so that ';' in attributeText always closes a pair.
  std::string attributeSourceText;
  // name:value; pairs, a name once per value.
  std::string attributeText;

  // Prices, stock and SKUs.
  std::string price;
  std::string quantity;
  // One entry per SKU, in the reverse of page order: price ":" quantity "::" then each sale
  // value closed by ';' (for two sale properties the second value first).
  std::string skuProps;
  std::string validThru;

  // Business Assistant output only.
  std::string categoryFormText;
  std::string unmatchedAttributes;
  std::string offerAttributes;
  std::string priceRanges;
  std::string priceRangeFlag;
  std::string skuMapJson;
  std::string skuImagesJson;

  // Category mapping and property catalogue.
  std::string sourceCategoryName;
  std::string targetCategoryId;
  std::string propertyCatalogue;

  // Food-safety key string; empty for items that are not food.
  std::string foodParams;

  // Property matching results.
  std::string cateProps;
  std::string inputPids;
  std::string inputValues;
  std::string propAlias;
  std::string inputCustomCpv;
  std::string brandValue;

  // The description HTML as plain text: the description stage hands it over with its double
  // quotes as they stand (not doubled); the row writer does the CSV quote doubling.
  std::string description;
  // Picture entries, each closed by "|;".
  std::string pictureList;

  // Back to the empty record a worker starts each item with.
  void clear() { *this = ItemRecord{}; }
};

}  // namespace kestrune
