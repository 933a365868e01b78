// The market's front door: it accepts connections itself (terminating TLS where a listener is
// secure), reads each request as raw bytes so that the recording keeps header order and
// spelling, applies the injected faults, and hands the request to the HTTP server behind it on
// an internal port. One request per connection: answers carry "Connection: close".
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/demo-market/market.h"

typedef struct ssl_ctx_st SSL_CTX;

namespace kestrune::demo {

class Front {
 public:
  struct Hooks {
    std::function<void(RecordedRequest)> record;
    // The fault for a target, counting one use of it; nullopt when none applies.
    std::function<std::optional<Fault>(const std::string& target)> takeFault;
    std::function<std::chrono::milliseconds()> latency;
  };

  Front(int backendPort, Hooks hooks);
  ~Front();

  // Binds 127.0.0.1:port (0 for any free port) and returns the port. tls is null for plain
  // HTTP; the Front does not own it. Call before start().
  int listen(int port, SSL_CTX* tls);
  void start();
  void stop();

 private:
  struct Listener {
    long long socket;
    int port;
    SSL_CTX* tls;
  };
  struct Connection;

  void acceptLoop();
  void serve(Connection& connection, const Listener& listener);
  bool pause(std::chrono::milliseconds duration);  // false when stopping cut it short
  void reapFinished();

  int backendPort_;
  Hooks hooks_;
  std::vector<Listener> listeners_;
  std::thread acceptThread_;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace kestrune::demo
