// User tables: the statistics over the tweet table and timelines, the "Tweets" table built
// through the simulator, timeline samples, switching and naming tables, the row commands and
// the "Filter Checked Rows" frame.
#include <algorithm>
#include <ctime>
#include <map>
#include <set>

#include "apisim/corpus.h"
#include "mainwindow/user_table_stats.h"
#include "sim_window_fixture.h"

namespace wf {
namespace {

using test::SimWindow;

constexpr const char* kTimeline = "/1.1/statuses/user_timeline.json";
constexpr const char* kSamplePrompt =
    "How many original tweets to save for each user? For Profilo, use default value of 50";

std::string Param(const apisim::ReceivedRequest& r, const std::string& name) {
  const auto it = r.params.find(name);
  return it == r.params.end() ? std::string("<none>") : it->second;
}

std::string Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

// A tweet table row with the cells the statistics read: author, text, retweet count and the
// two sentiment scores.
void AddTweet(TweetView& v, std::string_view author, std::string_view text,
              std::string_view retweets, std::string_view pos, std::string_view neg) {
  v.AddRow({"Mon Jan 01 10:00:00 +0000 2024", author, text, "1", "", "0", "0", "", "0", "null", "0",
            retweets, "", pos, neg, ""},
           false);
}

TweetRecord Tweet(std::string date, std::string text, std::int32_t retweets = 0,
                  std::string geo = "null") {
  TweetRecord t;
  t.DateTime = std::move(date);
  t.Text = std::move(text);
  t.Retweeted = retweets;
  t.GeoCoords = std::move(geo);
  return t;
}

const UserTableView& Shown(const MainWindow& w) {
  return w.UserTables().Tables().at(static_cast<std::size_t>(w.UserTables().CurrentUserTable()));
}

int Pieces(const std::string& sample) {
  return static_cast<int>(std::count(sample.begin(), sample.end(), '|'));
}

// ---- Statistics ------------------------------------------------------------------------------

TEST(TweetStats, OnePassAgreesWithTheWalkOverEachAuthor) {
  TweetView v;
  AddTweet(v, "alice", "hello world", "4", "3", "-1");
  AddTweet(v, "bob", "RT @alice: hello world", "4", "1", "-2");
  AddTweet(v, "1234", "numbers for names", "0", "2", "-1");  // the cell is padded
  AddTweet(v, "alice", "rt this is an original", "10", "2", "-3");
  AddTweet(v, "alice", "RT @bob: a retweet", "99", "1", "-1");
  AddTweet(v, "Alice", "another account", "1", "", "x");  // names compare exactly
  AddTweet(v, "bob", "RT @carol: again", "7", "1", "-1");

  const AuthorStats all = CollectAuthorStats(v, nullptr);
  EXPECT_EQ(all.authors, (std::vector<std::string>{"alice", "bob", "1234", "Alice"}));
  for (const std::string& name : all.authors) {
    const UserTweetStats one = GetTweetStats(v, name);
    const UserTweetStats* s = all.Find(name);
    ASSERT_NE(s, nullptr) << name;
    EXPECT_EQ(s->NoTwts, one.NoTwts) << name;
    EXPECT_EQ(s->Retweets, one.Retweets) << name;
    EXPECT_EQ(s->SumRT, one.SumRT) << name;
    EXPECT_EQ(s->MaxRT, one.MaxRT) << name;
    EXPECT_FLOAT_EQ(s->AvSentPos, one.AvSentPos) << name;
    EXPECT_FLOAT_EQ(s->AvSentNeg, one.AvSentNeg) << name;
  }
  // "rt " in lower case is an original; the retweet's own count does not count.
  const UserTweetStats& alice = *all.Find("alice");
  EXPECT_EQ(alice.NoTwts, 3);
  EXPECT_EQ(alice.Retweets, 1);
  EXPECT_EQ(alice.SumRT, 14);
  EXPECT_EQ(alice.MaxRT, 10);
  EXPECT_FLOAT_EQ(alice.AvRT, 7.0f);
  EXPECT_FLOAT_EQ(alice.AvSentPos, 2.0f);
  EXPECT_FLOAT_EQ(alice.AvSentNeg, -5.0f / 3);
  EXPECT_FALSE(all.Find("bob")->HasOriginals());
  EXPECT_EQ(all.Find("1234")->NoTwts, 1);
  EXPECT_EQ(all.Find("carol"), nullptr);
  EXPECT_EQ(GetTweetStats(v, "carol").NoTwts, 0);
}

TEST(TweetStats, CellsAreRoundedAndPaddedForTextSorting) {
  TweetView v;
  AddTweet(v, "alice", "one", "3", "2", "-1");
  AddTweet(v, "alice", "two", "0", "3", "-2");
  AddTweet(v, "alice", "RT @x: three", "0", "1", "-1");
  AddTweet(v, "alice", "RT @x: four", "0", "2", "-1");
  AddTweet(v, "bob", "RT @alice: one", "3", "1", "-1");
  const AuthorStats all = CollectAuthorStats(v, nullptr);

  UserTableCells c;
  SetTweetStatCells(*all.Find("alice"), c);
  EXPECT_EQ(c[31], "    4");
  EXPECT_EQ(c[32], "2.0");
  EXPECT_EQ(c[33], "-1.3");  // -1.25 rounds away from zero; negatives are never padded
  EXPECT_EQ(c[34], "    50");
  EXPECT_EQ(c[35], "     2");  // 3 over 2 originals: 1.5 rounds up
  EXPECT_EQ(c[36], "     3");

  // Only retweets: no mean retweet count, rather than a division by zero.
  SetTweetStatCells(*all.Find("bob"), c);
  EXPECT_EQ(c[34], "   100");
  EXPECT_EQ(c[35], "");
  EXPECT_EQ(c[36], "     0");

  // A looked-up user without tweets in the table: a count of 0 and no means.
  SetTweetStatCells(UserTweetStats{}, c);
  EXPECT_EQ(c[31], "    0");
  EXPECT_EQ(c[32], "");
  EXPECT_EQ(c[34], "");
}

TEST(TweetStats, RatiosRoundHalfAwayFromZero) {
  EXPECT_EQ(FormatRatio(5, 2, 0), "3");
  EXPECT_EQ(FormatRatio(-5, 2, 0), "-3");
  EXPECT_EQ(FormatRatio(1, 3, 1), "0.3");
  EXPECT_EQ(FormatRatio(3, 8, 1), "0.4");
  EXPECT_EQ(FormatRatio(-1, 100, 1), "0.0");
  EXPECT_EQ(FormatRatio(2147483647, 1, 1), "2147483647.0");
  EXPECT_EQ(FormatRatio(7, 7, 0), "1");
}

TEST(ProfileCells, RatiosDaysAndPadding) {
  UserRecord u;
  u.Id = "17";
  u.ScreenName = "alice";
  u.UTC_Offset = -5;
  u.Followers = 1;
  u.Friends = 2;
  u.StatusCount = 30;
  u.Favourites = 7;
  u.GeoEnabled = true;
  const CivilDateTime now = NowLocal();
  const std::int64_t today = DayNumber(now);
  CivilDateTime yesterday = FromSerialSeconds((today - 1) * 86400 + 23 * 3600);
  u.CreatedAt = FormatNumericDateTime(yesterday);

  UserTableCells c;
  SetProfileCells(u, today, c);
  EXPECT_EQ(c[7], "True");
  EXPECT_EQ(c[9], "-5");  // negative: not padded
  EXPECT_EQ(c[10], "       1");
  EXPECT_EQ(c[13], "    7");
  EXPECT_EQ(c[20], "0.5");    // below one: starts with 0 and a point, not padded
  EXPECT_EQ(c[21], " 15.0");  // created yesterday: one day boundary, divided by 2

  u.CreatedAt = FormatNumericDateTime(now);
  u.Friends = 0;
  u.UTC_Offset = 3;
  SetProfileCells(u, today, c);
  EXPECT_EQ(c[20], "");       // no friends: no ratio
  EXPECT_EQ(c[21], " 30.0");  // created today divides by 1
  EXPECT_EQ(c[9], " 3");

  u.CreatedAt = "not a date";
  SetProfileCells(u, today, c);
  EXPECT_EQ(c[21], "");
  u.CreatedAt = FormatNumericDateTime(FromSerialSeconds((today + 3) * 86400));
  SetProfileCells(u, today, c);
  EXPECT_EQ(c[21], "");  // a clock behind the service's: no figure rather than a bad one
}

TEST(TimelineSample, CountsSamplesBirthdaysAndDays) {
  const std::vector<TweetRecord> timeline = {
      Tweet("Wed Mar 06 10:00:00 +0000 2024", "Happy BIRTHDAY to me", 4, "[1.0,2.0]"),
      Tweet("Wed Mar 06 09:00:00 +0000 2024", "RT @x: my birthday too"),
      Tweet("Tue Mar 05 10:00:00 +0000 2024", "rt lower case is mine", 2),
      Tweet("Mon Mar 04 23:00:00 +0000 2024", "party for her bday", 3),
      Tweet("Mon Mar 04 22:00:00 +0000 2024", "bday at the start does not count", 1),
      Tweet("Mon Mar 04 21:00:00 +0000 2024", "RT @y: something"),
  };
  TimelineSample s = SampleTimeline(timeline, 2);
  EXPECT_EQ(s.tweets, "Happy BIRTHDAY to me|rt lower case is mine|");
  EXPECT_EQ(s.birthday, "Happy BIRTHDAY to me|party for her bday|");
  EXPECT_EQ(s.count, 6);
  EXPECT_EQ(s.retweets, 2);
  EXPECT_EQ(s.geotagged, 1);
  ASSERT_TRUE(s.days.has_value());
  EXPECT_EQ(*s.days, 2);  // 4 to 6 March: two day boundaries
  UserTableCells c;
  SetTimelineCells(s, c);
  EXPECT_EQ(c[27], "   2");  // 6 tweets over 3 days
  EXPECT_EQ(c[28], " 33");
  EXPECT_EQ(c[29], "   3");  // 10 over 4 originals: 2.5 rounds up
  EXPECT_EQ(c[30], " 17");

  // No sample asked for: the tweet sample stays empty, the rest is still filled.
  s = SampleTimeline(timeline, 0);
  SetTimelineCells(s, c);
  EXPECT_EQ(c[22], "");
  EXPECT_EQ(c[23], "Happy BIRTHDAY to me|party for her bday|");
  EXPECT_EQ(c[28], " 33");

  // Only retweets.
  s = SampleTimeline({timeline[1], timeline[5]}, 50);
  SetTimelineCells(s, c);
  EXPECT_EQ(c[22], "");
  EXPECT_EQ(c[28], "100");
  EXPECT_EQ(c[29], "   0");

  // Nothing in the last year.
  s = SampleTimeline({}, 50);
  SetTimelineCells(s, c);
  EXPECT_EQ(c[22], "");
  EXPECT_EQ(c[23], "");
  for (int k = 27; k <= 30; ++k) EXPECT_EQ(Trim(c[static_cast<std::size_t>(k)]), "0") << k;
}

TEST(TimelineSample, OneYearBackAndTheSampleAnswer) {
  EXPECT_EQ(OneYearBack(CivilDateTime{2024, 2, 29, 15, 0, 0}),
            (CivilDateTime{2023, 2, 28, 15, 0, 0}));
  EXPECT_EQ(OneYearBack(CivilDateTime{2023, 3, 1, 0, 0, 0}), (CivilDateTime{2022, 3, 1, 0, 0, 0}));
  EXPECT_EQ(SampleCountFromAnswer(""), 0);
  EXPECT_EQ(SampleCountFromAnswer("fifty"), 0);
  EXPECT_EQ(SampleCountFromAnswer(" 50 tweets"), 50);
  EXPECT_EQ(SampleCountFromAnswer("12.6"), 13);
  EXPECT_EQ(SampleCountFromAnswer("1e9"), 32767);
  EXPECT_EQ(SampleCountFromAnswer("-1e9"), -32768);
}

TEST(UserTableView, HeaderClicksSortAscendingThenDescending) {
  UserTableView t;
  for (const auto& [name, followers] : std::vector<std::pair<std::string, std::string>>{
           {"carol", "1000"}, {"Bob", "20"}, {"alice", "300"}, {"bob", "5"}}) {
    UserTableView::Row r;
    r.cells[1] = name;
    r.cells[10] = PadNumeric(followers, 8);
    t.MutableRows().push_back(r);
  }
  const auto column = [&](int c) {
    std::vector<std::string> out;
    for (const auto& r : t.Rows()) out.push_back(Trim(r.cells[static_cast<std::size_t>(c)]));
    return out;
  };
  t.ColumnClick(1);
  EXPECT_EQ(column(1), (std::vector<std::string>{"alice", "Bob", "bob", "carol"}));
  t.ColumnClick(1);
  EXPECT_TRUE(t.Descending());
  EXPECT_EQ(column(1), (std::vector<std::string>{"carol", "Bob", "bob", "alice"}));
  // Another column keeps the order; padded numbers sort by value.
  t.ColumnClick(10);
  EXPECT_EQ(column(10), (std::vector<std::string>{"1000", "300", "20", "5"}));
}

// ---- Switching, naming and removing tables ---------------------------------------------------

TEST(UserTables, SwitchingRenamingAndRemoving) {
  SimWindow f;
  MainWindow& w = *f.window;
  int authentications = 0;
  w.SetUTwitterAuthenticator([&](TwitterAPI& api) {
    ++authentications;
    return !api.AuthAppAccess("Test", "demo-key", "demo-secret").empty();
  });
  // Only the "Tweets" table: "Other:" switches straight back.
  w.UserTables().UTToggle_Click(1);
  EXPECT_EQ(w.UserTables().UTToggle(), UserTableKind::kTweets);
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 0);

