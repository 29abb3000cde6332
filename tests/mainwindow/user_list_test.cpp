// The user list panel and the profile lookup, against the API simulator.
#include <chrono>

#include "sim_window_fixture.h"

namespace wf {
namespace {

using test::SimWindow;
using Clock = std::chrono::steady_clock;

std::string Lines(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& n : names) text += n + "\r\n";
  return text;
}

bool AskedForIdType(const test::ScriptedUi& ui) {
  for (const auto& m : ui.messages)
    if (m.caption == "Define list item type") return true;
  return false;
}

TEST(LooksLikeUserId, NumbersAsTheListReadsThem) {
  EXPECT_TRUE(LooksLikeUserId("123"));
  EXPECT_TRUE(LooksLikeUserId("12.5"));
  EXPECT_TRUE(LooksLikeUserId("x"));  // leading number 0, written " 0"
  EXPECT_TRUE(LooksLikeUserId("1587345960276656128"));
  EXPECT_FALSE(LooksLikeUserId("0123"));
  EXPECT_FALSE(LooksLikeUserId("12ab"));
  EXPECT_FALSE(LooksLikeUserId("-5"));
  EXPECT_FALSE(LooksLikeUserId("0.5"));
  EXPECT_FALSE(LooksLikeUserId("alice"));
  EXPECT_FALSE(LooksLikeUserId("skein_team"));
}

TEST(UserListPanel, PasteNamesAndEditTheList) {
  SimWindow f;
  MainWindow& w = *f.window;
  f.ui.clipboard = "skein_small\r\n@skein_quiet\r\n\r\n";
  w.UserListPanel().mPasteUL_Click();
  ASSERT_EQ(f.Entries(), (std::vector<std::string>{"skein_small", "skein_quiet"}));
  EXPECT_FALSE(AskedForIdType(f.ui));
  EXPECT_EQ(w.UserListPanel().ULCount(), "2 users displayed");
  EXPECT_EQ(w.UserListPanel().Users().ToolTip(),
            "List contains users pasted from external list/metadata table");
  EXPECT_EQ(w.Twitter().Users().Count(), 2);
  EXPECT_EQ(f.Log().back(), "Getting profile details for user list (2 out of 2 retrieved)");
  EXPECT_TRUE(w.UserListPanel().UTFrameEnabled());
  EXPECT_FALSE(w.RetrievalBusy());

  // The summary of the clicked entry's profile.
  w.UserListPanel().UserList_Click(1);
  const UserSet& users = w.Twitter().Users();
  const std::int32_t quiet = users.FindUserIndex("skein_quiet", "");
  ASSERT_GT(quiet, 0);
  EXPECT_EQ(w.UserListPanel().UserMeta(),
            users.RealName(quiet) + " - " + users.Description(quiet) + ". Is located in " +
                users.Location(quiet) + " (" + users.Lang(quiet) + "), has " +
                std::to_string(users.Followers(quiet)) + " Followers, " +
                std::to_string(users.Friends(quiet)) + " Friends and 0 Tweets");

  // Ticks and the Select All caption.
  w.UserListPanel().UserList_ItemCheck(0, true);
  EXPECT_EQ(w.UserListPanel().SelAllULCaption(), "Deselect All");
  w.UserListPanel().mSelAllUL_Click();  // one ticked: untick all
  EXPECT_EQ(w.UserListPanel().Users().TickedCount(), 0);
  EXPECT_EQ(w.UserListPanel().SelAllULCaption(), "Select All");
  w.UserListPanel().mSelAllUL_Click();
  EXPECT_EQ(w.UserListPanel().Users().TickedCount(), 2);
  EXPECT_EQ(w.UserListPanel().SelAllULCaption(), "Deselect All");

  w.UserListPanel().mCopyUL_Click();
  EXPECT_EQ(f.ui.clipboard, "skein_small\r\nskein_quiet\r\n");

  // The id switch pairs entries with profiles by name, and back by id.
  w.UserListPanel().UserHandle_Click(1);
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{std::to_string(f.Account(3).id),
                                                   std::to_string(f.Account(2).id)}));
  w.UserListPanel().UserHandle_Click(0);
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{"skein_small", "skein_quiet"}));

  // Deleting the first entry leaves no current entry and an empty summary.
  w.UserListPanel().UserList_Click(0);
  EXPECT_FALSE(w.UserListPanel().UserMeta().empty());
  w.UserListPanel().mDeleteUser_Click();
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{"skein_quiet"}));
  EXPECT_EQ(w.UserListPanel().Users().Current(), -1);
  EXPECT_EQ(w.UserListPanel().UserMeta(), "");

  // A single name without a line end is not a list.
  f.ui.clipboard = "skein_team";
  w.UserListPanel().mPasteUL_Click();
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{"skein_quiet"}));

  // Add User appends the name as the service spells it.
  f.ui.inputs = {std::string("SKEIN_TEAM")};
  w.UserListPanel().mAddUser_Click();
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{"skein_quiet", "skein_team"}));
  EXPECT_EQ(w.UserListPanel().Users().Current(), 1);
  EXPECT_NE(w.UserListPanel().UserMeta().find("has 5237 Followers"), std::string::npos)
      << w.UserListPanel().UserMeta();
  f.ui.inputs = {std::string("no_such_account_zz")};
  w.UserListPanel().mAddUser_Click();
  EXPECT_EQ(w.UserListPanel().Users().Count(), 2);
  EXPECT_TRUE(f.Told("No account was found with the screen name no_such_account_zz"));

  w.UserListPanel().mULClear_Click();
  EXPECT_EQ(w.UserListPanel().Users().Count(), 0);
  EXPECT_EQ(w.Twitter().Users().Count(), 0);
  EXPECT_EQ(w.UserListPanel().UserMeta(), "");
}

