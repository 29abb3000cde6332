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
#include "util/file_io.h"

namespace wf::cli {

std::string HydrateCommand::Usage() const {
  return "Usage: wrenfold-cli hydrate IDS_FILE -o FILE [--headers] [--archive FILE.jsonl]\n"
         "                          [--missing FILE] [--unicode] [--api URL] [--cacert FILE]\n"
         "                          [--data-dir DIR] [--api-version 1.1|2]\n\n"
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
         "  --api-version V      1.1 or 2: the Twitter API to use\n\n"
         "Quota waits and Ctrl-C behave as in 'search' (exit status 130, the tweets found so\n"
         "far saved). Exit status 0 when every id was asked for, 1 when the run failed or the\n"
         "ids file cannot be used, 2 on wrong usage.\n";
}

int HydrateCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed = ParseCommand(args, {"-o", "--output", "--archive", "--missing"},
                                   {"--headers", "--unicode"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli hydrate: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const std::string output = parsed->Value("-o").value_or(parsed->Value("--output").value_or(""));
  if (parsed->positional.size() != 1 || parsed->positional[0].empty() || output.empty()) {
    io.err << "wrenfold-cli hydrate: give one IDS_FILE and -o FILE\n\n" << Usage();
    return kExitUsage;
  }
  const std::string ids_file = parsed->positional[0];
  const std::string missing_file = parsed->Value("--missing").value_or("");

  const std::string folder = ProgramFolderFor(parsed->service, &error);
  if (folder.empty()) {
    io.err << "wrenfold-cli hydrate: " << error << "\n";
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
  if (const auto archive = parsed->Value("--archive")) {
    if (!window.SetArchiveFile(*archive)) return kExitBadInput;
  }
  if (parsed->Flag("--headers")) window.mHeaders_Click();
  if (parsed->Flag("--unicode")) window.mFullText_Click();

  const bool started = window.HydrateIdsFile(ids_file);
  ui.Finish();
  if (!started) return kExitBadInput;  // the ids file's fault was said through the UI

  const HydrationResult& result = window.LastHydration();
  const std::int32_t rows = window.OutTable().RowCount();
  if (rows > 0) {
    window.mSaveTweets_Click();
    if (window.TweetsFN() != output || window.TweetsModified()) {
      io.err << "wrenfold-cli hydrate: the table could not be saved to " << output << "\n";
      return kExitBadInput;
    }
  } else {
    const auto none = [](std::size_t, int) { return std::string_view(); };
    if (!WriteTweetTableFile(output, 0, none, window.HeadersChecked(), &error)) {
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
  io.out << rows << " tweets saved to " << output << ", " << result.missing.size()
         << " ids missing\n";
  if (ui.Cancelled()) {
    io.err << "wrenfold-cli hydrate: interrupted; the " << rows
           << " tweets found so far are saved in " << output << "\n";
    return SearchCommand::kExitInterrupted;
  }
  if (window.Twitter().LastRequestFailed()) {
    const std::string& reason = window.Twitter().StopReason();
    io.err << "wrenfold-cli hydrate: the hydration failed: "
           << (reason.empty() ? window.Twitter().LastResponseCode() : reason) << "\n";
    return kExitBadInput;
  }
  return kExitOk;
}

}  // namespace wf::cli
