#include "tools/demo-market/catalog.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "web/text.h"

namespace kestrune::demo {
namespace {

constexpr std::string_view kCompany = "义乌市凯斯特伦日用百货商行";
// Synthetic offers live at 990000000001 and up, far from the fixture shop's 5200000000xx.
constexpr long long kSyntheticBase = 990000000000LL;
constexpr int kSyntheticLimit = 99999999;

std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("demo market: cannot read fixture " + path.string());
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string fill(std::string text, const std::map<std::string, std::string>& fields) {
  for (const auto& [name, value] : fields) replaceAll(text, "{{" + name + "}}", value);
  return text;
}

std::string withCrlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 20);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return std::string(text);
}

std::vector<std::string> splitOn(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(separator, start);
    parts.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) break;
    start = at + separator.size();
  }
  return parts;
}

// "key: value" lines; "#" starts a comment line.
std::map<std::string, std::string> parseItemFile(const std::string& text) {
  std::map<std::string, std::string> fields;
  for (const auto& rawLine : splitOn(text, "\n")) {
    std::string line = trimmed(rawLine);
    if (line.empty() || line.front() == '#') continue;
    auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    fields[trimmed(std::string_view(line).substr(0, colon))] = trimmed(std::string_view(line).substr(colon + 1));
  }
  return fields;
}

// A layout file holds its pieces between "<!-- section: name -->" lines.
std::map<std::string, std::string> parseSections(const std::string& text) {
  std::map<std::string, std::string> sections;
  constexpr std::string_view open = "<!-- section: ";
  std::string current;
  std::string body;
  auto flush = [&] {
    if (current.empty()) return;
    if (!body.empty() && body.back() == '\n') body.pop_back();
    sections[current] = body;
  };
  for (const auto& line : splitOn(text, "\n")) {
    if (line.rfind(open, 0) == 0 && line.find(" -->") != std::string::npos) {
      flush();
      current = line.substr(open.size(), line.find(" -->") - open.size());
      body.clear();
      continue;
    }
    body += line + "\n";
  }
  flush();
  return sections;
}

uint32_t hashOf(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

void putBigEndian32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xff);
}

void putLittleEndian16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xff);
  out += static_cast<char>(value >> 8);
}

void putLittleEndian32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xff);
}

// An 8x8 grey baseline JPEG; the name rides in a comment segment so that every address gives
// its own bytes.
std::string jpegPicture(std::string_view name) {
  std::string out = "\xFF\xD8";
  std::string comment(name.substr(0, 200));
  out += "\xFF\xFE";
  out += static_cast<char>(((comment.size() + 2) >> 8) & 0xff);
  out += static_cast<char>((comment.size() + 2) & 0xff);
  out += comment;
  out += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
  out += std::string("\xFF\xC0\x00\x0B\x08\x00\x08\x00\x08\x01\x01\x11\x00", 13);
  std::string oneCodeTable = std::string("\x01", 1) + std::string(15, '\0') + std::string("\x00", 1);
  out += std::string("\xFF\xC4\x00\x14\x00", 5) + oneCodeTable;
  out += std::string("\xFF\xC4\x00\x14\x10", 5) + oneCodeTable;
  out += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
  out += "\x3F";  // DC difference 0, end of block, padded with ones
  out += "\xFF\xD9";
  return out;
}

void pngChunk(std::string& out, std::string_view type, std::string_view data) {
  putBigEndian32(out, static_cast<uint32_t>(data.size()));
  std::string typed = std::string(type) + std::string(data);
  out += typed;
  putBigEndian32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                                  static_cast<uInt>(typed.size()))));
}

