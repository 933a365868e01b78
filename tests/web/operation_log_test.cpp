#include "web/operation_log.h"

#include <gtest/gtest.h>

#include <thread>

namespace kestrune {
namespace {

TEST(LogStamp, LeavesOutTrailingZeroParts) {
  struct Case {
    int hour, minute, second;
    const char* stamp;
  };
  const Case cases[] = {
      {7, 10, 44, "2016年9月22日7时10分44秒"}, {0, 0, 5, "2016年9月22日0时0分5秒"},
      {0, 0, 7, "2016年9月22日0时0分7秒"},     {7, 5, 0, "2016年9月22日7时5分"},
      {14, 0, 0, "2016年9月22日14时"},         {0, 0, 0, "2016年9月22日"},
      {0, 30, 0, "2016年9月22日0时30分"},      {23, 0, 9, "2016年9月22日23时0分9秒"},
  };
  for (const auto& c : cases) {
    std::tm time{};
    time.tm_year = 116;
    time.tm_mon = 8;
    time.tm_mday = 22;
    time.tm_hour = c.hour;
    time.tm_min = c.minute;
    time.tm_sec = c.second;
    EXPECT_EQ(LogStamp(time), c.stamp);
  }
}

TEST(OperationLog, LinesFromFiveThreadsStayWholeAndOrderedPerThread) {
  MemoryLogSink sink;
  std::vector<std::thread> threads;
  for (int worker = 1; worker <= 5; ++worker) {
    threads.emplace_back([&sink, worker] {
      for (int i = 0; i < 2000; ++i) {
        appendLogLine(&sink, "线程：" + std::to_string(worker) + " #" + std::to_string(i) + "\r\n");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  auto lines = sink.lines();
  ASSERT_EQ(lines.size(), 10000u);
  int next[6] = {};
  for (const auto& line : lines) {
    auto at = line.find("线程：");
    ASSERT_NE(at, std::string::npos);
    int worker = line[at + std::string("线程：").size()] - '0';
    EXPECT_EQ(line.substr(line.find('#')), "#" + std::to_string(next[worker]++) + "\r\n");
  }
}

}  // namespace
}  // namespace kestrune
