// Settings files in the Windows profile format ("[section]" headers, "key=value" lines, CR LF,
// GBK bytes), read and written the way the Windows profile calls do: section and key names match
// without regard to letter case, writing one key keeps every other line of the file as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class ProfileFile {
 public:
  // Reads the file; a missing or unreadable file gives an empty profile.
  static ProfileFile load(const std::filesystem::path& path);
  // Parses profile text that is already UTF-8 (for tests and built-in defaults).
  static ProfileFile fromText(std::string_view utf8Text);

  // The value of a key, blanks around it trimmed and one pair of surrounding double quotes
  // removed; nullopt when the section or key is missing.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  std::string value(std::string_view section, std::string_view key, std::string_view fallback) const;

  // Sets a key: replaces its line in place, or adds it at the end of its section, or adds the
  // section at the end of the file.
  void setValue(std::string_view section, std::string_view key, std::string_view value);

  // Key names of a section in file order.
  std::vector<std::string> keys(std::string_view section) const;

  // The file's text (UTF-8, CR LF line ends).
  std::string text() const;

  // Writes the file as GBK through a temporary file renamed into place, creating its folder.
  // Returns an error message naming the file when it cannot be written, nullopt on success.
  std::optional<std::string> save(const std::filesystem::path& path) const;

 private:
  std::vector<std::string> lines_;
};

}  // namespace kestrune
