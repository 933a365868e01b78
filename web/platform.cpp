#include "web/platform.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrune {

std::filesystem::path executablePath() {
#ifdef _WIN32
  wchar_t buffer[32768];
  DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  if (length == 0 || length >= std::size(buffer)) return {};
  return std::filesystem::path(std::wstring(buffer, length));
#else
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
#endif
}

}  // namespace kestrune
