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

std::string LogBoxSink::takePending() {
  std::lock_guard lock(mutex_);
  return std::exchange(pending_, {});
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
  std::string batch = sink_->takePending();
  if (batch.empty()) return;
  // Lines end with CR LF; the box wants one line break per line.
  QString text = QString::fromUtf8(batch);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  moveCursor(QTextCursor::End);
  insertPlainText(text);
  ensureCursorVisible();
}

}  // namespace kestrune
