#include "apisim/server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <utility>

#include "apisim/endpoints_v2.h"
#include "apisim/json_writer.h"
#include "apisim/random.h"
#include "apisim/shapes_v2.h"
#include "apisim/tls_cert.h"

namespace wf::apisim {

namespace {

constexpr char kContentType[] = "application/json;charset=utf-8";
constexpr char kContentTypeV2[] = "application/json; charset=utf-8";
constexpr size_t kReceivedCap = 50000;

std::string HttpDate(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
  return buf;
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "";
  }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string DecodeBase64(std::string_view text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;
    if (c == '/' || c == '_') return 63;
    return -1;
  };
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (const char c : text) {
    if (c == '=' || c == ' ' || c == '\r' || c == '\n') continue;
    const int v = value(c);
    if (v < 0) return {};
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((acc >> bits) & 0xff));
    }
  }
  return out;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const std::string hex(text.substr(i + 1, 2));
      char* end = nullptr;
      const long v = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        out.push_back(static_cast<char>(v));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

// The query's parameters and, for a form body, its fields, which the HTTP layer may or may not
// have parsed already (a field it did is not added twice).
Params FormParams(const httplib::Request& req) {
  Params params = req.params;
  const std::string type = req.get_header_value("Content-Type");
  constexpr std::string_view kForm = "application/x-www-form-urlencoded";
  if (req.method != "POST" || type.size() < kForm.size() ||
      !EqualsNoCase(std::string_view(type).substr(0, kForm.size()), kForm)) {
    return params;
  }
  const auto decode = [](std::string_view text) {
    std::string plus(text);
    std::replace(plus.begin(), plus.end(), '+', ' ');
    return PercentDecode(plus);
  };
  const std::string_view body = req.body;
  size_t from = 0;
  while (from < body.size()) {
    size_t end = body.find('&', from);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view field = body.substr(from, end - from);
    from = end + 1;
    if (field.empty()) continue;
    const size_t eq = field.find('=');
    std::string key = decode(field.substr(0, eq));
    std::string value = eq == std::string_view::npos ? "" : decode(field.substr(eq + 1));
    const auto [first, last] = params.equal_range(key);
    if (std::none_of(first, last, [&](const auto& kv) { return kv.second == value; }))
      params.emplace(std::move(key), std::move(value));
  }
  return params;
}

// The socket a request arrived on. cpp-httplib gives handlers no handle on it, so look it up
// by the connection's two ports; -1 when not found.
int ConnectionFd(int local_port, int remote_port) {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int found = -1;
  while (dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd < 0) continue;
    sockaddr_storage local{}, peer{};
    socklen_t local_len = sizeof local, peer_len = sizeof peer;
    if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&local), &local_len) != 0 ||
        getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &peer_len) != 0)
      continue;
    auto port_of = [](const sockaddr_storage& a) -> int {
      if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
      if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
      return -1;
    };
    if (port_of(local) == local_port && port_of(peer) == remote_port) {
      found = static_cast<int>(fd);
      break;
    }
  }
  closedir(dir);
  return found;
}

// Ends the connection without an answer, the way a failing front end looks to a client.
void ShutdownConnection(int local_port, int remote_port) {
  const int fd = ConnectionFd(local_port, remote_port);
  if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

// Whether more bytes of this request reach the socket soon. Over TLS each record is read on
// its own, so a body sent after the headers shows up here; over plain HTTP it may already sit
// in cpp-httplib's buffer, which is harmless for the caller below.
bool BodyArriving(int local_port, int remote_port) {
  const int fd = ConnectionFd(local_port, remote_port);
  if (fd < 0) return true;
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 50) > 0;
}

}  // namespace

std::string MakeBearerToken(uint64_t data_seed, const std::string& key, const std::string& secret) {
  uint64_t h = Hash(data_seed, 0x70c3);
  for (const char c : key + '\x1f' + secret) h = Hash(h, static_cast<unsigned char>(c));
  Rng rng(h);
  static constexpr char kAlnum[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  auto chunk = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(kAlnum[rng.Below(62)]);
    return s;
  };
  return "AAAAAAAAAAAAAAAAAAAAA" + chunk(20) + "%2F" + chunk(14) + "%3D" + chunk(50);
}

