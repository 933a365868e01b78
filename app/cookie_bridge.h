// Makes the embedded browser and the program's requests share one set of cookies: a sign-in in
// the login window reaches the downloads (and BrowserCookies) at once, HttpOnly cookies included,
// and what the downloads' answers set reaches the browser. The program's SharedCookieStore is the
// one that lasts (it keeps the persistent cookies on disk); the browser profile itself keeps
// nothing and is filled from the store when the bridge starts.
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QNetworkCookie;
class QWebEngineCookieStore;
class QWebEngineProfile;

namespace kestrune {

class SharedCookieStore;
struct CookieChange;

class CookieBridge : public QObject {
 public:
  // Bridges `profile`'s cookie store with `store`; lives on the UI thread.
  CookieBridge(QWebEngineProfile* profile, std::shared_ptr<SharedCookieStore> store,
               QObject* parent = nullptr);
  ~CookieBridge() override;

 private:
  void fromBrowser(const QNetworkCookie& cookie, bool removed);
  void toBrowser(const CookieChange& change);

  QPointer<QWebEngineCookieStore> browserCookies_;
  std::shared_ptr<SharedCookieStore> store_;
  int listener_ = 0;
};

// The browser profile that the login window and the hidden browser share, bridged to the
// process's shared cookie store. Created on the first call (on the UI thread, after the shared
// store has been set) and kept until the application object goes.
QWebEngineProfile* sharedWebProfile();

}  // namespace kestrune
