// Tweet table editing: the context menu, the filters, retweet removal and the DateTime
// conversions.
#include <gtest/gtest.h>

#include "fake_http.h"
#include "mainwindow/main_window.h"
#include "sim_window_fixture.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "util/shell_and_wait.h"

namespace wf {
namespace {

// A window whose shell only records the command lines it is given.
struct EditFixture {
  test::TempDir dir;
  test::ScriptedUi ui;
  test::FakeHttp http;
  std::vector<std::string> shelled;
  std::unique_ptr<MainWindow> window;

  EditFixture() {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.sentiment_program = WF_SENTI_EXE;
    env.shell = [this](std::string_view command, std::int32_t, int) {
      shelled.emplace_back(command);
      return 0;
    };
    window = std::make_unique<MainWindow>(env);
    window->Form_Load();
  }

  // A row: date-time, screen name, tweet text and link; the other cells fixed.
  void Add(const std::string& date, const std::string& name, const std::string& tweet,
           const std::string& link = "") {
    static int next_id = 1000000;
    const std::string id = std::to_string(++next_id) + "000000000";
    std::array<std::string_view, TweetView::kColumns> v = {
        date, name, tweet, id,  "Real", "10", "20", "Place",
        "0",  "",   "30",  "0", link,   "1",  "-1", "about"};
    window->MutableOutTable().AddRow(v, false);
  }
  std::vector<std::string> Column(int c) const {
    std::vector<std::string> out;
    for (int r = 0; r < window->OutTable().RowCount(); ++r)
      out.emplace_back(window->OutTable().Cell(r, c));
    return out;
  }
};

using Strings = std::vector<std::string>;

// ---- Filters -----------------------------------------------------------------------------

TEST(FilterTweets, PlusKeepsMinusRemovesAndTheQuestionCounts) {
  EditFixture f;
  MainWindow& w = *f.window;
  w.TweetEdit().mFilterTweets_Click();
  w.TweetEdit().mRemRT_Click();
  ASSERT_EQ(f.ui.messages.size(), 2u);
  EXPECT_EQ(f.ui.messages[0].text,
            "Tweet table is empty. You need to load or retrieve some tweets first.");
  EXPECT_EQ(f.ui.messages[1].caption, "Filter Tweets");
  EXPECT_TRUE(f.ui.input_prompts.empty());

  f.Add("d1", "ann", "Wrenfold rocks");
  f.Add("d2", "bob", "RT @ann: wrenfold rocks");
  f.Add("d3", "cy", "nothing here");
  f.Add("d4", "dee", "Über WRENFOLD");

  // "+rt" keeps tweets containing those letters in any case; Cancel changes nothing.
  f.ui.inputs = {"+rt"};
  f.ui.answers = {MsgAnswer::Cancel};
  w.TweetEdit().mFilterTweets_Click();
  EXPECT_EQ(f.ui.messages.back().text,
            "There are 3 tweets that don't contain [rt] and will be removed. Proceed?");
  EXPECT_EQ(f.ui.messages.back().buttons, MsgButtons::OkCancel);
  EXPECT_EQ(w.OutTable().RowCount(), 4);

  // No sign means "-": remove the tweets that contain the word, ignoring case.
  f.ui.inputs = {"wrenFOLD"};
  f.ui.answers = {MsgAnswer::Ok};
  w.TweetEdit().mFilterTweets_Click();
  EXPECT_EQ(f.ui.messages.back().text,
            "There are 3 tweets that contain [wrenFOLD] and will be removed. Proceed?");
  EXPECT_EQ(f.Column(3), (Strings{"nothing here"}));
  EXPECT_EQ(w.InfoBar()[0], "1 tweets displayed");
  EXPECT_TRUE(w.Enabled());
}

TEST(FilterTweets, CaseFoldingReachesAccentedLetters) {
  EditFixture f;
  f.Add("d1", "a", "ÜBER alles");
  f.Add("d2", "b", "über alles");
  f.Add("d3", "c", "uber alles");
  f.ui.answers = {MsgAnswer::Ok};
  f.window->TweetEdit().FilterTweetsBy("Über", false);
  EXPECT_EQ(f.Column(2), (Strings{"a", "b"}));
}

TEST(FilterTweets, EmptyOrCancelledAnswerChangesNothing) {
  EditFixture f;
  f.Add("d1", "a", "one");
  f.Add("d2", "b", "");
  f.Add("d3", "c", "three");
  // Cancel, an empty answer, or a sign with no word after it: no question, no row removed,
  // even with OK ready for a question.
  for (const std::optional<std::string>& answer :
       {std::optional<std::string>(), std::optional<std::string>(""),
        std::optional<std::string>("-"), std::optional<std::string>("+")}) {
    f.ui.inputs = {answer};
    f.ui.answers = {MsgAnswer::Ok};
    f.window->TweetEdit().mFilterTweets_Click();
    EXPECT_TRUE(f.ui.messages.empty()) << answer.value_or("(cancelled)");
    EXPECT_EQ(f.Column(2), (Strings{"a", "b", "c"}));
    EXPECT_FALSE(f.window->TweetsModified());
  }
}

TEST(FilterTweets, RetweetRemovalKeepsOrderAndSortSetting) {
  EditFixture f;
  MainWindow& w = *f.window;
  f.Add("d3", "c", "RT @x: three");
  f.Add("d1", "a", "one rt @ lower case counts too");
  f.Add("d2", "b", "two");
  f.Add("d0", "z", "zero");
  f.ui.answers = {MsgAnswer::Ok};
  w.TweetEdit().mRemRT_Click();
  EXPECT_EQ(f.ui.messages.back().text,
            "There are 2 tweets that contain [RT @] and will be removed. Proceed?");
  EXPECT_EQ(f.Column(1), (Strings{"d2", "d0"}));
  EXPECT_FALSE(w.TweetEdit().SortTweetsChecked());
}

// ---- Context menu ------------------------------------------------------------------------

TEST(TweetMenu, CaptionsAndLinks) {
  EditFixture f;
  MainWindow& w = *f.window;
  f.Add("d1", "ann", "t", "https://example.com/a b\"c");
  f.Add("d2", "12345", "t", "");
  f.Add("d3", "eve", "t", "httpfoo.desktop");

  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 0);
  EXPECT_EQ(w.TweetEdit().mTweet().nav_link_caption, "Go to https://example.com/a b\"c");
  EXPECT_TRUE(w.TweetEdit().mTweet().nav_link_visible);
  EXPECT_EQ(w.TweetEdit().mTweet().nav_user_caption, "Find ann on Twitter");
  EXPECT_EQ(w.TweetEdit().mTweet().add_user_caption, "Add ann to User List");
  EXPECT_EQ(w.TweetEdit().mTweet().delete_user_caption, "Delete ann from User List");
  EXPECT_EQ(w.TweetEdit().mTweet().delete_users_tweets_caption, "Delete all Tweets by ann");
  w.TweetEdit().mNavLinkURL_Click();
  w.TweetEdit().mNavUserTwitter_Click();
  ASSERT_EQ(f.shelled.size(), 2u);
  // One argument each, quotes and blanks included: nothing reaches a shell.
  EXPECT_EQ(SplitCommandLine(f.shelled[0]), (Strings{"xdg-open", "https://example.com/a b\"c"}));
  EXPECT_EQ(SplitCommandLine(f.shelled[1]), (Strings{"xdg-open", "https://twitter.com/ann"}));

