#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wf {

// Caption of every message box that does not name its own.
inline constexpr std::string_view kAppTitle = "Skein Wrenfold Desktop Edition";

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

enum class Pointer { Default, Hourglass, ArrowHourglass };

// Every question the program asks, so that a front end that cannot ask a person (the command
// line, scripted tests) answers by what is asked, never by the wording.
enum class QuestionId {
  None,                  // a message to acknowledge
  RetryAfterError,       // a request failed in a way that may pass: try it again?
  WaitForQuota,          // subject: when the quota window resets (dd/mm/yyyy hh:mm:ss)
  ReplaceUnsavedTweets,  // the tweet table is not saved: save it before it is replaced?
  OverwriteFile,         // subject: the file
  RecalculateSentiment,  // the file's sentiment columns hold zeros
  RemoveMissingSession,  // a query history entry whose file is gone
  RemoveMissingTimelineSession,
  RecoverInterruptedTweets,  // a retrieval that never ended left tweets
  ContinueRecovered,         // take that retrieval up where it stopped?
  SaveTweetsBeforeExit,
  CloseWithUnsavedUsers,  // user tables or the user list are not saved
  DeleteUsersTweets,
  FilterTweetsByWord,
  ConvertToNumericDates,
  ConvertToSpssDates,
  ReplaceUserList,    // with the clipboard's list
  ListHoldsUserIds,   // Yes: the pasted entries are user ids, No: screen names
  RetainCheckedRows,  // Add: keep only the ticked rows of the table on show?
  FilterCheckedRows,
  ReadShortRows,       // a tweet file has rows with too few fields: go on reading?
  RetrievalCancelled,  // the user stopped a search (a message, named for quiet fronts)
};

struct Question {
  Question() = default;
  Question(QuestionId question_id, std::string_view about = {}) : id(question_id), subject(about) {}

  QuestionId id = QuestionId::None;
  // What the question is about, for fronts that answer without reading the text.
  std::string_view subject;
};

struct FileDialogRequest {
  std::string title;
  std::string filter;             // "Text (*.txt)|*.txt|Skein Tweet Table (*.stwt)|*.stwt"
  std::string default_extension;  // without the dot
  std::string file_name;          // proposed or last used name
};

// Everything the core shows to or asks of the user goes through this port, so the
// core runs the same under the desktop window, the command line and the tests.
class UiPort {
 public:
  virtual ~UiPort() = default;

  // A message, or a question no front end answers on its own.
  MsgAnswer MessageBox(std::string_view text, MsgButtons buttons, MsgIcon icon,
                       std::string_view caption) {
    return Prompt({}, text, buttons, icon, caption);
  }
  MsgAnswer Ask(const Question& question, std::string_view text, MsgButtons buttons, MsgIcon icon,
                std::string_view caption) {
    return Prompt(question, text, buttons, icon, caption);
  }
  // Empty optional when the user cancels.
  virtual std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                              std::string_view default_text) = 0;
  virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
  virtual void SetClipboardText(std::string_view text) = 0;
  virtual std::string ClipboardText() = 0;
  virtual void SetPointer(Pointer pointer) = 0;
  // Lets the window repaint and take clicks (Cancel) during long work.
  virtual void YieldToEvents() = 0;

 protected:
  virtual MsgAnswer Prompt(const Question& question, std::string_view text, MsgButtons buttons,
                           MsgIcon icon, std::string_view caption) = 0;
};

}  // namespace wf
