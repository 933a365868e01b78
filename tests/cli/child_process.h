// Runs kestrune-cli as a child process with its standard output and error caught in files, so
// the tests see exactly what a script calling the program sees. POSIX only: the tests that use
// it are left out on Windows.
#pragma once

#ifndef _WIN32

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kestrune::testing {

struct ChildResult {
  int status = -1;  // the exit status; -1 when the child did not exit by itself
  std::string out;
  std::string err;
};

class ChildProcess {
 public:
  // Starts `program` with `arguments`; its output goes to files in `folder`.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& folder)
      : outFile_(folder / "stdout.txt"), errFile_(folder / "stderr.txt") {
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    const int error = posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) throw std::runtime_error("cannot start " + program);
  }

  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  void interrupt() { kill(pid_, SIGINT); }

  std::string errorSoFar() const { return read(errFile_); }

  // Waits for the child to exit; one that is still running after `limit` is killed.
  ChildResult wait(std::chrono::seconds limit = std::chrono::seconds(60)) {
    ChildResult result;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (true) {
      const pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) break;
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        status = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = 0;
    if (status != -1 && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    result.out = read(outFile_);
    result.err = read(errFile_);
    return result;
  }

 private:
  static std::string read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  pid_t pid_ = 0;
  std::filesystem::path outFile_;
  std::filesystem::path errFile_;
};

}  // namespace kestrune::testing

#endif