  // Empty link: the caption is bare and the command does nothing.
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 1);
  EXPECT_EQ(w.TweetEdit().mTweet().nav_link_caption, "Go to ");
  w.TweetEdit().mNavLinkURL_Click();
  // Not a web address: not opened.
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 2);
  w.TweetEdit().mNavLinkURL_Click();
  EXPECT_EQ(f.shelled.size(), 2u);

  // A long link shows its first 96 characters; a left click sets nothing up.
  f.Add("d4", "x", "t", "http://" + std::string(200, 'a'));
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Left, 3);
  EXPECT_EQ(w.TweetEdit().SelectedTweetRow(), 2);
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 3);
  EXPECT_EQ(w.TweetEdit().mTweet().nav_link_caption.size(), 6u + 96u);
}

TEST(TweetMenu, DeletesActOnTheChosenRow) {
  EditFixture f;
  MainWindow& w = *f.window;
  f.Add("d1", "ann", "a1");
  f.Add("d2", "bob", "b1");
  f.Add("d3", "bob", "b2");
  f.Add("d4", "bob", "b3");
  f.Add("d5", "ann", "a2");
  f.Add("d6", "Bob", "b4");

  // All of bob's, adjacent rows included, exact case only.
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 2);
  f.ui.answers = {MsgAnswer::Cancel};
  w.TweetEdit().mDelUsersTweets_Click();
  EXPECT_EQ(f.ui.messages.back().text, "Delete 3 occurences of bob from Tweets table?");
  EXPECT_EQ(f.ui.messages.back().caption, "Confirm deletion");
  EXPECT_EQ(w.OutTable().RowCount(), 6);
  EXPECT_FALSE(w.TweetsModified());
  f.ui.answers = {MsgAnswer::Ok};
  w.TweetEdit().mDelUsersTweets_Click();
  // The edit is unsaved: closing will offer to save it.
  EXPECT_TRUE(w.TweetsModified());
  EXPECT_TRUE(w.Caption().ends_with("*]"));
  EXPECT_EQ(f.Column(3), (Strings{"a1", "a2", "b4"}));
  EXPECT_EQ(w.InfoBar()[0], "3 tweets displayed");

  // Delete Tweet, no question. The table is re-sorted between the click and the command:
  // the row the user chose goes, not the one now at its position.
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 0);  // a1
  w.TweetEdit().OutTable_ColumnClick(2);
  w.TweetEdit().mSortDT_Click();  // by screen name: "Bob" sorts before "ann"
  ASSERT_EQ(f.Column(3), (Strings{"b4", "a1", "a2"}));
  const std::size_t told = f.ui.messages.size();
  w.TweetEdit().mDelTweet_Click();
  EXPECT_EQ(f.Column(3), (Strings{"b4", "a2"}));
  EXPECT_EQ(f.ui.messages.size(), told);
  // The row is gone: a second command finds nothing to act on.
  w.TweetEdit().mDelTweet_Click();
  EXPECT_EQ(w.OutTable().RowCount(), 2);
}

