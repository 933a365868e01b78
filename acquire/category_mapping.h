// The target marketplace's side of an item (Taobao Assistant output): the target category found
// by a keyword search, and that category's property catalogue through the cache in the options
// folder.
#pragma once

#include "acquire/item_record.h"
#include "acquire/stage_context.h"

namespace kestrune {

// Fills sourceCategoryName and targetCategoryId.
void findTargetCategory(ItemRecord& record, const StageContext& context);

// Fills propertyCatalogue.
void loadPropertyCatalogue(ItemRecord& record, const StageContext& context);

}  // namespace kestrune
