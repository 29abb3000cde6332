#include "apisim/server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support-apisim/mini_json.h"
#include "support-apisim/test_server.h"
#include "support-apisim/tiny_proxy.h"
#include "support/test_paths.h"

namespace wf::apisim {
namespace {

constexpr char kBasicDemo[] = "Basic ZGVtby1rZXk6ZGVtby1zZWNyZXQ=";  // demo-key:demo-secret
constexpr char kSearch[] =
    "/1.1/search/tweets.json?q=skein%20AND%20twitter&count=100&lang=&geocode=&result_type=Recent"
    "&tweet_mode=extended";

httplib::Result Get(TestServer& s, const std::string& target, const std::string& token) {
  httplib::Client client("127.0.0.1", s.port());
  client.set_read_timeout(10, 0);
  httplib::Headers headers;
  if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
  return client.Get(target.c_str(), headers);
}

httplib::Result PostToken(TestServer& s, const std::string& authorization) {
  httplib::Client client("127.0.0.1", s.port());
  return client.Post("/oauth2/token?grant_type=client_credentials",
                     {{"Authorization", authorization}, {"User-Agent", "WFD test"}},
                     "grant_type=client_credentials",
                     "application/x-www-form-urlencoded;charset=UTF-8");
}

bool HasQuotaHeaders(const httplib::Response& r) {
  return r.has_header("x-rate-limit-limit") && r.has_header("x-rate-limit-remaining") &&
         r.has_header("x-rate-limit-reset");
}

// Sends raw bytes and returns the complete HTTP answer (headers and Content-Length bytes of
// body), or what arrived before `wait` ran out.
std::string RawExchange(int port, const std::string& request, std::chrono::milliseconds wait) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return {};
  }
  ::send(fd, request.data(), request.size(), 0);
  timeval tv{static_cast<time_t>(wait.count() / 1000),
             static_cast<suseconds_t>((wait.count() % 1000) * 1000)};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  std::string reply;
  char buf[4096];
  while (true) {
    const size_t head_end = reply.find("\r\n\r\n");
    if (head_end != std::string::npos) {
      const size_t at = reply.find("Content-Length: ");
      if (at != std::string::npos && at < head_end &&
          reply.size() >= head_end + 4 + std::stoul(reply.substr(at + 16)))
        break;
    }
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    reply.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return reply;
}

TEST(ServerTokenTest, ExchangesOnlyTheConfiguredCredentials) {
  TestServer s;
  const auto good = PostToken(s, kBasicDemo);
  ASSERT_TRUE(good);
  EXPECT_EQ(good->status, 200);
  EXPECT_EQ(good->body, R"({"token_type":"bearer","access_token":")" + s.Token() + R"("})");
  EXPECT_NE(s.Token().find("%2F"), std::string::npos);
  EXPECT_FALSE(good->has_header("x-rate-limit-limit"));

  const auto wrong = PostToken(s, "Basic ZGVtby1rZXk6bm9wZQ==");  // demo-key:nope
  ASSERT_TRUE(wrong);
  EXPECT_EQ(wrong->status, 403);
  EXPECT_EQ(wrong->body, R"({"errors":[{"code":99,"message":"Unable to verify your credentials",)"
                         R"("label":"authenticity_token_error"}]})");
  const auto missing = PostToken(s, "");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 403);

  httplib::Client client("127.0.0.1", s.port());
  const auto no_grant = client.Post("/oauth2/token", {{"Authorization", kBasicDemo}}, "x=y",
                                    "application/x-www-form-urlencoded");
  ASSERT_TRUE(no_grant);
  EXPECT_EQ(no_grant->status, 403);
  EXPECT_NE(no_grant->body.find("\"code\":170"), std::string::npos);
  const auto in_body =
      client.Post("/oauth2/token", {{"Authorization", kBasicDemo}}, "grant_type=client_credentials",
                  "application/x-www-form-urlencoded");
  ASSERT_TRUE(in_body);
  EXPECT_EQ(in_body->status, 200);
}

