#include "table_command.h"

#include "cli_ui.h"
#include "records/tweet_set.h"
#include "response_files.h"
#include "tweettable/skein_data.h"
#include "tweettable/tweet_table_file.h"

namespace wf::cli {

std::string TableCommand::Usage() const {
  return "Usage: wrenfold-cli table [--timeline] [--headers] RESPONSE... -o OUT\n\n"
         "Reads saved search/tweets responses (or, with --timeline, statuses/user_timeline\n"
         "responses) in the order given and writes their tweets as a tab-separated tweet\n"
         "table (Windows-1252, or UTF-8 with a byte-order mark when a tweet holds what\n"
         "Windows-1252 cannot; CR LF), as the desktop window saves it after a retrieval.\n\n"
         "  --timeline   the responses are user timelines (JSON arrays of tweets)\n"
         "               (raw response archives, FILE.jsonl, are read whatever their pages)\n"
         "  --headers    write the column names as the first line\n"
         "  -o OUT       the table file to write (replaced only when the run succeeds)\n";
}

int TableCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed = ParseConversionArgs(args, {"--timeline", "--headers"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli table: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const bool timeline = parsed->flags.count("--timeline") != 0;
  const bool headers = parsed->flags.count("--headers") != 0;

  CliUi ui(io.err);
  TweetSet tweets(&ui);
  std::vector<ResponsePage> pages;
  for (const std::string& input : parsed->inputs) {
    if (IsArchivePath(input)) {
      auto archived = ReadArchive(input, ArchiveKind::Tweets, &error);
      if (!archived) {
        io.err << "wrenfold-cli table: " << error << "\n";
        return kExitBadInput;
      }
      for (auto& p : *archived) pages.push_back(std::move(p));
      continue;
    }
    auto text =
        ReadResponse(input, timeline ? ResponseKind::Timeline : ResponseKind::Search, &error);
    if (!text) {
      io.err << "wrenfold-cli table: " << error << "\n";
      return kExitBadInput;
    }
    pages.push_back({std::move(*text), !timeline});
  }
  // Pages are added as a retrieval adds them: the first replaces, the rest append.
  for (std::size_t i = 0; i < pages.size(); ++i) {
    tweets.SetData(pages[i].text, i > 0, pages[i].ignore_top_level);
  }

  SkeinData table(&ui);
  table.SetData(tweets);
  const auto cell = [&table](std::size_t row, int column) {
    return table.Cell(static_cast<std::int32_t>(row + 1), column);
  };
  if (!WriteTweetTableFile(parsed->output, static_cast<std::size_t>(table.RecordCount()), cell,
                           headers, &error)) {
    io.err << "wrenfold-cli table: " << error << "\n";
    return kExitBadInput;
  }
  if (table.RecordCount() == 0) {
    io.err << "wrenfold-cli table: the responses hold no tweets; wrote "
           << (headers ? "only the header line" : "an empty table") << " to " << parsed->output
           << "\n";
  } else {
    io.out << table.RecordCount() << " tweets written to " << parsed->output << "\n";
  }
  return kExitOk;
}

}  // namespace wf::cli
