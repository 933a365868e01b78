// The stages one item goes through, in their order, from the detail page to the finished record
// that the row writer turns into a package row. Each stage reads and fills the record.
#pragma once

#include "acquire/item_record.h"
#include "acquire/stage_context.h"

namespace kestrune {

// Runs every stage for the record's item (itemNumber and offerId set). Stages run even when an
// earlier one found nothing; the item has failed when title is empty at the end. Returns false
// when the run was stopped before the last stage.
bool runItemStages(ItemRecord& record, const StageContext& context);

}  // namespace kestrune