TEST(ServerTokenTest, AnswersAHeaderOnlyRequestWithoutWaitingForItsBody) {
  // The token request carries "Content-Length: 29" and may send no body at all.
  TestServer s;
  // A server that waited for the body would answer only at its 5 s read time-out, after this
  // exchange has given up; no clock is read, so a loaded machine cannot fail it.
  const std::string reply =
      RawExchange(s.port(),
                  "POST /oauth2/token?grant_type=client_credentials HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                  "User-Agent: WFD\r\nAuthorization: " +
                      std::string(kBasicDemo) +
                      "\r\nContent-Type: application/x-www-form-urlencoded;charset=UTF-8\r\n"
                      "Content-Length: 29\r\n\r\n",
                  std::chrono::milliseconds(4000));
  EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << reply;
  EXPECT_NE(reply.find("\"token_type\":\"bearer\""), std::string::npos);
}

TEST(ServerTokenTest, TokenTypeCanBeFaked) {
  ServerConfig config;
  config.faults.token_type = "mac";
  TestServer s(config);
  const auto r = PostToken(s, kBasicDemo);
  ASSERT_TRUE(r);
  EXPECT_NE(r->body.find(R"("token_type":"mac")"), std::string::npos);
}

TEST(ServerResourceTest, RequiresTheBearerTokenAndKnownPaths) {
  TestServer s;
  const auto none = Get(s, kSearch, "");
  ASSERT_TRUE(none);
  EXPECT_EQ(none->status, 401);
  EXPECT_EQ(none->body, R"({"errors":[{"code":215,"message":"Bad Authentication data."}]})");
  EXPECT_TRUE(HasQuotaHeaders(*none));
  const auto bad = Get(s, kSearch, "AAAAwrong");
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->status, 401);
  EXPECT_EQ(bad->body, R"({"errors":[{"code":89,"message":"Invalid or expired token."}]})");
  EXPECT_EQ(bad->get_header_value("x-rate-limit-remaining"), "450");  // 401s cost nothing

  const auto unknown = Get(s, "/1.1/statuses/home_timeline.json", s.Token());
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->status, 404);
  EXPECT_EQ(unknown->body,
            R"({"errors":[{"code":34,"message":"Sorry, that page does not exist."}]})");

  const auto ok = Get(s, kSearch, s.Token());
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->status, 200);
  EXPECT_EQ(ok->get_header_value("Content-Type"), "application/json;charset=utf-8");
  EXPECT_EQ(ok->get_header_value("x-rate-limit-limit"), "450");
  EXPECT_EQ(ok->get_header_value("x-rate-limit-remaining"), "449");
  EXPECT_TRUE(test::ParseJson(ok->body));
}

// users/lookup also takes its lists as a form body (tweepy's lookup_users posts them), with the
// same answers as the GET form; other resources still refuse a POST.
TEST(ServerResourceTest, LookupAcceptsAFormPost) {
  TestServer s;
  const auto get = Get(s, "/1.1/users/lookup.json?screen_name=skein_team,skein_small", s.Token());
  ASSERT_TRUE(get);
  ASSERT_EQ(get->status, 200);
  httplib::Client client("127.0.0.1", s.port());
  client.set_read_timeout(10, 0);
  const httplib::Headers auth = {{"Authorization", "Bearer " + s.Token()}};
  const auto post = client.Post("/1.1/users/lookup.json", auth,
                                "screen_name=skein_team%2Cskein_small&include_entities=true",
                                "application/x-www-form-urlencoded");
  ASSERT_TRUE(post);
  EXPECT_EQ(post->status, 200);
  EXPECT_EQ(post->body, get->body);
  EXPECT_TRUE(HasQuotaHeaders(*post));

  const auto first = test::ParseJson(get->body);
  ASSERT_TRUE(first);
  ASSERT_EQ(first->items.size(), 2u);
  const std::string id = first->items[0]["id_str"].text;
  const auto by_id = client.Post("/1.1/users/lookup.json", auth, "user_id=" + id,
                                 "application/x-www-form-urlencoded; charset=utf-8");
  ASSERT_TRUE(by_id);
  EXPECT_EQ(by_id->status, 200);
  const auto one = test::ParseJson(by_id->body);
  ASSERT_TRUE(one);
  ASSERT_EQ(one->items.size(), 1u);
  EXPECT_EQ(one->items[0]["screen_name"].text, "skein_team");
  const auto received = s.server().Received();
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received[2].method, "POST");
  EXPECT_EQ(received[2].params.count("user_id"), 1u);

  const auto unknown = client.Post("/1.1/users/lookup.json", auth, "screen_name=nobody_at_all_x",
                                   "application/x-www-form-urlencoded");
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->status, 404);
  const auto timeline = client.Post("/1.1/statuses/user_timeline.json", auth,
                                    "screen_name=skein_team", "application/x-www-form-urlencoded");
  ASSERT_TRUE(timeline);
  EXPECT_EQ(timeline->status, 404);
}