TEST(TweetMenu, UserListCommandsUseTheNameWithoutPadding) {
  test::SimWindow f;
  MainWindow& w = *f.window;
  const std::string known = "skein_small";
  f.ui.clipboard = known + "\r\nskein_team\r\n";
  w.UserListPanel().mPasteUL_Click();
  ASSERT_EQ(f.Entries(), (Strings{known, "skein_team"}));

  std::array<std::string_view, TweetView::kColumns> row = {
      "d", "skein_quiet", "t", "1", "", "", "", "", "", "", "", "", "", "", "", ""};
  w.MutableOutTable().AddRow(row, false);
  row[1] = known;
  w.MutableOutTable().AddRow(row, false);

  // A new name goes to the end, every entry is looked up, and the last becomes current.
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 0);
  w.TweetEdit().mAddU2UL_Click();
  EXPECT_EQ(f.Entries(), (Strings{known, "skein_team", "skein_quiet"}));
  EXPECT_EQ(w.UserListPanel().Users().Current(), 2);
  EXPECT_EQ(w.Twitter().Users().Count(), 3);
  EXPECT_FALSE(w.RetrievalBusy());
  EXPECT_NE(w.UserListPanel().UserMeta().find("Followers"), std::string::npos);
  // A name already listed is not added twice.
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 1);
  w.TweetEdit().mAddU2UL_Click();
  EXPECT_EQ(w.UserListPanel().Users().Count(), 3);

  // Delete removes the first entry of that name; a name not listed changes nothing.
  w.TweetEdit().mDelUFUL_Click();
  EXPECT_EQ(f.Entries(), (Strings{"skein_team", "skein_quiet"}));
  w.TweetEdit().mDelUFUL_Click();
  EXPECT_EQ(f.Entries(), (Strings{"skein_team", "skein_quiet"}));

  // A numeric screen name is padded in the cell; the list gets the name itself.
  row[1] = "4242";
  w.MutableOutTable().AddRow(row, false);
  ASSERT_EQ(w.OutTable().Cell(2, 2), "   4242");
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 2);
  w.TweetEdit().mAddU2UL_Click();
  EXPECT_EQ(f.Entries().back(), "4242");
  w.TweetEdit().mDelUFUL_Click();
  EXPECT_EQ(f.Entries(), (Strings{"skein_team", "skein_quiet"}));
}

