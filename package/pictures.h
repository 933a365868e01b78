// The item's pictures: downloaded into the run's picture folder under the names the shop tool
// reads, and listed in pictureList.
#pragma once

#include "acquire/item_record.h"
#include "acquire/stage_context.h"

namespace kestrune {

// The pictures of sale values (Taobao Assistant output).
void downloadSalePropertyPictures(ItemRecord& record, const StageContext& context);

// The item's main pictures.
void downloadMainPictures(ItemRecord& record, const StageContext& context);

}  // namespace kestrune