TEST(ServerResourceTest, RecordsRequestsExactlyAsSent) {
  TestServer s;
  const std::string target =
      "/1.1/statuses/user_timeline.json?&count=200&tweet_mode=extended&screen_name=skein_team";
  httplib::Client client("127.0.0.1", s.port());
  const auto r = client.Get(
      target.c_str(), {{"User-Agent", "Skein tests"}, {"Authorization", "Bearer " + s.Token()}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  const auto received = s.server().Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].method, "GET");
  EXPECT_EQ(received[0].target, target);
  EXPECT_EQ(received[0].path, "/1.1/statuses/user_timeline.json");
  EXPECT_EQ(received[0].Header("user-agent"), "Skein tests");
  EXPECT_EQ(received[0].params.count("screen_name"), 1u);
  EXPECT_EQ(received[0].status, 200);
  EXPECT_FALSE(received[0].absolute_form);
}

TEST(ServerResourceTest, WindowsRunOutAndReset) {
  ServerConfig config;
  config.window_seconds = 2;
  config.limits[static_cast<size_t>(Family::kUsersLookup)] = 2;
  TestServer s(config);
  const std::string lookup = "/1.1/users/lookup.json?screen_name=skein_team";
  const auto first = Get(s, lookup, s.Token());
  const auto second = Get(s, lookup, s.Token());
  const auto third = Get(s, lookup, s.Token());
  ASSERT_TRUE(first && second && third);
  EXPECT_EQ(first->get_header_value("x-rate-limit-remaining"), "1");
  EXPECT_EQ(second->get_header_value("x-rate-limit-remaining"), "0");
  EXPECT_EQ(third->status, 429);
  EXPECT_EQ(third->body, R"({"errors":[{"code":88,"message":"Rate limit exceeded"}]})");
  EXPECT_EQ(third->get_header_value("x-rate-limit-remaining"), "0");
  EXPECT_EQ(third->get_header_value("x-rate-limit-limit"), "2");
  const int64_t reset = std::stoll(third->get_header_value("x-rate-limit-reset"));
  EXPECT_EQ(reset, std::stoll(first->get_header_value("x-rate-limit-reset")));

  // Other families are untouched; after the reset the window is full again.
  const auto search = Get(s, kSearch, s.Token());
  ASSERT_TRUE(search);
  EXPECT_EQ(search->status, 200);
  const auto wake = std::chrono::system_clock::time_point(std::chrono::seconds(reset)) +
                    std::chrono::milliseconds(50);
  std::this_thread::sleep_until(wake);
  const auto again = Get(s, lookup, s.Token());
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 200);
  EXPECT_EQ(again->get_header_value("x-rate-limit-remaining"), "1");
  EXPECT_GT(std::stoll(again->get_header_value("x-rate-limit-reset")), reset);
}

TEST(ServerFaultTest, ErrorAnswersAndMissingHeaders) {
  TestServer s;
  FaultConfig f;
  f.status500 = 1;
  s.server().SetFaults(f);
  auto r = Get(s, kSearch, s.Token());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 500);
  EXPECT_EQ(r->body, R"({"errors":[{"code":131,"message":"Internal error"}]})");

  f = FaultConfig{};
  f.status503 = 1;
  s.server().SetFaults(f);
  r = Get(s, kSearch, s.Token());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 503);
  EXPECT_EQ(r->body, R"({"errors":[{"code":130,"message":"Over capacity"}]})");

  f = FaultConfig{};
  f.noquota = 1;
  f.truncate = 0.5;
  s.server().SetFaults(f);
  const auto whole = Get(s, kSearch, s.Token());
  const auto cut = Get(s, kSearch, s.Token());
  ASSERT_TRUE(whole && cut);
  EXPECT_FALSE(HasQuotaHeaders(*whole));
  EXPECT_TRUE(test::ParseJson(whole->body));
  EXPECT_EQ(cut->status, 200);
  EXPECT_FALSE(test::ParseJson(cut->body));
  EXPECT_NEAR(static_cast<double>(cut->body.size()), whole->body.size() / 2.0,
              whole->body.size() * 0.1);

  f = FaultConfig{};
  f.oversize = 250;
  s.server().SetFaults(f);
  r = Get(s, kSearch, s.Token());
  ASSERT_TRUE(r);
  EXPECT_EQ(test::ParseJson(r->body)->Find("statuses")->items.size(), 250u);
}