// An 8x8 PNG of one colour taken from the name.
std::string pngPicture(std::string_view name) {
  uint32_t colour = hashOf(name);
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string header;
  putBigEndian32(header, 8);
  putBigEndian32(header, 8);
  header += std::string("\x08\x02\x00\x00\x00", 5);
  pngChunk(out, "IHDR", header);
  pngChunk(out, "tEXt", std::string("Comment") + '\0' + std::string(name));
  std::string raw;
  for (int row = 0; row < 8; ++row) {
    raw += '\0';
    for (int column = 0; column < 8; ++column) {
      raw += static_cast<char>(colour & 0xff);
      raw += static_cast<char>((colour >> 8) & 0xff);
      raw += static_cast<char>((colour >> 16) & 0xff);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
           static_cast<uLong>(raw.size()));
  packed.resize(packedSize);
  pngChunk(out, "IDAT", packed);
  pngChunk(out, "IEND", "");
  return out;
}

// A 2x2 GIF of one colour from the name, with the name in a comment extension.
std::string gifPicture(std::string_view name) {
  uint32_t colour = hashOf(name);
  std::string out = "GIF89a";
  putLittleEndian16(out, 2);
  putLittleEndian16(out, 2);
  out += std::string("\x80\x00\x00", 3);  // global table of two colours
  out += static_cast<char>(colour & 0xff);
  out += static_cast<char>((colour >> 8) & 0xff);
  out += static_cast<char>((colour >> 16) & 0xff);
  out += "\xFF\xFF\xFF";
  std::string comment(name.substr(0, 255));
  out += "\x21\xFE";
  out += static_cast<char>(comment.size());
  out += comment;
  out += '\0';
  out += std::string("\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00", 10);
  // LZW with a clear code before every pixel keeps the code width at 3 bits.
  const std::array<int, 9> codes = {4, 0, 4, 0, 4, 0, 4, 0, 5};
  std::string data;
  uint32_t bits = 0;
  int bitCount = 0;
  for (int code : codes) {
    bits |= static_cast<uint32_t>(code) << bitCount;
    bitCount += 3;
    while (bitCount >= 8) {
      data += static_cast<char>(bits & 0xff);
      bits >>= 8;
      bitCount -= 8;
    }
  }
  if (bitCount > 0) data += static_cast<char>(bits & 0xff);
  out += '\x02';  // minimum code size
  out += static_cast<char>(data.size());
  out += data;
  out += '\0';
  out += '\x3B';
  return out;
}

// A 1x1 grey little-endian TIFF carrying the name as its description.
std::string tiffPicture(std::string_view name) {
  std::string description(name.substr(0, 200));
  constexpr uint16_t kEntries = 9;
  constexpr uint32_t kPixelOffset = 8 + 2 + kEntries * 12 + 4;
  std::string out = "II*";
  out += '\0';
  putLittleEndian32(out, 8);
  putLittleEndian16(out, kEntries);
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    putLittleEndian16(out, tag);
    putLittleEndian16(out, type);
    putLittleEndian32(out, count);
    putLittleEndian32(out, value);
  };
  entry(256, 3, 1, 1);  // width
  entry(257, 3, 1, 1);  // height
  entry(258, 3, 1, 8);  // bits per sample
  entry(259, 3, 1, 1);  // no compression
  entry(262, 3, 1, 1);  // black is zero
  entry(270, 2, static_cast<uint32_t>(description.size() + 1), kPixelOffset + 1);
  entry(273, 4, 1, kPixelOffset);
  entry(278, 3, 1, 1);
  entry(279, 4, 1, 1);
  putLittleEndian32(out, 0);
  out += '\x80';
  out += description;
  out += '\0';
  return out;
}

std::string extensionOf(std::string_view fileName) {
  auto dot = fileName.rfind('.');
  return dot == std::string_view::npos ? std::string() : LowerAscii(fileName.substr(dot + 1));
}

// "a.400x400.jpg" -> "a.jpg": the page names preview sizes of the same picture.
std::string withoutSize(std::string_view fileName) {
  std::string name(fileName);
  auto last = name.rfind('.');
  if (last == std::string::npos || last == 0) return name;
  auto previous = name.rfind('.', last - 1);
  if (previous == std::string::npos) return name;
  std::string middle = name.substr(previous + 1, last - previous - 1);
  auto x = middle.find('x');
  bool isSize = x != std::string::npos && x > 0 && x + 1 < middle.size() &&
                std::all_of(middle.begin(), middle.end(), [](char c) { return c == 'x' || (c >= '0' && c <= '9'); });
  return isSize ? name.substr(0, previous) + name.substr(last) : name;
}

constexpr std::array<std::string_view, 8> kColours = {"黑色", "白色", "红色", "蓝色", "灰色", "粉色", "绿色", "黄色"};
constexpr std::array<std::string_view, 10> kNouns = {"连衣裙", "收纳盒", "保温杯", "双肩包", "运动鞋",
                                                     "手机壳", "抱枕",   "毛巾",   "台灯",   "雨伞"};
constexpr std::array<std::string_view, 8> kAdjectives = {"新款", "加厚", "韩版", "简约", "多功能", "大容量", "便携", "创意"};
constexpr std::array<std::string_view, 5> kSizes = {"S", "M", "L", "XL", "XXL"};

