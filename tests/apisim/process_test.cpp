#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include "support-apisim/apisim_process.h"
#include "support/test_paths.h"

namespace wf::apisim {
namespace {

template <typename Client>
httplib::Result Token(Client& client, const std::string& basic) {
  return client.Post("/oauth2/token?grant_type=client_credentials",
                     {{"Authorization", "Basic " + basic}}, "grant_type=client_credentials",
                     "application/x-www-form-urlencoded;charset=UTF-8");
}

TEST(ProcessTest, PrintsWhereItListensServesAndStopsOnSigterm) {
  ApisimProcess sim;
  ASSERT_TRUE(sim.ok()) << sim.first_line() << sim.Stderr();
  EXPECT_EQ(sim.first_line(), "listening on http://127.0.0.1:" + std::to_string(sim.port()));
  httplib::Client client("127.0.0.1", sim.port());
  const auto r = Token(client, "ZGVtby1rZXk6ZGVtby1zZWNyZXQ=");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  // A clean exit status: no SIGKILL was needed (the start-up time is in apisim_page_bench).
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_FALSE(client.Get("/"));  // nothing listens any more
}

TEST(ProcessTest, StopsOnSigintAndHonoursOptions) {
  // "k2:s2" in Base64 is "azI6czI="; one search per window.
  ApisimProcess sim({"--key", "k2", "--secret", "s2", "--limit", "search=1", "--seed", "9"});
  ASSERT_TRUE(sim.ok()) << sim.Stderr();
  httplib::Client client("127.0.0.1", sim.port());
  EXPECT_EQ(Token(client, "ZGVtby1rZXk6ZGVtby1zZWNyZXQ=")->status, 403);
  const auto token = Token(client, "azI6czI=");
  ASSERT_TRUE(token);
  ASSERT_EQ(token->status, 200);
  const std::string value = token->body.substr(token->body.find("\"access_token\":\"") + 16);
  const httplib::Headers auth = {{"Authorization", "Bearer " + value.substr(0, value.find('"'))}};
  EXPECT_EQ(client.Get("/1.1/search/tweets.json?q=skein", auth)->status, 200);
  EXPECT_EQ(client.Get("/1.1/search/tweets.json?q=skein", auth)->status, 429);
  EXPECT_EQ(sim.Stop(SIGINT), 0);
}

TEST(ProcessTest, TlsWritesTheCertificateBeforeAnnouncingItself) {
  wf::test::TempDir dir;
  const std::string cert = dir.File("sim.pem");
  ApisimProcess sim({"--tls", "--cert", cert});
  ASSERT_TRUE(sim.ok()) << sim.Stderr();
  EXPECT_EQ(sim.url(), "https://127.0.0.1:" + std::to_string(sim.port()));
  httplib::SSLClient client("localhost", sim.port());
  client.set_ca_cert_path(cert.c_str());
  client.enable_server_certificate_verification(true);
  const auto r = Token(client, "ZGVtby1rZXk6ZGVtby1zZWNyZXQ=");
  ASSERT_TRUE(r) << httplib::to_string(r.error());
  EXPECT_EQ(r->status, 200);
}

TEST(ProcessTest, RefusesBadArgumentsAndBusyPorts) {
  ApisimProcess bad({"--fault", "explode=1"});
  EXPECT_FALSE(bad.ok());
  EXPECT_EQ(bad.Wait(), 2);
  EXPECT_NE(bad.Stderr().find("unknown fault explode"), std::string::npos) << bad.Stderr();
  EXPECT_NE(bad.Stderr().find("Usage: wrenfold-apisim"), std::string::npos);

  ApisimProcess first;
  ASSERT_TRUE(first.ok());
  ApisimProcess second({"--port", std::to_string(first.port())});
  EXPECT_FALSE(second.ok());
  EXPECT_EQ(second.Wait(), 1);
  EXPECT_NE(second.Stderr().find("cannot listen"), std::string::npos) << second.Stderr();
}

}  // namespace
}  // namespace wf::apisim
