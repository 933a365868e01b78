// Conversions between the program's own text (UTF-8 std::string) and the code pages that the
// marketplaces and the shop tools use: GBK for pages, answers, packages, list and settings files;
// UTF-16LE for the Business Assistant package. Decoding never fails: bad input becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// Decodes GBK (code page 936) bytes to UTF-8 text. Each invalid or truncated sequence becomes
// U+FFFD; ASCII bytes pass through unchanged, NUL bytes included.
std::string GbkToUtf8(std::string_view gbkBytes);

// Encodes UTF-8 text as GBK bytes. A character GBK lacks, or an invalid UTF-8 sequence, becomes
// "?". The whole input is converted (a NUL byte is kept as a NUL byte).
std::string Utf8ToGbk(std::string_view utf8Text);

// The UTF-16 little-endian code units of the text followed by one zero code unit (two zero
// bytes); no byte-order mark. Invalid UTF-8 becomes U+FFFD.
std::string GbkToUtf16(std::string_view utf8Text);

// Makes text that should be UTF-8 (answers sent as UTF-8) safe to hold in the program:
// every invalid sequence becomes U+FFFD.
std::string ValidUtf8(std::string_view bytes);

}  // namespace kestrune
