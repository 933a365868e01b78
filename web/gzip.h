// Unpacks gzip data (the category mirror sends its catalogues gzip-compressed). Only the gzip
// wrapper is accepted: raw deflate, zlib streams and plain text give nothing back.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// The uncompressed bytes of the first gzip member in `data`. Decoding stops at the member's end or
// at the first error, and what was produced until then is the result: a truncated stream gives
// its decodable beginning; empty or non-gzip input gives "". Output beyond 256 MiB is treated as
// a hostile stream and gives "".
std::string GzipInflate(std::string_view data);

}  // namespace kestrune
