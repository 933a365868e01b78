#include "package/taobao_package.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "package/taobao_csv_reader.h"
#include "web/encoding.h"

namespace kestrune {
namespace {

using testing::ReadCsv;

const std::string HeaderNames =
    "title,cid,seller_cids,stuff_status,location_state,location_city,item_type,price,"
    "auction_increment,num,valid_thru,freight_payer,post_fee,ems_fee,express_fee,has_invoice,"
    "has_warranty,approve_status,has_showcase,list_time,description,cateProps,postage_id,"
    "has_discount,modified,upload_fail_msg,picture_status,auction_point,picture,video,skuProps,"
    "inputPids,inputValues,outer_id,propAlias,auto_fill,num_id,local_cid,navigation_type,"
    "user_name,syncStatus,is_lighting_consigment,is_xinpin,foodparame,features,item_size,"
    "item_weight,wireless_desc,input_custom_cpv";
const std::string HeaderCaptions =
    "宝贝名称,宝贝类目,店铺类目,新旧程度,省,城市,出售方式,宝贝价格,加价幅度,宝贝数量,有效期,"
    "运费承担,平邮,EMS,快递,发票,保修,放入仓库,橱窗推荐,开始时间,宝贝描述,宝贝属性,邮费模版ID,"
    "会员打折,修改时间,上传状态,图片状态,返点比例,新图片,视频,销售属性组合,用户输入ID串,"
    "用户输入名-值对,商家编码,销售属性别名,代充类型,数字ID,本地ID,宝贝分类,账户名称,宝贝状态,"
    "闪电发货,新品,食品专项,尺码库,物流体积,物流重量,无线详情,自定义属性值";

ItemRecord sampleRecord() {
  ItemRecord record;
  record.title = "纯棉T恤";
  record.targetCategoryId = "50000436";
  record.province = "浙江";
  record.city = "杭州";
  record.price = "7.00";
  record.quantity = "3580";
  record.description = "<p>好</p>";
  record.cateProps = "20000:3275069;";
  record.pictureList = "a1b2:1:0:|;";
  record.skuProps = "7.00:30::S;蓝色;";
  record.inputPids = "20000,";
  record.inputValues = "无,";
  record.propAlias = "1627207:28341:蓝;";
  record.offerId = "521234567890";
  record.foodParams = "";
  record.inputCustomCpv = "1627207:-1001:天蓝;";
  return record;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TaobaoPackage, HeaderLines) {
  EXPECT_EQ(taobaoPackageHeader(), "version 1.00,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\r\n" +
                                       HeaderNames + "\r\n" + HeaderCaptions + "\r\n");
}

TEST(TaobaoPackage, RowColumnsAndFixedValues) {
  const std::string row = buildTaobaoRow(sampleRecord());
  // The byte form of an ordinary row: quoted and bare columns where the import tool expects them.
  EXPECT_EQ(row,
            "\"纯棉T恤\",50000436,\"\",1,\"浙江\",\"杭州\",1,7.00,0,3580,,,,,,0,,1,0,\"\","
            "\"<p>好</p>\",\"20000:3275069;\",0,0,\"\",,,0,\"a1b2:1:0:|;\",\"\","
            "\"7.00:30::S;蓝色;\",\"20000,\",\"无,\",\"\",\"1627207:28341:蓝;\",0,521234567890,0,2,"
            ",1,0,0,,\"\",,,\"\",\"1627207:-1001:天蓝;\"\r\n");
  const auto records = ReadCsv(row);
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 1u);
  EXPECT_EQ((*records)[0].size(), 49u);
}

TEST(TaobaoPackage, EveryFieldReadsBackWhateverItHolds) {
  ItemRecord record = sampleRecord();
  record.title = "8\" 平板 |*| 支架";
  record.description = "<img src=\"a.jpg\">\r\n<a href=\"x\">链接</a>, |*|";
  record.price = "1,000";
  record.quantity = "5\"";
  record.offerId = "12\r\n34";
  record.foodParams = "配料|*|水";
  record.city = "\"";
  const auto records = ReadCsv(buildTaobaoRow(record));
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 1u);
  const auto& fields = (*records)[0];
  ASSERT_EQ(fields.size(), 49u);
  EXPECT_EQ(fields[0], record.title);
  EXPECT_EQ(fields[5], record.city);
  EXPECT_EQ(fields[7], record.price);
  EXPECT_EQ(fields[9], record.quantity);
  EXPECT_EQ(fields[20], record.description);
  EXPECT_EQ(fields[36], record.offerId);
  EXPECT_EQ(fields[43], record.foodParams);
}

TEST(TaobaoPackage, WritesGbkFileWithHeaderAndRows) {
  const auto folder = std::filesystem::temp_directory_path() / "kestrune-taobao-package-test";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const auto path = folder / "aliT1.csv";

  ASSERT_TRUE(writeTaobaoPackage(path, "").written);
  EXPECT_EQ(readFile(path), Utf8ToGbk(taobaoPackageHeader()));

  const std::string rows = buildTaobaoRow(sampleRecord()) + buildTaobaoRow(ItemRecord{});
  const WriteOutcome outcome = writeTaobaoPackage(path, rows);
  ASSERT_TRUE(outcome.written) << outcome.reason;
  const std::string bytes = readFile(path);
  EXPECT_EQ(bytes, Utf8ToGbk(taobaoPackageHeader() + rows));
  EXPECT_NE(bytes.find("\xB4\xBF\xC3\xDE"), std::string::npos);  // 纯棉 in GBK
  const auto records = ReadCsv(GbkToUtf8(bytes));
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 5u);
  EXPECT_EQ((*records)[3][0], "纯棉T恤");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
  std::filesystem::remove_all(folder);
}

TEST(TaobaoPackage, FailedWriteIsReportedAndKeepsWhatWasThere) {
  const auto folder = std::filesystem::temp_directory_path() / "kestrune-taobao-package-fail";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "taken.csv");
  std::ofstream(folder / "taken.csv" / "inside.txt") << "keep";

  const WriteOutcome intoMissingFolder = writeTaobaoPackage(folder / "missing" / "a.csv", "");
  EXPECT_FALSE(intoMissingFolder.written);
  EXPECT_FALSE(intoMissingFolder.reason.empty());

  const WriteOutcome overFolder = writeTaobaoPackage(folder / "taken.csv", "");
  EXPECT_FALSE(overFolder.written);
  EXPECT_FALSE(overFolder.reason.empty());
  EXPECT_EQ(readFile(folder / "taken.csv" / "inside.txt"), "keep");
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);

  EXPECT_FALSE(writeTaobaoPackage("", "").written);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kestrune
