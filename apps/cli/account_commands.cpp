#include "account_commands.h"

#include "api_session.h"
#include "search_command.h"
#include "tweettable/tweet_table_file.h"
#include "util/cp1252.h"
#include "util/file_io.h"

namespace wf::cli {
namespace {

constexpr int kExitInterrupted = SearchCommand::kExitInterrupted;

constexpr std::string_view kServiceUsage =
    "  --api URL            API address (default https://api.twitter.com)\n"
    "  --cacert FILE        extra CA certificate to trust\n"
    "  --data-dir DIR       data folder holding the appcred file (see 'wrenfold-cli auth')\n"
    "  --api-version V      1.1 or 2: the Twitter API to use (default: the desktop window's\n"
    "                       Settings > Use API v2, as kept in the data folder, else 1.1)\n";

constexpr std::string_view kRunUsage =
    "A spent quota is waited out with a countdown. Ctrl-C stops the run and saves what was\n"
    "collected so far (exit status 130). Exit status 0 on success, 1 when the run failed\n"
    "(credentials, connection, requests refused), 2 on wrong usage.\n";

std::string OutputOf(const ParsedCommand& parsed) {
  return parsed.Value("-o").value_or(parsed.Value("--output").value_or(""));
}

// Takes the screen-name column of the rows of a saved user table (id, screen name, ...; a
// lookup's output has a header line naming that column), leaving lines without a TAB as they
// are: the window's paste would take the first column, the ids.
std::string ScreenNameColumn(std::string_view text) {
  std::string out;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(from, end - from);
    from = end + 1;
    if (const auto tab = line.find('\t'); tab != std::string_view::npos) {
      line.remove_prefix(tab + 1);
      line = line.substr(0, line.find('\t'));
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line == "ScreenName") continue;
    }
    out.append(line);
    out.push_back('\n');
  }
  return out;
}

// The accounts a command works on, as the text the user list is pasted from: the names given
// on the command line, or a file with one name a line (ids with `ids`) or a saved user table.
// Entries are screen names unless `ids` says they are user ids, whatever they look like.
// Empty optional and `exit_code` set when there is none.
std::optional<std::string> AccountListText(const ParsedCommand& parsed, std::string_view command,
                                           bool ids, Streams& io, int* exit_code) {
  const auto file = parsed.Value("--users");
  if (file.has_value() == !parsed.positional.empty()) {
    io.err << "wrenfold-cli " << command << ": give either account names or --users FILE\n";
    *exit_code = kExitUsage;
    return std::nullopt;
  }
  *exit_code = kExitBadInput;
  std::string text;
  if (file) {
    std::string error;
    auto bytes = ReadWholeFile(*file, &error);
    if (!bytes) {
      io.err << "wrenfold-cli " << command << ": " << error << "\n";
      return std::nullopt;
    }
    text = IsValidUtf8(*bytes) ? std::move(*bytes) : Cp1252ToUtf8(*bytes);
    if (!ids) text = ScreenNameColumn(text);
  } else {
    for (const auto& name : parsed.positional) text += name + "\n";
  }
  // The paste takes only text with at least one line break.
  if (text.find('\n') == std::string::npos) text += "\n";
  return text;
}

// The window's paste: replaces the user list and looks the profiles up.
void PasteAccounts(ApiSession& session, const std::string& text, bool ids) {
  session.Ui().SetClipboardText(text);
  session.Ui().SetListHoldsIds(ids);
  session.Window().UserListPanel().mPasteUL_Click();
}

bool WriteText(const std::string& path, std::string_view text, std::string_view command,
               Streams& io) {
  std::string error;
  if (WriteFileAtomically(path, text, &error)) return true;
  io.err << "wrenfold-cli " << command << ": " << error << "\n";
  return false;
}

}  // namespace

std::string TimelineCommand::Usage() const {
  return "Usage: wrenfold-cli timeline NAME... -o FILE [--since DATE] [--headers]\n"
         "       wrenfold-cli timeline --users FILE [--ids] -o FILE [--since DATE] [--headers]\n"
         "                             [--api URL] [--cacert FILE] [--data-dir DIR]\n\n"
         "Looks the accounts up, then collects each one's timeline, newest first, back to the\n"
         "threshold date, and saves all the tweets as one tweet table, as the window's\n"
         "\"Get All User Timelines\" does.\n\n"
         "  -o FILE              the tweet table to write\n"
         "  --users FILE         one screen name a line, or a saved user table (its\n"
         "                       ScreenName column)\n"
         "  --ids                the entries are user ids (of a user table: its id column)\n"
         "  --since DATE         threshold date, ISO 8601 date or date-time (default: 7 days\n"
         "                       ago)\n"
         "  --headers            write the column names as the first line\n"
         "  --unicode            keep the full text of tweets and profiles (UTF-8 with a\n"
         "                       byte-order mark when Windows-1252 cannot hold it)\n" +
         std::string(kServiceUsage) + "\n" + std::string(kRunUsage);
}

int TimelineCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed = ParseCommand(args, {"-o", "--output", "--users", "--since"},
                                   {"--headers", "--ids", "--unicode"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli timeline: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const std::string output = OutputOf(*parsed);
  if (output.empty()) {
    io.err << "wrenfold-cli timeline: give -o FILE\n\n" << Usage();
    return kExitUsage;
  }
  std::optional<CivilDateTime> since;
  if (const auto s = parsed->Value("--since")) {
    since = ParseIsoDateTime(*s);
    if (!since) {
      io.err << "wrenfold-cli timeline: --since " << *s
             << " is not an ISO 8601 date (2026-12-01) or date-time (2026-12-01T08:30)\n";
      return kExitUsage;
    }
  }
  int list_exit = kExitOk;
  const bool ids = parsed->Flag("--ids");
  const auto list = AccountListText(*parsed, "timeline", ids, io, &list_exit);
  if (!list) return list_exit;

  ApiSession session("timeline", io, interrupted_, output);
  if (!session.Open(parsed->service)) return kExitBadInput;
  MainWindow& window = session.Window();
  if (parsed->Flag("--unicode")) window.Sessions().mFullText_Click();
  if (since) window.SetEarlyDate(*since);
  if (parsed->Flag("--headers")) window.Sessions().mHeaders_Click();

  PasteAccounts(session, *list, ids);
  // The walk's journal stays until the table is saved, so a crash before then loses nothing.
  window.Recovery().SetKeepRecoveryUntilSaved(true);
  if (!session.Cancelled()) {
    for (int i = 0; i < window.UserListPanel().Users().Count(); ++i)
      window.UserListPanel().UserList_ItemCheck(i, true);
    window.Timelines().GetAllUTL_Click();
  }
  session.Finish();

  const RetrievalOutcome& outcome = window.LastOutcome();

  // What was collected is saved also after a failure or Ctrl-C.
  const std::int32_t rows = window.OutTable().RowCount();
  if (rows > 0) {
    window.Sessions().mSaveTweets_Click();
    if (window.TweetsFN() != output || window.TweetsModified()) {
      io.err << "wrenfold-cli timeline: the table could not be saved to " << output << "\n";
      return kExitBadInput;
    }
  } else {
    const auto none = [](std::size_t, int) { return std::string_view(); };
    if (!WriteTweetTableFile(output, 0, none, window.Sessions().HeadersChecked(), &error)) {
      io.err << "wrenfold-cli timeline: " << error << "\n";
      return kExitBadInput;
    }
  }
  window.Recovery().DiscardRecovery();
  io.out << rows << " tweets of " << window.UserListPanel().Users().Count() << " accounts saved to "
         << output << "\n";
  if (session.Cancelled()) {
    io.err << "wrenfold-cli timeline: interrupted; the " << rows
           << " tweets collected so far are saved in " << output << "\n";
    return kExitInterrupted;
  }
  // A refusal that ended the walk before any timeline was asked for.
  if (outcome.end == RetrievalEnd::Refused) {
    io.err << "wrenfold-cli timeline: " << outcome.reason << "\n";
    return kExitBadInput;
  }
  if (outcome.failed_parts > 0) {
    io.err << "wrenfold-cli timeline: " << outcome.failed_parts
           << " of the timelines could not be retrieved\n";
    return kExitBadInput;
  }
  return kExitOk;
}

std::string LookupCommand::Usage() const {
  return "Usage: wrenfold-cli lookup NAME... -o FILE\n"
         "       wrenfold-cli lookup --ids ID... -o FILE\n"
         "       wrenfold-cli lookup --users FILE [--ids] -o FILE\n"
         "                           [--api URL] [--cacert FILE] [--data-dir DIR]\n\n"
         "Looks the accounts' profiles up, 100 a request, and writes them as the tab-separated\n"
         "user table the window copies to the clipboard (header line first; Windows-1252,\n"
         "CR LF). Accounts that were not found are named on stderr.\n\n"
         "  -o FILE              the user table to write\n"
         "  --ids                the arguments, or the entries of --users, are user ids, not\n"
         "                       screen names (of a user table: its id column)\n"
         "  --unicode            keep the full text of tweets and profiles (UTF-8 with a\n"
         "                       byte-order mark when Windows-1252 cannot hold it)\n"
         "  --users FILE         one screen name a line, or a saved user table (its\n"
         "                       ScreenName column)\n" +
         std::string(kServiceUsage) + "\n" + std::string(kRunUsage);
}

int LookupCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed =
      ParseCommand(args, {"-o", "--output", "--users"}, {"--ids", "--unicode"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli lookup: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const std::string output = OutputOf(*parsed);
  if (output.empty()) {
    io.err << "wrenfold-cli lookup: give -o FILE\n\n" << Usage();
    return kExitUsage;
  }
  int list_exit = kExitOk;
  const bool ids = parsed->Flag("--ids");
  const auto list = AccountListText(*parsed, "lookup", ids, io, &list_exit);
  if (!list) return list_exit;

  ApiSession session("lookup", io, interrupted_, output);
  if (!session.Open(parsed->service)) return kExitBadInput;
  MainWindow& window = session.Window();
  if (parsed->Flag("--unicode")) window.Sessions().mFullText_Click();
  PasteAccounts(session, *list, ids);
  session.Finish();

  const TwitterAPI& api = window.Twitter();
  const std::int32_t found = api.Users().Count();
  window.UserListPanel().mCopyUT_Click();
  if (!WriteText(output, EncodeFileText(session.Ui().ClipboardText()), "lookup", io)) {
    return kExitBadInput;
  }
  io.out << found << " of " << window.UserListPanel().Users().Count() << " accounts written to "
         << output << "\n";
  const RetrievalOutcome& outcome = window.LastOutcome();
  if (outcome.CancelledByUser()) {
    io.err << "wrenfold-cli lookup: interrupted; the " << found
           << " profiles looked up so far are saved in " << output << "\n";
    return kExitInterrupted;
  }
  if (outcome.end == RetrievalEnd::Refused) {
    io.err << "wrenfold-cli lookup: the lookup failed: " << outcome.reason << "\n";
    return kExitBadInput;
  }
  // "No user matches" (404) is the service's answer to a batch of unknown accounts.
  const std::string& code = outcome.code;
  if (api.LastRequestFailed() && code.rfind("404", 0) != 0) {
    io.err << "wrenfold-cli lookup: the lookup failed: " << code << "\n";
    return kExitBadInput;
  }
  if (found == 0) {
    io.err << "wrenfold-cli lookup: none of the accounts was found\n";
    return kExitBadInput;
  }
  return kExitOk;
}

std::string FollowListCommand::Usage() const {
  const std::string name(Name());
  return "Usage: wrenfold-cli " + name + " NAME -o FILE [--profiles]\n" +
         std::string(name.size() + 21, ' ') + "[--api URL] [--cacert FILE] [--data-dir DIR]\n\n" +
         (friends_ ? "Pages through the list of accounts that NAME follows"
                   : "Pages through the list of accounts that follow NAME") +
         ", 200 a request, and writes\n"
         "their screen names, one a line, as the window's user list holds them.\n\n"
         "  -o FILE              the file to write\n"
         "  --profiles           write the accounts' profiles as the tab-separated user table\n"
         "                       instead (header line first; Windows-1252, CR LF)\n"
         "  --unicode            keep the full text of the profiles (UTF-8 with a\n"
         "                       byte-order mark when Windows-1252 cannot hold it)\n" +
         std::string(kServiceUsage) +
         "\nThese lists allow 15 requests per 15 minutes; a long list waits for the next "
         "window.\n" +
         std::string(kRunUsage);
}

int FollowListCommand::Run(const std::vector<std::string>& args, Streams& io) {
  const std::string command(Name());
  std::string error;
  const auto parsed = ParseCommand(args, {"-o", "--output"}, {"--profiles", "--unicode"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli " << command << ": " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const std::string output = OutputOf(*parsed);
  if (output.empty() || parsed->positional.size() != 1 || parsed->positional[0].empty()) {
    io.err << "wrenfold-cli " << command << ": give one account NAME and -o FILE\n\n" << Usage();
    return kExitUsage;
  }
  const std::string& name = parsed->positional[0];

  ApiSession session(command, io, interrupted_, output);
  if (!session.Open(parsed->service)) return kExitBadInput;
  MainWindow& window = session.Window();
  if (parsed->Flag("--unicode")) window.Sessions().mFullText_Click();
  session.Ui().SetInputAnswer(name);
  if (friends_) {
    window.Followers().mGetUserFriends_Click();
  } else {
    window.Followers().mGetUserFollowers_Click();
  }
  session.Finish();

  const TwitterAPI& api = window.Twitter();
  const std::int32_t got = api.Users().Count();
  // The list is replaced only when accounts came back; otherwise the file gets none.
  std::string text;
  if (parsed->Flag("--profiles")) {
    window.UserListPanel().mCopyUT_Click();
    text = EncodeFileText(session.Ui().ClipboardText());
  } else if (got > 0) {
    window.UserListPanel().mCopyUL_Click();
    text = session.Ui().ClipboardText();
  }
  if (!WriteText(output, text, command, io)) return kExitBadInput;
  io.out << got << " " << command << " of " << name << " written to " << output << "\n";
  const RetrievalOutcome& outcome = window.LastOutcome();
  if (outcome.CancelledByUser()) {
    io.err << "wrenfold-cli " << command << ": interrupted; the " << got
           << " accounts retrieved so far are saved in " << output << "\n";
    return kExitInterrupted;
  }
  if (got == 0 || !outcome.Succeeded()) {
    io.err << "wrenfold-cli " << command << ": the list of " << name << " could not be retrieved: "
           << (outcome.reason.empty() ? outcome.code : outcome.reason) << "\n";
    return kExitBadInput;
  }
  return kExitOk;
}

}  // namespace wf::cli
