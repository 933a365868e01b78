#include "acquire/prices.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(TaobaoPrices, TheThreeSkuShapes) {
  struct Case {
    const char* name;
    std::string page;
    std::string price;
    std::string skuProps;
  };
  const Case cases[] = {
      {"two values with their own prices",
       R"re(iDetailConfig={'refPrice':'4.00'};)re"
       R"re("skuMap":{"红色&gt;S":{"canBookCount":10,"discountPrice":"5.00","saleCount":0},)re"
       R"re("红色&gt;M":{"canBookCount":20,"discountPrice":"6.00","saleCount":0},)re"
       R"re("蓝色&gt;S":{"canBookCount":30,"discountPrice":"7.00","saleCount":2}})re",
       "7.00", "7.00:30::S;蓝色;6.00:20::M;红色;5.00:10::S;红色;"},
      {"two values at the reference price",
       R"re(iDetailConfig={'refPrice':'9.90'};)re"
       R"re("skuMap":{"红色&gt;S":{"canBookCount":10,"saleCount":0},)re"
       R"re("蓝色&gt;XL":{"canBookCount":20,"saleCount":1}})re",
       "9.90", "9.90:20::XL;蓝色;9.90:10::S;红色;"},
      {"one value",
       R"re(iDetailConfig={'refPrice':'3.50'};)re"
       R"re("skuMap":{"红色":{"canBookCount":10,"saleCount":0},"蓝色":{"canBookCount":0,"saleCount":1}})re",
       "3.50", "3.50:0::蓝色;3.50:10::红色;"},
      {"no SKU map", R"re(iDetailConfig={'refPrice':'12.00'};)re", "12.00", ""},
      {"nothing at all", "<html></html>", "", ""},
  };
  for (const Case& c : cases) {
    ItemRecord record;
    record.pageText = c.page;
    record.validThru = "180";
    readTaobaoPrices(record);
    EXPECT_EQ(record.price, c.price) << c.name;
    EXPECT_EQ(record.skuProps, c.skuProps) << c.name;
    EXPECT_EQ(record.validThru, "") << c.name;
  }
}

TEST(Quantity, ReadsTheStockFigure) {
  ItemRecord record;
  record.pageText = R"re(beginAmount":"1","max":"3580","min":"1")re";
  readQuantity(record);
  EXPECT_EQ(record.quantity, "3580");

  record.pageText = "<html></html>";
  readQuantity(record);
  EXPECT_EQ(record.quantity, "");
}

}  // namespace
}  // namespace kestrune