TEST(UserListPanel, PastedIdsAnsweredYesBecomeScreenNamesPairedById) {
  SimWindow f;
  const std::string small = std::to_string(f.Account(3).id);
  const std::string quiet = std::to_string(f.Account(2).id);
  f.ui.clipboard = small + "\r\n999\r\n" + quiet + "\r\n";
  f.ui.answers = {MsgAnswer::Yes};
  f.window->UserListPanel().mPasteUL_Click();
  EXPECT_TRUE(AskedForIdType(f.ui));
  // The unknown id keeps its text and does not shift the entries after it.
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{"skein_small", "999", "skein_quiet"}));
  EXPECT_TRUE(f.LogHas("No profile found for: 999"));
  EXPECT_EQ(f.Requests("/1.1/users/lookup.json").at(0).params.find("user_id")->second,
            small + ",999," + quiet + ",");
}

TEST(UserListPanel, PastedIdsAnsweredNoAreLookedUpAsNames) {
  SimWindow f;
  const std::string small = std::to_string(f.Account(3).id);
  f.ui.clipboard = small + "\r\n";
  f.ui.answers = {MsgAnswer::No};
  f.window->UserListPanel().mPasteUL_Click();
  EXPECT_TRUE(AskedForIdType(f.ui));
  const auto lookups = f.Requests("/1.1/users/lookup.json");
  ASSERT_EQ(lookups.size(), 1u);
  EXPECT_EQ(lookups[0].params.count("screen_name"), 1u);
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{small}));
  EXPECT_EQ(f.window->Twitter().Users().Count(), 0);
}

TEST(UserListPanel, PasteOfACopiedUserTableSkipsItsHeader) {
  SimWindow f;
  f.ui.clipboard = "skein_small\r\nskein_team\r\n";
  f.window->UserListPanel().mPasteUL_Click();
  f.window->UserListPanel().mCopyUT_Click();
  ASSERT_EQ(f.ui.clipboard.rfind("UserId\tScreenName\t", 0), 0u);
  // The table's first column holds ids: the question comes, and Yes turns them into names.
  f.ui.answers = {MsgAnswer::Ok, MsgAnswer::Yes};  // replace the list; they are ids
  f.window->UserListPanel().mPasteUL_Click();
  EXPECT_EQ(f.ui.messages.at(0).text, "Replace current user list with list on clipboard?");
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{"skein_small", "skein_team"}));
}

std::vector<std::string> Names(const SimWindow& f, uint32_t from, uint32_t n) {
  std::vector<std::string> out;
  for (uint32_t i = from; i < from + n; ++i) out.push_back(f.Account(i).screen_name);
  return out;
}

TEST(ProfileLookup, HundredIdentifiersARequest) {
  SimWindow f;
  MainWindow& w = *f.window;
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), {}, false, false));
  EXPECT_TRUE(f.Requests("/1.1/users/lookup.json").empty());

  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), Names(f, 10, 100), false, false));
  EXPECT_EQ(f.Requests("/1.1/users/lookup.json").size(), 1u);
  EXPECT_EQ(w.Twitter().Users().Count(), 100);

  const auto names = Names(f, 200, 101);
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), names, false, false));
  const auto lookups = f.Requests("/1.1/users/lookup.json");
  ASSERT_EQ(lookups.size(), 3u);
  EXPECT_EQ(lookups[2].params.find("screen_name")->second, names.back() + ",");
  EXPECT_EQ(w.Twitter().Users().Count(), 101);  // emptied first
  EXPECT_EQ(w.Twitter().Users().ScreenName(1), names[0]);
  EXPECT_EQ(f.Log().back(), "Getting profile details for user list (101 out of 101 retrieved)");

  // An update adds after the records held.
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), {"skein_small"}, false, true));
  EXPECT_EQ(w.Twitter().Users().Count(), 102);
  EXPECT_EQ(w.Twitter().Users().ScreenName(102), "skein_small");
}

