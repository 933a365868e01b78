#include "acquire/category_mapping.h"

namespace kestrune {

// Not built yet: the category fields stay empty, so rows carry no category.
void findTargetCategory(ItemRecord&, const StageContext&) {}

// Not built yet: no catalogue, so nothing is matched.
void loadPropertyCatalogue(ItemRecord&, const StageContext&) {}

}  // namespace kestrune
