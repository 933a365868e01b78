// The operation log: the stamped lines that tell the user what the program is doing. The core
// writes through a LogSink that each front end provides (the log box of the window, standard
// error of the command-line program); this file only knows the line format.
#pragma once

#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// The text that begins every log line, for a local date and time: 2016年9月22日7时10分44秒;
// trailing zero parts are left out (…7时5分, …14时, and the date alone at midnight).
std::string LogStamp(const std::tm& localTime);

// Receives whole log lines (stamp + message, message with its own leading blanks and CR LF).
// Implementations must accept calls from any thread and keep each line whole and in call order.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void writeLogLine(std::string line) = 0;
};

// Puts LogStamp of the current local time in front of `message` and hands the line to the sink.
// A null sink drops the line.
void appendLogLine(LogSink* sink, std::string_view message);

// A sink that keeps the lines in memory; for tests and for collecting a run's log.
class MemoryLogSink : public LogSink {
 public:
  void writeLogLine(std::string line) override;
  std::vector<std::string> lines() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace kestrune
