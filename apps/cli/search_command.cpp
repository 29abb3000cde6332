#include "search_command.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "api/curl_http.h"
#include "credentials/appcred_file.h"
#include "mainwindow/main_window.h"
#include "search_ui.h"
#include "service_options.h"
#include "tweettable/tweet_table_file.h"
#include "util/file_exists.h"
#include "workflows/recovery_log.h"

namespace wf::cli {

std::string SearchCommand::Usage() const {
  return "Usage: wrenfold-cli search QUERY -o FILE [--lang CODE] [--geocode LAT,LONG,RADIUS]\n"
         "                          [--since DATE] [--update FILE] [--headers]\n"
         "                          [--archive FILE.jsonl] [--api URL] [--cacert FILE]\n"
         "                          [--data-dir DIR] [--api-version 1.1|2] [--full-archive]\n"
         "       wrenfold-cli search --resume -o FILE [--headers] [--api URL] [--cacert FILE]\n"
         "                          [--data-dir DIR]\n\n"
         "Collects the tweets matching QUERY page by page, newest first, back to the threshold\n"
         "date, scores their sentiment and saves them as a tweet table, exactly as the desktop\n"
         "window's Search does. The credentials come from the data folder's appcred file\n"
         "(see 'wrenfold-cli auth').\n\n"
         "  -o FILE              the tweet table to write\n"
         "  --lang CODE          language of the tweets (default en)\n"
         "  --geocode L,L,R      restrict to a radius, e.g. 51.5,-0.1,10km\n"
         "  --since DATE         threshold date, ISO 8601 date or date-time (default: 7 days\n"
         "                       ago)\n"
         "  --update FILE        open FILE and fetch only tweets newer than those in it\n"
         "  --headers            write the column names as the first line\n"
         "  --unicode            keep the full text of tweets and profiles (UTF-8 with a\n"
         "                       byte-order mark when Windows-1252 cannot hold it)\n"
         "  --archive FILE       append every raw response to FILE (JSON lines)\n"
         "  --api-version V      1.1 or 2: the Twitter API to use (default: the desktop\n"
         "                       window's Settings > Use API v2, as kept in the data folder,\n"
         "                       else 1.1)\n"
         "  --full-archive       search all tweets, not only the last 7 days (API v2 access\n"
         "                       levels that include /2/tweets/search/all)\n"
         "  --resume             take up a search that was killed or crashed: the tweets it had\n"
         "                       collected and the rest of its pages, with its own query,\n"
         "                       language, geocode, threshold date and update file\n\n"
         "While the search runs, the request log goes to stderr. Ctrl-C stops it and saves the\n"
         "tweets collected so far (exit status 130). Every page is also journalled to the file\n"
         "'recovery' in the data folder until the table is saved, so that a search that dies\n"
         "(killed, power cut) loses nothing: --resume continues it, and the desktop window\n"
         "offers its tweets at its next start. A new search refuses to start over such a\n"
         "journal. Exit status 0 when the search ended normally, 1 when it failed\n"
         "(authentication, connection), 2 on wrong usage.\n";
}

std::optional<CivilDateTime> ParseIsoDateTime(std::string_view t) {
  auto num = [&](std::size_t at, std::size_t len, int* out) {
    if (at + len > t.size()) return false;
    int v = 0;
    for (std::size_t i = at; i < at + len; ++i) {
      if (t[i] < '0' || t[i] > '9') return false;
      v = v * 10 + (t[i] - '0');
    }
    *out = v;
    return true;
  };
  CivilDateTime dt;
  dt.hour = dt.minute = dt.second = 0;
  if (!num(0, 4, &dt.year) || t.size() < 10 || t[4] != '-' || t[7] != '-' ||
      !num(5, 2, &dt.month) || !num(8, 2, &dt.day)) {
    return std::nullopt;
  }
  if (t.size() > 10) {
    if ((t[10] != 'T' && t[10] != ' ') || !num(11, 2, &dt.hour) || t.size() < 16 || t[13] != ':' ||
        !num(14, 2, &dt.minute)) {
      return std::nullopt;
    }
    if (t.size() > 16 && (t[16] != ':' || !num(17, 2, &dt.second) || t.size() != 19)) {
      return std::nullopt;
    }
  }
  if (!IsValidCivil(dt)) return std::nullopt;
  return dt;
}

int SearchCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed = ParseCommand(
      args, {"-o", "--output", "--lang", "--geocode", "--since", "--update", "--archive"},
      {"--headers", "--resume", "--unicode", "--full-archive"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli search: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const std::string output = parsed->Value("-o").value_or(parsed->Value("--output").value_or(""));
  const bool resume = parsed->Flag("--resume");
  if (resume &&
      (!parsed->positional.empty() || parsed->Value("--update") || parsed->Value("--lang") ||
       parsed->Value("--geocode") || parsed->Value("--since"))) {
    io.err << "wrenfold-cli search: --resume continues the interrupted search with its own "
              "query and options; give only -o FILE\n\n"
           << Usage();
    return kExitUsage;
  }
  if ((!resume && (parsed->positional.size() != 1 || parsed->positional[0].empty())) ||
      output.empty()) {
    io.err << "wrenfold-cli search: give one QUERY and -o FILE\n\n" << Usage();
    return kExitUsage;
  }
  std::optional<CivilDateTime> since;
  if (const auto s = parsed->Value("--since")) {
    since = ParseIsoDateTime(*s);
    if (!since) {
      io.err << "wrenfold-cli search: --since " << *s
             << " is not an ISO 8601 date (2026-12-01) or date-time (2026-12-01T08:30)\n";
      return kExitUsage;
    }
  }
  const std::string lang = parsed->Value("--lang").value_or("en");
  const std::string update = parsed->Value("--update").value_or("");
  if (!update.empty() && !FileExists(update)) {
    io.err << "wrenfold-cli search: " << update << ": no such tweet table\n";
    return kExitBadInput;
  }

  const std::string folder = ProgramFolderFor(parsed->service, &error);
  if (folder.empty()) {
    io.err << "wrenfold-cli search: " << error << "\n";
    return kExitBadInput;
  }
  // The journal of a search that died: continued with --resume, never silently replaced.
  const std::string journal = RecoveryLog::PathIn(folder);
  if (RecoveryFileInUse(journal)) {
    io.err << "wrenfold-cli search: another search is running with the data folder " << folder
           << "\n";
    return kExitBadInput;
  }
  const auto interrupted = FileExists(journal) ? ReadRecoveryFile(journal) : std::nullopt;
  const std::size_t recoverable = interrupted ? interrupted->tweets.size() : 0;
  if (resume && recoverable == 0) {
    io.err << "wrenfold-cli search: there is no interrupted search to resume in " << folder << "\n";
    return kExitBadInput;
  }
  if (resume && interrupted->header.kind != RecoveryHeader::Kind::Search) {
    io.err << "wrenfold-cli search: the interrupted retrieval in " << journal
           << " is not a search; the desktop window offers it at its next start\n";
    return kExitBadInput;
  }
  if (!resume && recoverable > 0) {
    if (interrupted->header.kind == RecoveryHeader::Kind::Search) {
      io.err << "wrenfold-cli search: an interrupted search's " << recoverable
             << " tweets are kept in " << journal
             << "; continue it with --resume, or delete that file to start afresh\n";
    } else {
      io.err << "wrenfold-cli search: an interrupted timeline retrieval's " << recoverable
             << " tweets are kept in " << journal
             << "; the desktop window offers them at its next start, or delete that file\n";
    }
    return kExitBadInput;
  }

  const std::string appcred = (std::filesystem::path(folder) / "appcred").string();
  const auto credentials = ReadAppcred(appcred);
  if (!credentials) {
    io.err << "wrenfold-cli search: no stored credentials in " << appcred
           << "; run 'wrenfold-cli auth' first\n";
    return kExitBadInput;
  }

  SearchUi ui(io.err, &io.err == &std::cerr && ::isatty(STDERR_FILENO) == 1, interrupted_);
  ui.SetOutput(output);
  ui.SetOpenFile(resume ? interrupted->header.base_file : update);
  CurlHttpClient http(CurlHttpOptions{parsed->service.cacert});
  MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = folder;
  if (!parsed->service.api.empty()) env.api_base = parsed->service.api;
  env.api_version = parsed->service.api_version;
  env.full_archive = parsed->Flag("--full-archive");
  MainWindow window(env);
  ui.Attach(&window);
  window.SetObserver(&ui);
  window.Form_Load();

  const auto& c = *credentials;
  if (window.Twitter().AuthAppAccess(c[0], c[1], c[2]).empty()) {
    io.err << "wrenfold-cli search: authentication failed at " << window.Twitter().ApiBase() << ": "
           << DescribeAuthFailure(window.Twitter().LastAuthResult()) << "\n";
    return kExitBadInput;
  }
  window.ActivateAfterAuthentication();
  window.Recovery().SetKeepRecoveryUntilSaved(true);
  if (const auto archive = parsed->Value("--archive")) {
    if (!window.Sessions().SetArchiveFile(*archive)) return kExitBadInput;
  }
  if (!resume) window.SetSearchQuery(parsed->positional[0]);
  window.SetSearchLang(lang);
  if (const auto geo = parsed->Value("--geocode")) window.SetSearchLocation(*geo, true);
  if (since) window.SetEarlyDate(*since);
  if (parsed->Flag("--headers")) window.Sessions().mHeaders_Click();
  if (parsed->Flag("--unicode")) window.Sessions().mFullText_Click();

  if (resume) {
    io.err << "Resuming the search for [" << interrupted->header.query << "] with " << recoverable
           << " tweets recovered\n";
    window.Recovery().RecoverRetrieval(true);
  } else if (!update.empty()) {
    window.Sessions().mOpenTweets_Click();
    if (window.TweetsFN() != update) {
      ui.Finish();
      io.err << "wrenfold-cli search: cannot open " << update << "\n";
      return kExitBadInput;
    }
    window.Search().UpdateSearch_Click();
  } else {
    window.Search().GetSrch_Click();
  }
  ui.Finish();

  const RetrievalOutcome& outcome = window.LastOutcome();

  // Save what was collected, also after a failure or Ctrl-C: the tweets are not lost.
  const std::int32_t rows = window.OutTable().RowCount();
  if (rows > 0) {
    window.Sessions().mSaveTweets_Click();
    if (window.TweetsFN() != output || window.TweetsModified()) {
      io.err << "wrenfold-cli search: the table could not be saved to " << output << "\n";
      return kExitBadInput;
    }
  } else {
    const auto none = [](std::size_t, int) { return std::string_view(); };
    if (!WriteTweetTableFile(output, 0, none, window.Sessions().HeadersChecked(), &error)) {
      io.err << "wrenfold-cli search: " << error << "\n";
      return kExitBadInput;
    }
  }
  // Saved: the journal has done its work.
  window.Recovery().DiscardRecovery();
  io.out << rows << " tweets saved to " << output << "\n";
  if (ui.Cancelled()) {
    io.err << "wrenfold-cli search: interrupted; the " << rows
           << " tweets collected so far are saved in " << output << "\n";
    return kExitInterrupted;
  }
  if (!outcome.Succeeded()) {
    io.err << "wrenfold-cli search: the search failed: "
           << (outcome.reason.empty() ? outcome.code : outcome.reason) << "\n";
    return kExitBadInput;
  }
  return kExitOk;
}

}  // namespace wf::cli