  EXPECT_EQ(w.UserTables().AddUserTable("Followers of x"), 1);
  EXPECT_EQ(authentications, 1);
  EXPECT_FALSE(w.UTwitter().BearerToken().empty());
  EXPECT_EQ(w.UserTables().AddUserTable(""), 2);
  EXPECT_EQ(w.UserTables().AddUserTable("Followers of x"), 3);
  EXPECT_EQ(authentications, 1);  // once the client has its token
  EXPECT_EQ(w.UserTables().UTListEntries(),
            (std::vector<std::string>{"Followers of x", "UserTable1", "Followers of x"}));
  EXPECT_EQ(w.UserTables().UTListSelected(), 2);
  EXPECT_EQ(w.UserTables().UTToggle(), UserTableKind::kOther);

  // Back and forth: "Other:" returns to the entry selected before.
  w.UserTables().UTList_Click(0);
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 1);
  w.UserTables().UTToggle_Click(0);
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 0);
  w.UserTables().UTToggle_Click(1);
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 1);

  // Renaming: cancel keeps the name, an answer (even an empty one) replaces it, and the
  // renamed entry still shows its table.
  w.UserTables().UTList_Click(1);
  f.ui.inputs.push_back(std::nullopt);
  w.UserTables().UTList_DblClick();
  EXPECT_EQ(w.UserTables().Tables()[2].Name(), "UserTable1");
  f.ui.inputs.push_back("Mine");
  w.UserTables().UTList_DblClick();
  EXPECT_EQ(f.ui.input_prompts.back(), "Enter New Table Name");
  EXPECT_EQ(w.UserTables().Tables()[2].Name(), "Mine");
  w.UserTables().UTToggle_Click(0);
  w.UserTables().UTList_Click(1);
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 2);
  EXPECT_EQ(Shown(w).Name(), "Mine");

  // Two tables of one name stay apart: removing one keeps the other.
  w.UserTables().UTList_Click(0);
  w.UserTables().AddRemUT_Click(1);
  EXPECT_EQ(w.UserTables().UTListEntries(), (std::vector<std::string>{"Mine", "Followers of x"}));
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 2);  // the last table left goes on show
  EXPECT_EQ(w.UserTables().UTListSelected(), 1);
  w.UserTables().RemoveUserTable("Followers of x");
  w.UserTables().RemoveUserTable("Mine");
  EXPECT_TRUE(w.UserTables().UTListEntries().empty());
  EXPECT_EQ(w.UserTables().UTListSelected(), -1);
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 0);
  EXPECT_EQ(w.UserTables().UTToggle(), UserTableKind::kTweets);
  w.UserTables().AddRemUT_Click(1);  // nothing selected: nothing happens
  EXPECT_EQ(w.UserTables().Tables().size(), 1u);
}

