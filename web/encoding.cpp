#include "web/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace kestrune {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// One converter per thread and direction: iconv descriptors are not thread-safe, and opening
// one costs more than converting a small text.
class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (handle_ != reinterpret_cast<iconv_t>(-1)) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as it can in one pass. On an invalid or incomplete sequence, calls
  // onBadInput(output) and skips `skip` bytes (at least one) of the input.
  template <typename OnBad, typename SkipLength>
  void convert(std::string_view input, std::string& output, OnBad onBadInput, SkipLength skipLength) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    output.clear();
    output.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t produced = 0;
    while (inLeft > 0) {
      char* out = output.data() + produced;
      size_t outLeft = output.size() - produced;
      size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
      produced = output.size() - outLeft;
      if (result != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        output.resize(output.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL: a sequence this code page cannot read.
      output.resize(produced);
      onBadInput(output);
      size_t skip = skipLength(reinterpret_cast<const unsigned char*>(in), inLeft);
      in += skip;
      inLeft -= skip;
      produced = output.size();
      if (output.size() < produced + inLeft * 2 + 16) output.resize(produced + inLeft * 2 + 16);
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    output.resize(produced);
  }

 private:
  iconv_t handle_;
};

// Length of the bad GBK sequence at `bytes`: a lead byte followed by a byte that cannot trail is
// one bad byte, so the following ASCII character survives.
size_t badGbkLength(const unsigned char* bytes, size_t left) {
  if (left >= 2 && bytes[0] >= 0x81 && bytes[0] <= 0xFE && bytes[1] >= 0x40 && bytes[1] != 0x7F &&
      bytes[1] != 0xFF) {
    return 2;
  }
  return 1;
}

// Length of the bad UTF-8 sequence at `bytes`: a lead byte and the continuation bytes after it.
size_t badUtf8Length(const unsigned char* bytes, size_t left) {
  size_t length = 1;
  while (length < left && length < 4 && (bytes[length] & 0xC0) == 0x80) ++length;
  return length;
}

Converter& gbkDecoder() {
  thread_local Converter converter("UTF-8", "CP936");
  return converter;
}
Converter& gbkEncoder() {
  // Code page 936 (GBK), not GB18030: the shop tools read GBK, where four-byte forms do not exist.
  thread_local Converter converter("CP936", "UTF-8");
  return converter;
}
Converter& utf16Encoder() {
  thread_local Converter converter("UTF-16LE", "UTF-8");
  return converter;
}

bool isPlainAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbkBytes) {
  if (isPlainAscii(gbkBytes)) return std::string(gbkBytes);
  std::string output;
  gbkDecoder().convert(
      gbkBytes, output, [](std::string& out) { out.append(kReplacementUtf8); }, badGbkLength);
  return output;
}

std::string Utf8ToGbk(std::string_view utf8Text) {
  if (isPlainAscii(utf8Text)) return std::string(utf8Text);
  std::string output;
  gbkEncoder().convert(
      utf8Text, output, [](std::string& out) { out.push_back('?'); }, badUtf8Length);
  return output;
}

std::string GbkToUtf16(std::string_view utf8Text) {
  std::string output;
  utf16Encoder().convert(
      utf8Text, output, [](std::string& out) { out.append("\xFD\xFF", 2); }, badUtf8Length);
  output.append(2, '\0');
  return output;
}

std::string ValidUtf8(std::string_view bytes) {
  std::string output;
  output.reserve(bytes.size());
  auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t size = bytes.size();
  for (size_t i = 0; i < size;) {
    unsigned char c = data[i];
    size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    bool good = length > 0 && i + length <= size;
    for (size_t k = 1; good && k < length; ++k) good = (data[i + k] & 0xC0) == 0x80;
    if (good && length > 1) {
      unsigned code = length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
      for (size_t k = 1; k < length; ++k) code = (code << 6) | (data[i + k] & 0x3F);
      static constexpr unsigned kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
      good = code >= kMinimum[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    }
    if (good) {
      output.append(bytes.substr(i, length));
      i += length;
    } else {
      output.append(kReplacementUtf8);
      i += 1;
    }
  }
  return output;
}

}  // namespace kestrune