std::string priceText(int cents) {
  std::string text = std::to_string(cents / 100) + ".";
  int rest = cents % 100;
  if (rest < 10) text += '0';
  return text + std::to_string(rest);
}

}  // namespace

std::string Catalog::Item::field(const std::string& name) const {
  auto it = fields.find(name);
  return it == fields.end() ? std::string() : it->second;
}

Catalog::Catalog(const std::filesystem::path& fixtures) {
  detailTemplate_ = readFile(fixtures / "detail.html");
  std::vector<std::filesystem::path> itemFiles;
  if (!std::filesystem::is_directory(fixtures / "items")) {
    throw std::runtime_error("demo market: no fixture items in " + (fixtures / "items").string());
  }
  for (const auto& entry : std::filesystem::directory_iterator(fixtures / "items")) {
    if (entry.path().extension() == ".txt") itemFiles.push_back(entry.path());
  }
  std::sort(itemFiles.begin(), itemFiles.end());
  for (const auto& file : itemFiles) {
    Item item;
    item.id = file.stem().string();
    item.fields = parseItemFile(readFile(file));
    item.fields["pictureFolder"] = "fixture";
    if (item.field("description") == "content" || item.field("description") == "desc") {
      item.descriptionHtml = readFile(fixtures / "descriptions" / (item.id + ".html"));
    }
    items_.push_back(std::move(item));
  }
  for (const char* name : {"signin", "signed-in", "security-check", "removed", "news", "help"}) {
    pages_[name] = readFile(fixtures / "pages" / (std::string(name) + ".html"));
  }
  const std::pair<ListingLayout, const char*> layoutFiles[] = {{ListingLayout::Plain, "plain"},
                                                               {ListingLayout::Wangpu, "wangpu"},
                                                               {ListingLayout::ShopStreet, "shopstreet"},
                                                               {ListingLayout::NewTmall, "newtmall"}};
  for (const auto& [layout, name] : layoutFiles) {
    Layout parsed;
    parsed.sections = parseSections(readFile(fixtures / "listing" / (std::string(name) + ".html")));
    for (const char* section : {"page", "row", "price", "pageCount"}) {
      if (!parsed.sections.count(section)) {
        throw std::runtime_error(std::string("demo market: listing layout ") + name + " lacks section " + section);
      }
    }
    // The first two families come from a browser that writes CR LF; the row patterns expect it.
    parsed.crlf = layout == ListingLayout::Plain || layout == ListingLayout::Wangpu;
    layouts_[layout] = std::move(parsed);
  }
}

std::vector<std::string> Catalog::itemIds() const {
  std::vector<std::string> ids;
  for (const auto& item : items_) ids.push_back(item.id);
  return ids;
}

const Catalog::Item* Catalog::fixtureItem(std::string_view offerId) const {
  for (const auto& item : items_) {
    if (item.id == offerId) return &item;
  }
  return nullptr;
}

std::string Catalog::syntheticId(int n) { return std::to_string(kSyntheticBase + n); }

