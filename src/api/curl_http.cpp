#include "api/curl_http.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace wf {
namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

class CurlHttpRequest : public HttpRequest {
 public:
  explicit CurlHttpRequest(const CurlHttpOptions& options) : options_(options) {}
  ~CurlHttpRequest() override {
    if (handle_ != nullptr) curl_easy_cleanup(handle_);
  }

  void Open(std::string_view method, std::string_view url, bool) override {
    method_ = std::string(method);
    url_ = EscapeUrlBytes(url);
    headers_.clear();
    // The proxy stays: callers route the request before they open it, as the platform's
    // request object allows.
  }

  void SetRequestHeader(std::string_view name, std::string_view value) override {
    headers_.push_back(std::string(name) + ": " + std::string(value));
  }

  void SetProxy(int setting, std::string_view server, std::string_view) override {
    if (setting == 2) proxy_ = std::string(server);
  }

  void Send(std::string_view body) override { body_ = std::string(body); }

  bool WaitForResponse(double seconds) override {
    Reset();
    handle_ = curl_easy_init();
    if (handle_ == nullptr) {
      error_ = "cannot start an HTTP request";
      return false;
    }
    curl_slist* header_list = nullptr;
    for (const auto& h : headers_) header_list = curl_slist_append(header_list, h.c_str());
    curl_easy_setopt(handle_, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, header_list);
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options_.ca_file.empty())
      curl_easy_setopt(handle_, CURLOPT_CAINFO, options_.ca_file.c_str());
    const long ms = seconds <= 0 ? 0L : static_cast<long>(seconds * 1000.0);
    curl_easy_setopt(handle_, CURLOPT_TIMEOUT_MS, ms);
    curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, ms);
    curl_easy_setopt(handle_, CURLOPT_ACCEPT_ENCODING, "");  // gzip as the real service sends
    // A declared length above the cap is refused before the body comes; the write callback
    // below catches bodies without one (chunked, or decompressed beyond it).
    curl_easy_setopt(handle_, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(options_.max_response_bytes));
    if (!proxy_.empty()) {
      curl_easy_setopt(handle_, CURLOPT_PROXY, proxy_.c_str());
      curl_easy_setopt(handle_, CURLOPT_NOPROXY, "");
    } else {
      // Only an explicit proxy setting routes requests; ignore proxy environment variables.
      curl_easy_setopt(handle_, CURLOPT_PROXY, "");
    }
    if (method_ == "POST") {
      curl_easy_setopt(handle_, CURLOPT_POST, 1L);
      curl_easy_setopt(handle_, CURLOPT_POSTFIELDS, body_.c_str());
      curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE, static_cast<long>(body_.size()));
    } else if (method_ != "GET") {
      curl_easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, method_.c_str());
    }
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &CurlHttpRequest::OnBody);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle_, CURLOPT_HEADERFUNCTION, &CurlHttpRequest::OnHeader);
    curl_easy_setopt(handle_, CURLOPT_HEADERDATA, this);
    char error_buffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, error_buffer);

    const CURLcode rc = Perform();
    curl_slist_free_all(header_list);
    if (cancelled_) {
      std::string().swap(body_in_);
      error_ = "the request was cancelled";
      status_ = 0;
      return false;
    }
    if (rc != CURLE_OK) {
      if (too_large_ || rc == CURLE_FILESIZE_EXCEEDED) {
        // Nothing of an over-long answer is kept.
        std::string().swap(body_in_);
        const std::size_t cap = options_.max_response_bytes;
        error_ = "the response is larger than " + (cap >= (std::size_t{1} << 20)
                                                       ? std::to_string(cap >> 20) + " MB"
                                                       : std::to_string(cap) + " bytes");
        status_ = 0;
        return false;
      }
      error_ = error_buffer[0] != '\0' ? error_buffer : curl_easy_strerror(rc);
      certificate_rejected_ = rc == CURLE_PEER_FAILED_VERIFICATION ||
                              rc == CURLE_SSL_CACERT_BADFILE || rc == CURLE_SSL_ISSUER_ERROR;
      status_ = 0;
      return false;
    }
    long code = 0;
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code);
    status_ = static_cast<int>(code);
    completed_ = true;
    return true;
  }

  int Status() const override { return status_; }

  std::string StatusText() const override {
    return status_text_.empty() && completed_ ? ReasonPhrase(status_) : status_text_;
  }

  const std::string& ResponseText() const override { return body_in_; }

  std::optional<std::string> GetResponseHeader(std::string_view name) const override {
    for (const auto& [key, value] : response_headers_) {
      if (EqualsIgnoreCase(key, name)) return value;
    }
    return std::nullopt;
  }

  void Abort() override {
    if (handle_ != nullptr) {
      curl_easy_cleanup(handle_);
      handle_ = nullptr;
    }
  }

  std::string ErrorText() const override { return error_; }
  bool CertificateRejected() const override { return certificate_rejected_; }
  void SetTransferTick(std::function<bool()> tick) override { tick_ = std::move(tick); }
  bool Cancelled() const override { return cancelled_; }

 private:
  using Clock = std::chrono::steady_clock;

  // Drives the transfer through a multi handle rather than curl_easy_perform: libcurl calls
  // its progress function only about once a second while no data moves, and the window must
  // get its turn far more often than that. The turns run between curl calls, never inside a
  // callback, because the event loop may start other requests.
  CURLcode Perform() {
    CURLM* multi = curl_multi_init();
    if (multi == nullptr) return CURLE_OUT_OF_MEMORY;
    curl_multi_add_handle(multi, handle_);
    const auto interval = std::max(options_.tick_interval, std::chrono::milliseconds(1));
    auto next_tick = Clock::now() + interval;
    CURLcode rc = CURLE_OK;
    for (;;) {
      int running = 0;
      if (const CURLMcode mc = curl_multi_perform(multi, &running); mc != CURLM_OK) {
        rc = CURLE_FAILED_INIT;
        break;
      }
      if (running == 0) {
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
          if (msg->msg == CURLMSG_DONE) rc = msg->data.result;
        }
        break;
      }
      if (Clock::now() >= next_tick) {
        if (!Tick()) {
          cancelled_ = true;
          break;
        }
        next_tick = Clock::now() + interval;
      }
      const auto wait =
          std::chrono::duration_cast<std::chrono::milliseconds>(next_tick - Clock::now());
      curl_multi_poll(multi, nullptr, 0, static_cast<int>(std::max<std::int64_t>(wait.count(), 0)),
                      nullptr);
    }
    curl_multi_remove_handle(multi, handle_);
    curl_multi_cleanup(multi);
    return rc;
  }

  // One turn for the front end and the caller; false when the caller wants the request given up.
  bool Tick() {
    if (options_.while_waiting) options_.while_waiting();
    return !tick_ || tick_();
  }

  void Reset() {
    if (handle_ != nullptr) curl_easy_cleanup(handle_);
    handle_ = nullptr;
    body_in_.clear();
    response_headers_.clear();
    status_text_.clear();
    status_ = 0;
    completed_ = false;
    too_large_ = false;
    certificate_rejected_ = false;
    cancelled_ = false;
    error_.clear();
  }

  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* r = static_cast<CurlHttpRequest*>(self);
    const std::size_t n = size * count;
    if (n > r->options_.max_response_bytes -
                std::min(r->body_in_.size(), r->options_.max_response_bytes)) {
      r->too_large_ = true;
      return 0;  // any other count than n makes curl abandon the transfer
    }
    r->body_in_.append(data, n);
    return n;
  }

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* r = static_cast<CurlHttpRequest*>(self);
    const std::string_view line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
      // A new status line (after a proxy's CONNECT or an interim answer): start over.
      r->response_headers_.clear();
      r->status_text_.clear();
      const std::size_t sp1 = line.find(' ');
      const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
      if (sp2 != std::string_view::npos) r->status_text_ = std::string(Trim(line.substr(sp2 + 1)));
    } else if (const std::size_t colon = line.find(':'); colon != std::string_view::npos) {
      r->response_headers_.emplace_back(std::string(Trim(line.substr(0, colon))),
                                        std::string(Trim(line.substr(colon + 1))));
    }
    return size * count;
  }

  const CurlHttpOptions& options_;
  CURL* handle_ = nullptr;
  std::string method_ = "GET";
  std::string url_;
  std::string proxy_;
  std::string body_;
  std::vector<std::string> headers_;
  std::string body_in_;
  std::vector<std::pair<std::string, std::string>> response_headers_;
  std::string status_text_;
  int status_ = 0;
  bool completed_ = false;
  bool too_large_ = false;
  bool certificate_rejected_ = false;
  bool cancelled_ = false;
  std::function<bool()> tick_;
  std::string error_;
};

}  // namespace

CurlHttpClient::CurlHttpClient(CurlHttpOptions options) : options_(std::move(options)) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::unique_ptr<HttpRequest> CurlHttpClient::CreateRequest() {
  return std::make_unique<CurlHttpRequest>(options_);
}

std::string EscapeUrlBytes(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (char ch : url) {
    const auto b = static_cast<unsigned char>(ch);
    if (b <= 0x20 || b >= 0x7F || ch == '"' || ch == '<' || ch == '>' || ch == '`' || ch == '{' ||
        ch == '}' || ch == '|' || ch == '\\' || ch == '^') {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::string ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 201:
      return "Created";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 304:
      return "Not Modified";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 406:
      return "Not Acceptable";
    case 410:
      return "Gone";
    case 420:
      return "Enhance Your Calm";
    case 422:
      return "Unprocessable Entity";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    case 504:
      return "Gateway Timeout";
    default:
      return "";
  }
}

}  // namespace wf
