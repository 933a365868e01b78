// The first stage of every item: download its detail page from the source marketplace and read
// the facts later stages need (title, source category, attribute pairs, seller location).
// The Business Assistant form requests live elsewhere.
#pragma once

#include <string>
#include <string_view>

#include "acquire/item_record.h"

namespace kestrune {

struct StageContext;

// Fetches the item's detail page into pageText (decoded from GBK) and reads its title; logs the
// "开始获取" line. A failed request leaves pageText and title empty.
void readDetailPage(ItemRecord& record, const StageContext& context);

// The title between the page's description sentence markers, HTML entities decoded.
std::string titleFromPage(std::string_view pageText);

// Taobao Assistant output: the source category id, the attribute pairs and the seller location.
void readSourceCategoryId(ItemRecord& record);
void readAttributeText(ItemRecord& record);
void readLocation(ItemRecord& record);

}  // namespace kestrune
