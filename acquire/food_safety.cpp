#include "acquire/food_safety.h"

namespace kestrune {

// Not built yet: foodParams stays empty and attributeText keeps all its pairs.
void extractFoodParams(ItemRecord&) {}

}  // namespace kestrune