std::string ReceivedRequest::Header(const std::string& name) const {
  for (const auto& [k, v] : headers)
    if (EqualsNoCase(k, name)) return v;
  return {};
}

struct Server::Impl {
  explicit Impl(ServerConfig c)
      : config(std::move(c)),
        corpus(config.corpus),
        token(MakeBearerToken(config.corpus.data_seed, config.app_key, config.app_secret)),
        decoded_token(PercentDecode(token)),
        limiter(config.window_seconds, config.limits),
        plan(std::make_shared<FaultPlan>(config.faults)) {}

  void Handle(const httplib::Request& req, httplib::Response& res);
  void Dispatch(const httplib::Request& req, const Params& params, httplib::Response& res,
                const std::string& path, const std::shared_ptr<FaultPlan>& faults);
  void Token(const httplib::Request& req, httplib::Response& res);
  void Json(httplib::Response& res, int status, std::string body, bool v2 = false);
  Answer Resource(Family family, const Params& p, const std::string& path,
                  const FaultPlan& faults) const;
  void QuotaHeaders(httplib::Response& res, const RateLimiter::Quota& q);
  bool CredentialsMatch(const std::string& authorization) const;
  void Record(ReceivedRequest rec);
  std::shared_ptr<FaultPlan> Plan() {
    std::lock_guard lock(plan_mutex);
    return plan;
  }

  ServerConfig config;
  Corpus corpus;
  std::string token;
  std::string decoded_token;
  RateLimiter limiter;
  std::mutex plan_mutex;
  std::shared_ptr<FaultPlan> plan;
  std::unique_ptr<SelfSignedCertificate> cert;
  std::unique_ptr<httplib::Server> http;
  std::thread thread;
  int port = 0;
  std::atomic<uint64_t> serial{0};

  mutable std::mutex received_mutex;
  std::deque<ReceivedRequest> received;
  std::ofstream log;

  std::mutex state_mutex;
  std::condition_variable state_cv;
  bool finished = false;  // the accept loop has ended
};

void Server::Impl::Json(httplib::Response& res, int status, std::string body, bool v2) {
  const std::time_t now = std::time(nullptr);
  const std::string date = HttpDate(now);
  const uint64_t n = ++serial;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx",
                static_cast<unsigned long long>(Hash(config.corpus.data_seed, 0x7a, n)));
  res.status = status;
  if (v2) res.set_header("api-version", "2.52");
  res.set_header("cache-control",
                 v2 ? "no-cache, no-store, max-age=0"
                    : "no-cache, no-store, must-revalidate, pre-check=0, post-check=0");
  res.set_header("content-disposition", "attachment; filename=json.json");
  res.set_header("date", date);
  res.set_header("expires", "Tue, 31 Mar 1981 05:00:00 GMT");
  res.set_header("last-modified", date);
  res.set_header("pragma", "no-cache");
  res.set_header("server", "tsa_b");
  res.set_header("status", std::to_string(status) + " " + ReasonPhrase(status));
  if (config.tls) res.set_header("strict-transport-security", "max-age=631138519");
  res.set_header("x-access-level", "read");
  res.set_header("x-content-type-options", "nosniff");
  res.set_header("x-frame-options", "SAMEORIGIN");
  res.set_header("x-transaction-id", hex);
  res.set_header("x-xss-protection", "0");
  res.set_header("Content-Type", v2 ? kContentTypeV2 : kContentType);
  res.body = std::move(body);
}

void Server::Impl::QuotaHeaders(httplib::Response& res, const RateLimiter::Quota& q) {
  res.set_header("x-rate-limit-limit", std::to_string(q.limit));
  res.set_header("x-rate-limit-remaining", std::to_string(q.remaining));
  res.set_header("x-rate-limit-reset", std::to_string(q.reset));
}

