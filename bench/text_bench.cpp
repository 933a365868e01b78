// How fast the everyday page-reading operations run over a large (1 MB) page: cutting text
// between markers, a lazy page-pattern search for every picture, and decoding a GBK page.
#include <benchmark/benchmark.h>

#include <string>

#include "web/encoding.h"
#include "web/patterns.h"
#include "web/text.h"

namespace {

constexpr std::size_t kPageSize = 1 << 20;

// About 1 MB of Chinese and ASCII page text, with the wanted marker near the end.
const std::string& markerPage() {
  static const std::string page = [] {
    std::string text;
    while (text.size() < kPageSize) text += "<div class=\"row\">商品详情 价格 12.50 元</div>\n";
    text += "<span class=\"offer-id\">620123456789</span>";
    return text;
  }();
  return page;
}

// About 1 MB of markup with an img tag every few hundred bytes.
const std::string& imagePage() {
  static const std::string page = [] {
    std::string text;
    for (int i = 0; text.size() < kPageSize; ++i) {
      text += "<p>描述文字 description text that separates the pictures of the offer.</p>\n";
      text += "<img class=\"desc-img\" alt=\"图片\" src=\"https://img.example.com/ibank/" + std::to_string(i) +
              ".jpg\" width=\"750\">\n";
    }
    return text;
  }();
  return page;
}

void TextBetweenMarkerNearEnd(benchmark::State& state) {
  const std::string& page = markerPage();
  for (auto _ : state) {
    std::string id = kestrune::TextBetween(page, "<span class=#引号offer-id#引号>", "</span>");
    benchmark::DoNotOptimize(id);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(TextBetweenMarkerNearEnd)->Unit(benchmark::kMicrosecond);

void PagePatternAllImages(benchmark::State& state) {
  const std::string& page = imagePage();
  std::size_t found = 0;
  for (auto _ : state) {
    kestrune::PatternMatches matches =
        kestrune::FindAll(kestrune::PatternFamily::Page, "<img[^>]*?src=\"(.*?)\"", page);
    found = matches.count();
    benchmark::DoNotOptimize(found);
  }
  state.counters["matches"] = static_cast<double>(found);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(PagePatternAllImages)->Unit(benchmark::kMillisecond);

void ListingPatternAllImages(benchmark::State& state) {
  const std::string& page = imagePage();
  std::size_t found = 0;
  for (auto _ : state) {
    kestrune::PatternMatches matches =
        kestrune::FindAll(kestrune::PatternFamily::Listing, "<img[^>]*?src=\"(.*?)\"", page);
    found = matches.count();
    benchmark::DoNotOptimize(found);
  }
  state.counters["matches"] = static_cast<double>(found);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(ListingPatternAllImages)->Unit(benchmark::kMillisecond);

void GbkDecodeChinesePage(benchmark::State& state) {
  std::string utf8;
  while (utf8.size() < kPageSize * 3 / 2) utf8 += "阿里巴巴批发网商品详情页面，价格与库存信息。";
  const std::string gbk = kestrune::Utf8ToGbk(utf8);  // about 1 MB of GBK
  for (auto _ : state) {
    std::string text = kestrune::GbkToUtf8(gbk);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gbk.size()));
}
BENCHMARK(GbkDecodeChinesePage)->Unit(benchmark::kMillisecond);

}  // namespace
