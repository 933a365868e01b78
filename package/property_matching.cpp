#include "package/property_matching.h"

namespace kestrune {

// Not built yet: nothing is matched and skuProps keeps the page's value names.
void matchProperties(ItemRecord&, const StageContext&) {}

}  // namespace kestrune