// An Other table holding the profiles of a recorded lookup (four accounts).
void FillFromLookup(SimWindow& f, const std::string& name) {
  f.window->UTwitter().Users().SetData(test::ReadTestdata("rtweet/users_lookup_1.json"), false,
                                       false);
  f.window->UserTables().AddUserTable(name);
  f.window->UserTables().FillUserTable(f.window->UTwitter());
}

TEST(UserTables, RowCommandsTickAndSort) {
  SimWindow f;
  MainWindow& w = *f.window;
  FillFromLookup(f, "lookup");
  ASSERT_EQ(Shown(w).RowCount(), 4);
  EXPECT_EQ(w.InfoBar()[1], "4 users displayed");
  const auto ticks = [&] {
    std::string out;
    for (const auto& r : Shown(w).Rows()) out += r.ticked ? 'x' : '.';
    return out;
  };
  w.UserTables().mUTSelAll_Click(wf::UserTableSelection::kAll);
  EXPECT_EQ(ticks(), "xxxx");
  w.UserTables().mUTUnselAll_Click();
  EXPECT_EQ(ticks(), "....");
  // Down to the highlighted row, the third: rows 1-3 ticked, the others unticked.
  w.UserTables().UserTable_ItemCheck(3, true);
  w.UserTables().UserTable_SelectRow(2, true);
  w.UserTables().mUTSelAll_Click(wf::UserTableSelection::kDownToSelectedRow);
  EXPECT_EQ(ticks(), "xxx.");
  // No TL sample: tested on Pro_TwtSamp.
  w.UserTables().UserTable_SelectRow(2, false);
  w.UserTables().mUTSelAll_Click(
      wf::UserTableSelection::kDownToSelectedRow);  // nothing highlighted: no change
  EXPECT_EQ(ticks(), "xxx.");
  w.UserTables().mUTSelAll_Click(wf::UserTableSelection::kNoTimelineSample);
  EXPECT_EQ(ticks(), "xxxx");

  // Sorting by screen name, twice.
  w.UserTables().UserTable_ColumnClick(1);
  EXPECT_EQ(Shown(w).Rows().front().cells[1], "CNN");
  w.UserTables().UserTable_ColumnClick(1);
  EXPECT_EQ(Shown(w).Rows().front().cells[1], "Twitter");
  EXPECT_TRUE(Shown(w).Descending());
}