bool Server::Impl::CredentialsMatch(const std::string& authorization) const {
  constexpr std::string_view kBasic = "Basic ";
  if (authorization.size() <= kBasic.size() ||
      !EqualsNoCase(std::string_view(authorization).substr(0, kBasic.size()), kBasic))
    return false;
  const std::string pair = DecodeBase64(std::string_view(authorization).substr(kBasic.size()));
  const size_t colon = pair.find(':');
  if (colon == std::string::npos) return false;
  // Twitter asks for both halves URL-encoded; clients that skip it are fine for plain keys.
  return PercentDecode(pair.substr(0, colon)) == config.app_key &&
         PercentDecode(pair.substr(colon + 1)) == config.app_secret;
}

void Server::Impl::Token(const httplib::Request& req, httplib::Response& res) {
  std::string grant = req.get_param_value("grant_type");
  if (grant.empty()) {
    // The form body, when the HTTP layer did not parse it.
    const size_t at = req.body.find("grant_type=");
    if (at != std::string::npos) {
      const size_t end = req.body.find('&', at);
      grant =
          req.body.substr(at + 11, end == std::string::npos ? std::string::npos : end - at - 11);
    }
  }
  std::string out;
  JsonWriter w(out);
  if (grant != "client_credentials") {
    w.BeginObject().Key("errors").BeginArray().BeginObject();
    w.Num("code", 170).Str("message", "Missing required parameter: grant_type");
    w.Str("label", "forbidden_missing_parameter").EndObject().EndArray().EndObject();
    Json(res, 403, std::move(out));
    return;
  }
  if (!CredentialsMatch(req.get_header_value("Authorization"))) {
    w.BeginObject().Key("errors").BeginArray().BeginObject();
    w.Num("code", 99).Str("message", "Unable to verify your credentials");
    w.Str("label", "authenticity_token_error").EndObject().EndArray().EndObject();
    Json(res, 403, std::move(out));
    return;
  }
  w.BeginObject().Str("token_type", Plan()->config().token_type).Str("access_token", token);
  w.EndObject();
  Json(res, 200, std::move(out));
}

