// The small window that tells the user a run is done and how it went: how many items were
// queued, copied and lost. It never blocks the main window and sits at the bottom right of the
// screen, out of the way of the list.
#pragma once

#include <QWidget>

class QLabel;

namespace kestrune {

class CompletionWindow : public QWidget {
  Q_OBJECT

 public:
  explicit CompletionWindow(QWidget* parent = nullptr);

  // Fills in the counts, places the window and shows it (again) without blocking.
  void showCounts(int totalItems, int successCount, int failureCount);

  QLabel* heading() const { return heading_; }
  QLabel* totalLabel() const { return total_; }
  QLabel* successLabel() const { return success_; }
  QLabel* failureLabel() const { return failure_; }

 private:
  QLabel* heading_;
  QLabel* total_;
  QLabel* success_;
  QLabel* failure_;
};

}  // namespace kestrune