TEST(ServerFaultTest, BrokenConnectionsAndLatency) {
  TestServer s;
  FaultConfig f;
  f.drop = 1;
  s.server().SetFaults(f);
  auto r = Get(s, kSearch, s.Token());
  EXPECT_FALSE(r);  // no answer at all

  f = FaultConfig{};
  f.cut = 1;
  s.server().SetFaults(f);
  r = Get(s, kSearch, s.Token());
  EXPECT_FALSE(r);  // the body stops short of its Content-Length

  f = FaultConfig{};
  f.latency_ms = 300;
  f.scope = Family::kSearch;
  f.drop = 1;  // scoped away from users/lookup below
  s.server().SetFaults(f);
  const auto started = std::chrono::steady_clock::now();
  r = Get(s, "/1.1/users/lookup.json?screen_name=skein_team", s.Token());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));

  // The server is still healthy after the dropped connections.
  s.server().SetFaults(FaultConfig{});
  r = Get(s, kSearch, s.Token());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
}

TEST(ServerProxyTest, ServesAbsoluteTargetsLikeAForwardProxy) {
  TestServer s;
  httplib::Client client("127.0.0.1", s.port());
  client.set_proxy("127.0.0.1", s.port());
  const auto r = client.Get(kSearch, {{"Authorization", "Bearer " + s.Token()}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  const auto received = s.server().Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_TRUE(received[0].absolute_form);
  EXPECT_EQ(received[0].target.rfind("http://127.0.0.1:", 0), 0u);
  EXPECT_EQ(received[0].path, "/1.1/search/tweets.json");
}

TEST(ServerProxyTest, ReachableThroughAForwardProxyOverHttpAndHttps) {
  TestServer plain;
  TinyProxy proxy;
  ASSERT_TRUE(proxy.ok());
  httplib::Client client("127.0.0.1", plain.port());
  client.set_proxy("127.0.0.1", proxy.port());
  const auto r = client.Get(kSearch, {{"Authorization", "Bearer " + plain.Token()}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  ASSERT_EQ(plain.server().Received().size(), 1u);
  EXPECT_FALSE(plain.server().Received()[0].absolute_form);  // the proxy rewrote the target

  wf::test::TempDir dir;
  ServerConfig config;
  config.tls = true;
  config.cert_file = dir.File("c.pem");
  TestServer secure(config);
  httplib::SSLClient tls("127.0.0.1", secure.port());
  tls.set_proxy("127.0.0.1", proxy.port());
  tls.set_ca_cert_path(config.cert_file.c_str());
  tls.enable_server_certificate_verification(true);
  const auto t = tls.Get(kSearch, {{"Authorization", "Bearer " + secure.Token()}});
  ASSERT_TRUE(t) << httplib::to_string(t.error());
  EXPECT_EQ(t->status, 200);

  const auto lines = proxy.RequestLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("GET http://127.0.0.1:" + std::to_string(plain.port()) + "/1.1/", 0),
            0u);
  EXPECT_EQ(lines[1], "CONNECT 127.0.0.1:" + std::to_string(secure.port()) + " HTTP/1.1");
}

TEST(ServerTlsTest, ClientsThatTrustTheWrittenCertificateVerifyIt) {
  wf::test::TempDir dir;
  ServerConfig config;
  config.tls = true;
  config.cert_file = dir.File("apisim.pem");
  TestServer s(config);
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(s.BaseUrl().rfind("https://127.0.0.1:", 0), 0u);
  EXPECT_EQ(wf::test::ReadBytes(config.cert_file), s.server().CertificatePem());
  EXPECT_EQ(s.server().CertificatePem().rfind("-----BEGIN CERTIFICATE-----", 0), 0u);

  for (const char* host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    httplib::SSLClient trusting(host, s.port());
    trusting.set_ca_cert_path(config.cert_file.c_str());
    trusting.enable_server_certificate_verification(true);
    const auto r = trusting.Get(kSearch, {{"Authorization", "Bearer " + s.Token()}});
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->status, 200);
  }
  httplib::SSLClient stranger("127.0.0.1", s.port());
  stranger.set_ca_cert_path("/etc/ssl/certs/ca-certificates.crt");
  stranger.enable_server_certificate_verification(true);
  EXPECT_FALSE(stranger.Get(kSearch));
}

}  // namespace
}  // namespace wf::apisim
