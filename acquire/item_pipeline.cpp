#include "acquire/item_pipeline.h"

#include <string>

#include "acquire/category_mapping.h"
#include "acquire/detail_page.h"
#include "acquire/food_safety.h"
#include "acquire/generation_run.h"
#include "acquire/prices.h"
#include "package/description.h"
#include "package/pictures.h"
#include "package/property_matching.h"

namespace kestrune {

namespace {

// The Taobao Assistant stages: quantity before the category search, SKUs before their pictures,
// pictures before matching (which rewrites their values), attribute pairs before the food fields
// are cut out of them, and the catalogue before matching.
bool runTaobaoStages(ItemRecord& record, const StageContext& context) {
  readQuantity(record);
  readSourceCategoryId(record);
  if (!context.proceed()) return false;
  findTargetCategory(record, context);
  readTaobaoPrices(record);
  if (!context.proceed()) return false;
  downloadSalePropertyPictures(record, context);
  readAttributeText(record);
  extractFoodParams(record);
  if (!context.proceed()) return false;
  loadPropertyCatalogue(record, context);
  if (!context.proceed()) return false;
  matchProperties(record, context);
  readLocation(record);
  return true;
}

}  // namespace

bool runItemStages(ItemRecord& record, const StageContext& context) {
  if (!context.proceed()) return false;
  readDetailPage(record, context);
  if (!context.proceed()) return false;

  // Business Assistant runs do not start yet, so every run takes the Taobao Assistant stages.
  if (!runTaobaoStages(record, context)) return false;

  context.log("线程：" + std::to_string(context.workerNumber) + "  获取成功 第：" +
              std::to_string(record.itemNumber) + "/" + std::to_string(context.totalItems) +
              " 个宝贝   基本信息！\r\n");
  if (!context.proceed()) return false;
  fetchDescription(record, context);
  if (!context.proceed()) return false;
  downloadMainPictures(record, context);
  return context.proceed();
}

}  // namespace kestrune
