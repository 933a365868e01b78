#include "package/pictures.h"

namespace kestrune {

// Not built yet: no sale-value pictures.
void downloadSalePropertyPictures(ItemRecord&, const StageContext&) {}

// Not built yet: no main pictures.
void downloadMainPictures(ItemRecord&, const StageContext&) {}

}  // namespace kestrune
