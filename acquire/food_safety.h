// The food-safety fields of food items (Taobao Assistant output): cut out of the attribute pairs
// into the package's food column.
#pragma once

#include "acquire/item_record.h"

namespace kestrune {

// Fills foodParams and removes the food-safety pairs from attributeText.
void extractFoodParams(ItemRecord& record);

}  // namespace kestrune
