#include "package/taobao_package.h"

#include <array>

#include "web/encoding.h"

namespace kestrune {

namespace {

struct TaobaoColumn {
  std::string_view name;
  std::string_view caption;
  std::string ItemRecord::*field;  // null for a column with a fixed value
  std::string_view fixed;
  bool quoted;
};

using F = std::string ItemRecord::*;

// The import tool reads columns by position; names and captions are its header lines.
constexpr std::array<TaobaoColumn, 49> Columns{{
    {"title", "宝贝名称", &ItemRecord::title, "", true},
    {"cid", "宝贝类目", &ItemRecord::targetCategoryId, "", false},
    {"seller_cids", "店铺类目", F{}, "", true},
    {"stuff_status", "新旧程度", F{}, "1", false},
    {"location_state", "省", &ItemRecord::province, "", true},
    {"location_city", "城市", &ItemRecord::city, "", true},
    {"item_type", "出售方式", F{}, "1", false},
    {"price", "宝贝价格", &ItemRecord::price, "", false},
    {"auction_increment", "加价幅度", F{}, "0", false},
    {"num", "宝贝数量", &ItemRecord::quantity, "", false},
    {"valid_thru", "有效期", &ItemRecord::validThru, "", false},
    {"freight_payer", "运费承担", F{}, "", false},
    {"post_fee", "平邮", F{}, "", false},
    {"ems_fee", "EMS", F{}, "", false},
    {"express_fee", "快递", F{}, "", false},
    {"has_invoice", "发票", F{}, "0", false},
    {"has_warranty", "保修", F{}, "", false},
    {"approve_status", "放入仓库", F{}, "1", false},
    {"has_showcase", "橱窗推荐", F{}, "0", false},
    {"list_time", "开始时间", F{}, "", true},
    {"description", "宝贝描述", &ItemRecord::description, "", true},
    {"cateProps", "宝贝属性", &ItemRecord::cateProps, "", true},
    {"postage_id", "邮费模版ID", F{}, "0", false},
    {"has_discount", "会员打折", F{}, "0", false},
    {"modified", "修改时间", F{}, "", true},
    {"upload_fail_msg", "上传状态", F{}, "", false},
    {"picture_status", "图片状态", F{}, "", false},
    {"auction_point", "返点比例", F{}, "0", false},
    {"picture", "新图片", &ItemRecord::pictureList, "", true},
    {"video", "视频", F{}, "", true},
    {"skuProps", "销售属性组合", &ItemRecord::skuProps, "", true},
    {"inputPids", "用户输入ID串", &ItemRecord::inputPids, "", true},
    {"inputValues", "用户输入名-值对", &ItemRecord::inputValues, "", true},
    {"outer_id", "商家编码", F{}, "", true},
    {"propAlias", "销售属性别名", &ItemRecord::propAlias, "", true},
    {"auto_fill", "代充类型", F{}, "0", false},
    {"num_id", "数字ID", &ItemRecord::offerId, "", false},
    {"local_cid", "本地ID", F{}, "0", false},
    {"navigation_type", "宝贝分类", F{}, "2", false},
    {"user_name", "账户名称", F{}, "", false},
    {"syncStatus", "宝贝状态", F{}, "1", false},
    {"is_lighting_consigment", "闪电发货", F{}, "0", false},
    {"is_xinpin", "新品", F{}, "0", false},
    {"foodparame", "食品专项", &ItemRecord::foodParams, "", false},
    {"features", "尺码库", F{}, "", true},
    {"item_size", "物流体积", F{}, "", false},
    {"item_weight", "物流重量", F{}, "", false},
    {"wireless_desc", "无线详情", F{}, "", true},
    {"input_custom_cpv", "自定义属性值", &ItemRecord::inputCustomCpv, "", true},
}};

void appendQuoted(std::string& row, std::string_view value) {
  row += '"';
  for (char c : value) {
    if (c == '"') row += '"';
    row += c;
  }
  row += '"';
}

void appendField(std::string& row, std::string_view value, bool quoted) {
  // A bare column is quoted only when its text would otherwise end the field or the row.
  if (quoted || value.find_first_of(",\"\r\n") != std::string_view::npos) {
    appendQuoted(row, value);
  } else {
    row += value;
  }
}

}  // namespace

std::string taobaoPackageHeader() {
  std::string header = "version 1.00" + std::string(47, ',') + "\r\n";
  for (std::size_t i = 0; i < Columns.size(); ++i) {
    if (i > 0) header += ',';
    header += Columns[i].name;
  }
  header += "\r\n";
  for (std::size_t i = 0; i < Columns.size(); ++i) {
    if (i > 0) header += ',';
    header += Columns[i].caption;
  }
  header += "\r\n";
  return header;
}

std::string buildTaobaoRow(const ItemRecord& record) {
  std::string row;
  row.reserve(256 + record.description.size() + record.title.size() + record.skuProps.size() +
              record.pictureList.size() + record.cateProps.size());
  for (std::size_t i = 0; i < Columns.size(); ++i) {
    const TaobaoColumn& column = Columns[i];
    if (i > 0) row += ',';
    appendField(row, column.field ? std::string_view(record.*column.field) : column.fixed,
                column.quoted);
  }
  row += "\r\n";
  return row;
}

WriteOutcome writeTaobaoPackage(const std::filesystem::path& packagePath,
                                std::string_view packageRows) {
  std::string text = taobaoPackageHeader();
  text += packageRows;
  return writeFileReplacing(packagePath, Utf8ToGbk(text));
}

}  // namespace kestrune
