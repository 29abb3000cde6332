// wrenfold-cli auth: a failed token request says whether the key and secret were refused, the
// server could not be reached or its certificate was not trusted.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "support-apisim/test_server.h"
#include "support/test_paths.h"

namespace wf::cli {
namespace {

CliRun Auth(const std::string& secret, const std::string& api, const std::string& data,
            const std::string& cacert = "") {
  std::vector<std::string> args = {"auth", "--app-name", "A", "--key",      "demo-key", "--secret",
                                   secret, "--api",      api, "--data-dir", data};
  if (!cacert.empty()) args.insert(args.end(), {"--cacert", cacert});
  return Cli(args);
}

TEST(AuthCommand, RefusedUnreachableAndUntrustedAreToldApart) {
  test::TempDir dir;
  const std::string data = dir.File("data");
  apisim::ServerConfig config;
  config.corpus.users = 6000;
  config.tls = true;
  config.cert_file = dir.File("apisim.pem");
  apisim::TestServer server(config);
  ASSERT_TRUE(server.ok());

  // The certificate is the simulator's own, which nothing trusts unless told to.
  CliRun r = Auth("demo-secret", server.BaseUrl(), data);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(": the server's TLS certificate could not be verified (SSL certificate"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("--cacert"), std::string::npos);
  EXPECT_EQ(r.err.find("refused"), std::string::npos) << r.err;

  r = Auth("wrong", server.BaseUrl(), data, config.cert_file);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(": the server refused the consumer key and secret (403:Forbidden)"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(std::filesystem::exists(data + "/appcred"));

  r = Auth("demo-secret", "http://127.0.0.1:1", data);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(": the server could not be reached ("), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("certificate"), std::string::npos) << r.err;

  r = Auth("demo-secret", server.BaseUrl(), data, config.cert_file);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(data + "/appcred"));
}

}  // namespace
}  // namespace wf::cli
