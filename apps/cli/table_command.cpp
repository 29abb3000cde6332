#include "table_command.h"

#include "cli_ui.h"
#include "records/tweet_set.h"
#include "collection_inputs.h"
#include "tweettable/skein_data.h"
#include "tweettable/tweet_table_file.h"

namespace wf::cli {

std::string TableCommand::Usage() const {
  return "Usage: wrenfold-cli table [--headers] [--unicode] FILE... -o OUT\n\n"
         "Reads the tweets of saved responses and collection files in the order given and\n"
         "writes them as a tab-separated tweet table (CR LF), as the desktop window saves it\n"
         "after a retrieval. Each file is recognised by its content, one JSON document or\n"
         "JSON lines, each line on its own: v1.1 search pages, timelines and single tweets,\n"
         "v2 response pages and flattened v2 tweets, and this program's response archives.\n"
         "Lines of another kind are skipped and counted.\n\n"
         "  --headers    write the column names as the first line\n"
         "  --unicode    keep the full text of tweets and profiles (the file is UTF-8 with a\n"
         "               byte-order mark when Windows-1252 cannot hold it)\n"
         "  --timeline   a single saved response is a user timeline (JSON array of tweets)\n"
         "  -o OUT       the table file to write (replaced only when the run succeeds)\n";
}

int TableCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed =
      ParseConversionArgs(args, {"--timeline", "--headers", "--unicode"}, &error);
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
  tweets.SetFullText(parsed->flags.count("--unicode") != 0);
  // Pages are added as a retrieval adds them: the first replaces, the rest append.
  bool first = true;
  auto add = [&](const CollectionPage& page) {
    tweets.SetData(page.text, !first, page.ignore_top_level);
    first = false;
  };
  const CollectionInput input_kind{CollectionKind::kTweets,
                                   timeline ? ResponseKind::Timeline : ResponseKind::Search};
  if (!ReadCollectionInputs(parsed->inputs, input_kind, add, "wrenfold-cli table", "tweets",
                            io.err)) {
    return kExitBadInput;
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
