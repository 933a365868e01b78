// The small text operations every reader of pages and addresses uses: cutting text between
// markers, trimming and splitting, taking addresses apart, escaping patterns, percent-encoding.
// All work on the program's UTF-8 text, keep no state and are safe on any thread. Searches are
// case-sensitive and find the first occurrence unless a flag says otherwise; on UTF-8 text a
// match can never begin inside a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// Stored markers and patterns write a double quote as this text.
inline constexpr std::string_view QuoteMarker = "#引号";

// The text between the first `left` (searched from byte offset `start`) and the first `right`
// behind it; empty when either is missing. Every QuoteMarker in both markers stands for '"'.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        std::size_t start = 0, bool caseInsensitive = false);

// Like TextBetween with the markers taken literally; an empty left marker means "from the
// beginning", an empty right marker "to the end".
std::string TextSpan(std::string_view text, std::string_view left, std::string_view right);

// Trimmed text before / after the first colon of a header line; empty when there is no colon.
std::string HeaderName(std::string_view line);
std::string HeaderValue(std::string_view line);

// Host of an address, lower-cased, port cut unless keepPort. The standard form reads an address
// without a scheme as http; the plain form (plainHttp) takes what follows the first "http://".
std::string UrlHost(std::string_view url, bool keepPort = false, bool plainHttp = false);
// Port of an address: the written one, else 443 for https and 80 otherwise (plain form: 80).
int UrlPort(std::string_view url, bool plainHttp = false);
// Path and query of an address, from the first "/" after the host; "/" when there is none.
std::string UrlPath(std::string_view url, bool plainHttp = false);

// Escapes ( ) / + * . [ ] | with a backslash so the text matches itself inside a pattern.
std::string RegexEscape(std::string_view text);
// As RegexEscape, but a slash becomes \\\/ so the pattern matches JSON's escaped slash.
std::string RegexEscapeJson(std::string_view text);

// Percent-encodes the GBK bytes of the text (UTF-8 bytes with `utf8`); with keepSafe the bytes
// "-", ".", digits and ASCII letters stay as they are. Hex digits are upper-case.
std::string PercentEncode(std::string_view text, bool keepSafe = false, bool utf8 = false);

// Formats a date-time value (days since 1899-12-30, fraction = time of day) with a date picture
// (d dd ddd dddd M MM MMM MMMM y yy yyyy g gg) and a time picture (h hh H HH m mm s ss t tt).
// A picture shorter than three characters contributes nothing; an impossible value gives "".
std::string DateTimeText(double value, std::string_view datePicture, std::string_view timePicture);

// Removes ASCII blanks and the full-width blank U+3000 at both ends; tabs and line breaks stay.
std::string Trim(std::string_view text);
// Removes every ASCII blank and full-width blank wherever it stands.
std::string RemoveSpaces(std::string_view text);

// Pieces between separators in order, empty pieces included; a separator at the very end gives
// no empty last piece, and an empty text gives no pieces.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// Replaces every occurrence of `from` (not empty) by `to`, left to right, without rescanning.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// ASCII letters lower-cased; every other byte unchanged.
std::string LowerAscii(std::string_view text);

// Byte offset of the first `needle` at or after `start`, or npos. The case-insensitive search
// folds ASCII letters only. An empty needle is found at `start` while any text remains there.
std::size_t FindText(std::string_view text, std::string_view needle, std::size_t start = 0,
                     bool caseInsensitive = false);

}  // namespace kestrune
