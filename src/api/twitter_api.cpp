#include "api/twitter_api.h"

#include <ctime>

#include "api/base64.h"
#include "api/twitter_api_v2.h"
#include "json/json_deserializer.h"
#include "records/v2_mapping.h"
#include "util/leading_number.h"
#include "util/url_encode.h"

namespace wf {
namespace {

constexpr std::string_view kCouldNotAccess = "Couldn't access the API server";
constexpr std::string_view kNoQuotaHeaders = "the answer carried no rate-limit headers";
constexpr std::string_view kRequestCancelled = "Request cancelled by the user";

std::optional<std::int32_t> HeaderNumber(const HttpRequest& request, std::string_view name) {
  const auto value = request.GetResponseHeader(name);
  if (!value) return std::nullopt;
  return RoundToInt32(LeadingNumber(*value));
}

std::optional<std::int16_t> Narrow16(std::optional<std::int32_t> v) {
  if (!v || *v < -32768 || *v > 32767) return std::nullopt;
  return static_cast<std::int16_t>(*v);
}

}  // namespace

std::string DescribeAuthFailure(const AuthResult& result) {
  switch (result.failure) {
    case AuthFailure::kNone:
      return {};
    case AuthFailure::kRefused:
      return "the server refused the consumer key and secret (" + result.detail + ")";
    case AuthFailure::kNoToken:
      return "the server's answer held no bearer token (" + result.detail + ")";
    case AuthFailure::kUnreachable:
      return "the server could not be reached (" + result.detail + ")";
    case AuthFailure::kCertificate:
      return "the server's TLS certificate could not be verified (" + result.detail +
             "); the system's CA store, or a certificate given with --cacert, decides which "
             "servers are trusted";
  }
  return {};
}

TwitterAPI::TwitterAPI(HttpClient& http, UiPort* ui, std::string api_base)
    : http_(http),
      ui_(ui),
      api_base_(std::move(api_base)),
      tweets_(std::make_unique<TweetSet>(ui)),
      users_(std::make_unique<UserSet>(ui)),
      mapping_(std::make_unique<V2Mapping>()) {
  while (!api_base_.empty() && api_base_.back() == '/') api_base_.pop_back();
}

TwitterAPI::~TwitterAPI() = default;

void TwitterAPI::SetApiBase(std::string base) {
  api_base_ = std::move(base);
  while (!api_base_.empty() && api_base_.back() == '/') api_base_.pop_back();
}

std::int32_t TwitterAPI::LastResponseCount() const {
  if (last_failed_) return -1;
  return api_version_ == 2 ? v2_rows_ : tweets_->LastSetDataSize();
}

void TwitterAPI::Clear() {
  tweets_->Clear();
  users_->Clear();
}

std::string TwitterAPI::AuthAppAccess(std::string_view app_name, std::string_view consumer_key,
                                      std::string_view consumer_secret) {
  std::string credential =
      Base64Encode(std::string(consumer_key) + ":" + std::string(consumer_secret));
  std::erase(credential, '\r');
  std::erase(credential, '\n');
  auto request = http_.CreateRequest();
  if (!proxy_server_.empty()) request->SetProxy(2, proxy_server_, "");
  request->Open("POST", api_base_ + "/oauth2/token?grant_type=client_credentials", true);
  request->SetRequestHeader("User-Agent", app_name);
  request->SetRequestHeader("Authorization", "Basic " + credential);
  request->SetRequestHeader("Content-Type", "application/x-www-form-urlencoded;charset=UTF-8");
  request->SetRequestHeader("Content-Length", "29");
  // The declared length is that of the grant, so the grant goes in the body as well.
  request->Send("grant_type=client_credentials");
  if (!request->WaitForResponse(5)) {
    last_auth_ = {
        request->CertificateRejected() ? AuthFailure::kCertificate : AuthFailure::kUnreachable,
        request->ErrorText()};
    return {};
  }
  const std::string code = std::to_string(request->Status()) + ":" + request->StatusText();
  if (request->Status() != 200) {
    request->Abort();
    last_auth_ = {AuthFailure::kRefused, code};
    return {};
  }
  last_auth_ = {AuthFailure::kNoToken, code};
  JSONDeserializer reader;
  if (!reader.Read(request->ResponseText(), false)) return {};
  if (reader.GetElementInObject(1, "token_type") != "bearer") return {};
  bearer_token_ = reader.GetElementInObject(1, "access_token");
  app_name_ = std::string(app_name);
  last_auth_ = {};
  return bearer_token_;
}

TwitterAPI::Outcome TwitterAPI::Exchange(const Resource& resource, std::string* body) {
  last_transport_error_.clear();
  auto request = http_.CreateRequest();
  // Behind a proxy that refuses direct traffic a request that went around it would fail, so
  // every request takes it.
  if (!proxy_server_.empty()) {
    if (resource.proxy_notice && ui_ != nullptr)
      ui_->MessageBox("Testing connection via proxy", MsgButtons::Ok, MsgIcon::None, "Test");
    request->SetProxy(2, proxy_server_, "");
  }
  const std::string url = api_base_ + resource.path_and_query;
  request->Open("GET", url, false);
  request->SetRequestHeader("User-Agent", app_name_);
  request->SetRequestHeader("Authorization", "Bearer " + bearer_token_);
  request->Send();
  if (stopped_ && !stopped_()) request->SetTransferTick([this] { return !stopped_(); });
  if (!request->WaitForResponse(resource.wait_seconds)) {
    last_transport_error_ = request->ErrorText();
    if (request->Cancelled()) return Outcome::Cancelled;
    if (last_transport_error_.empty()) last_transport_error_ = "no answer";
    return Outcome::Transport;
  }
  const int status = request->Status();
  const std::string code = std::to_string(status) + ":" + request->StatusText();
  if (status != 200) {
    last_response_code_ = code;
    if (api_version_ == 2) error_body_ = request->ResponseText();
    request->Abort();
    return Outcome::Status;
  }
  response_text_ = request->ResponseText();
  if (resource.quota != nullptr) {
    const auto remaining = Narrow16(HeaderNumber(*request, "x-rate-limit-remaining"));
    const auto limit = Narrow16(HeaderNumber(*request, "x-rate-limit-limit"));
    const auto reset = HeaderNumber(*request, "x-rate-limit-reset");
    if (resource.quota_optional) {
      if (remaining) resource.quota->remaining = *remaining;
      if (limit) resource.quota->limit = *limit;
      if (reset) resource.quota->reset = *reset;
    } else {
      if (!remaining || !limit || !reset) {
        last_transport_error_ = std::string(kNoQuotaHeaders);
        return Outcome::Transport;
      }
      *resource.quota = RateQuota{*remaining, *limit, *reset};
    }
  }
  last_response_code_ = code;
  *body = response_text_;
  if (on_response_) on_response_(url, status, response_text_);
  return Outcome::Ok;
}

bool TwitterAPI::AskRetry(const Resource& resource) {
  if (ui_ == nullptr) return false;
  const bool search = resource.operation == "GetSearch";
  const std::string text = search ? "WFD is having trouble accessing the API server. Try again?"
                                  : "WFD is having trouble contacting the server. Try again?";
  return ui_->Ask({QuestionId::RetryAfterError}, text, MsgButtons::YesNo, MsgIcon::Question,
                  "Recoverable error within " + std::string(resource.operation)) == MsgAnswer::Yes;
}

std::string TwitterAPI::Request(const Resource& resource,
                                const std::function<void(const std::string&)>& load) {
  auto finish_ok = [&](const std::string& body) {
    last_failed_ = false;
    load(body);
    return body;
  };
  auto finish_failed = [&] {
    last_failed_ = true;
    return std::string(kFailed);
  };
  // The code names this request's failure, not the status of an earlier one.
  auto finish_unanswered = [&] {
    last_response_code_ = resource.operation == "GetSearch"
                              ? std::string(kCouldNotAccess)
                              : std::string(kCouldNotAccess) + " (" + last_transport_error_ + ")";
    return finish_failed();
  };
  // Cancel pressed during the request ends the operation as a cancel, not as network trouble.
  auto finish_cancelled = [&] {
    last_cancelled_ = true;
    last_response_code_ = std::string(kRequestCancelled);
    return finish_failed();
  };
  last_cancelled_ = false;
  for (;;) {
    std::string body;
    const Outcome outcome = Exchange(resource, &body);
    if (outcome == Outcome::Ok) return finish_ok(body);
    if (outcome == Outcome::Status) return finish_failed();
    if (outcome == Outcome::Cancelled) return finish_cancelled();
    if (resource.retry == Retry::Never || !AskRetry(resource)) return finish_unanswered();
    if (resource.retry == Retry::AskResendOnce) {
      // One more attempt only; failing again counts as the user giving up.
      const Outcome again = Exchange(resource, &body);
      if (again == Outcome::Ok) return finish_ok(body);
      if (again == Outcome::Cancelled) return finish_cancelled();
      return again == Outcome::Status ? finish_failed() : finish_unanswered();
    }
  }
}

std::string TwitterAPI::GetSearch(std::string_view query, std::string_view lang,
                                  std::string_view geo_code, std::string_view since_id,
                                  std::string_view max_id, std::string& count, bool append_tweets,
                                  std::string_view result_type) {
  if (api_version_ == 2) {
    return GetSearchV2(query, lang, geo_code, since_id, max_id.empty() ? "" : NextId(max_id), "",
                       "", append_tweets);
  }
  if (bearer_token_.empty() || app_name_.empty() || query.empty()) return {};
  const double n = LeadingNumber(count);
  if (n > 100) {
    count = "100";
  } else if (n < 10) {
    count = "10";
  }
  std::string path = "/1.1/search/tweets.json?q=" + URLEncode(query) + "&count=" + count +
                     "&lang=" + std::string(lang) + "&geocode=" + std::string(geo_code) +
                     "&result_type=" + std::string(result_type) + "&tweet_mode=extended";
  if (!max_id.empty()) path += "&max_id=" + std::string(max_id);
  if (!since_id.empty()) path += "&since_id=" + std::string(since_id);
  const Resource r{"GetSearch", std::move(path), 10, &search_, true, true, Retry::AskRepeat};
  return Request(r, [&](const std::string& body) { tweets_->SetData(body, append_tweets, true); });
}

std::string TwitterAPI::GetUserTimeLine(std::string_view user, bool user_is_screen_name,
                                        std::string_view since_id, std::string_view max_id,
                                        std::string_view count, bool append_tweets) {
  if (api_version_ == 2) {
    return GetUserTimeLineV2(user, user_is_screen_name, since_id,
                             max_id.empty() ? "" : NextId(max_id), "", append_tweets);
  }
  if (bearer_token_.empty() || app_name_.empty() || user.empty()) return {};
  std::string path =
      "/1.1/statuses/user_timeline.json?&count=" + std::string(count) + "&tweet_mode=extended";
  path += (user_is_screen_name ? "&screen_name=" : "&user_id=") + std::string(user);
  if (!max_id.empty()) path += "&max_id=" + std::string(max_id);
  if (!since_id.empty()) path += "&since_id=" + std::string(since_id);
  const Resource r{"GetUserTimeLine", std::move(path), 5, &utl_, false, false, Retry::AskRepeat};
  return Request(r, [&](const std::string& body) { tweets_->SetData(body, append_tweets, false); });
}

std::string TwitterAPI::GetUsersLookUp(std::string_view user_id_list,
                                       std::string_view screen_name_list, bool append_users) {
  if (user_id_list.empty() && screen_name_list.empty()) {
    last_failed_ = true;
    return {};
  }
  if (api_version_ == 2) return GetUsersLookUpV2(user_id_list, screen_name_list, append_users);
  std::string path = user_id_list.empty()
                         ? "/1.1/users/lookup.json?screen_name=" + std::string(screen_name_list)
                         : "/1.1/users/lookup.json?user_id=" + std::string(user_id_list);
  const Resource r{"GetUsersLookUp", std::move(path), 5, &ul_, false, false, Retry::AskRepeat};
  return Request(r, [&](const std::string& body) { users_->SetData(body, append_users, false); });
}

std::string TwitterAPI::GetFriendsList(std::string_view user_id, std::string_view screen_name,
                                       std::string_view count, bool append_users) {
  if (user_id.empty() && screen_name.empty()) return {};
  // A new list starts from the first page; an appending call goes on from the last cursor.
  if (!append_users) users_->Clear();
  if (api_version_ == 2) return GetFollowListV2(false, user_id, screen_name, append_users);
  std::string path = "/1.1/friends/list.json?screen_name=" + std::string(screen_name) +
                     "&user_id=" + std::string(user_id) + "&count=" + std::string(count) +
                     "&cursor=" + users_->NextCursor();
  const Resource r{"GetFriendsList", std::move(path), 5, &fr_, false, false, Retry::AskResendOnce};
  return Request(r, [&](const std::string& body) { users_->SetData(body, append_users, true); });
}

std::string TwitterAPI::GetFollowersList(std::string_view user_id, std::string_view screen_name,
                                         std::string_view count, bool append_users) {
  if (user_id.empty() && screen_name.empty()) return {};
  if (!append_users) users_->Clear();
  if (api_version_ == 2) return GetFollowListV2(true, user_id, screen_name, append_users);
  std::string path = "/1.1/followers/list.json?screen_name=" + std::string(screen_name) +
                     "&user_id=" + std::string(user_id) + "&count=" + std::string(count) +
                     "&cursor=" + users_->NextCursor();
  const Resource r{"GetFollowersList",  std::move(path), 5, &fl_, false, false,
                   Retry::AskResendOnce};
  return Request(r, [&](const std::string& body) { users_->SetData(body, append_users, true); });
}

std::string TwitterAPI::GetFollowerIds(std::string_view screen_name) {
  if (screen_name.empty()) return {};
  const Resource r{
      "GetFollowerIds",
      "/1.1/followers/ids.json?cursor=-1&screen_name=" + std::string(screen_name) + "&count=5000",
      5,
      nullptr,
      false,
      false,
      Retry::Never};
  return Request(r, [](const std::string&) {});
}

std::int16_t TwitterAPI::GetLocalUTCOffset() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  std::tm local{};
  gmtime_r(&now, &utc);
  localtime_r(&now, &local);
  int d = local.tm_hour - utc.tm_hour;
  if (d > 12) d -= 24;
  if (d < -11) d += 24;
  return static_cast<std::int16_t>(d);
}

CivilDateTime TwitterAPI::NextReset(const RateQuota& q) {
  // The zone's real offset at that instant, so summer time and half-hour zones come out right.
  const std::time_t t = q.reset;
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return FromSerialSeconds(q.reset);
  return CivilDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace wf
