// A strict RFC 4180 reader for the package tests: records end with CR LF, fields are bare or in
// double quotes with inner quotes doubled. Anything else (a stray quote, a bare CR or LF, text
// after a closing quote) is a parse error, so a broken row cannot read back by accident.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::testing {

using CsvRecord = std::vector<std::string>;

inline std::optional<std::vector<CsvRecord>> ReadCsv(std::string_view text) {
  std::vector<CsvRecord> records;
  std::size_t at = 0;
  while (at < text.size()) {
    CsvRecord record;
    while (true) {
      std::string field;
      if (at < text.size() && text[at] == '"') {
        ++at;
        while (true) {
          if (at >= text.size()) return std::nullopt;
          if (text[at] == '"') {
            if (at + 1 < text.size() && text[at + 1] == '"') {
              field += '"';
              at += 2;
              continue;
            }
            ++at;
            break;
          }
          field += text[at++];
        }
      } else {
        while (at < text.size() && text[at] != ',' && text[at] != '\r' && text[at] != '\n') {
          if (text[at] == '"') return std::nullopt;
          field += text[at++];
        }
      }
      record.push_back(std::move(field));
      if (at < text.size() && text[at] == ',') {
        ++at;
        continue;
      }
      if (text.substr(at, 2) == "\r\n") {
        at += 2;
        break;
      }
      return std::nullopt;  // end of text without CR LF, or a bare CR or LF
    }
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace kestrune::testing