TEST(TweetMenu, AddingToAListOfIdsAddsTheId) {
  test::SimWindow f;
  MainWindow& w = *f.window;
  f.ui.clipboard = "skein_small\r\nskein_team\r\n";
  w.UserListPanel().mPasteUL_Click();
  w.UserListPanel().UserHandle_Click(1);
  ASSERT_TRUE(LooksLikeUserId(f.Entries().at(0)));
  std::array<std::string_view, TweetView::kColumns> row = {
      "d", "skein_quiet", "t", "1", "", "", "", "", "", "", "", "", "", "", "", ""};
  w.MutableOutTable().AddRow(row, false);
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 0);
  w.TweetEdit().mAddU2UL_Click();
  ASSERT_EQ(w.UserListPanel().Users().Count(), 3);
  EXPECT_TRUE(LooksLikeUserId(f.Entries()[2])) << f.Entries()[2];
  EXPECT_EQ(w.Twitter().Users().Count(), 3);
  EXPECT_EQ(w.Twitter().Users().ScreenName(3), "skein_quiet");
}

// ---- DateTime conversions ----------------------------------------------------------------

TEST(ConvertDateTimes, ThreeFormsAndTheirRoundTrips) {
  EditFixture f;
  MainWindow& w = *f.window;
  f.Add("Wed Aug 27 13:08:45 0000 2008", "a", "t");
  f.Add("Tue Mar 04 00:00:01 +0000 2031", "b", "t");
  f.Add("not a date", "c", "t");
  f.Add("", "d", "t");
  const Strings twitter = {"Wed Aug 27 13:08:45 0000 2008", "Tue Mar 04 00:00:01 0000 2031",
                           "not a date", ""};

  f.ui.answers = {MsgAnswer::Cancel};
  w.TweetEdit().mVBDateTime_Click();
  EXPECT_EQ(f.ui.messages.back().text,
            "Convert the DateTime to local Numeric format e.g. dd/mm/yyyy hh:mm:ss? NOTE: "
            "Nestview expects the original Twitter DateTime format.");
  EXPECT_EQ(f.Column(1)[0], "Wed Aug 27 13:08:45 0000 2008");
  EXPECT_FALSE(w.TweetEdit().VBDateTimeChecked());

  f.ui.answers = {MsgAnswer::Ok};
  w.TweetEdit().mVBDateTime_Click();
  const Strings numeric = {"27/08/2008 13:08:45", "04/03/2031 00:00:01", "not a date", ""};
  EXPECT_EQ(f.Column(1), numeric);
  EXPECT_TRUE(w.TweetEdit().VBDateTimeChecked());

  w.TweetEdit().mTwitterDateTime_Click();  // no question
  EXPECT_EQ(f.Column(1), twitter);
  EXPECT_FALSE(w.TweetEdit().VBDateTimeChecked());
  w.TweetEdit().ConvertDateTimes(wf::DateForm::kNumeric, w.MutableOutTable());
  EXPECT_EQ(f.Column(1), numeric);  // Twitter -> numeric -> Twitter -> numeric

  f.ui.answers = {MsgAnswer::Ok};
  w.TweetEdit().mSPSSDateTime_Click();
  EXPECT_EQ(f.ui.messages.back().text,
            "Convert the DateTime to an SPSS compatible format (dd-mmm-yyyyy hh:mm:ss)?");
  EXPECT_EQ(f.Column(1),
            (Strings{"27-Aug-2008 13:08:45", "04-Mar-2031 00:00:01", "not a date", ""}));
  w.TweetEdit().mTwitterDateTime_Click();
  EXPECT_EQ(f.Column(1), twitter);
}

TEST(ConvertDateTimes, SortedViewStaysSortedOnTheNewTexts) {
  EditFixture f;
  MainWindow& w = *f.window;
  // In time order; neither form's text order is that ("Mon" < "Sat", "02/02" < "25/01").
  f.Add("Tue Feb 02 00:00:00 0000 2010", "c", "t");
  f.Add("Mon Jan 25 00:00:00 0000 2010", "b", "t");
  f.Add("Sat Jan 02 00:00:00 0000 2010", "a", "t");
  w.TweetEdit().OutTable_ColumnClick(1);
  w.TweetEdit().mSortDT_Click();
  ASSERT_EQ(f.Column(2), (Strings{"a", "b", "c"}));
  w.TweetEdit().ConvertDateTimes(wf::DateForm::kNumeric, w.MutableOutTable());
  EXPECT_EQ(f.Column(1),
            (Strings{"02/01/2010 00:00:00", "25/01/2010 00:00:00", "02/02/2010 00:00:00"}));
  EXPECT_EQ(f.Column(2), (Strings{"a", "b", "c"}));
  EXPECT_TRUE(w.TweetEdit().SortTweetsChecked());
}

}  // namespace
}  // namespace wf
