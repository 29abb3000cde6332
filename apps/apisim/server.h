#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "apisim/corpus.h"
#include "apisim/endpoints.h"
#include "apisim/faults.h"
#include "apisim/rate_limiter.h"

namespace wf::apisim {

struct ServerConfig {
  std::string host = "127.0.0.1";
  int port = 0;  // 0: any free port
  bool tls = false;
  std::string cert_file;  // with tls: where the certificate is written as PEM
  std::string app_key = "demo-key";
  std::string app_secret = "demo-secret";
  CorpusConfig corpus;
  int64_t window_seconds = 900;
  Limits limits = DefaultLimits();
  FaultConfig faults;
  std::string log_file;  // one line per request when set
  int threads = 16;
  // Runs on a serving thread as each request arrives (decoded path), before it is answered:
  // tests use it to act at an exact point of a client's run instead of after a delay.
  std::function<void(const std::string& path)> on_request;
};

// One request as it reached the server, for tests that check what a client sent.
struct ReceivedRequest {
  std::string method;
  std::string target;  // the request target exactly as sent (still percent-encoded)
  std::string path;    // decoded path; for a proxy-style absolute target, the part after the host
  Params params;       // decoded query (and form body) parameters
  // Values as cpp-httplib 0.11 delivers them: percent-escapes in header values are decoded.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  bool absolute_form = false;  // "GET http://host:port/..." as a forward proxy receives it
  int status = 0;

  std::string Header(const std::string& name) const;  // any case; empty when absent
};

// The simulated v1.1 service on one loopback port. Start() returns once connections are
// accepted; requests are served on a pool of threads until Stop().
class Server {
 public:
  explicit Server(ServerConfig config);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  // Blocks until Stop() is called from another thread.
  void Wait();

  int port() const;
  std::string BaseUrl() const;  // http://127.0.0.1:PORT or https://...
  const Corpus& corpus() const;
  const ServerConfig& config() const;
  // The token the token endpoint hands out for the configured key and secret.
  std::string BearerToken() const;
  // PEM of the serving certificate (empty without TLS).
  std::string CertificatePem() const;

  std::vector<ReceivedRequest> Received() const;
  void ClearReceived();
  // Replaces the fault configuration; counters start afresh.
  void SetFaults(const FaultConfig& faults);
  // Replaces the requests allowed per window; requests already spent in open windows count.
  void SetLimits(const Limits& limits);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Deterministic bearer token for an application, shaped like Twitter's (it contains %2F and
// %3D, which a client must send back untouched).
std::string MakeBearerToken(uint64_t data_seed, const std::string& key, const std::string& secret);

}  // namespace wf::apisim
