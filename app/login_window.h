// The small window in which the user signs in to the source marketplace on its own page, so that
// later downloads go as the signed-in user. It reads nothing from the page: the sign-in travels
// through the cookies that the browser shares with the program's requests.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QWebEngineProfile;
class QWebEngineView;

namespace kestrune {

class MainWindow;

class LoginWindow : public QDialog {
 public:
  // Opens `loginUrl` in an embedded browser on `profile` (the shared profile when null).
  explicit LoginWindow(const QString& loginUrl, QWidget* parent = nullptr,
                       QWebEngineProfile* profile = nullptr);

  QWebEngineView* browser() const { return browser_; }
  QLabel* note() const { return note_; }

 private:
  QWebEngineView* browser_;
  QLabel* note_;
};

// Shows a new login window on `loginUrl` as a modal window and returns when the user has closed
// it. Used by the button "3" and at the start of a generation run.
void openLoginWindow(QWidget* parent, const QString& loginUrl, QWebEngineProfile* profile = nullptr);

// Makes the window's button "3" open the login window on `loginUrl`.
void bindLoginButton(MainWindow& window, const QString& loginUrl);

}  // namespace kestrune
