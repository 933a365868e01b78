#include <QTest>
#include <QTextDocument>
#include <atomic>
#include <sstream>
#include <thread>

#include "app/log_box.h"
#include "shell_fixture.h"

namespace kestrune {
namespace {

using testing::settle;
using testing::ShellTest;

class LogBoxTest : public ShellTest {};

TEST_F(LogBoxTest, LinesFromFiveThreadsArriveWholeAndInOrder) {
  constexpr int Threads = 5;
  constexpr int LinesPerThread = 4000;
  std::shared_ptr<LogSink> sink = window->logSink();
  std::atomic<int> finished = 0;
  std::vector<std::thread> workers;
  for (int worker = 1; worker <= Threads; ++worker) {
    workers.emplace_back([sink, worker, &finished] {
      for (int line = 0; line < LinesPerThread; ++line) {
        appendLogLine(sink.get(), "线程：" + std::to_string(worker) + "  第：" + std::to_string(line) +
                                      " 个宝贝 下载完成！\r\n");
      }
      ++finished;
    });
  }
  // The window goes on handling its events while the workers write.
  while (finished < Threads) QCoreApplication::processEvents();
  for (auto& worker : workers) worker.join();
  // Every line ends with a line break, so the box ends with one empty line.
  ASSERT_TRUE(testing::settleUntil(
      [this] { return window->logBox()->document()->blockCount() == Threads * LinesPerThread + 1; }));

  std::istringstream text(window->logBox()->toPlainText().toStdString());
  std::vector<int> next(Threads + 1, 0);
  int lines = 0;
  for (std::string line; std::getline(text, line);) {
    if (line.empty()) continue;
    ++lines;
    auto threadAt = line.find("线程：");
    ASSERT_NE(threadAt, std::string::npos) << line;
    ASSERT_NE(line.find(" 个宝贝 下载完成！"), std::string::npos) << line;
    EXPECT_EQ(line.find("年"), 4u) << line;  // the stamp leads the line
    int worker = std::stoi(line.substr(threadAt + std::string("线程：").size()));
    int number = std::stoi(line.substr(line.find("第：") + std::string("第：").size()));
    ASSERT_EQ(number, next[worker]) << "worker " << worker;
    ++next[worker];
  }
  EXPECT_EQ(lines, Threads * LinesPerThread);
}

TEST_F(LogBoxTest, SinkOutlivingTheWindowDropsLines) {
  std::shared_ptr<LogSink> sink = window->logSink();
  window->appendLog("  第一行\r\n");
  settle();
  EXPECT_TRUE(window->logBox()->toPlainText().endsWith(QStringLiteral("  第一行\n")));
  window.reset();
  appendLogLine(sink.get(), "  窗口关闭以后\r\n");
  settle();
}

}  // namespace
}  // namespace kestrune