TEST(UserTables, CellsThatAreNoScreenNameReachNoRequestOrCommand) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.Twitter().Users().SetData(
      R"([{"id_str":"1","screen_name":"x&count=1"},{"id_str":"2","screen_name":"a b;reboot"}])",
      false, false);
  w.UserTables().FillUserTable(w.Twitter());
  ASSERT_EQ(Shown(w).RowCount(), 2);
  w.UserTables().UserTable_DblClick(1);
  EXPECT_TRUE(f.Told("\"a b;reboot\" is not a screen name"));
  w.UserTables().mUTSelAll_Click(wf::UserTableSelection::kAll);
  f.ui.inputs.push_back("50");
  w.UserTables().GetUTTL_Click();
  EXPECT_TRUE(f.Requests(kTimeline).empty());
  EXPECT_EQ(Shown(w).Rows()[0].cells[27], "");
  EXPECT_TRUE(f.Told("Retrieval of User timeline samples completed"));
}

// ---- Build Table and Get Users From Tweets ---------------------------------------------------

TEST(BuildTable, AuthorsOfTheTweetTableWithTheirFigures) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetSearchQuery("skein AND twitter");
  w.Search().GetSrch_Click();
  const TweetView& v = w.OutTable();
  ASSERT_GT(v.RowCount(), 100);
  std::map<std::string, int> per_author;
  for (int r = 0; r < v.RowCount(); ++r) ++per_author[Trim(v.Cell(r, 2))];

  w.UserTables().mGetUFT_Click();
  const UserTableView& t = w.UserTables().Tables()[0];
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 0);
  ASSERT_EQ(t.RowCount(), static_cast<int>(per_author.size()));
  EXPECT_EQ(w.InfoBar()[1], std::to_string(t.RowCount()) + " users displayed");
  int total = 0;
  for (const auto& row : t.Rows()) {
    const std::string name = row.cells[1];
    ASSERT_EQ(per_author.count(name), 1u) << name;
    EXPECT_EQ(std::stoi(row.cells[31]), per_author[name]) << name;
    EXPECT_EQ(row.cells[31].size(),
              std::max<std::size_t>(5, std::to_string(per_author[name]).size()));
    const UserTweetStats s = w.UserTables().GetTweetStats(name);
    EXPECT_EQ(row.cells[35].empty(), !s.HasOriginals()) << name;
    total += std::stoi(row.cells[31]);
  }
  EXPECT_EQ(total, v.RowCount());
  EXPECT_FALSE(w.RetrievalBusy());
  // The user list now holds the same accounts, marked as coming from the tweets.
  EXPECT_EQ(w.UserListPanel().Users().Count(), t.RowCount());
  EXPECT_TRUE(w.UserListPanel().Users().Bold());
  EXPECT_EQ(w.UserListPanel().Users().ToolTip(),
            "List contains users extracted from a Tweets table. To make sure this list relates "
            "to the Tweets currently displayed, select 'Get Users from Tweets' again.");
  EXPECT_EQ(w.UserListPanel().Users().Current(), 0);

  // A rebuild may keep the timeline and Profilo columns of the rows it finds again.
  w.UserTables().UserTable_ItemCheck(0, true);
  f.ui.inputs.push_back("3");
  w.UserTables().GetUTTL_Click();
  const std::string id = t.Rows()[0].cells[0];
  const std::array<std::string, 9> before = {
      t.Rows()[0].cells[22], t.Rows()[0].cells[23], t.Rows()[0].cells[24],
      t.Rows()[0].cells[25], t.Rows()[0].cells[26], t.Rows()[0].cells[27],
      t.Rows()[0].cells[28], t.Rows()[0].cells[29], t.Rows()[0].cells[30]};
  ASSERT_FALSE(before[5].empty());
  const auto row_of = [&](const std::string& user_id) -> const UserTableView::Row& {
    for (const auto& r : t.Rows())
      if (r.cells[0] == user_id) return r;
    ADD_FAILURE() << user_id;
    return t.Rows()[0];
  };
  const std::size_t asked = f.ui.messages.size();
  f.ui.answers.push_back(MsgAnswer::Yes);
  w.UserTables().BuildTweetsUT_Click();
  ASSERT_GT(f.ui.messages.size(), asked);
  EXPECT_EQ(f.ui.messages[asked].text, "Do you want to retain existing Timeline and Profilo data?");
  EXPECT_EQ(f.ui.messages[asked].buttons, MsgButtons::YesNo);
  for (std::size_t c = 0; c < before.size(); ++c) EXPECT_EQ(row_of(id).cells[22 + c], before[c]);
  f.ui.answers.push_back(MsgAnswer::No);
  w.UserTables().BuildTweetsUT_Click();
  EXPECT_EQ(row_of(id).cells[27], "");
  EXPECT_EQ(t.RowCount(), static_cast<int>(per_author.size()));
}

