#include "app/cookie_bridge.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkCookie>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include "web/shared_cookie_store.h"

namespace kestrune {

namespace {

StoredCookie storedFrom(const QNetworkCookie& cookie) {
  StoredCookie stored;
  stored.name = cookie.name().toStdString();
  stored.value = cookie.value().toStdString();
  // The browser writes a domain cookie's domain with a leading dot, a host-only one without.
  const QString domain = cookie.domain();
  stored.hostOnly = !domain.startsWith('.');
  stored.domain = domain.toLower().toStdString();
  stored.path = cookie.path().isEmpty() ? "/" : cookie.path().toStdString();
  stored.expires = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
  // A cookie of the far past would read as a session cookie; keep it expired.
  if (!cookie.isSessionCookie() && stored.expires <= 0) stored.expires = 1;
  stored.secure = cookie.isSecure();
  stored.httpOnly = cookie.isHttpOnly();
  return stored;
}

// The cookie with the address it belongs to: the browser takes a cookie without a domain as
// host-only for that address, and refuses a Secure one from a plain address.
std::pair<QNetworkCookie, QUrl> browserForm(const StoredCookie& stored) {
  QNetworkCookie cookie(QByteArray::fromStdString(stored.name), QByteArray::fromStdString(stored.value));
  const QString domain = QString::fromStdString(stored.domain);
  if (!stored.hostOnly) cookie.setDomain('.' + domain);
  cookie.setPath(QString::fromStdString(stored.path));
  if (stored.expires != 0) cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(stored.expires));
  cookie.setSecure(stored.secure);
  cookie.setHttpOnly(stored.httpOnly);
  QUrl origin(QStringLiteral("%1://%2/").arg(stored.secure ? "https" : "http", domain));
  return {cookie, origin};
}

}  // namespace

CookieBridge::CookieBridge(QWebEngineProfile* profile, std::shared_ptr<SharedCookieStore> store,
                           QObject* parent)
    : QObject(parent), browserCookies_(profile->cookieStore()), store_(std::move(store)) {
  connect(browserCookies_, &QWebEngineCookieStore::cookieAdded, this,
          [this](const QNetworkCookie& cookie) { fromBrowser(cookie, false); });
  connect(browserCookies_, &QWebEngineCookieStore::cookieRemoved, this,
          [this](const QNetworkCookie& cookie) { fromBrowser(cookie, true); });
  // The store hears changes on the thread of the request that made them; the browser is told on
  // the UI thread. A change queued for a bridge that is gone is dropped with it.
  listener_ = store_->addListener([this](const CookieChange& change) {
    QMetaObject::invokeMethod(this, [this, change] { toBrowser(change); }, Qt::QueuedConnection);
  });
  for (const StoredCookie& cookie : store_->all()) toBrowser({cookie, false});
}

CookieBridge::~CookieBridge() { store_->removeListener(listener_); }

void CookieBridge::fromBrowser(const QNetworkCookie& cookie, bool removed) {
  const StoredCookie stored = storedFrom(cookie);
  if (removed) {
    store_->remove(stored, listener_);
  } else {
    store_->set(stored, listener_);
  }
}

void CookieBridge::toBrowser(const CookieChange& change) {
  if (!browserCookies_) return;
  auto [cookie, origin] = browserForm(change.cookie);
  if (change.removed) {
    browserCookies_->deleteCookie(cookie, origin);
  } else {
    browserCookies_->setCookie(cookie, origin);
  }
}

QWebEngineProfile* sharedWebProfile() {
  static QPointer<QWebEngineProfile> profile;
  if (!profile) {
    // Off the record: the browser writes no cookie database of its own; the shared store keeps
    // what lasts.
    profile = new QWebEngineProfile(QCoreApplication::instance());
    new CookieBridge(profile, sharedCookieStore(), profile);
  }
  return profile;
}

}  // namespace kestrune
