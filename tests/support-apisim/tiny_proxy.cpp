#include "support-apisim/tiny_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace wf::apisim {

namespace {

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

int ConnectLoopback(const std::string& host, int port) {
  if (host != "127.0.0.1" && host != "localhost") return -1;
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return -1;
  return fd.Release();
}

// Copies bytes both ways until either side closes.
void Relay(int a, int b) {
  char buf[16384];
  pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
  while (::poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      const ssize_t n = ::recv(fds[i].fd, buf, sizeof buf, 0);
      if (n <= 0 || !SendAll(fds[1 - i].fd, buf, static_cast<size_t>(n))) return;
    }
  }
}

bool SplitHostPort(const std::string& text, std::string& host, int& port) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  host = text.substr(0, colon);
  port = std::atoi(text.c_str() + colon + 1);
  return port > 0;
}

}  // namespace

TinyProxy::TinyProxy(int route_to_port) : route_to_port_(route_to_port) {
  listen_fd_.Reset(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = 0;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(listen_fd_.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_fd_.get(), 16) != 0 ||
      ::getsockname(listen_fd_.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    listen_fd_.Reset();
    return;
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

TinyProxy::~TinyProxy() {
  stopping_ = true;
  if (listen_fd_.valid()) ::shutdown(listen_fd_.get(), SHUT_RDWR);
  if (acceptor_.joinable()) acceptor_.join();
  {
    std::lock_guard lock(mutex_);
    for (const int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
  }
  for (auto& w : workers_) w.join();
}

std::vector<std::string> TinyProxy::RequestLines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

void TinyProxy::Track(int fd, bool add) {
  std::lock_guard lock(mutex_);
  if (add) {
    open_fds_.insert(fd);
  } else {
    open_fds_.erase(fd);
  }
}

void TinyProxy::AcceptLoop() {
  while (!stopping_) {
    const int client = ::accept(listen_fd_.get(), nullptr, nullptr);
    if (client < 0) return;
    Track(client, true);
    std::lock_guard lock(mutex_);
    workers_.emplace_back([this, client] { Serve(client); });
  }
}

void TinyProxy::Serve(int client) {
  // Closed on the way out, after it is no longer tracked: a number closed while still in
  // open_fds_ could be reused by another connection and shut down by the destructor.
  const UniqueFd client_owner(client);
  std::string head;
  char buf[4096];
  size_t end = std::string::npos;
  while ((end = head.find("\r\n\r\n")) == std::string::npos && head.size() < 65536) {
    const ssize_t n = ::recv(client, buf, sizeof buf, 0);
    if (n <= 0) break;
    head.append(buf, static_cast<size_t>(n));
  }
  int upstream = -1;
  if (end != std::string::npos) {
    const std::string line = head.substr(0, head.find("\r\n"));
    {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    }
    const size_t s1 = line.find(' '), s2 = line.rfind(' ');
    const std::string method = line.substr(0, s1);
    const std::string target = line.substr(s1 + 1, s2 - s1 - 1);
    std::string host;
    int port = 0;
    if (method == "CONNECT" && SplitHostPort(target, host, port)) {
      upstream = ConnectLoopback(host, route_to_port_ > 0 ? route_to_port_ : port);
      if (upstream >= 0) {
        constexpr char kEstablished[] = "HTTP/1.1 200 Connection established\r\n\r\n";
        SendAll(client, kEstablished, sizeof kEstablished - 1);
        const std::string early = head.substr(end + 4);
        SendAll(upstream, early.data(), early.size());
      }
    } else if (target.rfind("http://", 0) == 0) {
      const size_t slash = target.find('/', 7);
      const std::string authority =
          target.substr(7, slash == std::string::npos ? slash : slash - 7);
      if (SplitHostPort(authority, host, port)) {
        upstream = ConnectLoopback(host, route_to_port_ > 0 ? route_to_port_ : port);
      }
      if (upstream >= 0) {
        // The origin server gets the usual origin-form request line.
        const std::string path = slash == std::string::npos ? "/" : target.substr(slash);
        const std::string rewritten =
            method + " " + path + line.substr(s2) + head.substr(line.size());
        SendAll(upstream, rewritten.data(), rewritten.size());
      }
    }
    if (upstream < 0) {
      constexpr char kBad[] =
          "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      SendAll(client, kBad, sizeof kBad - 1);
    }
  }
  if (upstream >= 0) {
    const UniqueFd upstream_owner(upstream);
    Track(upstream, true);
    if (!stopping_) Relay(client, upstream);
    Track(upstream, false);
  }
  Track(client, false);
}

}  // namespace wf::apisim
