#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace wf {

// One HTTP exchange, driven in the order Open, SetRequestHeader..., Send, WaitForResponse,
// then the response accessors. SetProxy may come before or after Open and holds for the
// request's whole life. A fresh request is made for every exchange.
class HttpRequest {
 public:
  virtual ~HttpRequest() = default;

  virtual void Open(std::string_view method, std::string_view url, bool async) = 0;
  virtual void SetRequestHeader(std::string_view name, std::string_view value) = 0;
  // Setting 2 routes the request through `server`, bypassing nothing.
  virtual void SetProxy(int setting, std::string_view server, std::string_view bypass) = 0;
  virtual void Send(std::string_view body = {}) = 0;
  // Completes the exchange within `seconds`. False on a transport failure: no connection, a
  // name that cannot be resolved, a time-out, a broken TLS handshake. A status other than 200
  // is not a failure here.
  virtual bool WaitForResponse(double seconds) = 0;

  virtual int Status() const = 0;
  virtual std::string StatusText() const = 0;
  virtual const std::string& ResponseText() const = 0;
  // Empty optional when the response has no such header (names match case-insensitively).
  virtual std::optional<std::string> GetResponseHeader(std::string_view name) const = 0;
  virtual void Abort() = 0;
  // Why the last WaitForResponse failed, for logs and messages.
  virtual std::string ErrorText() const = 0;
  // True when that failure was the server's TLS certificate failing verification (or the
  // certificates to verify it with could not be read), rather than the server being out of
  // reach.
  virtual bool CertificateRejected() const { return false; }

  // Called over and over while WaitForResponse waits for the answer (not at all for an answer
  // that comes at once); returning false gives the exchange up at once: WaitForResponse then
  // returns false and Cancelled() is true. Set before WaitForResponse.
  virtual void SetTransferTick(std::function<bool()> tick) { (void)tick; }
  // True when the last WaitForResponse ended because its tick asked to stop.
  virtual bool Cancelled() const { return false; }
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  virtual std::unique_ptr<HttpRequest> CreateRequest() = 0;
};

}  // namespace wf
