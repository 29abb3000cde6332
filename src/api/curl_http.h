#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "api/http_request.h"

namespace wf {

struct CurlHttpOptions {
  // Extra CA certificates to trust (PEM), e.g. the simulator's self-signed certificate;
  // empty for the system's store. Verification of peer and host name is always on.
  std::string ca_file;
  // Largest response body accepted; a longer one fails the request as a transport failure
  // instead of being buffered without bound. The real service's largest page (200 profiles,
  // or 200 timeline tweets) is under 1 MB.
  std::size_t max_response_bytes = kDefaultMaxResponseBytes;
  static constexpr std::size_t kDefaultMaxResponseBytes = std::size_t{64} << 20;
  // Runs every `tick_interval` while a request waits for its answer: the front end lets its
  // window repaint and take clicks here, so a slow server never freezes it. Empty: nothing runs.
  std::function<void()> while_waiting = nullptr;
  std::chrono::milliseconds tick_interval{20};
};

// HTTP over libcurl: one easy handle per request.
class CurlHttpClient : public HttpClient {
 public:
  explicit CurlHttpClient(CurlHttpOptions options = {});
  std::unique_ptr<HttpRequest> CreateRequest() override;
  // Replaces CurlHttpOptions::while_waiting for the requests made from now on.
  void SetWhileWaiting(std::function<void()> hook) { options_.while_waiting = std::move(hook); }

 private:
  CurlHttpOptions options_;
};

// Percent-encodes the bytes of a URL that may not appear in one as they are (non-ASCII bytes,
// so UTF-8 characters travel as %XX%XX, controls and spaces); leaves everything else.
std::string EscapeUrlBytes(std::string_view url);

// The standard reason phrase of a status code ("OK", "Too Many Requests"), for HTTP/2
// answers that carry none.
std::string ReasonPhrase(int status);

}  // namespace wf