void Server::Impl::Dispatch(const httplib::Request& req, const Params& params,
                            httplib::Response& res, const std::string& path,
                            const std::shared_ptr<FaultPlan>& faults) {
  if (req.method == "POST" && path == "/oauth2/token") {
    Token(req, res);
    return;
  }
  const auto family = FamilyByPath(path);
  const bool v2 = family ? Info(*family).version == 2 : path.rfind("/2/", 0) == 0;
  // A lookup may also come as a form (as tweepy's lookup_users sends it), as the service allows.
  const bool form_lookup = req.method == "POST" && family == Family::kUsersLookup;
  if (!family || (req.method != "GET" && !form_lookup)) {
    Json(res, 404,
         v2 ? v2::Problem("Not Found Error", "The requested resource could not be found.",
                          "https://api.twitter.com/2/problems/resource-not-found", 404)
            : ErrorBody(34, "Sorry, that page does not exist."),
         v2);
    return;
  }
  const std::string authorization = req.get_header_value("Authorization");
  constexpr std::string_view kBearer = "Bearer ";
  const bool bearer =
      authorization.size() > kBearer.size() &&
      EqualsNoCase(std::string_view(authorization).substr(0, kBearer.size()), kBearer);
  // cpp-httplib 0.11 percent-decodes header values before handlers see them, so the token
  // arrives with "%2F" and "%3D" already turned into "/" and "=".
  if (!bearer || authorization.substr(kBearer.size()) != decoded_token) {
    if (v2) {
      Json(res, 401, v2::Problem("Unauthorized", "Unauthorized", "about:blank", 401), true);
    } else {
      Json(res, 401,
           bearer ? ErrorBody(89, "Invalid or expired token.")
                  : ErrorBody(215, "Bad Authentication data."));
    }
    QuotaHeaders(res, limiter.Peek(*family));
    return;
  }
  if (faults->Forbidden(*family)) {
    Json(res, 403,
         v2 ? v2::ClientForbiddenBody()
            : ErrorBody(453,
                        "You currently have access to a subset of Twitter API v2 endpoints and "
                        "limited v1.1 endpoints (e.g. media post, oauth) only. If you need access "
                        "to this endpoint, you may need a different access level. You can learn "
                        "more here: https://developer.twitter.com/en/portal/product"),
         v2);
    return;
  }

  const FaultDecision fault = faults->Next(*family);
  // A stalled answer comes late (or, once released, at once) and otherwise as usual.
  if (fault.stall) faults->Stall();
  if (fault.drop) {
    ShutdownConnection(req.local_port, req.remote_port);
    res.status = 500;
    return;
  }
  if (fault.status500) {
    Json(res, 500,
         v2 ? v2::Problem("Internal Server Error", "Internal Server Error", "about:blank", 500)
            : ErrorBody(131, "Internal error"),
         v2);
    return;
  }
  if (fault.status503) {
    Json(res, 503,
         v2 ? v2::Problem("Service Unavailable", "Service Unavailable", "about:blank", 503)
            : ErrorBody(130, "Over capacity"),
         v2);
    return;
  }
  // The monthly cap is not a window: the quota headers still show requests left.
  if (faults->UsageCapped(*family)) {
    Json(res, 429, v2::UsageCappedBody(), true);
    QuotaHeaders(res, limiter.Peek(*family));
    return;
  }
  RateLimiter::Quota quota;
  const bool allowed =
      (*family != Family::kSearchAll || limiter.Spend(Family::kSearchAllPerSecond, quota)) &&
      limiter.Spend(*family, quota);
  if (!allowed) {
    Json(res, 429,
         v2 ? v2::Problem("Too Many Requests", "Too Many Requests", "about:blank", 429)
            : ErrorBody(88, "Rate limit exceeded"),
         v2);
    QuotaHeaders(res, quota);
    return;
  }

  Answer answer = Resource(*family, params, path, *faults);
  if (fault.truncate) answer.body.resize(answer.body.size() / 2);
  // What a captive portal or a confused proxy hands back in place of the JSON.
  if (fault.malformed)
    answer = {200,
              "<!DOCTYPE html><html><head><title>Service notice</title></head><body>"
              "<p>Please sign in to continue.</p></body></html>\n"};
  if (fault.empty) answer = {200, ""};
  Json(res, answer.status, std::move(answer.body), v2);
  if (!fault.noquota) QuotaHeaders(res, quota);
  if (fault.cut) {
    auto body = std::make_shared<std::string>(std::move(res.body));
    res.body.clear();
    res.set_content_provider(body->size(), v2 ? kContentTypeV2 : kContentType,
                             [body](size_t offset, size_t length, httplib::DataSink& sink) {
                               const size_t half = body->size() / 2;
                               if (offset >= half)
                                 return false;  // abandons the connection mid-body
                               return sink.write(body->data() + offset,
                                                 std::min(length, half - offset));
                             });
  }
}

// The path segment after `prefix`, up to the next "/" ("/2/users/" in "/2/users/42/tweets").
static std::string Segment(const std::string& path, std::string_view prefix) {
  const size_t end = path.find('/', prefix.size());
  return path.substr(prefix.size(),
                     end == std::string::npos ? std::string::npos : end - prefix.size());
}

Answer Server::Impl::Resource(Family family, const Params& p, const std::string& path,
                              const FaultPlan& faults) const {
  const uint32_t page = faults.config().oversize;
  v2::Knobs knobs;
  knobs.page_size = page;
  knobs.partial = faults.config().partial;
  knobs.deleted = faults.config().deleted;
  switch (family) {
    case Family::kSearch:
      return SearchTweets(corpus, p, page);
    case Family::kUserTimeline:
      return UserTimeline(corpus, p, page);
    case Family::kFollowersList:
      return FollowList(corpus, p, false, page);
    case Family::kFriendsList:
      return FollowList(corpus, p, true, page);
    case Family::kUsersLookup:
      return UsersLookup(corpus, p, page);
    case Family::kFollowersIds:
      return FollowerIds(corpus, p, page);
    case Family::kStatusesLookup:
      return StatusesLookup(corpus, p, knobs.deleted);
    case Family::kSearchRecent:
      return v2::Search(corpus, p, false, knobs);
    case Family::kSearchAll:
    case Family::kSearchAllPerSecond:
      return v2::Search(corpus, p, true, knobs);
    case Family::kUsersTweets:
      return v2::UserTweets(corpus, Segment(path, "/2/users/"), p, knobs);
    case Family::kUsersBy:
      return v2::UsersByNames(corpus, p, knobs);
    case Family::kUserByUsername:
      return v2::UserByName(corpus, Segment(path, "/2/users/by/username/"), p, knobs);
    case Family::kUsersIds:
      return v2::UsersByIds(corpus, p, knobs);
    case Family::kUsersFollowers:
      return v2::Follows(corpus, Segment(path, "/2/users/"), p, false, knobs);
    case Family::kUsersFollowing:
      return v2::Follows(corpus, Segment(path, "/2/users/"), p, true, knobs);
    case Family::kTweetsLookup:
      return v2::TweetsLookup(corpus, p, knobs);
  }
  return {404, ErrorBody(34, "Sorry, that page does not exist.")};
}

