#include "app/webengine_setup.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include "web/platform.h"

namespace kestrune {
namespace {

// The embedded browser needs its flags before any test of this program creates the application
// object; static initialisation runs before gtest's main.
const bool prepared = (prepareWebEngine(), true);

TEST(WebEngineSetup, KeepsChromiumOffTheNetworkAndTurnsTheSandboxOffOnlyForRoot) {
  ASSERT_TRUE(prepared);
  const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  EXPECT_TRUE(flags.contains("--disable-background-networking")) << flags.constData();
  prepareWebEngine();  // a second call adds nothing
  EXPECT_EQ(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), flags);
  if (runningAsRoot()) EXPECT_EQ(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), "1");
}

}  // namespace
}  // namespace kestrune
