#include "web/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace kestrune {

namespace {

// A few kilobytes of gzip can expand to gigabytes; nothing the program reads comes near this.
constexpr std::size_t kMaxInflatedBytes = std::size_t{256} << 20;

}  // namespace

std::string GzipInflate(std::string_view data) {
  if (data.empty()) return {};
  z_stream stream{};
  // 16 + MAX_WBITS: accept the gzip wrapper only.
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return {};

  std::string output;
  char buffer[64 * 1024];
  std::size_t offset = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    if (stream.avail_in == 0) {
      if (offset == data.size()) break;  // truncated: keep what was decoded
      std::size_t chunk = std::min<std::size_t>(data.size() - offset, UINT_MAX);
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + offset));
      stream.avail_in = static_cast<uInt>(chunk);
      offset += chunk;
    }
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    status = inflate(&stream, Z_NO_FLUSH);
    output.append(buffer, sizeof buffer - stream.avail_out);
    if (output.size() > kMaxInflatedBytes) {
      output.clear();
      break;
    }
    // Z_BUF_ERROR only says no progress was possible; with input left that cannot happen.
    if (status == Z_BUF_ERROR && stream.avail_in == 0) status = Z_OK;
  }
  inflateEnd(&stream);
  return output;
}

}  // namespace kestrune