apisim::ServerConfig LookupQuota(int limit, int window_seconds) {
  apisim::ServerConfig config = test::SmallSim();
  config.limits[static_cast<std::size_t>(apisim::Family::kUsersLookup)] = limit;
  config.window_seconds = window_seconds;
  return config;
}

TEST(ProfileLookup, PausesForTheNextWindowWithoutSpinning) {
  SimWindow f(LookupQuota(4, 2));
  MainWindow& w = *f.window;
  bool saw_wait_text = false;
  f.ui.on_yield = [&](int) {
    saw_wait_text = saw_wait_text ||
                    (w.QuotaPausing() && w.InfoBar()[2] == "Waiting for next quota window on " +
                                                               std::string("USER_LOOKUP"));
  };
  const auto t0 = Clock::now();
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), Names(f, 10, 300), false, false));
  const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
  EXPECT_EQ(w.Twitter().Users().Count(), 300);
  EXPECT_EQ(f.Requests("/1.1/users/lookup.json").size(), 3u);
  EXPECT_TRUE(saw_wait_text);
  EXPECT_EQ(f.ui.messages.at(0).text.rfind(
                "Approaching API quota limit for this window. Pausing until ", 0),
            0u);
  EXPECT_GE(secs, 1.0);
  // Each pause step sleeps; a busy wait would yield many thousands of times.
  EXPECT_LT(f.ui.yields, 40 * secs + 50) << secs << " s";
  EXPECT_FALSE(w.QuotaPausing());
}

TEST(ProfileLookup, CancelDuringThePauseEndsTheLookup) {
  SimWindow f(LookupQuota(4, 600));
  MainWindow& w = *f.window;
  f.ui.on_yield = [&](int) {
    if (w.QuotaPausing()) w.Search().QuitGet_Click();
  };
  f.ui.clipboard = Lines(Names(f, 10, 250));
  const auto t0 = Clock::now();
  w.UserListPanel().mPasteUL_Click();
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 10.0);
  EXPECT_EQ(f.Requests("/1.1/users/lookup.json").size(), 1u);
  EXPECT_TRUE(f.Told("User table update was not completed"));
  EXPECT_EQ(w.Twitter().Users().Count(), 100);
  EXPECT_FALSE(w.QuotaPausing());
  EXPECT_FALSE(w.RetrievalBusy());
  EXPECT_EQ(w.UserListPanel().Users().Count(), 250);  // the entries stay
}

TEST(ProfileLookup, SpentQuotaWaitsAndARefusedBatchIsSentOnceMore) {
  SimWindow f(LookupQuota(6, 3));
  MainWindow& w = *f.window;
  ASSERT_FALSE(w.UTwitter().AuthAppAccess("Test", "demo-key", "demo-secret").empty());
  auto refusals = [&] {
    int n = 0;
    for (const auto& r : f.Requests("/1.1/users/lookup.json")) n += r.status == 429 ? 1 : 0;
    return n;
  };
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), Names(f, 10, 1), false, false));
  ASSERT_EQ(w.Twitter().ULRateLimitRemaining(), 5);
  // The other client spends the rest of the window; Twitter's figures still say 5 are left.
  for (int i = 0; i < 5; ++i) w.UTwitter().GetUsersLookUp("", "skein_small,", true);
  ASSERT_EQ(w.UTwitter().ULRateLimitRemaining(), 0);
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), Names(f, 300, 5), false, false));
  EXPECT_EQ(w.Twitter().Users().Count(), 5);
  EXPECT_EQ(refusals(), 1);
  EXPECT_FALSE(f.Told("User table update was not completed"));

  // With nothing left and the reset ahead, a lookup waits instead of being refused.
  for (int i = 0; i < 5; ++i) w.UTwitter().GetUsersLookUp("", "skein_small,", true);
  ASSERT_EQ(w.UTwitter().ULRateLimitRemaining(), 0);
  EXPECT_TRUE(w.Followers().GetUsers(w.UTwitter(), Names(f, 700, 1), false, false));
  EXPECT_EQ(refusals(), 1);
  EXPECT_EQ(w.UTwitter().Users().Count(), 1);
}

}  // namespace
}  // namespace wf
