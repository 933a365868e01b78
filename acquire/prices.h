// Prices, stock and SKU combinations read from the item's detail page. Every price and quantity
// is copied as the text the page holds; nothing is converted to a number.
#pragma once

#include "acquire/item_record.h"

namespace kestrune {

// quantity: the page's stock figure.
void readQuantity(ItemRecord& record);

// Taobao Assistant output: price and skuProps from the page's SKU map (two-value SKUs with
// their own prices, two-value SKUs priced at the page's reference price, or one-value SKUs).
// Entries come out in the reverse of page order; price is the last SKU's own price when SKUs
// carry one, else the reference price. validThru stays empty.
void readTaobaoPrices(ItemRecord& record);

}  // namespace kestrune