void Server::Impl::Handle(const httplib::Request& req, httplib::Response& res) {
  const auto started = std::chrono::steady_clock::now();
  const std::shared_ptr<FaultPlan> faults = Plan();
  if (faults->config().latency_ms > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(faults->config().latency_ms));

  ReceivedRequest rec;
  rec.method = req.method;
  rec.target = req.target;
  rec.params = FormParams(req);
  rec.body = req.body;
  for (const auto& [k, v] : req.headers) rec.headers.emplace_back(k, v);
  std::string path = req.path;
  // A forward proxy's request line carries the absolute URL; serve it as our own resource.
  for (std::string_view scheme : {"http://", "https://"}) {
    if (path.compare(0, scheme.size(), scheme) == 0) {
      const size_t slash = path.find('/', scheme.size());
      path = slash == std::string::npos ? "/" : path.substr(slash);
      rec.absolute_form = true;
      break;
    }
  }
  rec.path = path;
  if (config.on_request) config.on_request(path);

  Dispatch(req, rec.params, res, path, faults);

  const auto elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - started)
                              .count();
  res.set_header("x-response-time", std::to_string(elapsed_ms));
  rec.status = res.status;
  Record(std::move(rec));
}

void Server::Impl::Record(ReceivedRequest rec) {
  std::lock_guard lock(received_mutex);
  if (log.is_open()) {
    log << HttpDate(std::time(nullptr)) << ' ' << rec.method << ' ' << rec.target << ' '
        << rec.status << '\n'
        << std::flush;
  }
  if (received.size() >= kReceivedCap) received.pop_front();
  received.push_back(std::move(rec));
}

Server::Server(ServerConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}

Server::~Server() {
  Stop();
}

