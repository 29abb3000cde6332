#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mainwindow/window_core.h"

namespace wf {

class FollowersPart;
class UserListPart;

// The forms the DateTime column converts to: numeric (dd/mm/yyyy hh:mm:ss), SPSS, Twitter's.
enum class DateForm { kNumeric = 0, kSpss = 1, kTwitter = 2 };

// Commands that change the tweet table's rows or order, or act on one row: the tweet context
// menu, the keyword filter, retweet removal and the conversions of the DateTime column.
class TweetEditPart {
 public:
  // The tweet table's context menu as it opens over a row: its captions and whether the
  // "Go to" item shows.
  struct TweetMenu {
    std::string nav_link_caption = "Go to cited URL";
    bool nav_link_visible = true;
    std::string nav_user_caption = "Find User on Twitter";
    std::string add_user_caption = "Add User to User List";
    std::string delete_user_caption = "Delete User from User List";
    std::string delete_users_tweets_caption = "Delete All Tweets By User";
  };
  enum class MouseButton { Left, Right, Middle };

  TweetEditPart(WindowCore& core, UserListPart& list, FollowersPart& followers)
      : core_(core), list_(list), followers_(followers) {}

  bool SortTweetsChecked() const { return core_.out_table.Sorted(); }
  void mSortDT_Click();
  void OutTable_ColumnClick(int column_index_1based);

  // A click released over `row` (0-based, display order) of the tweet table; the right
  // button selects the row and sets up the context menu, which the view then shows.
  void OutTable_MouseUp(MouseButton button, std::int32_t row);
  const TweetMenu& mTweet() const { return tweet_menu_; }
  // The row the context menu acts on, or -1.
  std::int32_t SelectedTweetRow() const { return selected_tweet_row_; }
  void mNavLinkURL_Click();
  void mNavUserTwitter_Click();
  void mAddU2UL_Click();
  void mDelUFUL_Click();
  void mDelTweet_Click();
  void mDelUsersTweets_Click();
  void mFilterTweets_Click();
  void mRemRT_Click();
  // Removes, after confirmation, the rows whose tweet text contains `word` (ignoring case)
  // when `remove_containing`, or else those that do not contain it.
  void FilterTweetsBy(std::string_view word, bool remove_containing);
  // Column 1 of every row to `form`; rows that do not convert stay as they are.
  void ConvertDateTimes(DateForm form, TweetView& table);
  bool VBDateTimeChecked() const { return vb_date_time_checked_; }
  void ResetDateForm() { vb_date_time_checked_ = false; }
  void mVBDateTime_Click();
  void mSPSSDateTime_Click();
  void mTwitterDateTime_Click();

 private:
  // The context menu's row, found again if the table changed since the menu opened; -1 when
  // it is gone.
  std::int32_t TweetMenuRow() const;
  std::string TweetMenuScreenName() const;
  bool TweetTableEmptyMessage();
  void MarkTweetsEdited();

  WindowCore& core_;
  UserListPart& list_;
  FollowersPart& followers_;
  TweetMenu tweet_menu_;
  std::int32_t selected_tweet_row_ = -1;
  std::string selected_tweet_cells_;
  bool vb_date_time_checked_ = false;
};

}  // namespace wf
