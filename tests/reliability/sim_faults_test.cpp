// The simulator's faults that the fault table relies on: a stalled answer that a time-out
// beats and that never holds up a shutdown, an HTML page in place of the JSON, and a quota
// spent at once.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>

#include "apisim/server.h"
#include "support-apisim/mini_json.h"
#include "support-apisim/test_server.h"

namespace wf::apisim {
namespace {

constexpr const char* kSearch = "/1.1/search/tweets.json?q=skein&count=10";

httplib::Result Get(TestServer& s, int timeout_seconds = 5) {
  httplib::Client client("127.0.0.1", s.port());
  client.set_read_timeout(timeout_seconds, 0);
  return client.Get(kSearch, {{"Authorization", "Bearer " + s.Token()}});
}

TEST(SimFaults, StallOutlastsTheClientAndEndsWithTheServer) {
  const auto started = std::chrono::steady_clock::now();
  {
    TestServer s;
    FaultConfig f;
    std::string error;
    ASSERT_TRUE(ApplyFault("stall=1", f, &error)) << error;
    ASSERT_TRUE(ApplyFault("stall_ms=30000", f, &error)) << error;
    s.server().SetFaults(f);
    EXPECT_FALSE(Get(s, 1));  // the client's time-out fires first
  }                           // the server stops while the answer is still held
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST(SimFaults, MalformedIsAnHtmlPageWithQuotaAndSetLimitsSpendsAtOnce) {
  TestServer s;
  FaultConfig f;
  ASSERT_TRUE(ApplyFault("malformed=100%", f, nullptr));
  s.server().SetFaults(f);
  auto r = Get(s);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_FALSE(test::ParseJson(r->body));
  EXPECT_TRUE(r->has_header("x-rate-limit-remaining"));

  s.server().SetFaults({});
  Limits none = DefaultLimits();
  none[static_cast<std::size_t>(Family::kSearch)] = 1;  // one was spent above
  s.server().SetLimits(none);
  r = Get(s);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 429);
  s.server().SetLimits(DefaultLimits());
  r = Get(s);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_TRUE(test::ParseJson(r->body));
}

}  // namespace
}  // namespace wf::apisim
