#include "app/rendered_fetch.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <memory>

#include "app/cookie_bridge.h"
#include "web/encoding.h"
#include "web/fetch.h"
#include "web/operation_log.h"

namespace kestrune {

namespace {

constexpr int kStepMilliseconds = 200;
constexpr int kStepsPerCycle = 5;
constexpr int kMinimumCycles = 3;
constexpr int kMaximumCycles = 16;
// Reading the document back is quick; a renderer that does not answer must not hold the window.
constexpr int kScriptWaitMilliseconds = 5000;

// What the navigation of one page has come to; shared with the page's signal handlers, which may
// outlive the call that started it.
struct LoadState {
  bool loading = true;
  bool succeeded = false;
};

}  // namespace

RenderedFetch::RenderedFetch(QWidget* host, LogSink* log, std::string securityHost,
                             QWebEngineProfile* profile)
    : QObject(host),
      view_(new QWebEngineView(host)),
      profile_(profile ? profile : sharedWebProfile()),
      log_(log),
      securityHost_(QString::fromStdString(securityHost)),
      stepMilliseconds_(kStepMilliseconds) {
  view_->setGeometry(0, 0, 16, 24);
  view_->lower();
}

void RenderedFetch::waitStep() {
  QApplication::processEvents();
  QEventLoop loop;
  QTimer::singleShot(stepMilliseconds_, &loop, &QEventLoop::quit);
  loop.exec();
  QApplication::processEvents();
}

QString RenderedFetch::locationName(QWebEnginePage* page) const {
  QString title = page->title();
  return title.isEmpty() ? page->url().toString() : title;
}

QString RenderedFetch::documentHtml(QWebEnginePage* page) {
  // Before the navigation commits, the page still holds its initial blank document: that is
  // "no document".
  auto answer = std::make_shared<QVariant>();
  QEventLoop loop;
  QPointer<QEventLoop> waiting(&loop);
  page->runJavaScript(
      QStringLiteral("document.URL == 'about:blank' || !document.documentElement ? '' : "
                     "document.documentElement.outerHTML"),
      [answer, waiting](const QVariant& result) {
        *answer = result;
        if (waiting) waiting->quit();
      });
  QTimer::singleShot(kScriptWaitMilliseconds, &loop, &QEventLoop::quit);
  if (!answer->isValid()) loop.exec();
  return answer->toString();
}

std::string RenderedFetch::fetchRendered(const std::string& url) {
  // Each fetch loads into a page of its own, so nothing of the previous page can be mistaken for
  // this one; the page stays shown until the next fetch. A fetch started while another waits
  // (from an event it processed) replaces what is shown; the earlier one keeps its own page.
  QPointer<QWebEnginePage> page = new QWebEnginePage(profile_, this);
  page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
  auto state = std::make_shared<LoadState>();
  connect(page, &QWebEnginePage::loadStarted, page, [state] { state->loading = true; });
  connect(page, &QWebEnginePage::loadFinished, page, [state](bool ok) {
    state->loading = false;
    state->succeeded = ok;
  });
  QWebEnginePage* previous = shownPage_;
  shownPage_ = page;
  busyPages_.insert(page);
  view_->setPage(page);
  if (previous && !busyPages_.contains(previous)) previous->deleteLater();

  page->load(QUrl(QString::fromStdString(url)));

  int cycles = 0;
  while (page) {
    for (int step = 0; step < kStepsPerCycle; ++step) waitStep();
    ++cycles;
    if (cycles == kMaximumCycles || !page) break;
    QApplication::processEvents();
    if (!page) break;
    const QString location = locationName(page);
    if (!securityHost_.isEmpty() &&
        (location.contains(securityHost_) || page->url().toString().contains(securityHost_))) {
      appendLogLine(log_, "  线程：1  阿里锁定，请换账号登陆或换IP或稍后再试！\r\n");
    }
    if (!state->loading && cycles >= kMinimumCycles) break;
  }
  lastCycles_ = cycles;

  QString html;
  // A page that failed to load shows no document of its own.
  if (page && !(state->succeeded == false && state->loading == false)) html = documentHtml(page);
  if (page) {
    busyPages_.remove(page);
    if (page != shownPage_) page->deleteLater();
  }

  if (html.isEmpty()) {
    FetchOptions options;
    options.url = url;
    return FetchDirect(options).body;
  }
  return Utf8ToGbk(html.toStdString());
}

}  // namespace kestrune
