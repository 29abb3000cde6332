#include "fake_http.h"

#include <cctype>

namespace wf::test {
namespace {

class FakeRequest : public HttpRequest {
 public:
  explicit FakeRequest(FakeHttp& owner) : owner_(owner) {}

  void Open(std::string_view method, std::string_view url, bool) override {
    sent_.method = std::string(method);
    sent_.url = std::string(url);
  }
  void SetRequestHeader(std::string_view name, std::string_view value) override {
    sent_.headers.emplace_back(std::string(name), std::string(value));
  }
  void SetProxy(int setting, std::string_view server, std::string_view) override {
    if (setting == 2) sent_.proxy = std::string(server);
  }
  void Send(std::string_view body) override { sent_.body = std::string(body); }
  bool WaitForResponse(double seconds) override {
    sent_.wait = seconds;
    owner_.sent.push_back(sent_);
    index_ = owner_.sent.size() - 1;
    if (owner_.answers.empty()) return false;
    answer_ = owner_.answers.front();
    owner_.answers.pop_front();
    for (int i = 0; i < answer_.ticks && tick_; ++i) {
      if (!tick_()) {
        cancelled_ = true;
        answer_ = FakeHttp::Answer{};
        answer_.reached = false;
        answer_.status = 0;
        answer_.error = "the request was cancelled";
        return false;
      }
    }
    return answer_.reached;
  }
  void SetTransferTick(std::function<bool()> tick) override { tick_ = std::move(tick); }
  bool Cancelled() const override { return cancelled_; }
  int Status() const override { return answer_.status; }
  std::string StatusText() const override { return answer_.status_text; }
  const std::string& ResponseText() const override { return answer_.body; }
  std::optional<std::string> GetResponseHeader(std::string_view name) const override {
    for (const auto& [k, v] : answer_.headers) {
      if (k.size() != name.size()) continue;
      bool same = true;
      for (std::size_t i = 0; i < k.size(); ++i) {
        same = same && std::tolower(static_cast<unsigned char>(k[i])) ==
                           std::tolower(static_cast<unsigned char>(name[i]));
      }
      if (same) return v;
    }
    return std::nullopt;
  }
  void Abort() override { owner_.sent[index_].aborted = true; }
  std::string ErrorText() const override { return answer_.error; }
  bool CertificateRejected() const override { return answer_.certificate_rejected; }

 private:
  FakeHttp& owner_;
  FakeHttp::Sent sent_;
  FakeHttp::Answer answer_;
  std::size_t index_ = 0;
  std::function<bool()> tick_;
  bool cancelled_ = false;
};

}  // namespace

std::unique_ptr<HttpRequest> FakeHttp::CreateRequest() {
  return std::make_unique<FakeRequest>(*this);
}

}  // namespace wf::test
