// The unattended port answers each question by its id and the subject it names, whatever the
// wording of the question.
#include "search_ui.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

namespace wf::cli {
namespace {

MsgAnswer AskIt(UiPort& ui, QuestionId id, std::string_view subject, MsgButtons buttons,
                std::string_view text = "any wording") {
  return ui.Ask({id, subject}, text, buttons, MsgIcon::Question, "any caption");
}

TEST(SearchUi, AnswersByIdAndSubject) {
  std::ostringstream err;
  SearchUi ui(err, false, nullptr);
  ui.SetOutput("/out/t.txt");
  // Only the command's own output file is overwritten, in either kind of box.
  EXPECT_EQ(AskIt(ui, QuestionId::OverwriteFile, "/out/t.txt", MsgButtons::YesNo), MsgAnswer::Yes);
  EXPECT_EQ(AskIt(ui, QuestionId::OverwriteFile, "/out/t.txt", MsgButtons::OkCancel),
            MsgAnswer::Ok);
  EXPECT_EQ(AskIt(ui, QuestionId::OverwriteFile, "/out/other.txt", MsgButtons::OkCancel),
            MsgAnswer::Cancel);
  EXPECT_EQ(AskIt(ui, QuestionId::ReplaceUnsavedTweets, "", MsgButtons::YesNo), MsgAnswer::No);
  EXPECT_EQ(AskIt(ui, QuestionId::RecalculateSentiment, "", MsgButtons::YesNo), MsgAnswer::Yes);
  EXPECT_EQ(AskIt(ui, QuestionId::ListHoldsUserIds, "", MsgButtons::YesNo), MsgAnswer::No);
  ui.SetListHoldsIds(true);
  EXPECT_EQ(AskIt(ui, QuestionId::ListHoldsUserIds, "", MsgButtons::YesNo), MsgAnswer::Yes);
  // A question the command has no answer for is shown and declined.
  EXPECT_EQ(AskIt(ui, QuestionId::DeleteUsersTweets, "", MsgButtons::OkCancel, "Delete 3?"),
            MsgAnswer::Cancel);
  EXPECT_NE(err.str().find("Delete 3?"), std::string::npos);
}

TEST(SearchUi, RetriesAFailingRequestThreeTimesThenGivesUp) {
  std::ostringstream err;
  SearchUi ui(err, false, nullptr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(AskIt(ui, QuestionId::RetryAfterError, "", MsgButtons::YesNo), MsgAnswer::Yes) << i;
  }
  EXPECT_EQ(AskIt(ui, QuestionId::RetryAfterError, "", MsgButtons::YesNo), MsgAnswer::No);
  // A request that got through spends the count.
  ui.YieldToEvents();
  EXPECT_EQ(AskIt(ui, QuestionId::RetryAfterError, "", MsgButtons::YesNo), MsgAnswer::Yes);
  EXPECT_NE(err.str().find("Giving up."), std::string::npos);
}

TEST(SearchUi, QuotaWaitEndsAtTheResetTheQuestionNamesOrOnCtrlC) {
  std::ostringstream err;
  std::atomic<bool> interrupted{false};
  SearchUi ui(err, false, &interrupted);
  // A reset already past: nothing to wait for.
  EXPECT_EQ(AskIt(ui, QuestionId::WaitForQuota, "01/01/2001 00:00:00", MsgButtons::OkCancel),
            MsgAnswer::Ok);
  // A reset it cannot read: go on and let the API say.
  EXPECT_EQ(AskIt(ui, QuestionId::WaitForQuota, "soon", MsgButtons::OkCancel), MsgAnswer::Ok);
  // Ctrl-C during a wait for a reset far ahead cancels it.
  interrupted = true;
  EXPECT_EQ(AskIt(ui, QuestionId::WaitForQuota, "01/01/2099 00:00:00", MsgButtons::OkCancel),
            MsgAnswer::Cancel);
  EXPECT_TRUE(ui.Cancelled());
}

}  // namespace
}  // namespace wf::cli
