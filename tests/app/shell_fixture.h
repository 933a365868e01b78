// Shared pieces of the window tests: one QApplication for the test program, a temporary program
// home, dialogs that answer from a script instead of blocking, and a main window built on them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <chrono>
#include <deque>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "acquire/settings.h"
#include "app/main_window.h"
#include "items/item_list.h"
#include "web/user_dialogs.h"

namespace kestrune::testing {

// Created on first use and kept for the whole test program (gtest_main owns main()).
inline QApplication& testApplication() {
  static int argc = 1;
  static char name[] = "tests_app";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return existing;
    // Browser views need contexts shared from the start, as in the program's main().
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    auto* created = new QApplication(argc, argv);
    created->setQuitOnLastWindowClosed(false);
    return created;
  }();
  return *application;
}

// Lets queued work (log batches, list news) reach the widgets.
inline void settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Lets queued work run until `done` holds or the time is up; returns whether it held.
inline bool settleUntil(const std::function<bool()>& done, int milliseconds = 10000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

struct Notice {
  std::string text;
  std::string title;
};

class ScriptedDialogs : public UserDialogs {
 public:
  void message(const std::string& text, const std::string& title) override { notices.push_back({text, title}); }
  bool ask(const std::string& text, const std::string& title) override {
    notices.push_back({text, title});
    return answer;
  }
  std::optional<std::filesystem::path> chooseSaveFile(const std::string&, const std::string& filter,
                                                      const std::string&) override {
    filters.push_back(filter);
    return nextFile();
  }
  std::optional<std::filesystem::path> chooseOpenFile(const std::string&, const std::string& filter) override {
    filters.push_back(filter);
    return nextFile();
  }

  std::vector<Notice> notices;
  std::vector<std::string> filters;
  std::deque<std::optional<std::filesystem::path>> files;  // answers of the file choices, in order
  bool answer = true;

 private:
  std::optional<std::filesystem::path> nextFile() {
    if (files.empty()) return std::nullopt;
    auto file = files.front();
    files.pop_front();
    return file;
  }
};

class TemporaryHome {
 public:
  TemporaryHome() {
    auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("kestrune-app-" + std::string(test ? test->test_suite_name() : "suite") + "-" +
             std::string(test ? test->name() : "test") + "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TemporaryHome() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A main window over its own list, snapshot and home, with scripted dialogs.
class ShellTest : public ::testing::Test {
 protected:
  ShellTest() {
    testApplication();
    window = std::make_unique<MainWindow>(ShellContext{items, settings, home.path(), Endpoints{}});
    window->setDialogs(&dialogs);
    window->assumeTrayAvailable(true);
    window->show();
  }
  ~ShellTest() override {
    window.reset();
    settle();
  }

  TemporaryHome home;
  ItemList items;
  SettingsSnapshot settings;
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

}  // namespace kestrune::testing
