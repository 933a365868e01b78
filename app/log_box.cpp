#include "app/log_box.h"

#include <QTextCursor>

namespace kestrune {

void LogBoxSink::writeLogLine(std::string line) {
  std::lock_guard lock(mutex_);
  if (box_ == nullptr) return;
  bool firstOfBatch = pending_.empty();
  pending_ += line;
  // One queued call per batch: later lines join the batch until the box has taken it.
  if (firstOfBatch) {
    QMetaObject::invokeMethod(box_, &LogBox::flushPending, Qt::QueuedConnection);
  }
}

std::string LogBoxSink::takePending(std::size_t limit, bool& more) {
  std::lock_guard lock(mutex_);
  more = false;
  if (pending_.size() <= limit) return std::exchange(pending_, {});
  auto lineEnd = pending_.rfind('\n', limit);
  if (lineEnd == std::string::npos) lineEnd = pending_.find('\n', limit);
  if (lineEnd == std::string::npos || lineEnd + 1 == pending_.size()) return std::exchange(pending_, {});
  std::string batch = pending_.substr(0, lineEnd + 1);
  pending_.erase(0, lineEnd + 1);
  more = true;
  return batch;
}

void LogBoxSink::detach() {
  std::lock_guard lock(mutex_);
  box_ = nullptr;
  pending_.clear();
}

LogBox::LogBox(QWidget* parent) : QPlainTextEdit(parent), sink_(std::make_shared<LogBoxSink>(this)) {
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setObjectName(QStringLiteral("operationLog"));
}

LogBox::~LogBox() { sink_->detach(); }

void LogBox::flushPending() {
  // A burst of lines is added a slice at a time, each slice its own event, so clicks and
  // repaints get their turn in between.
  constexpr std::size_t SliceBytes = 16 * 1024;
  bool more = false;
  std::string batch = sink_->takePending(SliceBytes, more);
  if (more) QMetaObject::invokeMethod(this, &LogBox::flushPending, Qt::QueuedConnection);
  if (batch.empty()) return;
  // Lines end with CR LF; the box wants one line break per line.
  QString text = QString::fromUtf8(batch);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  moveCursor(QTextCursor::End);
  insertPlainText(text);
  ensureCursorVisible();
}

}  // namespace kestrune
