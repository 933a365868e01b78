// "添加到列表" in the window: reads the address box and the intake mode, and runs the address
// intake on the window's thread: one row for an item page, or the listing harvested page by page
// while the window stays live. The address box and the button are disabled while a listing is
// read, so a second add cannot start a harvest inside the running one.
#pragma once

#include <QObject>
#include <memory>
#include <stop_token>

#include "items/intake.h"

namespace kestrune {

class MainWindow;

class IntakeController : public QObject {
  Q_OBJECT

 public:
  // `renderer` reads listing pages (the window's hidden browser); it must outlive the controller.
  IntakeController(MainWindow& window, PageRenderer& renderer, Endpoints endpoints,
                   QObject* parent = nullptr);
  ~IntakeController() override;

  // Replaces the page range dialog (tests answer without a dialog); null restores the dialog.
  void setPageRangeChooser(PageRangeChooser* chooser);

  const HarvestState& harvestState() const { return state_; }
  bool busy() const { return busy_; }

 public slots:
  // The command "添加到列表"; does nothing while an add is still running.
  void addToList();
  // Ends a running harvest after the page or row at hand (the program is closing).
  void stopHarvest();

 signals:
  void intakeFinished(kestrune::IntakeResult result, int rowsAdded);

 private:
  MainWindow& window_;
  PageRenderer& renderer_;
  Endpoints endpoints_;
  std::unique_ptr<PageRangeChooser> dialogChooser_;
  PageRangeChooser* chooser_;
  HarvestState state_;
  std::stop_source stop_;
  bool busy_ = false;
};

}  // namespace kestrune
