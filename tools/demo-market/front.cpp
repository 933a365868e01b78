#include "tools/demo-market/front.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <string_view>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#endif

namespace kestrune::demo {
namespace {

#ifdef _WIN32
using SocketHandle = SOCKET;
const SocketHandle kNoSocket = INVALID_SOCKET;
void closeSocket(SocketHandle s) { closesocket(s); }
int pollOne(SocketHandle s, short events, int ms) {
  WSAPOLLFD entry{s, events, 0};
  return WSAPoll(&entry, 1, ms);
}
using PollEntry = WSAPOLLFD;
int pollMany(PollEntry* entries, size_t count, int ms) { return WSAPoll(entries, static_cast<ULONG>(count), ms); }
constexpr int kSendFlags = 0;
constexpr int kShutdownBoth = SD_BOTH;
using SendSize = int;
#else
using SocketHandle = int;
const SocketHandle kNoSocket = -1;
void closeSocket(SocketHandle s) { ::close(s); }
int pollOne(SocketHandle s, short events, int ms) {
  pollfd entry{s, events, 0};
  return ::poll(&entry, 1, ms);
}
using PollEntry = pollfd;
int pollMany(PollEntry* entries, size_t count, int ms) { return ::poll(entries, static_cast<nfds_t>(count), ms); }
constexpr int kSendFlags = MSG_NOSIGNAL;
constexpr int kShutdownBoth = SHUT_RDWR;
using SendSize = size_t;
#endif

using namespace std::chrono_literals;

// A request head larger than this is refused: it protects the market from runaway clients.
constexpr size_t kMaxHeadBytes = 256 * 1024;
constexpr size_t kMaxBodyBytes = 64 * 1024 * 1024;
constexpr auto kIdleLimit = 30s;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view headerName(std::string_view line) {
  auto colon = line.find(':');
  return colon == std::string_view::npos ? std::string_view{} : line.substr(0, colon);
}

std::string_view headerValue(std::string_view line) {
  auto colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  auto value = line.substr(colon + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  return value;
}

// Reads and writes one connection, plain or TLS, giving up when the market stops.
class Stream {
 public:
  Stream(SocketHandle socket, SSL* tls, const std::atomic<bool>& stopping)
      : socket_(socket), tls_(tls), stopping_(stopping) {}

  bool waitReadable(std::chrono::milliseconds timeout) {
    if (tls_ && SSL_pending(tls_) > 0) return true;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!stopping_) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left <= 0ms) return false;
      int ready = pollOne(socket_, POLLIN, static_cast<int>(std::min<long long>(left.count(), 100)));
      if (ready > 0) return true;
      if (ready < 0) return false;
    }
    return false;
  }

  // Up to size bytes; 0 at the end of the stream, on failure, time-out or stop.
  size_t read(char* buffer, size_t size, std::chrono::milliseconds timeout = kIdleLimit) {
    if (!waitReadable(timeout)) return 0;
    if (tls_) {
      int got = SSL_read(tls_, buffer, static_cast<int>(std::min<size_t>(size, 1 << 30)));
      return got > 0 ? static_cast<size_t>(got) : 0;
    }
    auto got = ::recv(socket_, buffer, static_cast<SendSize>(size), 0);
    return got > 0 ? static_cast<size_t>(got) : 0;
  }

  bool write(std::string_view data) {
    while (!data.empty()) {
      if (tls_) {
        int sent = SSL_write(tls_, data.data(), static_cast<int>(std::min<size_t>(data.size(), 1 << 20)));
        if (sent <= 0) return false;
        data.remove_prefix(static_cast<size_t>(sent));
      } else {
        auto sent = ::send(socket_, data.data(), static_cast<SendSize>(data.size()), kSendFlags);
        if (sent <= 0) return false;
        data.remove_prefix(static_cast<size_t>(sent));
      }
    }
    return true;
  }

 private:
  SocketHandle socket_;
  SSL* tls_;
  const std::atomic<bool>& stopping_;
};

// Reads more bytes into buffer; false when the stream ended first.
bool readMore(Stream& stream, std::string& buffer) {
  char chunk[16 * 1024];
  size_t got = stream.read(chunk, sizeof chunk);
  if (got == 0) return false;
  buffer.append(chunk, got);
  return true;
}

