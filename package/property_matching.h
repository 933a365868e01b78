// Matching an item's attributes and sale values onto the property and value ids of its target
// category's catalogue (Taobao Assistant output).
#pragma once

#include "acquire/item_record.h"
#include "acquire/stage_context.h"

namespace kestrune {

// Fills cateProps, inputPids, inputValues, propAlias and inputCustomCpv, and rewrites the values
// in skuProps and pictureList as ids.
void matchProperties(ItemRecord& record, const StageContext& context);

}  // namespace kestrune
