// The window's retrievals through API v2, answered by recorded v2 bodies.
#include <gtest/gtest.h>

#include "util/file_io.h"
#include "window_fixture.h"

namespace wf {
namespace {

const std::string kToken = R"({"token_type":"bearer","access_token":"AAAA"})";

std::string V2Body(const std::string& name) {
  return test::ReadBytes(std::string(WF_TESTDATA_DIR) + "/v2/" + name);
}

test::FakeHttp::Answer Problem(int status, std::string text, std::string body) {
  test::FakeHttp::Answer a = test::FakeHttp::Status(status, std::move(text));
  a.body = std::move(body);
  return a;
}

struct V2Window : test::WindowFixture {
  V2Window() {
    http.answers.push_back(test::FakeHttp::Ok(kToken));
    EXPECT_FALSE(window->Twitter().AuthAppAccess("Test", "k", "s").empty());
    window->ActivateAfterAuthentication();
    window->Sessions().mApiV2_Click();
  }
  const std::vector<std::string>& Log() const { return window->Progress().Lines(); }
  bool LogHas(const std::string& part) const {
    for (const auto& l : Log())
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> Sent(const std::string& part) const {
    std::vector<std::string> out;
    for (const auto& s : http.sent)
      if (s.url.find(part) != std::string::npos) out.push_back(s.url);
    return out;
  }
};

TEST(ApiV2Window, SettingsPersistInPrefsAndTheRunsChoiceWins) {
  test::WindowFixture f;
  EXPECT_FALSE(f.window->Sessions().ApiV2Checked());
  EXPECT_EQ(f.window->Sessions().ApiVersionText(), "");
  f.window->Sessions().mApiV2_Click();
  f.window->Sessions().mFullArchive_Click();
  EXPECT_EQ(f.window->Sessions().ApiVersionText(), "API v2");
  EXPECT_EQ(f.window->Twitter().ApiVersion(), 2);
  EXPECT_EQ(f.window->UTwitter().ApiVersion(), 2);
  EXPECT_TRUE(f.window->Twitter().FullArchive());
  ASSERT_TRUE(f.window->Sessions().SavePrefs());
  const std::string prefs = test::ReadBytes(f.File("prefs"));
  EXPECT_NE(prefs.find("V2-1\r\nFA-1\r\n"), std::string::npos);

  MainWindowEnvironment env;
  env.ui = &f.ui;
  env.http = &f.http;
  env.program_folder = f.dir.path().string();
  MainWindow again(env);
  again.Form_Load();
  EXPECT_TRUE(again.Sessions().ApiV2Checked());
  EXPECT_TRUE(again.Sessions().FullArchiveChecked());
  EXPECT_EQ(again.Twitter().ApiVersion(), 2);

  // --api-version 1.1 for one run: v1.1 now, and prefs keep what the window chose.
  env.api_version = 1;
  MainWindow cli(env);
  cli.Form_Load();
  EXPECT_FALSE(cli.Sessions().ApiV2Checked());
  EXPECT_EQ(cli.Twitter().ApiVersion(), 1);
  ASSERT_TRUE(cli.Sessions().SavePrefs());
  EXPECT_NE(test::ReadBytes(f.File("prefs")).find("V2-1\r\n"), std::string::npos);

  // Unknown records are passed over by the reader.
  test::WriteBytes(f.File("prefs"), "ZZ-what\r\nV2-1\r\nLA-fr\r\n");
  env.api_version = 0;
  MainWindow other(env);
  other.Form_Load();
  other.Sessions().LoadPrefs();
  EXPECT_TRUE(other.Sessions().ApiV2Checked());
  EXPECT_FALSE(other.Sessions().FullArchiveChecked());
  EXPECT_EQ(other.SearchLang(), "fr");
}

TEST(ApiV2Window, SearchPagesByTokenFromTheEarliestRecentTime) {
  V2Window f;
  f.window->SetSearchQuery("tweepy");
  f.window->SetEarlyDate(CivilDateTime{2001, 1, 1, 0, 0, 0});
  f.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/search_recent.json"), 449, 450));
  f.http.answers.push_back(test::FakeHttp::Ok(
      R"({"data":[{"id":"1500000000000000000","text":"last one","author_id":"9"}],)"
      R"("includes":{"users":[{"id":"9","username":"nine","name":"Nine"}]},"meta":{"result_count":1}})",
      448, 450));
  f.window->Search().GetSrch_Click();
  const auto sent = f.Sent("/2/tweets/search/recent?");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_NE(sent[0].find("&start_time=20"), std::string::npos);
  EXPECT_EQ(sent[0].find("&start_time=2001"), std::string::npos);
  EXPECT_EQ(sent[0].find("next_token"), std::string::npos);
  EXPECT_NE(sent[1].find("&next_token=b26v89c19zqg8o3fpzbn1e0ffhxjiofzw6po136rvbnul"),
            std::string::npos);
  EXPECT_EQ(f.window->OutTable().RowCount(), 11);
  int notes = 0;
  for (const auto& l : f.Log())
    notes += l.find("need Full-Archive Search (v2)") != std::string::npos;
  EXPECT_EQ(notes, 1);
  EXPECT_TRUE(f.LogHas("no more statuses available: 200:OK"));
  EXPECT_EQ(f.window->InfoBar()[2], "448 SEARCH requests remaining");
}

TEST(ApiV2Window, ForbiddenEndpointStopsOnceAndSaysWhich) {
  V2Window f;
  f.window->Sessions().mFullArchive_Click();
  f.window->SetSearchQuery("tweepy");
  f.http.answers.push_back(Problem(
      403, "Forbidden",
      R"({"title":"Client Forbidden","detail":"This endpoint needs Pro access.",)"
      R"("reason":"client-not-enrolled","type":"https://api.twitter.com/2/problems/client-forbidden"})"));
  f.window->Search().GetSrch_Click();
  EXPECT_EQ(f.Sent("/2/tweets/search/all?").size(), 1u);
  const std::string reason =
      "The access level of this API key does not include GET /2/tweets/search/all: \"This "
      "endpoint needs Pro access.\"";
  EXPECT_TRUE(f.LogHas("Stopped: " + reason));
  EXPECT_TRUE(f.LogHas("Search ended @"));
  bool told = false;
  for (const auto& m : f.ui.messages) told |= m.text == reason;
  EXPECT_TRUE(told);
}

TEST(ApiV2Window, TimelinesResolveTheCheckedNamesInOneRequest) {
  V2Window f;
  f.ui.clipboard = "Twitter\r\nTwitterDev\r\n";
  f.window->UserListPanel().mPasteUL_Click();
  ASSERT_EQ(f.window->UserListPanel().Users().Count(), 2);
  f.window->UserListPanel().UserList_ItemCheck(0, true);
  f.window->UserListPanel().UserList_ItemCheck(1, true);
  f.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_by.json")));
  f.http.answers.push_back(test::FakeHttp::Ok(V2Body("tweepy/users_tweets.json")));
  f.http.answers.push_back(test::FakeHttp::Ok(R"({"meta":{"result_count":0}})"));
  f.http.answers.push_back(test::FakeHttp::Ok(
      R"({"data":[{"id":"1400000000000000000","text":"dev"}],"meta":{"result_count":1}})"));
  f.window->Timelines().GetAllUTL_Click();
  // The paste looked the names up (with user fields); the walk resolves them once, ids only.
  const auto by = f.Sent("/2/users/by?");
  ASSERT_EQ(by.size(), 2u);
  EXPECT_NE(by[0].find("&user.fields="), std::string::npos);
  EXPECT_EQ(by[1], "https://api.twitter.com/2/users/by?usernames=Twitter,TwitterDev");
  const auto first = f.Sent("/2/users/783214/tweets?");
  ASSERT_EQ(first.size(), 2u);
  EXPECT_NE(first[1].find("&pagination_token=7140dibdnow9c7btw4232poeq0wapgnwgwqwvuwn3peex"),
            std::string::npos);
  EXPECT_EQ(f.Sent("/2/users/2244994945/tweets?").size(), 1u);
  EXPECT_EQ(f.window->OutTable().RowCount(), 3);
  EXPECT_EQ(f.http.answers.size(), 0u);
}

TEST(ApiV2Window, LookupsNameTheMissingAndStopAtTheMonthlyCap) {
  V2Window f;
  MainWindow& w = *f.window;
  f.http.answers.push_back(test::FakeHttp::Ok(
      R"({"data":[{"id":"783214","name":"Twitter","username":"Twitter"}],"errors":[)"
      R"({"value":"gone1","resource_id":"gone1","title":"Not Found Error"}]})"));
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), {"Twitter", "gone1"}, false, false));
  EXPECT_EQ(w.Twitter().Users().Count(), 1);
  EXPECT_TRUE(f.LogHas("Not returned (not found, suspended or deleted): 1 (gone1)"));

  f.http.answers.push_back(
      Problem(429, "Too Many Requests",
              R"({"title":"UsageCapExceeded","detail":"Usage cap exceeded: Monthly product cap",)"
              R"("type":"https://api.twitter.com/2/problems/usage-capped","period":"Monthly"})"));
  f.http.answers.push_back(test::FakeHttp::Ok("{}"));  // a wait and retry would take this
  EXPECT_FALSE(w.Followers().GetUsers(w.Twitter(), {"a", "b"}, false, true));
  EXPECT_EQ(f.http.answers.size(), 1u);
  EXPECT_TRUE(f.LogHas("Stopped: The project's monthly usage cap of the API is reached"));
  EXPECT_EQ(w.Twitter().Users().Count(), 1);
}

}  // namespace
}  // namespace wf