struct ParsedRequest {
  RecordedRequest recorded;
  std::vector<std::string> forwardLines;  // header lines handed to the server behind
};

// Reads one request: its head line by line as sent, then its body by Content-Length or chunks.
std::optional<ParsedRequest> readRequest(Stream& stream) {
  std::string buffer;
  size_t headEnd;
  while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
    if (buffer.size() > kMaxHeadBytes || !readMore(stream, buffer)) return std::nullopt;
  }
  ParsedRequest request;
  RecordedRequest& recorded = request.recorded;
  std::string_view head(buffer.data(), headEnd);
  auto lineEnd = head.find("\r\n");
  std::string_view requestLine = head.substr(0, lineEnd);
  auto firstSpace = requestLine.find(' ');
  auto lastSpace = requestLine.rfind(' ');
  if (firstSpace == std::string_view::npos || lastSpace == firstSpace) return std::nullopt;
  recorded.method = std::string(requestLine.substr(0, firstSpace));
  recorded.target = std::string(requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1));
  recorded.version = std::string(requestLine.substr(lastSpace + 1));

  size_t contentLength = 0;
  bool chunked = false;
  bool expectContinue = false;
  while (lineEnd != std::string_view::npos) {
    size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    auto line = head.substr(start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
    recorded.headerLines.emplace_back(line);
    auto name = headerName(line);
    auto value = headerValue(line);
    if (equalsIgnoringCase(name, "Content-Length")) {
      contentLength = std::strtoull(std::string(value).c_str(), nullptr, 10);
    } else if (equalsIgnoringCase(name, "Transfer-Encoding")) {
      chunked = value.find("chunked") != std::string_view::npos;
    } else if (equalsIgnoringCase(name, "Expect")) {
      expectContinue = equalsIgnoringCase(value, "100-continue");
    }
    // The server behind gets the request without framing and encoding wishes: the front
    // re-frames the body, and answers stay uncompressed so clients read them as sent.
    for (std::string_view dropped : {"Content-Length", "Transfer-Encoding", "Expect", "Accept-Encoding",
                                     "Connection", "Keep-Alive", "TE", "X-Demo-Market-Secure"}) {
      if (equalsIgnoringCase(name, dropped)) name = {};
    }
    if (!name.empty()) request.forwardLines.emplace_back(line);
  }
  if (contentLength > kMaxBodyBytes) return std::nullopt;

  std::string rest = buffer.substr(headEnd + 4);
  if (expectContinue && rest.empty() && (contentLength > 0 || chunked)) {
    if (!stream.write("HTTP/1.1 100 Continue\r\n\r\n")) return std::nullopt;
  }
  if (chunked) {
    size_t position = 0;
    for (;;) {
      size_t sizeEnd;
      while ((sizeEnd = rest.find("\r\n", position)) == std::string::npos) {
        if (!readMore(stream, rest)) return std::nullopt;
      }
      size_t chunkSize = std::strtoull(rest.substr(position, sizeEnd - position).c_str(), nullptr, 16);
      if (recorded.body.size() + chunkSize > kMaxBodyBytes) return std::nullopt;
      size_t dataStart = sizeEnd + 2;
      if (chunkSize == 0) {
        // Optional trailer lines end with an empty line.
        while (rest.compare(dataStart, 2, "\r\n") != 0 && rest.find("\r\n\r\n", dataStart) == std::string::npos) {
          if (!readMore(stream, rest)) break;
        }
        break;
      }
      while (rest.size() < dataStart + chunkSize + 2) {
        if (!readMore(stream, rest)) return std::nullopt;
      }
      recorded.body.append(rest, dataStart, chunkSize);
      position = dataStart + chunkSize + 2;
    }
  } else {
    while (rest.size() < contentLength) {
      if (!readMore(stream, rest)) return std::nullopt;
    }
    recorded.body = rest.substr(0, contentLength);
  }
  return request;
}