// ---- Get User Timelines ----------------------------------------------------------------------

TEST(TimelineSamples, TwoTickedRowsGetTheirOwnSamples) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.Followers().GetUsers(w.Twitter(), {"skein_small", "skein_team", "skein_quiet"}, false, false);
  w.UserTables().FillUserTable(w.Twitter(), true);
  const UserTableView& t = w.UserTables().Tables()[0];
  ASSERT_EQ(t.RowCount(), 3);
  ASSERT_EQ(t.Rows()[0].cells[1], "skein_small");
  ASSERT_EQ(t.Rows()[2].cells[1], "skein_quiet");
  w.UserTables().UserTable_ItemCheck(0, true);
  w.UserTables().UserTable_ItemCheck(2, true);
  std::vector<double> fractions;
  f.ui.on_yield = [&](int) {
    if (w.ProgressFraction() >= 0) fractions.push_back(w.ProgressFraction());
  };
  f.server.server().ClearReceived();
  f.ui.inputs.push_back("5");
  w.UserTables().GetUTTL_Click();

  EXPECT_EQ(f.ui.input_prompts.back(), kSamplePrompt);
  EXPECT_EQ(f.ui.messages.back().text, "Retrieval of User timeline samples completed");
  EXPECT_EQ(f.ui.messages.back().icon, MsgIcon::None);
  std::set<std::string> asked;
  for (const auto& r : f.Requests(kTimeline)) {
    asked.insert(Param(r, "screen_name"));
    EXPECT_EQ(Param(r, "count"), "200");
  }
  EXPECT_EQ(asked, (std::set<std::string>{"skein_small", "skein_quiet"}));

  const auto& small = t.Rows()[0].cells;
  EXPECT_EQ(small[1], "skein_small");
  EXPECT_EQ(Pieces(small[22]), 5);
  EXPECT_EQ(small[22].find("RT "), std::string::npos);
  EXPECT_EQ(small[27].size(), 4u);
  EXPECT_EQ(small[28].size(), 3u);
  for (int k = 27; k <= 30; ++k) EXPECT_FALSE(Trim(small[static_cast<std::size_t>(k)]).empty());
  // The unticked row is left alone; the account without tweets gets zeros and no samples.
  EXPECT_EQ(t.Rows()[1].cells[22], "");
  EXPECT_EQ(t.Rows()[1].cells[27], "");
  const auto& quiet = t.Rows()[2].cells;
  EXPECT_EQ(quiet[22], "");
  EXPECT_EQ(quiet[23], "");
  for (int k = 27; k <= 30; ++k) EXPECT_EQ(Trim(quiet[static_cast<std::size_t>(k)]), "0");
  for (const auto& r : t.Rows()) EXPECT_FALSE(r.selected);
  // "Select Cases With No TL Sample" picks the rows without a tweet sample.
  w.UserTables().mUTSelAll_Click(wf::UserTableSelection::kNoTimelineSample);
  EXPECT_FALSE(t.Rows()[0].ticked);
  EXPECT_TRUE(t.Rows()[1].ticked);
  EXPECT_TRUE(t.Rows()[2].ticked);
  w.UserTables().mUTUnselAll_Click();
  w.UserTables().UserTable_ItemCheck(0, true);

  EXPECT_NE(w.InfoBar()[2].find(" USER_TIMELINE requests remaining"), std::string::npos);
  EXPECT_EQ(w.InfoBar()[3].rfind("Next reset: ", 0), 0u);
  ASSERT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
  EXPECT_LT(w.ProgressFraction(), 0);
  EXPECT_FALSE(w.RetrievalBusy());

  // 0 samples: the tweet sample goes, the figures stay.
  const std::string per_day = small[27];
  f.ui.inputs.push_back("0");
  w.UserTables().GetUTTL_Click();
  EXPECT_EQ(small[22], "");
  EXPECT_EQ(small[27], per_day);

  // The busiest account: sampling stops at the first page that reaches 600 tweets.
  w.UserTables().mUTUnselAll_Click();
  w.UserTables().UserTable_ItemCheck(1, true);
  f.server.server().ClearReceived();
  f.ui.inputs.push_back("50");
  w.UserTables().GetUTTL_Click();
  const std::size_t pages = f.Requests(kTimeline).size();
  EXPECT_GE(pages, 1u);
  EXPECT_LE(pages, 4u);
  EXPECT_EQ(Pieces(t.Rows()[1].cells[22]), 50);
  EXPECT_LE(w.Twitter().Tweets().Count(), 799);
}

