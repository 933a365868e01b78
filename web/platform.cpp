#include "web/platform.h"

#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#else
#include <sys/resource.h>
#include <time.h>
#include <fstream>
#include <string>
#include <sched.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
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

bool restrictToFirstProcessor() {
  // "First" is the lowest processor the process may use at all, which need not be number 0
  // inside a container or under a job object.
#ifdef _WIN32
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) || processMask == 0) {
    return false;
  }
  DWORD_PTR lowest = processMask & (~processMask + 1);
  return SetProcessAffinityMask(GetCurrentProcess(), lowest) != 0;
#else
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
  int first = -1;
  for (int cpu = 0; cpu < CPU_SETSIZE && first < 0; ++cpu) {
    if (CPU_ISSET(cpu, &allowed)) first = cpu;
  }
  if (first < 0) return false;
  cpu_set_t firstOnly;
  CPU_ZERO(&firstOnly);
  CPU_SET(first, &firstOnly);
  // Linux sets the mask per thread: set it on every thread that exists now; threads started
  // later inherit it from the thread that starts them.
  std::error_code error;
  bool allSet = true;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    auto name = task.path().filename().string();
    char* end = nullptr;
    auto thread = static_cast<pid_t>(std::strtol(name.c_str(), &end, 10));
    if (end == name.c_str() || *end != '\0') continue;
    if (sched_setaffinity(thread, sizeof firstOnly, &firstOnly) != 0) allSet = false;
  }
  if (error) return sched_setaffinity(0, sizeof firstOnly, &firstOnly) == 0;
  return allSet;
#endif
}

bool restrictToOwner(const std::filesystem::path& file) {
#ifdef _WIN32
  return std::filesystem::exists(file);
#else
  return ::chmod(file.c_str(), S_IRUSR | S_IWUSR) == 0;
#endif
}

bool runningAsRoot() {
#ifdef _WIN32
  return false;
#else
  return ::geteuid() == 0;
#endif
}

std::filesystem::path desktopFolder() {
#ifdef _WIN32
  PWSTR path = nullptr;
  std::filesystem::path desktop;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path))) desktop = path;
  CoTaskMemFree(path);
  return desktop;
#else
  const char* homeVariable = std::getenv("HOME");
  const std::filesystem::path home = homeVariable != nullptr ? homeVariable : "";
  // user-dirs.dirs holds lines like XDG_DESKTOP_DIR="$HOME/Desktop".
  const char* configVariable = std::getenv("XDG_CONFIG_HOME");
  const std::filesystem::path config = configVariable != nullptr && *configVariable != '\0'
                                           ? std::filesystem::path(configVariable)
                                           : home / ".config";
  std::ifstream dirs(config / "user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DESKTOP_DIR=\"";
  while (std::getline(dirs, line)) {
    if (line.rfind(key, 0) != 0) continue;
    const auto end = line.find('"', key.size());
    if (end == std::string::npos) break;
    std::string value = line.substr(key.size(), end - key.size());
    if (value.rfind("$HOME", 0) == 0) {
      value = home.string() + value.substr(5);
    } else if (value.empty() || value.front() != '/') {
      break;
    }
    // A desktop set to the home folder itself means the user has no separate desktop.
    if (std::filesystem::path(value).lexically_normal() != home.lexically_normal()) return value;
    break;
  }
  return home / "Desktop";
#endif
}

std::tm localTimeOf(std::time_t moment) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &moment);
#else
  localtime_r(&moment, &local);
#endif
  return local;
}

double threadCpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
#else
  timespec used{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used) != 0) return 0;
  return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
#endif
}

std::size_t peakResidentBytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
#else
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<std::size_t>(usage.ru_maxrss) * 1024;  // Linux reports kilobytes
#endif
}

}  // namespace kestrune
