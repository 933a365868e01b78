// The log box of the "采集" page, which shows the operation log. Lines arrive from any thread
// through its LogSink; they are queued and added on the window's thread in batches, so thousands
// of lines a second from the workers leave the window responsive. Every line is kept.
#pragma once

#include <QPlainTextEdit>
#include <memory>
#include <mutex>
#include <string>

#include "web/operation_log.h"

namespace kestrune {

class LogBox;

// Thread-safe: queues lines and asks the box's thread to add them. Holding the sink after the
// box is gone is safe; lines written then are dropped.
class LogBoxSink : public LogSink {
 public:
  explicit LogBoxSink(LogBox* box) : box_(box) {}
  void writeLogLine(std::string line) override;
  // Whole lines queued since the last call, in call order, about `limit` bytes at most (always
  // at least one line). `more` tells whether lines are left for another call.
  std::string takePending(std::size_t limit, bool& more);
  void detach();

 private:
  std::mutex mutex_;
  LogBox* box_;
  std::string pending_;
};

class LogBox : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit LogBox(QWidget* parent = nullptr);
  ~LogBox() override;

  std::shared_ptr<LogSink> sink() const { return sink_; }
  // Adds what is queued now; the window's thread calls this by itself.
  void flushPending();

 private:
  std::shared_ptr<LogBoxSink> sink_;
};

}  // namespace kestrune
