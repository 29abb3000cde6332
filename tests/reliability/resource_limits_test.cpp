// Inputs too large to hold: a tweet file beyond the memory there is, an answer beyond any real
// page, a user file with a line of megabytes. Each is refused or cut with a clear message,
// without a crash and without keeping the oversized data.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

#include "api/curl_http.h"
#include "api/twitter_api.h"
#include "mainwindow/user_files.h"
#include "support-apisim/test_server.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "tweettable/skein_data.h"

namespace wf {
namespace {

std::string TweetRow(int n) {
  std::string row = "Tue Dec 01 17:47:22 0000 2026";
  for (int f = 2; f <= 16; ++f) row += "\t" + (f == 4 ? std::to_string(1000 + n) : "cell");
  return row + "\t\r\n";
}

TEST(TweetFileMemory, RefusedBeforeReadingWhenItCannotFitAndTheTableStays) {
  test::TempDir dir;
  test::ScriptedUi ui;
  const std::string small = dir.File("small.txt");
  const std::string big = dir.File("big.txt");
  test::WriteBytes(small, TweetRow(1) + TweetRow(2));
  std::string many;
  for (int i = 0; i < 200; ++i) many += TweetRow(i);
  test::WriteBytes(big, many);

  SkeinData data(&ui);
  ASSERT_TRUE(data.Load(small));
  ASSERT_EQ(data.RecordCount(), 2);

  // Just short of what the load would take: refused, the user told why, the grid untouched.
  data.SetMemoryBudget(TweetFileLoadPeakBytes(many.size()) - 1);
  EXPECT_FALSE(data.Load(big));
  EXPECT_NE(data.LastError().find("is too large to open"), std::string::npos);
  EXPECT_NE(data.LastError().find(big), std::string::npos);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, data.LastError());
  EXPECT_EQ(data.RecordCount(), 2);
  EXPECT_EQ(data.Cell(2, 4), "1002");

  // Exactly enough: it loads.
  data.SetMemoryBudget(TweetFileLoadPeakBytes(many.size()));
  EXPECT_TRUE(data.Load(big));
  EXPECT_EQ(data.RecordCount(), 200);
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST(TweetFileMemory, PeakEstimateCoversTheConversionOfAWindows1252File) {
  // The raw bytes and their conversion are held together, plus the row index.
  EXPECT_GE(TweetFileLoadPeakBytes(1000), 2000u);
  EXPECT_LT(TweetFileLoadPeakBytes(1000), 3000u);
}

// A loopback server that answers every GET with `size` bytes, chunked (no Content-Length) or
// with the length declared.
class BigAnswerServer {
 public:
  BigAnswerServer(std::size_t size, bool chunked) {
    server_.Get(".*", [size, chunked](const httplib::Request&, httplib::Response& res) {
      const auto provide = [size](std::size_t offset, httplib::DataSink& sink) {
        static const std::string block(64 * 1024, 'x');
        const std::size_t n = std::min(block.size(), size - offset);
        return sink.write(block.data(), n);
      };
      if (chunked) {
        res.set_chunked_content_provider(
            "application/json",
            [size, provide, sent = std::size_t{0}](std::size_t, httplib::DataSink& sink) mutable {
              if (sent >= size) {
                sink.done();
                return true;
              }
              const std::size_t n = std::min<std::size_t>(64 * 1024, size - sent);
              const bool ok = provide(sent, sink);
              sent += n;
              return ok;
            });
      } else {
        res.set_content_provider(
            size, "application/json",
            [provide](std::size_t offset, std::size_t, httplib::DataSink& sink) {
              return provide(offset, sink);
            });
      }
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~BigAnswerServer() {
    server_.stop();
    thread_.join();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/1.1/x.json"; }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

TEST(ResponseCap, LongerAnswersFailAsTransportFailuresWithNothingKept) {
  CurlHttpOptions options;
  options.max_response_bytes = 256 * 1024;
  CurlHttpClient client(options);
  for (bool chunked : {false, true}) {
    SCOPED_TRACE(chunked ? "chunked" : "with Content-Length");
    BigAnswerServer server(1024 * 1024, chunked);
    auto request = client.CreateRequest();
    request->Open("GET", server.Url(), false);
    request->Send();
    EXPECT_FALSE(request->WaitForResponse(10));
    EXPECT_EQ(request->ErrorText(), "the response is larger than 262144 bytes");
    EXPECT_TRUE(request->ResponseText().empty());
    EXPECT_EQ(request->Status(), 0);

    // At the cap exactly, the answer is whole.
    BigAnswerServer fits(256 * 1024, chunked);
    auto ok = client.CreateRequest();
    ok->Open("GET", fits.Url(), false);
    ok->Send();
    EXPECT_TRUE(ok->WaitForResponse(10)) << ok->ErrorText();
    EXPECT_EQ(ok->ResponseText().size(), 256u * 1024u);
  }
}

TEST(ResponseCap, AnOversizedSearchPageEndsAsANetworkFailureTheUserIsAskedAbout) {
  apisim::ServerConfig config;
  config.corpus.users = 6000;
  config.corpus.search_tweets = 500;
  apisim::TestServer sim(config);
  CurlHttpOptions options;
  options.max_response_bytes = 64 * 1024;  // a page of 100 tweets is several times this
  CurlHttpClient http(options);
  test::ScriptedUi ui;
  TwitterAPI api(http, &ui, sim.BaseUrl());
  ASSERT_FALSE(api.AuthAppAccess("Test", "demo-key", "demo-secret").empty());
  std::string count = "100";
  EXPECT_EQ(api.GetSearch("skein AND twitter", "", "", "", "", count, true, "Recent"), "Failed");
  EXPECT_EQ(api.LastResponseCode(), "Couldn't access the API server");
  EXPECT_EQ(api.LastResponseCount(), -1);
  EXPECT_EQ(api.Tweets().Count(), 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "WFD is having trouble accessing the API server. Try again?");
}

TEST(UserFileLines, AMegabyteLineIsReadWithoutTheFileFallingApart) {
  // A 10 MB line without TABs between two ordinary key lines.
  const std::string huge(10 * 1024 * 1024, 'a');
  const std::string text = "\tskein_small\r\n" + huge + "\r\n\tskein_team\r\n";
  const UserKeys keys = ReadUserKeys(text);
  EXPECT_FALSE(keys.ids);
  ASSERT_EQ(keys.entries.size(), 2u);
  EXPECT_EQ(keys.entries[0], "skein_small");
  EXPECT_EQ(keys.entries[1], "skein_team");
  EXPECT_EQ(keys.overlong, 0u);

  // The same line in the screen-name field cannot be an account: it is counted, not looked up
  // together with the good names.
  const UserKeys named = ReadUserKeys("\tskein_small\r\n\t" + huge + "\r\n\tskein_team\r\n");
  EXPECT_EQ(named.entries, (std::vector<std::string>{"skein_small", "skein_team"}));
  EXPECT_EQ(named.overlong, 1u);

  const auto rows = ReadUserTableRows("1\tskein_small\r\n" + huge + "\t" + huge + "\r\n");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], "skein_small");
}

}  // namespace
}  // namespace wf