int Catalog::syntheticNumber(std::string_view offerId) {
  if (offerId.size() != 12 || !std::all_of(offerId.begin(), offerId.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  long long value = std::stoll(std::string(offerId)) - kSyntheticBase;
  return value >= 1 && value <= kSyntheticLimit ? static_cast<int>(value) : 0;
}

Catalog::Item Catalog::syntheticItem(int n) const {
  Item item;
  item.id = syntheticId(n);
  auto& f = item.fields;
  std::string noun(kNouns[n % kNouns.size()]);
  std::string adjective(kAdjectives[(n / 10) % kAdjectives.size()]);
  f["title"] = adjective + noun + " 款" + std::to_string(n) + " 厂家直销 一件代发";
  f["catid"] = std::to_string(1000000 + n % 997);
  int cents = 1000 + (n * 37) % 9000;
  f["refPrice"] = priceText(cents);
  f["unit"] = "件";
  f["quantity"] = std::to_string(500 + (n * 13) % 9500);
  f["province"] = "浙江";
  f["city"] = "义乌";
  f["pictureFolder"] = "synthetic";

  std::vector<std::string> colours;
  for (int k = 0; k < 4; ++k) colours.emplace_back(kColours[(n + k) % kColours.size()]);
  std::string colourList;
  for (const auto& colour : colours) colourList += (colourList.empty() ? "" : ",") + colour;
  f["attributes"] = "品牌:合成" + std::to_string(n % 50) + "，货号:SYN-" + std::to_string(n) + "，颜色:" + colourList +
                    "，尺码:S,M,L,XL,XXL，材质:棉,涤纶，产地:浙江，风格:简约，适用人群:通用";
  f["priceRange"] = "[[1, " + priceText(cents) + "], [50, " + priceText(cents - 100) + "], [200, " +
                    priceText(cents - 200) + "]]";

  std::string props = "[{\"prop\":\"颜色\",\"value\":[";
  for (size_t k = 0; k < colours.size(); ++k) {
    props += (k ? "," : "") + std::string("{\"imageUrl\":\"https://{{https}}/img/ibank/synthetic/") +
             std::to_string(n) + "-colour-" + std::to_string(k + 1) + ".jpg\",\"name\":\"" + colours[k] + "\"}";
  }
  props += "]},{\"prop\":\"尺码\",\"value\":[";
  for (size_t k = 0; k < kSizes.size(); ++k) props += (k ? "," : "") + std::string("{\"name\":\"") + std::string(kSizes[k]) + "\"}";
  props += "]}]";
  f["skuProps"] = props;

  std::string map = "{";
  int sku = 0;
  for (const auto& colour : colours) {
    for (auto size : kSizes) {
      ++sku;
      map += (sku > 1 ? "," : "") + std::string("\"") + colour + "&gt;" + std::string(size) +
             "\":{\"canBookCount\":" + std::to_string(100 + (n + sku * 7) % 400) + ",\"discountPrice\":\"" +
             priceText(cents + (sku % 5) * 50) + "\",\"saleCount\":" + std::to_string((n + sku) % 60) +
             ",\"skuId\":" + std::to_string(4000000000LL + n * 100LL + sku) + ",\"specId\":\"syn" + std::to_string(n) +
             "s" + std::to_string(sku) + "\"}";
    }
  }
  f["skuMap"] = map + "}";

  std::string pictures;
  for (int k = 1; k <= 6; ++k) pictures += (k > 1 ? " " : "") + std::to_string(n) + "-main-" + std::to_string(k) + ".jpg";
  f["mainPictures"] = pictures;

  // About 30 KB of description naming 20 pictures, in both resource forms by turns.
  f["description"] = n % 2 ? "content" : "desc";
  std::string scheme = n % 2 ? "http:" : "";
  std::string html;
  for (int k = 1; k <= 20; ++k) {
    html += "<p><span style=\"font-size:14px;color:#404040;line-height:1.8;\">";
    for (int sentence = 0; sentence < 12; ++sentence) {
      html += "精选优质面料，做工精细，细节" + std::to_string(k) + "经过多道工序检验，品质有保障，适合日常使用和送礼，欢迎批发选购。";
    }
    html += "</span></p>\n<p><img src=\"" + scheme + "//{{http}}/img/ibank/synthetic/" + std::to_string(n) + "-desc-" +
            std::to_string(k) + ".jpg\" width=\"750\" alt=\"细节" + std::to_string(k) + "\"/></p>\n";
  }
  item.descriptionHtml = html;
  return item;
}

std::string Catalog::renderDetail(const Item& item, const MarketHosts& hosts, std::string_view filler) const {
  std::map<std::string, std::string> fields = item.fields;
  fields["offerId"] = item.id;
  fields["company"] = std::string(kCompany);
  fields["http"] = hosts.http;
  fields["https"] = hosts.https;
  const std::string folder = "https://" + hosts.https + "/img/ibank/" + item.field("pictureFolder") + "/";

  if (item.field("removed") == "yes") return withCrlf(fill(pages_.at("removed"), fields));

  std::string mainPictures;
  for (const auto& name : splitOn(item.field("mainPictures"), " ")) {
    if (name.empty()) continue;
    auto dot = name.rfind('.');
    std::string stem = name.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    mainPictures += "<li class=\"tab-trigger\" data-imgs='{\"preview\":\"" + folder + stem + ".400x400" + extension +
                    "\",\"original\":\"" + folder + name + "\"}'>\n<div class=\"vertical-img\"><a class=\"box-img\" "
                    "href=\"#\" hidefocus=\"true\"><img src=\"" + folder + stem + ".60x60" + extension +
                    "\" alt=\"{{title}}\" /></a></div>\n</li>\n";
  }

  std::string priceBlock;
  std::string script;
  if (!item.field("priceRange").empty()) {
    priceBlock = "<div class=\"price-range\">批发价格见下表（按起批量）</div>";
    script += "  \"priceRange\":" + item.field("priceRange") + ",\n";
  } else {
    // The single-price form: the minimum order after "&ge;" and the price in its value span.
    priceBlock = "<div class=\"price-single\">\n<span class=\"price-num\"><span class=\"fd-cny\">&yen;</span>\n"
                 "    <span class=\"value\">{{refPrice}}</span></span>\n<span class=\"amount\">&ge;" +
                 (item.field("minOrder").empty() ? std::string("1") : item.field("minOrder")) +
                 "</span><span class=\"unit\">{{unit}}起批</span>\n</div>";
  }
  if (!item.field("skuProps").empty()) script += "  \"skuProps\":" + item.field("skuProps") + ",\n";
  if (!item.field("skuMap").empty()) script += "  \"skuMap\":" + item.field("skuMap") + ",\n";

  std::string attributeTable;
  for (const auto& pair : splitOn(item.field("attributes"), "，")) {
    auto colon = pair.find(':');
    if (colon == std::string::npos) continue;
    attributeTable += "<tr><td class=\"de-feature\">" + pair.substr(0, colon) + "</td><td class=\"de-value\">" +
                      pair.substr(colon + 1) + "</td></tr>\n";
  }

  fields["mainPictures"] = mainPictures;
  fields["priceBlock"] = priceBlock;
  fields["skuScript"] = script;
  fields["attributeTable"] = attributeTable;
  fields["tfsAttribute"] = item.field("description") == "content" || item.field("description") == "desc"
                               ? "data-tfs-url=\"http://" + hosts.http + "/desc/" + item.id + ".js\""
                               : "";
  // Two rounds: the pieces above carry fields of their own ({{title}}, {{https}}, ...).
  std::string page = fill(fill(detailTemplate_, fields), fields);
  replaceAll(page, "{{filler}}", filler);
  return withCrlf(page);
}

std::optional<std::string> Catalog::detailPage(std::string_view offerId, const MarketHosts& hosts) const {
  if (const Item* item = fixtureItem(offerId)) return renderDetail(*item, hosts, "");
  int n = syntheticNumber(offerId);
  if (n == 0) return std::nullopt;
  // Recommendation rows bring the page to the size of a real detail page (about 300 KB as GBK).
  std::string filler;
  filler.reserve(320 * 1024);
  for (int row = 1; row <= 1500; ++row) {
    int other = (n + row) % kSyntheticLimit + 1;
    std::string name = std::string(kAdjectives[row % kAdjectives.size()]) + std::string(kNouns[row % kNouns.size()]) +
                       " 款" + std::to_string(other);
    filler += "<li class=\"rec-item\"><a href=\"https://" + hosts.https + "/offer/" + syntheticId(other) +
              ".html\" title=\"" + name + "\" target=\"_blank\">" + name + " 热销推荐</a><em class=\"rec-price\">" +
              priceText(1000 + (other * 37) % 9000) + "</em><span class=\"rec-sold\">成交" +
              std::to_string(row % 300) + "件</span></li>\n";
  }
  return renderDetail(syntheticItem(n), hosts, filler);
}

std::string Catalog::renderDescription(const Item& item, const MarketHosts& hosts) const {
  std::string html = fill(item.descriptionHtml, {{"http", hosts.http}, {"https", hosts.https}});
  // The script holds the markup on one line, as a string literal of its form.
  std::string line;
  for (char c : html) {
    if (c != '\n' && c != '\r') line += c;
  }
  if (item.field("description") == "content") {
    std::string escaped;
    for (char c : line) {
      if (c == '"' || c == '/' || c == '\\') escaped += '\\';
      escaped += c;
    }
    return "var offer_details={\"content\":\"" + escaped + "\"};";
  }
  std::string escaped;
  for (char c : line) {
    if (c == '\'' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return "var desc='" + escaped + "';";
}

std::optional<std::string> Catalog::descriptionScript(std::string_view offerId, const MarketHosts& hosts) const {
  if (const Item* item = fixtureItem(offerId)) {
    auto form = item->field("description");
    if (form != "content" && form != "desc") return std::nullopt;
    return renderDescription(*item, hosts);
  }
  int n = syntheticNumber(offerId);
  if (n == 0) return std::nullopt;
  return renderDescription(syntheticItem(n), hosts);
}

std::string Catalog::listingPage(const ListingSetup& setup, int page, const MarketHosts& hosts) const {
  const Layout& layout = layouts_.at(setup.layout);
  int pages = std::max(0, setup.pages);
  int perPage = std::max(1, setup.itemsPerPage);
  std::vector<const Item*> listed;
  for (const auto& item : items_) {
    if (item.field("removed") != "yes") listed.push_back(&item);
  }

  auto row = [&](const std::string& url, const std::string& name, const std::string& price, const std::string& picture) {
    std::string priceHtml = price.empty() ? "" : fill(layout.sections.at("price"), {{"value", price}});
    return fill(layout.sections.at("row"), {{"url", url}, {"name", name}, {"price", priceHtml}, {"picture", picture}});
  };
  auto offerRow = [&](int index, bool withPrice) {
    std::string id;
    std::string name;
    std::string price;
    if (index < static_cast<int>(listed.size())) {
      id = listed[index]->id;
      name = listed[index]->field("title");
      price = listed[index]->field("refPrice");
    } else {
      Item synthetic = syntheticItem(index - static_cast<int>(listed.size()) + 1);
      id = synthetic.id;
      name = synthetic.field("title");
      price = synthetic.field("refPrice");
    }
    return row("https://" + hosts.https + "/offer/" + id + ".html", name, withPrice ? price : "",
               "https://" + hosts.https + "/img/ibank/listing/" + id + ".220x220.jpg");
  };

  std::string rows;
  if (page >= 1 && page <= pages) {
    for (int slot = 0; slot < perPage; ++slot) {
      int index = (page - 1) * perPage + slot;
      // Page 1 shows what real listings hold besides offers: an advertisement row without an
      // offer address (third place), and a last row whose price is not shown.
      if (page == 1 && slot == 2) {
        rows += row("http://" + hosts.http + "/page/creditdetail.htm?memberId=kestrune", "诚信通档案 实力商家", "0.00",
                    "https://" + hosts.https + "/img/ibank/listing/credit.jpg") + "\n";
      }
      rows += offerRow(index, !(page == 1 && slot == perPage - 1)) + "\n";
    }
    if (!rows.empty()) rows.pop_back();
  }
  std::string pageCount = pages > 1 ? fill(layout.sections.at("pageCount"), {{"pages", std::to_string(pages)}}) : "";
  std::map<std::string, std::string> fields = {
      {"shop", std::string(kCompany)},
      {"http", hosts.http},
      {"https", hosts.https},
      {"count", std::to_string(pages * perPage)},
      {"page", std::to_string(page)},
      {"rows", rows},
      {"pageCount", fill(pageCount, {{"page", std::to_string(page)}})},
      // Below the pager the shop recommends an offer again; harvesting must not take it.
      {"recommend", listed.empty() ? "" : offerRow(0, true)},
  };
  std::string text = fill(layout.sections.at("page"), fields);
  return layout.crlf ? withCrlf(text) : text;
}

std::string Catalog::page(std::string_view name, const std::map<std::string, std::string>& fields) const {
  auto it = pages_.find(std::string(name));
  return it == pages_.end() ? std::string() : fill(it->second, fields);
}

std::string Catalog::spacerGif() {
  static const unsigned char bytes[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x91, 0x00, 0x00,
                                        0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x21,
                                        0xf9, 0x04, 0x01, 0x00, 0x00, 0x02, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x01,
                                        0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x54, 0x01, 0x00, 0x3b};
  static_assert(sizeof bytes == 49);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

PictureAnswer Catalog::picture(std::string_view fileName) {
  std::string name = withoutSize(fileName);
  auto query = name.find('?');
  if (query != std::string::npos) name.erase(query);
  std::string lower = LowerAscii(name);
  if (lower.rfind("missing", 0) == 0) {
    return {404, "text/html",
            "<html><head><title>404 Not Found</title></head><body><h1>404 Not Found</h1>"
            "<p>The requested picture was not found on this server.</p></body></html>"};
  }
  if (lower.rfind("empty", 0) == 0) return {200, "image/jpeg", ""};
  if (lower == "spacer.gif") return {200, "image/gif", spacerGif()};
  std::string extension = extensionOf(lower);
  if (extension == "png") return {200, "image/png", pngPicture(name)};
  if (extension == "gif") return {200, "image/gif", gifPicture(name)};
  if (extension == "tif" || extension == "tiff") return {200, "image/tiff", tiffPicture(name)};
  return {200, "image/jpeg", jpegPicture(name)};
}

}  // namespace kestrune::demo