TEST(TimelineSamples, RetweetsOnlyAndTheOneYearLimit) {
  SimWindow f;
  MainWindow& w = *f.window;
  const apisim::Corpus& corpus = f.server.server().corpus();
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  std::string retweeter, spread;
  std::uint32_t spread_statuses = 0;
  for (std::uint32_t u = 4; u < corpus.UserCount() && (retweeter.empty() || spread.empty()); ++u) {
    const apisim::UserKey& key = corpus.Key(u);
    if (key.is_protected || key.statuses == 0) continue;
    // Its newest tweet within the year, so the sample holds something.
    if (retweeter.empty() && key.statuses <= 3 &&
        corpus.TimelineTweet(u, 0).created_at > now - 300 * 86400LL) {
      bool all = true;
      for (std::uint32_t p = 0; p < key.statuses; ++p)
        all = all && corpus.TimelineTweet(u, p).retweeted != nullptr;
      if (all) retweeter = key.screen_name;
    }
    // A few tweets over many years: the first page already reaches back past a year.
    if (spread.empty() && key.statuses >= 40 && key.statuses <= 190 &&
        key.created_at < now - 4 * 365 * 86400LL) {
      spread = key.screen_name;
      spread_statuses = key.statuses;
    }
  }
  ASSERT_FALSE(retweeter.empty());
  ASSERT_FALSE(spread.empty());

  w.Followers().GetUsers(w.Twitter(), {retweeter, spread}, false, false);
  w.UserTables().FillUserTable(w.Twitter());
  const UserTableView& t = w.UserTables().Tables()[0];
  ASSERT_EQ(t.RowCount(), 2);
  ASSERT_EQ(t.Rows()[0].cells[1], retweeter);
  w.UserTables().mUTSelAll_Click(wf::UserTableSelection::kAll);
  f.server.server().ClearReceived();
  f.ui.inputs.push_back("50");
  w.UserTables().GetUTTL_Click();
  const auto& rt = t.Rows()[0].cells;
  EXPECT_EQ(rt[22], "");
  EXPECT_EQ(Trim(rt[28]), "100");
  EXPECT_EQ(Trim(rt[29]), "0");

  // The last account sampled is what the client holds: only its last year, from one page.
  int spread_requests = 0;
  for (const auto& r : f.Requests(kTimeline)) spread_requests += Param(r, "screen_name") == spread;
  EXPECT_EQ(spread_requests, 1);
  const TweetSet& held = w.Twitter().Tweets();
  ASSERT_GT(held.Count(), 0);
  EXPECT_LT(held.Count(), static_cast<std::int32_t>(spread_statuses));
  const std::int64_t year_ago = DayNumber(OneYearBack(NowLocal()));
  for (std::int32_t i = 1; i <= held.Count(); ++i) {
    const auto dt = ParseStoredDateTime(held.DateTime(i));
    ASSERT_TRUE(dt.has_value());
    EXPECT_GE(DayNumber(*dt), year_ago);
  }
  EXPECT_FALSE(Trim(t.Rows()[1].cells[27]).empty());
}