SocketHandle connectBackend(int port) {
  SocketHandle socket = ::socket(AF_INET, SOCK_STREAM, 0);
  if (socket == kNoSocket) return kNoSocket;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    closeSocket(socket);
    return kNoSocket;
  }
  return socket;
}

std::string simpleAnswer(int status, std::string_view reason, std::string_view body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) +
         "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + std::string(body);
}

}  // namespace

struct Front::Connection {
  SocketHandle socket = kNoSocket;  // guarded by Front::mutex_ once the thread runs
  std::thread thread;
  std::atomic<bool> finished{false};
};

Front::Front(int backendPort, Hooks hooks) : backendPort_(backendPort), hooks_(std::move(hooks)) {}

Front::~Front() { stop(); }

int Front::listen(int port, SSL_CTX* tls) {
#ifdef _WIN32
  static const bool socketsReady = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!socketsReady) throw std::runtime_error("demo market: Windows sockets unavailable");
#endif
  SocketHandle socket = ::socket(AF_INET, SOCK_STREAM, 0);
  if (socket == kNoSocket) throw std::runtime_error("demo market: cannot create a socket");
  int yes = 1;
  ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(socket, 128) != 0) {
    closeSocket(socket);
    throw std::runtime_error("demo market: cannot listen on 127.0.0.1:" + std::to_string(port));
  }
  socklen_t length = sizeof address;
  ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
  int bound = ntohs(address.sin_port);
  listeners_.push_back({static_cast<long long>(socket), bound, tls});
  return bound;
}

void Front::start() {
#ifndef _WIN32
  // A client that hangs up while a TLS answer is being written must not end the whole process.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  stopping_ = false;
  acceptThread_ = std::thread([this] { acceptLoop(); });
}

void Front::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (acceptThread_.joinable()) acceptThread_.join();
  for (auto& listener : listeners_) closeSocket(static_cast<SocketHandle>(listener.socket));
  listeners_.clear();
  {
    // Wakes every connection blocked in a read or write; each then closes its own socket.
    std::lock_guard lock(mutex_);
    for (auto& connection : connections_) {
      if (connection->socket != kNoSocket) ::shutdown(connection->socket, kShutdownBoth);
    }
  }
  for (auto& connection : connections_) {
    if (connection->thread.joinable()) connection->thread.join();
  }
  connections_.clear();
}

bool Front::pause(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, duration, [this] { return stopping_.load(); });
}

void Front::reapFinished() {
  std::list<std::unique_ptr<Connection>> done;
  {
    std::lock_guard lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->finished) {
        done.push_back(std::move(*it));
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& connection : done) connection->thread.join();
}

void Front::acceptLoop() {
  std::vector<PollEntry> entries;
  for (const auto& listener : listeners_) {
    PollEntry entry{};
    entry.fd = static_cast<SocketHandle>(listener.socket);
    entry.events = POLLIN;
    entries.push_back(entry);
  }
  while (!stopping_) {
    reapFinished();
    for (auto& entry : entries) entry.revents = 0;
    if (pollMany(entries.data(), entries.size(), 100) <= 0) continue;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!(entries[i].revents & POLLIN)) continue;
      const Listener& listener = listeners_[i];
      SocketHandle client = ::accept(entries[i].fd, nullptr, nullptr);
      if (client == kNoSocket) continue;
      int yes = 1;
      ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
      auto connection = std::make_unique<Connection>();
      connection->socket = client;
      Connection* raw = connection.get();
      std::lock_guard lock(mutex_);
      if (stopping_) {
        closeSocket(client);
        return;
      }
      connections_.push_back(std::move(connection));
      raw->thread = std::thread([this, raw, listener] {
        serve(*raw, listener);
        raw->finished = true;
      });
    }
  }
}

