#include "web/operation_log.h"

#include <chrono>

#include "web/platform.h"

namespace kestrune {

std::string LogStamp(const std::tm& localTime) {
  std::string stamp = std::to_string(localTime.tm_year + 1900) + "年" +
                      std::to_string(localTime.tm_mon + 1) + "月" + std::to_string(localTime.tm_mday) + "日";
  const int hour = localTime.tm_hour, minute = localTime.tm_min, second = localTime.tm_sec;
  if (second != 0) {
    stamp += std::to_string(hour) + "时" + std::to_string(minute) + "分" + std::to_string(second) + "秒";
  } else if (minute != 0) {
    stamp += std::to_string(hour) + "时" + std::to_string(minute) + "分";
  } else if (hour != 0) {
    stamp += std::to_string(hour) + "时";
  }
  return stamp;
}

void appendLogLine(LogSink* sink, std::string_view message) {
  if (sink == nullptr) return;
  std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  sink->writeLogLine(LogStamp(localTimeOf(now)) + std::string(message));
}

void MemoryLogSink::writeLogLine(std::string line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(std::move(line));
}

std::vector<std::string> MemoryLogSink::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

}  // namespace kestrune
