#include "app/webengine_setup.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstdio>

#include "web/platform.h"

namespace kestrune {

namespace {

// Background fetches (component updates, safe-browsing lists, the domain reliability monitor)
// reach hosts the program has no business with and that an offline machine cannot reach.
constexpr const char* kChromiumFlags =
    "--disable-background-networking --disable-component-update --disable-domain-reliability";

void appendChromiumFlags(const char* flags) {
  QByteArray current = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  if (current.contains(flags)) return;
  if (!current.isEmpty()) current += ' ';
  current += flags;
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", current);
}

}  // namespace

void prepareWebEngine() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;

  appendChromiumFlags(kChromiumFlags);
  if (runningAsRoot()) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    std::fputs("kestrune: running as root, so the embedded browser runs without its sandbox\n",
               stderr);
  }
  // Qt WebEngine shares OpenGL contexts with the widgets; this must be set before the
  // application object exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}  // namespace kestrune
