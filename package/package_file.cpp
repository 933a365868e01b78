#include "package/package_file.h"

#include <atomic>
#include <cerrno>
#include <fstream>
#include <system_error>

namespace kestrune {

namespace {

std::filesystem::path temporaryBeside(const std::filesystem::path& path) {
  // Unique within the process, so two writes of the same name never share a temporary file.
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temporary = path;
  temporary += ".writing" + std::to_string(++counter);
  return temporary;
}

std::string systemReason(int error) { return std::generic_category().message(error); }

}  // namespace

WriteOutcome writeFileReplacing(const std::filesystem::path& path, std::string_view bytes) {
  if (path.empty() || !path.has_filename()) return {false, "no file name"};
  const std::filesystem::path temporary = temporaryBeside(path);
  {
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return {false, systemReason(errno != 0 ? errno : EIO)};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      const int error = errno != 0 ? errno : EIO;
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return {false, systemReason(error)};
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return {false, error.message()};
  }
  return {true, {}};
}

}  // namespace kestrune
