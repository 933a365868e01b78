#include "package/description.h"

namespace kestrune {

// Not built yet: rows carry an empty description.
void fetchDescription(ItemRecord&, const StageContext&) {}

// Not built yet: links stay as they are.
void handleDescriptionLinks(GenerationRun&, const StageContext&) {}

}  // namespace kestrune
