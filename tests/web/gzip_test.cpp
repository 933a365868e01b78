#include "web/gzip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace kestrune {
namespace {

// Compresses with the gzip wrapper (windowBits 16 + 15), as the category mirror sends.
std::string gzip(const std::string& plain, int windowBits = 16 + MAX_WBITS) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY),
            Z_OK);
  std::string out(deflateBound(&stream, plain.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  stream.avail_in = static_cast<uInt>(plain.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// A catalogue-like text that does not compress to nothing, so truncation cuts real content.
std::string catalogue() {
  std::string text;
  for (int i = 0; i < 4000; ++i) text += "{\"pid\":" + std::to_string(i * 7919 % 100003) + ",\"name\":\"属性\"},";
  return text;
}

TEST(GzipInflate, WholeStreamGivesTheOriginalBytes) {
  const std::string plain = catalogue();
  EXPECT_EQ(GzipInflate(gzip(plain)), plain);
  // Trailing bytes after the member (padding some servers add) are ignored.
  EXPECT_EQ(GzipInflate(gzip(plain) + "garbage"), plain);
}

TEST(GzipInflate, TruncatedStreamGivesWhatDecodedSoFar) {
  const std::string plain = catalogue();
  const std::string packed = gzip(plain);
  const std::string partial = GzipInflate(packed.substr(0, packed.size() / 2));
  EXPECT_FALSE(partial.empty());
  EXPECT_LT(partial.size(), plain.size());
  EXPECT_EQ(plain.substr(0, partial.size()), partial);
}

TEST(GzipInflate, AnythingButGzipGivesNothing) {
  const std::string plain = catalogue();
  struct Case {
    const char* what;
    std::string input;
  } cases[] = {
      {"empty", ""},
      {"plain text", plain},
      {"zlib stream", gzip(plain, MAX_WBITS)},
      {"raw deflate", gzip(plain, -MAX_WBITS)},
      {"gzip header only", gzip(plain).substr(0, 10)},
  };
  for (const Case& c : cases) EXPECT_EQ(GzipInflate(c.input), "") << c.what;
}

}  // namespace
}  // namespace kestrune
