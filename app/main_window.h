// The main window: the page toolbar, the mode banner, the four pages ("开始", "采集", "配置",
// "帮助"), the notification icon and the exit question. It owns the controls and their simple
// rules (page switching, intake mode, address hints, the item list panel, the log box, the
// package path); the commands of address intake, list files, generation and sign-in live in
// their own controllers, which connect to the signals below and use the accessors.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <memory>
#include <optional>

#include "acquire/settings.h"
#include "app/artwork.h"
#include "app/skin.h"
#include "items/item_list.h"
#include "web/endpoints.h"
#include "web/operation_log.h"
#include "web/user_dialogs.h"

class QLabel;
class QLineEdit;
class QDialog;
class QMenu;
class QPushButton;
class QSlider;
class QSystemTrayIcon;
class QTabWidget;

namespace kestrune {

class AddressBox;
class ItemListPanel;
class LogBox;
class PageToolbar;
class SettingsPage;

// What the window needs from the program; everything must outlive the window.
struct ShellContext {
  ItemList& items;
  SettingsSnapshot& settings;
  std::filesystem::path home;
  Endpoints endpoints;
};

// The controls a generation run switches on and off.
enum class RunControls { Idle, Running, Stopped };

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int ClientWidth = 703;
  // 625 with the caption and borders of the window frame.
  static constexpr int ClientHeight = 595;
  static constexpr int TabHeight = 466;

  explicit MainWindow(ShellContext context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Message boxes and file choices go through this; tests put in their own.
  UserDialogs& dialogs() { return *dialogs_; }
  void setDialogs(UserDialogs* dialogs);

  // "单品", "列表", "店铺", or empty before the user has chosen.
  QString intakeMode() const { return intakeMode_; }
  std::shared_ptr<LogSink> logSink() const;
  // Stamps `message` (which carries its own leading blanks and CR LF) and adds it to the log
  // box; any thread.
  void appendLog(std::string_view message) const;

  PageToolbar* pageToolbar() const { return toolbar_; }
  QTabWidget* pages() const { return tabs_; }
  QLabel* bannerText() const { return bannerText_; }
  BannerPicture bannerPicture() const { return banner_; }
  QLabel* addressLabel() const { return addressLabel_; }
  AddressBox* addressBox() const { return addressBox_; }
  QPushButton* addToListButton() const { return addToListButton_; }
  QPushButton* loginButton() const { return loginButton_; }
  QLineEdit* savePathBox() const { return savePathBox_; }
  QPushButton* changePathButton() const { return changePathButton_; }
  ItemListPanel* listPanel() const { return listPanel_; }
  LogBox* logBox() const { return logBox_; }
  SettingsPage* settingsPage() const { return settingsPage_; }
  QSystemTrayIcon* trayIcon() const { return trayIcon_; }
  QMenu* trayMenu() const { return trayMenu_; }
  SkinAdjustment skinAdjustment() const;

  // The hint the save-path box shows until a path is chosen.
  static QString savePathHint();
  // The package path as "更改" last derived it (empty before).
  PackageLocation packageLocation() const;

  // Start-up pieces (see startUp): the window's size, and the icon in the notification area.
  void applyStartUpSize();
  void createTrayIcon();
  // The close box hides the window only when the notification area can bring it back; with no
  // notification area it asks whether to exit instead. Tests set what the platform would say.
  void assumeTrayAvailable(bool available) { trayAvailable_ = available; }

  void setBanner(BannerPicture picture, const QString& text);
  // Enables and disables the controls for the state of a generation run.
  void setRunControls(RunControls state);

 public slots:
  // Reaction to toolbar button n (1 to 7).
  void selectPage(int n);
  // "更改": asks for the package file and derives its folder and base name.
  void choosePackagePath();
  // Shows the exit question modally; "确 定" emits exitConfirmed.
  void openExitConfirm();
  // Makes the window visible and normal again (double click on the notification icon).
  void restoreFromTray();

 signals:
  void addToListRequested();
  void loginRequested();
  void generateRequested();
  void pauseRequested();
  void stopRequested();
  void importListRequested();
  void exportListRequested();
  void spreadsheetRequested();
  void completionWindowRequested();
  void exitConfirmed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* buildStartPage();
  QWidget* buildCollectPage();
  QWidget* buildHelpPage();
  QWidget* htmlView(const std::string& url, const QString& shippedPage, QWidget* parent);
  void buildSkinSliders(QWidget* parent);
  void switchMode(const QString& mode, const QString& label);
  void publishSavePath();

  ShellContext context_;
  std::unique_ptr<UserDialogs> ownDialogs_;
  UserDialogs* dialogs_;
  QString intakeMode_;
  BannerPicture banner_ = BannerPicture::Start;
  std::optional<bool> trayAvailable_;

  PageToolbar* toolbar_ = nullptr;
  QLabel* bannerPicture_ = nullptr;
  QLabel* bannerText_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QLabel* addressLabel_ = nullptr;
  AddressBox* addressBox_ = nullptr;
  QPushButton* addToListButton_ = nullptr;
  QPushButton* loginButton_ = nullptr;
  QLineEdit* savePathBox_ = nullptr;
  QPushButton* changePathButton_ = nullptr;
  ItemListPanel* listPanel_ = nullptr;
  LogBox* logBox_ = nullptr;
  SettingsPage* settingsPage_ = nullptr;
  QSlider* hueSlider_ = nullptr;
  QSlider* saturationSlider_ = nullptr;
  QSlider* brightnessSlider_ = nullptr;
  QSystemTrayIcon* trayIcon_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  QPointer<QDialog> exitConfirm_;
};

}  // namespace kestrune