TEST(TimelineSamples, CancelKeepsTheRowsDone) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetUTwitterAuthenticator([](TwitterAPI& api) {
    return !api.AuthAppAccess("Test", "demo-key", "demo-secret").empty();
  });
  w.UTwitter().Users().Clear();
  w.UserTables().AddUserTable("three");
  w.Followers().GetUsers(w.UTwitter(), {"skein_small", "skein_team", "skein_quiet"}, false, false);
  w.UserTables().FillUserTable(w.UTwitter());
  ASSERT_EQ(Shown(w).RowCount(), 3);
  ASSERT_EQ(Shown(w).Rows()[0].cells[1], "skein_small");
  w.UserTables().mUTSelAll_Click(wf::UserTableSelection::kAll);
  // Cancel once the first row is done (its figures are written).
  f.ui.on_yield = [&](int) {
    if (w.RetrievalBusy() && !Shown(w).Rows()[0].cells[27].empty()) w.Search().QuitGet_Click();
  };
  f.server.server().ClearReceived();
  f.ui.inputs.push_back("5");
  w.UserTables().GetUTTL_Click();
  f.ui.on_yield = nullptr;
  const auto& rows = w.UserTables().Tables()[1].Rows();
  EXPECT_EQ(Pieces(rows[0].cells[22]), 5);
  EXPECT_EQ(rows[1].cells[27], "");
  EXPECT_EQ(rows[2].cells[27], "");
  EXPECT_TRUE(f.Told("User cancelled the retrieval process"));
  EXPECT_FALSE(f.Told("Retrieval of User timeline samples completed"));
  EXPECT_TRUE(f.LogHas("user cancelled the procedure"));
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::Cancelled);
  EXPECT_EQ(w.LastOutcome().received, 1);
  EXPECT_FALSE(w.RetrievalBusy());
  for (const auto& r : f.Requests(kTimeline)) EXPECT_EQ(Param(r, "screen_name"), "skein_small");
  // The Other table's samples come through the second client.
  EXPECT_GT(w.UTwitter().Tweets().Count(), 0);
  EXPECT_EQ(w.Twitter().Tweets().Count(), 0);

  // Cancelling the prompt ends the command: the samples already held stay.
  w.UserTables().UserTable_ItemCheck(0, true);
  f.server.server().ClearReceived();
  w.UserTables().GetUTTL_Click();
  EXPECT_EQ(Pieces(rows[0].cells[22]), 5);
  EXPECT_TRUE(f.Requests(kTimeline).empty());

  // Nothing ticked: the user is told and nothing is asked.
  w.UserTables().mUTUnselAll_Click();
  const std::size_t prompts = f.ui.input_prompts.size();
  w.UserTables().GetUTTL_Click();
  EXPECT_EQ(f.ui.input_prompts.size(), prompts);
  EXPECT_TRUE(f.Told("Tick the rows of the users whose timelines to sample"));
}

// ---- Filter Checked Rows and Add ---------------------------------------------------------------

