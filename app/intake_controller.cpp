#include "app/intake_controller.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "app/address_box.h"
#include "app/item_list_panel.h"
#include "app/main_window.h"
#include "app/page_range_dialog.h"

namespace kestrune {

IntakeController::IntakeController(MainWindow& window, PageRenderer& renderer, Endpoints endpoints,
                                   QObject* parent)
    : QObject(parent ? parent : &window),
      window_(window),
      renderer_(renderer),
      endpoints_(std::move(endpoints)),
      dialogChooser_(std::make_unique<DialogPageRangeChooser>(&window)),
      chooser_(dialogChooser_.get()) {
  connect(&window, &MainWindow::addToListRequested, this, &IntakeController::addToList);
  connect(&window, &MainWindow::exitConfirmed, this, &IntakeController::stopHarvest);
}

IntakeController::~IntakeController() { stop_.request_stop(); }

void IntakeController::setPageRangeChooser(PageRangeChooser* chooser) {
  chooser_ = chooser ? chooser : dialogChooser_.get();
}

void IntakeController::stopHarvest() { stop_.request_stop(); }

void IntakeController::addToList() {
  if (busy_) return;
  busy_ = true;
  if (stop_.stop_requested()) stop_ = std::stop_source();

  const std::string address = window_.addressBox()->text().toStdString();
  const std::string mode = window_.intakeMode().toStdString();
  QPointer<QWidget> box = window_.addressBox();
  QPointer<QWidget> button = window_.addToListButton();
  const bool buttonWasEnabled = button->isEnabled();
  box->setEnabled(false);
  button->setEnabled(false);

  ItemListPanel* panel = window_.listPanel();
  // Held for the whole add, whatever the window does with its sink meanwhile.
  const std::shared_ptr<LogSink> log = window_.logSink();
  IntakeServices services{panel->itemList(), renderer_, *chooser_, log.get(), endpoints_};
  services.processEvents = [] { QCoreApplication::processEvents(); };
  services.refreshCountLabel = [panel] { panel->refreshCountLabel(); };
  services.stop = stop_.get_token();
  const IntakeOutcome outcome = AddToList(address, mode, state_, services);

  if (box) box->setEnabled(true);
  // A generation run started during the harvest keeps the button off until it ends.
  if (button && buttonWasEnabled && panel->generateButton()->isEnabled()) button->setEnabled(true);
  busy_ = false;
  emit intakeFinished(outcome.result, outcome.rowsAdded);
}

}  // namespace kestrune
