// demo-market: serves the local stand-in for the marketplaces until stopped, and points a
// program home at it (DIR/options/endpoints.ini), so that kestrune --home DIR uses it.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "tools/demo-market/market.h"
#include "web/endpoints.h"

namespace {

std::atomic<bool> stopRequested{false};

void onSignal(int) { stopRequested = true; }

int usage() {
  std::cerr << "usage: demo-market --home DIR [--http-port N] [--https-port N] [--security-port N]\n"
               "  Serves the demo market on 127.0.0.1 and writes DIR/options/endpoints.ini\n"
               "  pointing every endpoint at it. Stop it with Ctrl+C.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string home;
  kestrune::demo::MarketPorts ports;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* value = nullptr;
    if (argument == "--home" && (value = next())) {
      home = value;
    } else if (argument == "--http-port" && (value = next())) {
      ports.http = std::atoi(value);
    } else if (argument == "--https-port" && (value = next())) {
      ports.https = std::atoi(value);
    } else if (argument == "--security-port" && (value = next())) {
      ports.security = std::atoi(value);
    } else {
      return usage();
    }
  }
  if (home.empty()) return usage();

  kestrune::demo::DemoMarket market;
  try {
    market.start(ports);
  } catch (const std::exception& error) {
    std::cerr << "demo-market: " << error.what() << "\n";
    return 1;
  }
  if (auto error = market.writeEndpoints(home)) {
    std::cerr << "demo-market: " << *error << "\n";
    return 1;
  }
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);

  auto ids = market.fixtureItemIds();
  std::cout << "demo-market: serving on 127.0.0.1\n"
            << "  http      " << market.baseUrl() << "/\n"
            << "  https     " << market.secureBaseUrl() << "/  (test CA: "
            << kestrune::loadEndpoints(home).tlsCaFile << ")\n"
            << "  security  http://" << market.securityHost() << "/query.htm\n"
            << "  endpoints written to " << kestrune::endpointsFile(home).string() << "\n"
            << "Try:\n"
            << "  item  " << market.itemUrl(ids.empty() ? market.syntheticItemId(1) : ids.front()) << "\n"
            << "  shop  " << market.baseUrl() << "/\n"
            << "  list  " << market.baseUrl() << "/search.htm?search=y&scid=plain-3&viewType=grid\n"
            << "Run kestrune --home " << home << " (or kestrune-cli --home " << home << ") to use it. Ctrl+C stops.\n"
            << std::flush;
  while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  market.stop();
  std::cout << "demo-market: stopped\n";
  return 0;
}