TEST(FilterCheckedRows, RemoveOrRetainUsersAndTheirTweets) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetSearchQuery("skein AND twitter");
  w.Search().GetSrch_Click();
  w.UserTables().BuildTweetsUT_Click();
  const UserTableView& t = w.UserTables().Tables()[0];
  const TweetView& v = w.OutTable();
  ASSERT_GE(t.RowCount(), 6);
  const auto tweets_of = [&](const std::set<std::string>& names) {
    int n = 0;
    for (int r = 0; r < v.RowCount(); ++r) n += names.count(Trim(v.Cell(r, 2))) != 0 ? 1 : 0;
    return n;
  };
  const auto names_of = [&](int from, int to) {
    std::set<std::string> out;
    for (int r = from; r < to; ++r) out.insert(t.Rows()[static_cast<std::size_t>(r)].cells[1]);
    return out;
  };

  // Remove, tweets and users: the question gives both counts, No leaves everything.
  const int users = t.RowCount();
  const int tweets = v.RowCount();
  std::set<std::string> gone = names_of(0, 2);
  const int their_tweets = tweets_of(gone);
  w.UserTables().UserTable_ItemCheck(0, true);
  w.UserTables().UserTable_ItemCheck(1, true);
  f.ui.answers.push_back(MsgAnswer::No);
  w.UserTables().MergeRemUT_Click(1);
  EXPECT_EQ(f.ui.messages.back().text, "Remove the 2 checked users from the user table and their " +
                                           std::to_string(their_tweets) +
                                           " tweets from the tweet table?");
  EXPECT_EQ(t.RowCount(), users);
  EXPECT_EQ(v.RowCount(), tweets);
  f.ui.answers.push_back(MsgAnswer::Yes);
  w.UserTables().MergeRemUT_Click(1);
  EXPECT_EQ(t.RowCount(), users - 2);
  EXPECT_EQ(v.RowCount(), tweets - their_tweets);
  EXPECT_EQ(tweets_of(gone), 0);
  EXPECT_TRUE(w.TweetsModified());
  EXPECT_EQ(w.InfoBar()[0], std::to_string(v.RowCount()) + " tweets displayed");

  // Retain, tweets only: the user table stays whole.
  w.UserTables().FilterMode_Click(1);
  w.UserTables().FilterEntity_Click(2);
  const std::set<std::string> kept = names_of(0, 1);
  w.UserTables().UserTable_ItemCheck(0, true);
  f.ui.answers.push_back(MsgAnswer::Yes);
  w.UserTables().MergeRemUT_Click(1);
  EXPECT_EQ(f.ui.messages.back().text.rfind("Keep only the tweets of the 1 checked user? ", 0), 0u);
  EXPECT_EQ(t.RowCount(), users - 2);
  EXPECT_EQ(v.RowCount(), tweets_of(kept));
  EXPECT_GT(v.RowCount(), 0);

  // Retain, users only.
  w.UserTables().FilterEntity_Click(1);
  f.ui.answers.push_back(MsgAnswer::Yes);
  w.UserTables().MergeRemUT_Click(1);
  ASSERT_EQ(t.RowCount(), 1);
  EXPECT_EQ(t.Rows()[0].cells[1], *kept.begin());

  // Nothing ticked.
  w.UserTables().mUTUnselAll_Click();
  w.UserTables().MergeRemUT_Click(1);
  EXPECT_TRUE(f.Told("No rows of the user table are checked"));
}

TEST(FilterCheckedRows, AddJoinsAnOtherTableToTheTweetsTable) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetUTwitterAuthenticator([](TwitterAPI& api) {
    return !api.AuthAppAccess("Test", "demo-key", "demo-secret").empty();
  });
  w.Followers().GetUsers(w.Twitter(), {"skein_small", "skein_team"}, false, false);
  w.UserTables().FillUserTable(w.Twitter());
  w.UserTables().AddUserTable("others");
  w.Followers().GetUsers(
      w.UTwitter(), {"skein_team", "skein_quiet", "skein_small", "skein_private"}, false, false);
  w.UserTables().FillUserTable(w.UTwitter());
  w.UserTables().MergeRemUT_Click(0);
  EXPECT_TRUE(f.Told("2 users added to the Tweets table; 2 already there"));
  std::vector<std::string> names;
  for (const auto& r : w.UserTables().Tables()[0].Rows()) names.push_back(r.cells[1]);
  EXPECT_EQ(names, (std::vector<std::string>{"skein_small", "skein_team", "skein_quiet",
                                             "skein_private"}));
  w.UserTables().MergeRemUT_Click(0);
  EXPECT_EQ(w.UserTables().Tables()[0].RowCount(), 4);
  // The "Tweets" table cannot be added to itself.
  w.UserTables().UTToggle_Click(0);
  w.UserTables().MergeRemUT_Click(0);
  EXPECT_EQ(w.UserTables().Tables()[0].RowCount(), 4);
}

}  // namespace
}  // namespace wf
