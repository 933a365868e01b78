// kestrune: the window program. Options: --home DIR (where options/ lives; KESTRUNE_HOME works
// too) and --screenshots DIR (grab each page into DIR as PNG and exit, for the documentation).
#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include "acquire/settings.h"
#include "app/generation_controller.h"
#include "app/intake_controller.h"
#include "app/list_file_commands.h"
#include "app/login_window.h"
#include "app/main_window.h"
#include "app/rendered_fetch.h"
#include "app/start_up.h"
#include "app/widget_dialogs.h"
#include "app/webengine_setup.h"
#include "items/item_list.h"
#include "web/endpoints.h"
#include "web/fetch.h"
#include "web/program_home.h"

namespace {

QString optionValue(const QStringList& arguments, const QString& name) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == name && i + 1 < arguments.size()) return arguments[i + 1];
    if (arguments[i].startsWith(name + QLatin1Char('='))) return arguments[i].mid(name.size() + 1);
  }
  return {};
}

bool saveScreenshots(kestrune::MainWindow& window, const QString& folder) {
  const std::pair<int, const char*> pages[] = {{1, "start"}, {2, "collect"}, {5, "settings"}, {6, "help"}};
  if (!QDir().mkpath(folder)) return false;
  bool allSaved = true;
  for (const auto& [button, name] : pages) {
    window.selectPage(button);
    QCoreApplication::processEvents();
    QString file = QDir(folder).filePath(QStringLiteral("page-%1-%2.png").arg(button).arg(QLatin1String(name)));
    allSaved = window.grab().save(file) && allSaved;
  }
  return allSaved;
}

}  // namespace

int main(int argc, char** argv) {
  kestrune::prepareWebEngine();
  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("KestruneTrellisor"));
  // The close box only hides the window; the program ends through the exit question.
  application.setQuitOnLastWindowClosed(false);

  const QStringList arguments = application.arguments();
  auto home = kestrune::resolveProgramHome(kestrune::fromQt(optionValue(arguments, QStringLiteral("--home"))));
  QString screenshotFolder = optionValue(arguments, QStringLiteral("--screenshots"));

  // The extra certificate authority and the cookie store on the options folder, before any
  // request or browser exists.
  kestrune::configureWebAccess(home);
  const kestrune::Endpoints endpoints = kestrune::loadEndpoints(home);

  kestrune::ItemList items;
  kestrune::SettingsSnapshot settings;
  kestrune::MainWindow window({items, settings, home, endpoints});
  QObject::connect(&window, &kestrune::MainWindow::exitConfirmed, &application, &QApplication::quit);
  kestrune::bindLoginButton(window, QString::fromStdString(endpoints.sourceLoginUrl));
  // The hidden browser that reads listing pages; a child of the window.
  auto* renderer = new kestrune::RenderedFetch(&window, window.logSink().get(), endpoints.sourceSecurityHost);
  new kestrune::IntakeController(window, *renderer, endpoints);  // owned by the window
  new kestrune::ListFileCommands(window, home);  // owned by the window
  new kestrune::WindowGeneration(window, settings, home);  // owned by the window

  kestrune::StartUpOptions options;
  if (!screenshotFolder.isEmpty()) options.restrictToFirstProcessor = false;
  kestrune::startUp(application, window, options);

  if (!screenshotFolder.isEmpty()) return saveScreenshots(window, screenshotFolder) ? 0 : 1;
  return application.exec();
}
