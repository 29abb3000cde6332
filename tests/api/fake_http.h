#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "api/http_request.h"

namespace wf::test {

// An HTTP client for tests: records every request and answers from a script.
class FakeHttp : public HttpClient {
 public:
  struct Answer {
    bool reached = true;                     // false: transport failure
    bool certificate_rejected = false;       // that failure was the server's certificate
    std::string error = "scripted failure";  // the transport's reason
    int status = 200;
    std::string status_text = "OK";
    std::string body;
    std::map<std::string, std::string> headers;
    // Turns of the request's tick before the answer comes, as a slow server gives them; the
    // answer is not delivered when a tick asks to stop.
    int ticks = 0;
  };
  struct Sent {
    std::string method;
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string proxy;
    std::string body;
    double wait = 0;
    bool aborted = false;
  };

  std::deque<Answer> answers;
  std::vector<Sent> sent;

  static Answer Ok(std::string body, int remaining = 170, int limit = 180, int reset = 1500000000) {
    Answer a;
    a.body = std::move(body);
    a.headers = {{"x-rate-limit-remaining", std::to_string(remaining)},
                 {"X-Rate-Limit-Limit", std::to_string(limit)},
                 {"x-rate-limit-reset", std::to_string(reset)}};
    return a;
  }
  static Answer Status(int status, std::string text) {
    Answer a;
    a.status = status;
    a.status_text = std::move(text);
    a.body = R"({"errors":[{"code":88,"message":"Rate limit exceeded"}]})";
    return a;
  }
  static Answer Unreachable() {
    Answer a;
    a.reached = false;
    return a;
  }
  static Answer UntrustedCertificate() {
    Answer a;
    a.reached = false;
    a.certificate_rejected = true;
    a.error = "SSL certificate problem: self-signed certificate";
    return a;
  }

  std::unique_ptr<HttpRequest> CreateRequest() override;
};

}  // namespace wf::test
