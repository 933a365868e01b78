// Listing pages as the browser shows them: a hidden embedded browser (16 by 24 pixels on the main
// window) loads the page with the shared cookies, runs its scripts, and hands back the document's
// HTML. While it waits it watches for the marketplace's security-check page and tells the user in
// the operation log that the account or address is locked. UI thread only: it processes window
// events while it waits, so the window stays live.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>

#include <string>

#include "web/renderer.h"

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace kestrune {

class LogSink;

class RenderedFetch : public QObject, public PageRenderer {
 public:
  // The hidden browser becomes a child of `host`. securityHost is the host (with its port, if
  // any) of the security-check page; log may be null.
  RenderedFetch(QWidget* host, LogSink* log, std::string securityHost,
                QWebEngineProfile* profile = nullptr);

  // FetchRendered: navigates, waits in cycles of five 200 ms steps (at least 3 cycles, at most
  // 16), and returns the outer HTML of the document element as GBK bytes; FetchDirect's body when
  // the browser has no document.
  std::string fetchRendered(const std::string& url) override;

  // The number of cycles the last fetch waited.
  int lastCycles() const { return lastCycles_; }
  // The length of one wait step; tests shorten it to run sixteen cycles quickly.
  void setStepMilliseconds(int milliseconds) { stepMilliseconds_ = milliseconds; }
  QWebEngineView* view() const { return view_; }

 private:
  void waitStep();
  QString locationName(QWebEnginePage* page) const;
  QString documentHtml(QWebEnginePage* page);

  QWebEngineView* view_;
  QWebEngineProfile* profile_;
  LogSink* log_;
  QString securityHost_;
  QPointer<QWebEnginePage> shownPage_;
  QSet<QWebEnginePage*> busyPages_;
  int lastCycles_ = 0;
  int stepMilliseconds_;
};

}  // namespace kestrune
