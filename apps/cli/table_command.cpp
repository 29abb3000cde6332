#include "table_command.h"

#include "cli_ui.h"
#include "collection_inputs.h"
#include "records/tweet_set.h"
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
  const auto parsed = ParseConversionArgs(args, {"--timeline", "--headers", "--unicode"}, &error);
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
  // Each page goes to the file as it is read, so a collection of any size is converted in
  // the memory one page takes; the rows are those of one set filled with all the pages.
  TweetTableStreamWriter writer(parsed->output, headers);
  if (!writer.Open(&error)) {
    io.err << "wrenfold-cli table: " << error << "\n";
    return kExitBadInput;
  }
  TweetSet tweets(&ui);
  tweets.SetFullText(parsed->flags.count("--unicode") != 0);
  SkeinData table(&ui);
  const auto cell = [&table](std::size_t row, int column) {
    return table.Cell(static_cast<std::int32_t>(row + 1), column);
  };
  bool write_failed = false;
  auto add = [&](const CollectionPage& page) {
    if (write_failed) return;
    tweets.Clear();
    tweets.SetData(page.text, false, page.ignore_top_level);
    if (tweets.Count() == 0) return;
    table.SetData(tweets);
    write_failed = !writer.Add(static_cast<std::size_t>(table.RecordCount()), cell, &error);
  };
  const CollectionInput input_kind{CollectionKind::kTweets,
                                   timeline ? ResponseKind::Timeline : ResponseKind::Search};
  if (!ReadCollectionInputs(parsed->inputs, input_kind, add, "wrenfold-cli table", "tweets",
                            io.err)) {
    return kExitBadInput;
  }
  if (write_failed || !writer.Commit(&error)) {
    io.err << "wrenfold-cli table: " << error << "\n";
    return kExitBadInput;
  }
  if (writer.Rows() == 0) {
    io.err << "wrenfold-cli table: the responses hold no tweets; wrote "
           << (headers ? "only the header line" : "an empty table") << " to " << parsed->output
           << "\n";
  } else {
    io.out << writer.Rows() << " tweets written to " << parsed->output << "\n";
  }
  return kExitOk;
}

}  // namespace wf::cli
