#include "cli/console.h"

#include <csignal>
#include <iostream>
#include <mutex>

#include "web/text.h"

namespace kestrune::cli {

namespace {

volatile std::sig_atomic_t interruptSeen = 0;

// Log lines come from the workers, notices from the main thread: one lock keeps every line whole.
std::mutex& standardErrorLock() {
  static std::mutex lock;
  return lock;
}

void writeLine(std::string line) {
  line.push_back('\n');
  std::lock_guard lock(standardErrorLock());
  std::cerr << line << std::flush;
}

extern "C" void onInterrupt(int signalNumber) {
  interruptSeen = 1;
  // The run stops within moments; a second Ctrl-C is for when it does not.
  std::signal(signalNumber, SIG_DFL);
}

// Multi-line texts of message boxes as one line.
std::string oneLine(std::string_view text) {
  std::string line = ReplaceAll(ReplaceAll(text, "\r\n", " "), "\n", " ");
  return Trim(line);
}

}  // namespace

int fail(int status, std::string_view message) {
  tell(message);
  return status;
}

void tell(std::string_view message) { writeLine("kestrune-cli: " + std::string(message)); }

void StandardErrorLog::writeLogLine(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  writeLine(std::move(line));
}

void ConsoleDialogs::message(const std::string& text, const std::string& title) {
  tell((title.empty() ? std::string() : title + " ") + oneLine(text));
}

bool ConsoleDialogs::ask(const std::string& text, const std::string& title) {
  message(text, title);
  return false;
}

std::optional<std::filesystem::path> ConsoleDialogs::chooseSaveFile(const std::string&,
                                                                    const std::string&,
                                                                    const std::string&) {
  return std::nullopt;
}

std::optional<std::filesystem::path> ConsoleDialogs::chooseOpenFile(const std::string&,
                                                                    const std::string&) {
  return std::nullopt;
}

void watchForInterrupt() {
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
}

bool interrupted() { return interruptSeen != 0; }

std::filesystem::path pathFromArgument(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string pathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace kestrune::cli
