// The item's long description: fetched from the address the detail page names, prepared for the
// package's description column, and, at the end of a run, its links removed or replaced as the
// user chose.
#pragma once

#include "acquire/generation_run.h"
#include "acquire/item_record.h"
#include "acquire/stage_context.h"

namespace kestrune {

// Fills description (plain text; the row writers escape it for their format).
void fetchDescription(ItemRecord& record, const StageContext& context);

// Rewrites the links in all of the run's package rows, once, before the package is written. The
// rows stand as they will be written: CSV fields, quoted columns with their quotes doubled (so a
// link target reads href=""..."").
void handleDescriptionLinks(GenerationRun& run, const StageContext& context);

}  // namespace kestrune