void Front::serve(Connection& connection, const Listener& listener) {
  SocketHandle socket = connection.socket;
  SSL* tls = nullptr;
  bool resetAtClose = false;
  auto finish = [&] {
    if (tls) {
      if (!resetAtClose) SSL_shutdown(tls);
      SSL_free(tls);
    }
    if (resetAtClose) {
      linger hard{1, 0};
      ::setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    }
    std::lock_guard lock(mutex_);
    closeSocket(socket);
    connection.socket = kNoSocket;
  };

  if (listener.tls) {
    tls = SSL_new(listener.tls);
    SSL_set_fd(tls, static_cast<int>(socket));
    if (SSL_accept(tls) != 1) {
      ERR_clear_error();
      SSL_free(tls);
      tls = nullptr;
      finish();
      return;
    }
  }
  Stream stream(socket, tls, stopping_);
  auto request = readRequest(stream);
  if (!request) {
    finish();
    return;
  }
  request->recorded.secure = listener.tls != nullptr;
  request->recorded.port = listener.port;
  std::string target = request->recorded.target;
  if (hooks_.record) hooks_.record(request->recorded);

  Fault fault;
  if (hooks_.takeFault) {
    if (auto found = hooks_.takeFault(target)) fault = *found;
  }
  auto latency = (hooks_.latency ? hooks_.latency() : 0ms) + fault.latency;
  if (latency > 0ms && !pause(latency)) {
    finish();
    return;
  }
  if (fault.hang) {
    // Hold the connection, answering nothing, until the client gives up or the market stops.
    char scratch[4096];
    while (!stopping_) {
      if (!stream.waitReadable(100ms)) continue;
      if (stream.read(scratch, sizeof scratch, 100ms) == 0) break;
    }
    finish();
    return;
  }
  if (fault.reset) {
    resetAtClose = true;
    finish();
    return;
  }
  if (fault.serverError) {
    stream.write(simpleAnswer(500, "Internal Server Error", "<html><body>500 Internal Server Error</body></html>"));
    finish();
    return;
  }

  if (fault.hugeBodyBytes > 0) {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
    if (fault.hugeBodyDeclared) head += "Content-Length: " + std::to_string(fault.hugeBodyBytes) + "\r\n";
    const std::string piece(64 * 1024, 'x');
    size_t left = fault.hugeBodyBytes;
    bool ok = stream.write(head + "\r\n");
    while (ok && left > 0 && !stopping_) {
      size_t now = std::min(left, piece.size());
      ok = stream.write(std::string_view(piece).substr(0, now));
      left -= now;
    }
    finish();
    return;
  }

  // Hand the request to the server behind, framed anew, and collect its whole answer.
  std::string forward = request->recorded.method + " " + target + " HTTP/1.1\r\n";
  for (const auto& line : request->forwardLines) forward += line + "\r\n";
  forward += "X-Demo-Market-Secure: " + std::string(listener.tls ? "1" : "0") + "\r\n";
  const std::string& body = request->recorded.body;
  if (!body.empty() || request->recorded.method == "POST" || request->recorded.method == "PUT") {
    forward += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  }
  forward += "Connection: close\r\n\r\n" + body;

  std::string answer;
  SocketHandle backend = connectBackend(backendPort_);
  if (backend != kNoSocket) {
    Stream backendStream(backend, nullptr, stopping_);
    if (backendStream.write(forward)) {
      char chunk[64 * 1024];
      while (size_t got = backendStream.read(chunk, sizeof chunk, 60s)) answer.append(chunk, got);
    }
    closeSocket(backend);
  }
  if (answer.empty()) answer = simpleAnswer(502, "Bad Gateway", "<html><body>502 Bad Gateway</body></html>");

  auto headEnd = answer.find("\r\n\r\n");
  std::string_view head = std::string_view(answer).substr(0, headEnd == std::string::npos ? answer.size() : headEnd + 4);
  std::string_view answerBody = std::string_view(answer).substr(head.size());
  if (fault.truncateBody) {
    stream.write(head) && stream.write(answerBody.substr(0, answerBody.size() / 2));
  } else if (fault.slowBodyStep > 0ms) {
    size_t piece = std::max<size_t>(1, fault.slowBodyBytes);
    bool ok = stream.write(head);
    while (ok && !answerBody.empty()) {
      ok = stream.write(answerBody.substr(0, piece));
      answerBody.remove_prefix(std::min(piece, answerBody.size()));
      if (!answerBody.empty()) ok = ok && pause(fault.slowBodyStep);
    }
  } else {
    stream.write(answer);
  }
  finish();
}

}  // namespace kestrune::demo
