#include "hydrate_command.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "api/curl_http.h"
#include "credentials/appcred_file.h"
#include "mainwindow/main_window.h"
#include "search_command.h"
#include "search_ui.h"
#include "service_options.h"
#include "tweettable/tweet_table_file.h"
#include "util/file_exists.h"
#include "util/file_io.h"
#include "workflows/recovery_log.h"

namespace wf::cli {

std::string HydrateCommand::Usage() const {
  return "Usage: wrenfold-cli hydrate IDS_FILE -o FILE [--headers] [--archive FILE.jsonl]\n"
         "                          [--missing FILE] [--unicode] [--api URL] [--cacert FILE]\n"
         "                          [--data-dir DIR] [--api-version 1.1|2]\n"
         "       wrenfold-cli hydrate --resume -o FILE [--missing FILE] [--headers] [--api URL]\n"
         "                          [--cacert FILE] [--data-dir DIR]\n\n"
         "Looks up the tweets whose ids IDS_FILE lists (one per line, or the first column of a\n"
         "CSV; a header line is skipped), 100 per request, scores their sentiment and saves\n"
         "them as a tweet table in the order of the file, as the desktop window's File > Open >\n"
         "Tweet IDs to Hydrate does.\n\n"
         "  -o FILE              the tweet table to write\n"
         "  --headers            write the column names as the first line\n"
         "  --unicode            keep the full text of tweets and profiles\n"
         "  --archive FILE       append every raw response to FILE (JSON lines)\n"
         "  --missing FILE       write the ids that were not returned, one per line, with\n"
         "                       a TAB and the reason when the answer gives one\n"
         "  --api-version V      1.1 or 2: the Twitter API to use\n"
         "  --resume             take up a hydration that was killed or crashed, from the ids\n"
         "                       its journal says were asked for\n\n"
         "Quota waits and Ctrl-C behave as in 'search' (exit status 130, the tweets found so\n"
         "far saved). Exit status 0 when every id was asked for, 1 when the run failed or the\n"
         "ids file cannot be used, 2 on wrong usage.\n";
}

int HydrateCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed = ParseCommand(args, {"-o", "--output", "--archive", "--missing"},
                                   {"--headers", "--unicode", "--resume"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli hydrate: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const std::string output = parsed->Value("-o").value_or(parsed->Value("--output").value_or(""));
  const bool resume = parsed->Flag("--resume");
  if ((resume ? !parsed->positional.empty()
              : parsed->positional.size() != 1 || parsed->positional[0].empty()) ||
      output.empty()) {
    io.err << "wrenfold-cli hydrate: give one IDS_FILE (or --resume) and -o FILE\n\n" << Usage();
    return kExitUsage;
  }
  const std::string ids_file = resume ? std::string() : parsed->positional[0];
  const std::string missing_file = parsed->Value("--missing").value_or("");

  const std::string folder = ProgramFolderFor(parsed->service, &error);
  if (folder.empty()) {
    io.err << "wrenfold-cli hydrate: " << error << "\n";
    return kExitBadInput;
  }
  // The journal of a run that died: continued with --resume, never silently replaced.
  const std::string journal = RecoveryLog::PathIn(folder);
  if (RecoveryFileInUse(journal)) {
    io.err << "wrenfold-cli hydrate: another retrieval is running with the data folder " << folder
           << "\n";
    return kExitBadInput;
  }
  const auto interrupted = FileExists(journal) ? ReadRecoveryFile(journal) : std::nullopt;
  if (resume && (!interrupted || interrupted->header.kind != RecoveryHeader::Kind::Hydrate)) {
    io.err << "wrenfold-cli hydrate: there is no interrupted hydration to resume in " << folder
           << "\n";
    return kExitBadInput;
  }
  if (!resume && interrupted && (interrupted->pages > 0 || !interrupted->tweets.empty())) {
    io.err << "wrenfold-cli hydrate: an interrupted retrieval is kept in " << journal
           << (interrupted->header.kind == RecoveryHeader::Kind::Hydrate
                   ? "; continue it with --resume, or delete that file to start afresh\n"
                   : "; the command that made it can resume it, or delete that file\n");
    return kExitBadInput;
  }

  const std::string appcred = (std::filesystem::path(folder) / "appcred").string();
  const auto credentials = ReadAppcred(appcred);
  if (!credentials) {
    io.err << "wrenfold-cli hydrate: no stored credentials in " << appcred
           << "; run 'wrenfold-cli auth' first\n";
    return kExitBadInput;
  }

  SearchUi ui(io.err, &io.err == &std::cerr && ::isatty(STDERR_FILENO) == 1, interrupted_);
  ui.SetOutput(output);
  CurlHttpClient http(CurlHttpOptions{parsed->service.cacert});
  MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = folder;
  if (!parsed->service.api.empty()) env.api_base = parsed->service.api;
  env.api_version = parsed->service.api_version;
  MainWindow window(env);
  ui.Attach(&window);
  window.SetObserver(&ui);
  window.Form_Load();

  const auto& c = *credentials;
  if (window.Twitter().AuthAppAccess(c[0], c[1], c[2]).empty()) {
    io.err << "wrenfold-cli hydrate: authentication failed at " << window.Twitter().ApiBase()
           << ": " << DescribeAuthFailure(window.Twitter().LastAuthResult()) << "\n";
    return kExitBadInput;
  }
  window.ActivateAfterAuthentication();
  window.Recovery().SetKeepRecoveryUntilSaved(true);
  if (const auto archive = parsed->Value("--archive")) {
    if (!window.Sessions().SetArchiveFile(*archive)) return kExitBadInput;
  }
  if (parsed->Flag("--headers")) window.Sessions().mHeaders_Click();
  if (parsed->Flag("--unicode")) window.Sessions().mFullText_Click();

  if (resume) {
    io.err << "Resuming the hydration of [" << interrupted->header.query << "] after "
           << interrupted->state.max_id << " ids\n";
  }
  const bool started = resume ? window.Search().ResumeHydration(*interrupted)
                              : window.Search().HydrateIdsFile(ids_file);
  ui.Finish();
  if (!started) return kExitBadInput;  // the ids file's fault was said through the UI

  const HydrationResult& result = window.Search().LastHydration();
  const std::int32_t rows = window.OutTable().RowCount();
  if (rows > 0) {
    window.Sessions().mSaveTweets_Click();
    if (window.TweetsFN() != output || window.TweetsModified()) {
      io.err << "wrenfold-cli hydrate: the table could not be saved to " << output << "\n";
      return kExitBadInput;
    }
  } else {
    const auto none = [](std::size_t, int) { return std::string_view(); };
    if (!WriteTweetTableFile(output, 0, none, window.Sessions().HeadersChecked(), &error)) {
      io.err << "wrenfold-cli hydrate: " << error << "\n";
      return kExitBadInput;
    }
  }
  if (!missing_file.empty()) {
    std::string text;
    for (const MissingTweet& m : result.missing) {
      text += m.id;
      if (!m.reason.empty()) text += "\t" + m.reason;
      text += "\n";
    }
    if (!WriteFileAtomically(missing_file, text, &error)) {
      io.err << "wrenfold-cli hydrate: " << error << "\n";
      return kExitBadInput;
    }
  }
  // Saved: the journal has done its work.
  window.Recovery().DiscardRecovery();
  io.out << rows << " tweets saved to " << output << ", " << result.missing.size()
         << " ids missing\n";
  const RetrievalOutcome& outcome = result.outcome;
  if (outcome.CancelledByUser()) {
    io.err << "wrenfold-cli hydrate: interrupted; the " << rows
           << " tweets found so far are saved in " << output << "\n";
    return SearchCommand::kExitInterrupted;
  }
  if (!outcome.Succeeded()) {
    io.err << "wrenfold-cli hydrate: the hydration failed: "
           << (outcome.reason.empty() ? outcome.code : outcome.reason) << "\n";
    return kExitBadInput;
  }
  return kExitOk;
}

}  // namespace wf::cli