bool Server::Start(std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error != nullptr) *error = message;
    impl_->http.reset();
    return false;
  };
  Impl& s = *impl_;
  if (s.http) return fail("already started");
  // Writes to a connection the client already dropped must not kill the process.
  ::signal(SIGPIPE, SIG_IGN);

  if (!s.config.log_file.empty()) {
    s.log.open(s.config.log_file, std::ios::app);
    if (!s.log) return fail("cannot open the log file " + s.config.log_file);
  }
  if (s.config.tls) {
    std::string problem;
    s.cert = SelfSignedCertificate::Generate(&problem);
    if (!s.cert) return fail(problem);
    if (!s.config.cert_file.empty()) {
      // Written before the listening line, and whole, so a client never reads half a file.
      const std::string tmp = s.config.cert_file + ".tmp";
      {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << s.cert->pem();
        if (!out) return fail("cannot write the certificate to " + s.config.cert_file);
      }
      std::error_code ec;
      std::filesystem::rename(tmp, s.config.cert_file, ec);
      if (ec) return fail("cannot write the certificate to " + s.config.cert_file);
    }
    s.http = std::make_unique<httplib::SSLServer>(s.cert->certificate(), s.cert->key());
  } else {
    s.http = std::make_unique<httplib::Server>();
  }
  if (!s.http->is_valid()) return fail("cannot set up the server");

  const size_t threads = static_cast<size_t>(std::max(2, s.config.threads));
  s.http->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  s.http->set_keep_alive_max_count(100000);
  s.http->set_keep_alive_timeout(15);
  s.http->set_tcp_nodelay(true);
  // cpp-httplib also sets SO_REUSEPORT, which would let a second simulator share a busy port
  // and split the traffic; a taken port must be an error instead.
  s.http->set_socket_options([](int sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  auto handler = [this](const httplib::Request& req, httplib::Response& res) {
    impl_->Handle(req, res);
  };
  s.http->Get(".*", handler);
  s.http->Post(".*", handler);
  // Clients send the token request with "Content-Length: 29", some with the matching form
  // body and some with none. Waiting for a body that never comes would stall them until the
  // read time-out, so when the grant type is in the query and no body shows up at once, the
  // request is answered from its headers. Leaving a body unread and then closing would reset
  // the connection under the client, so a body that does arrive goes the normal way.
  s.http->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    constexpr std::string_view kTokenPath = "/oauth2/token";
    const std::string_view path = req.path;
    if (req.method != "POST" || !req.has_param("grant_type") || path.size() < kTokenPath.size() ||
        path.substr(path.size() - kTokenPath.size()) != kTokenPath)
      return httplib::Server::HandlerResponse::Unhandled;
    const std::string length = req.get_header_value("Content-Length");
    if (!length.empty() && length != "0" && BodyArriving(req.local_port, req.remote_port))
      return httplib::Server::HandlerResponse::Unhandled;
    impl_->Handle(req, res);
    res.set_header("Connection", "close");  // bytes sent later are not part of any request
    return httplib::Server::HandlerResponse::Handled;
  });

  if (s.config.port == 0) {
    s.port = s.http->bind_to_any_port(s.config.host);
  } else {
    s.port = s.http->bind_to_port(s.config.host, s.config.port) ? s.config.port : -1;
  }
  if (s.port <= 0) {
    return fail("cannot listen on " + s.config.host + ":" + std::to_string(s.config.port));
  }
  s.thread = std::thread([this] {
    impl_->http->listen_after_bind();
    std::lock_guard lock(impl_->state_mutex);
    impl_->finished = true;
    impl_->state_cv.notify_all();
  });
  // The socket already queues connections; wait for the accept loop anyway so that "started"
  // also means "being served".
  for (int i = 0; i < 5000 && !s.http->is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::lock_guard lock(s.state_mutex);
  s.finished = false;
  return true;
}

void Server::Stop() {
  Impl& s = *impl_;
  if (!s.http) return;
  s.Plan()->Release();  // a stalled answer must not hold up the shutdown
  s.http->stop();
  if (s.thread.joinable()) s.thread.join();
  s.http.reset();
  std::lock_guard lock(s.state_mutex);
  s.finished = true;
  s.state_cv.notify_all();
}

void Server::Wait() {
  std::unique_lock lock(impl_->state_mutex);
  impl_->state_cv.wait(lock, [this] { return impl_->finished; });
}

int Server::port() const {
  return impl_->port;
}

std::string Server::BaseUrl() const {
  return std::string(impl_->config.tls ? "https://" : "http://") + impl_->config.host + ":" +
         std::to_string(impl_->port);
}

const Corpus& Server::corpus() const {
  return impl_->corpus;
}
const ServerConfig& Server::config() const {
  return impl_->config;
}
std::string Server::BearerToken() const {
  return impl_->token;
}
std::string Server::CertificatePem() const {
  return impl_->cert ? impl_->cert->pem() : "";
}

std::vector<ReceivedRequest> Server::Received() const {
  std::lock_guard lock(impl_->received_mutex);
  return {impl_->received.begin(), impl_->received.end()};
}

void Server::ClearReceived() {
  std::lock_guard lock(impl_->received_mutex);
  impl_->received.clear();
}

void Server::SetFaults(const FaultConfig& faults) {
  std::shared_ptr<FaultPlan> old;
  {
    std::lock_guard lock(impl_->plan_mutex);
    old = std::exchange(impl_->plan, std::make_shared<FaultPlan>(faults));
  }
  old->Release();
}

void Server::SetLimits(const Limits& limits) {
  impl_->limiter.SetLimits(limits);
}

}  // namespace wf::apisim
