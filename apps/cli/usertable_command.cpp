#include "usertable_command.h"

#include <charconv>

#include "api_session.h"
#include "mainwindow/user_files.h"
#include "search_command.h"
#include "util/file_exists.h"

namespace wf::cli {
namespace {

constexpr int kExitInterrupted = SearchCommand::kExitInterrupted;

std::optional<UserFileLayout> LayoutNamed(std::string_view name) {
  if (name == "keys") return UserFileLayout::kKeys;
  if (name == "profilo") return UserFileLayout::kProfilo;
  if (name == "all") return UserFileLayout::kAll;
  return std::nullopt;
}

}  // namespace

std::string UserTableCommand::Usage() const {
  return "Usage: wrenfold-cli usertable TWEETS -o FILE [--timelines N]\n"
         "                             [--layout keys|profilo|all]\n"
         "                             [--api URL] [--cacert FILE] [--data-dir DIR]\n\n"
         "Opens the tweet table TWEETS and builds its user table as the window's \"Build\n"
         "Table\" does: one row per author, in order of first appearance, with the profile\n"
         "looked up and the statistics of the author's tweets in the table (Tw_ columns).\n"
         "With --timelines N it then samples every author's timeline of the last year as\n"
         "\"Get User Timelines\" does, keeping up to N original tweets per author (TL_ and\n"
         "Pro_ columns). The table is saved in one of the user file layouts.\n\n"
         "  -o FILE              the user file to write\n"
         "  --timelines N        also sample the authors' timelines, N original tweets each\n"
         "  --unicode            keep the full text of tweets and profiles (UTF-8 with a\n"
         "                       byte-order mark when Windows-1252 cannot hold it)\n"
         "                       (0 keeps no sample texts but still computes the figures)\n"
         "  --layout L           keys (the key fields), profilo (the Profilo input fields) or\n"
         "                       all (all 37 columns, the default)\n"
         "  --api URL            API address (default https://api.twitter.com)\n"
         "  --cacert FILE        extra CA certificate to trust\n"
         "  --data-dir DIR       data folder holding the appcred file (see 'wrenfold-cli auth')\n"
         "  --api-version V      1.1 or 2: the Twitter API to use (default: the desktop window's\n"
         "                       Settings > Use API v2, as kept in the data folder, else 1.1)\n"
         "\nA spent quota is waited out. Ctrl-C stops the run; the rows done so far are saved\n"
         "(exit status 130). Exit status 0 on success, 1 when the run failed (unreadable\n"
         "table, credentials, connection), 2 on wrong usage.\n";
}

int UserTableCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed =
      ParseCommand(args, {"-o", "--output", "--timelines", "--layout"}, {"--unicode"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli usertable: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const std::string output = parsed->Value("-o").value_or(parsed->Value("--output").value_or(""));
  if (output.empty() || parsed->positional.size() != 1 || parsed->positional[0].empty()) {
    io.err << "wrenfold-cli usertable: give one tweet table and -o FILE\n\n" << Usage();
    return kExitUsage;
  }
  const std::string& tweets = parsed->positional[0];
  const auto layout = LayoutNamed(parsed->Value("--layout").value_or("all"));
  if (!layout) {
    io.err << "wrenfold-cli usertable: --layout takes keys, profilo or all\n";
    return kExitUsage;
  }
  std::optional<int> samples;
  if (const auto n = parsed->Value("--timelines")) {
    int value = -1;
    const auto [end, ec] = std::from_chars(n->data(), n->data() + n->size(), value);
    if (ec != std::errc() || end != n->data() + n->size() || value < 0 || value > 32767) {
      io.err << "wrenfold-cli usertable: --timelines takes a number of tweets from 0 to 32767\n";
      return kExitUsage;
    }
    samples = value;
  }
  if (*layout == UserFileLayout::kProfilo && !samples) {
    io.err << "wrenfold-cli usertable: the profilo layout holds the timeline samples: give "
              "--timelines N\n";
    return kExitUsage;
  }
  if (!FileExists(tweets)) {
    io.err << "wrenfold-cli usertable: " << tweets << " does not exist\n";
    return kExitBadInput;
  }

  ApiSession session("usertable", io, interrupted_, output);
  if (!session.Open(parsed->service)) return kExitBadInput;
  MainWindow& window = session.Window();
  if (parsed->Flag("--unicode")) window.Sessions().mFullText_Click();
  session.Ui().SetOpenFile(tweets);
  window.Sessions().mOpenTweets_Click();
  if (window.OutTable().RowCount() == 0) {
    session.Finish();
    io.err << "wrenfold-cli usertable: " << tweets << " holds no tweets\n";
    return kExitBadInput;
  }

  window.UserTables().BuildTweetsUT_Click();
  const int authors = window.UserTables().Tables()[0].RowCount();
  // Build Table's lookup, then the samples: each leaves its outcome.
  if (samples && !window.LastOutcome().CancelledByUser() && authors > 0) {
    for (int r = 0; r < authors; ++r) window.UserTables().UserTable_ItemCheck(r, true);
    session.Ui().SetInputAnswer(std::to_string(*samples));
    window.UserTables().GetUTTL_Click();
  }
  session.Finish();

  if (!window.UserTables().SaveUserTableFile(output, *layout)) {
    io.err << "wrenfold-cli usertable: the table could not be saved to " << output << "\n";
    return kExitBadInput;
  }
  io.out << authors << " authors of " << window.OutTable().RowCount() << " tweets saved to "
         << output << "\n";
  if (window.LastOutcome().CancelledByUser()) {
    io.err << "wrenfold-cli usertable: interrupted; the table as far as it got is saved in "
           << output << "\n";
    return kExitInterrupted;
  }
  if (authors == 0) {
    io.err << "wrenfold-cli usertable: none of the authors' profiles could be looked up: "
           << window.Twitter().LastResponseCode() << "\n";
    return kExitBadInput;
  }
  return kExitOk;
}

}  // namespace wf::cli
