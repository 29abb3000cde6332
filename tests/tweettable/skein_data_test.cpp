#include "tweettable/skein_data.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "records/tweet_set.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "util/cp1252.h"

namespace wf {
namespace {

using test::ReadBytes;
using test::ScriptedUi;
using test::TempDir;
using test::WriteBytes;

// Sixteen cells that name their row and column, so a shifted or merged field shows.
TweetRow SampleRow(int row) {
  TweetRow cells;
  for (int f = 0; f < kTweetColumnCount; ++f) {
    cells[static_cast<std::size_t>(f)] = "r" + std::to_string(row) + "c" + std::to_string(f + 1);
  }
  return cells;
}

// A line as the file writers produce it: every field followed by a TAB.
std::string RecordLine(const TweetRow& cells, std::string_view eol) {
  std::string line;
  for (const std::string& c : cells) line += c + "\t";
  return line + std::string(eol);
}

std::string JoinTabs(const std::vector<std::string>& pieces) {
  std::string line;
  for (std::size_t i = 0; i < pieces.size(); ++i) line += (i ? "\t" : "") + pieces[i];
  return line;
}

class SkeinLoadTest : public ::testing::Test {
 protected:
  bool LoadBytes(const std::string& bytes) {
    const std::string path = dir.File("table.txt");
    WriteBytes(path, bytes);
    return table.Load(path);
  }

  TempDir dir;
  ScriptedUi ui;
  SkeinData table{&ui};
};

TEST_F(SkeinLoadTest, EveryLineEndStyleLoadsTheSameRowsWithOrWithoutFinalLineEnd) {
  const std::vector<TweetRow> expected = {SampleRow(1), SampleRow(2), SampleRow(3)};
  for (std::string_view eol : {"\r\n", "\n", "\r"}) {
    for (bool final_eol : {true, false}) {
      std::string bytes;
      for (const TweetRow& row : expected) bytes += RecordLine(row, eol);
      if (!final_eol) bytes.resize(bytes.size() - eol.size());
      SCOPED_TRACE(::testing::Message() << "eol size " << eol.size() << " final " << final_eol
                                        << " first eol byte " << int(eol[0]));
      ASSERT_TRUE(LoadBytes(bytes));
      EXPECT_EQ(table.Data(), expected);
    }
  }
  // One file mixing all three, as left behind by editing on several systems.
  ASSERT_TRUE(LoadBytes(RecordLine(SampleRow(1), "\n") + RecordLine(SampleRow(2), "\r") +
                        RecordLine(SampleRow(3), "\r\n")));
  EXPECT_EQ(table.Data(), expected);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SkeinLoadTest, BlankLinesAreSkippedAndDoNotCountAsRows) {
  ASSERT_TRUE(LoadBytes("\r\n\n\r"));
  EXPECT_EQ(table.RecordCount(), 0);
  const std::string short_line = JoinTabs({"a", "b", "c"});
  ASSERT_TRUE(LoadBytes("\r\n\r\n" + RecordLine(SampleRow(1), "\r\n") + "\r\n\n\r" + short_line +
                        "\r\n\r\n" + RecordLine(SampleRow(3), "\n") + "\n\n"));
  ASSERT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(table.Data()[0], SampleRow(1));
  EXPECT_EQ(table.Data()[2], SampleRow(3));
  // The prompt numbers rows, not physical lines.
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].text.starts_with("Error reading line #2 a b c..."))
      << ui.messages[0].text;
}

TEST_F(SkeinLoadTest, FieldCountRules) {
  TweetRow full = SampleRow(1);
  std::vector<std::string> pieces(full.begin(), full.end());
  // Fifteen TABs and no trailing TAB: the last field runs to the line end.
  const std::string no_trailing_tab = JoinTabs(pieces);
  // More pieces than columns: the extras are ignored.
  std::vector<std::string> longer = pieces;
  longer.insert(longer.end(), {"extra1", "extra2", ""});
  // Empty fields are still fields.
  const std::string all_empty(15, '\t');

  ASSERT_TRUE(LoadBytes(no_trailing_tab + "\r\n" + JoinTabs(longer) + "\r\n" + all_empty));
  ASSERT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(table.Data()[0], full);
  EXPECT_EQ(table.Data()[1], full);
  EXPECT_EQ(table.Data()[2], TweetRow{});
  EXPECT_TRUE(ui.messages.empty());

  // Saving writes the sixteen fields only.
  const std::string saved = dir.File("saved.txt");
  ASSERT_TRUE(table.Save(saved, false));
  EXPECT_EQ(ReadBytes(saved),
            RecordLine(full, "\r\n") + RecordLine(full, "\r\n") + std::string(16, '\t') + "\r\n");
}

TEST_F(SkeinLoadTest, ShortRowAnsweredOkKeepsItsFieldsAndContinues) {
  // Fourteen TABs: fifteen fields. The excerpt counts characters, not bytes (each "\xE9"
  // becomes two bytes of UTF-8), and shows TABs as spaces.
  std::vector<std::string> pieces = {"h\xE9h\xE9h\xE9h\xE9h\xE9", "0123456789", "abcdefghijkl"};
  for (int f = 4; f <= 15; ++f) pieces.push_back("f" + std::to_string(f));
  ui.answers = {MsgAnswer::Ok};

  ASSERT_TRUE(LoadBytes(RecordLine(SampleRow(1), "\r\n") + JoinTabs(pieces) + "\r\n" +
                        RecordLine(SampleRow(3), "\r\n")));

  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(
      ui.messages[0].text,
      "Error reading line #2 h\xC3\xA9h\xC3\xA9h\xC3\xA9h\xC3\xA9h\xC3\xA9 0123456789 abcdefghij"
      "... One or more fields are missing. Continue loading this file?");
  EXPECT_EQ(ui.messages[0].buttons, MsgButtons::OkCancel);
  EXPECT_EQ(ui.messages[0].caption, kAppTitle);

  ASSERT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(table.Value(2, 2), "0123456789");
  EXPECT_EQ(table.Value(2, 15), "f15");
  EXPECT_EQ(table.Value(2, 16), "");
  EXPECT_EQ(table.Data()[2], SampleRow(3));
}

// Setting a value rewrites the row from its cells (read in one pass, as Cells reads them):
// every other cell must read as before, a short row's missing cells included, whichever cell
// is set.
TEST_F(SkeinLoadTest, SetValueChangesOneCellOfFullAndShortRows) {
  ui.answers = {MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Ok};
  ASSERT_TRUE(LoadBytes(RecordLine(SampleRow(1), "\r\n") + "one\ttwo\tthree\r\n" + "\t\t\r\n" +
                        "solo\r\n"));
  ASSERT_EQ(table.RecordCount(), 4);
  for (std::int32_t r = 1; r <= table.RecordCount(); ++r) {
    for (int field = 1; field <= kTweetColumnCount; ++field) {
      std::vector<std::string> before;
      const auto cells = table.Cells(r);  // all at once, as each alone
      for (int f = 1; f <= kTweetColumnCount; ++f) {
        before.push_back(table.Value(r, f));
        EXPECT_EQ(cells[static_cast<std::size_t>(f - 1)], before.back()) << r << "," << f;
      }
      const std::string value = "v" + std::to_string(r) + "_" + std::to_string(field);
      table.SetValue(r, field, value);
      for (int f = 1; f <= kTweetColumnCount; ++f) {
        EXPECT_EQ(table.Value(r, f), f == field ? value : before[static_cast<std::size_t>(f - 1)])
            << "row " << r << ", set " << field << ", read " << f;
      }
    }
  }
}

TEST_F(SkeinLoadTest, ShortRowCancelledStopsWithRowsSoFar) {
  ui.answers = {MsgAnswer::Cancel};
  EXPECT_FALSE(LoadBytes(RecordLine(SampleRow(1), "\r\n") + "only\tfour\tfields\there\r\n" +
                         "never\tread\r\n" + RecordLine(SampleRow(4), "\r\n")));
  // One question only: the rows after the cancelled one are not examined.
  EXPECT_EQ(ui.messages.size(), 1u);
  // The count still covers the whole file; what was read stays, the rest is empty.
  ASSERT_EQ(table.RecordCount(), 4);
  EXPECT_EQ(table.Data()[0], SampleRow(1));
  EXPECT_EQ(table.Value(2, 4), "here");
  EXPECT_EQ(table.Value(2, 5), "");
  EXPECT_EQ(table.Data()[2], TweetRow{});
  EXPECT_EQ(table.Data()[3], TweetRow{});
}

TEST_F(SkeinLoadTest, DecodesWindows1252AndUtf8Files) {
  // "Café – “ok” €" in each encoding the program meets.
  const std::string utf8 = "Caf\xC3\xA9 \xE2\x80\x93 \xE2\x80\x9Cok\xE2\x80\x9D \xE2\x82\xAC";
  const std::string cp1252 = "Caf\xE9 \x96 \x93ok\x94 \x80";
  const std::string bom = "\xEF\xBB\xBF";
  TweetRow row = SampleRow(1);

  for (const auto& [name, first_cell, prefix] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"windows-1252", cp1252, ""}, {"utf-8", utf8, ""}, {"utf-8 bom", utf8, bom}}) {
    SCOPED_TRACE(name);
    row[0] = first_cell;
    ASSERT_TRUE(LoadBytes(prefix + RecordLine(row, "\r\n")));
    ASSERT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.Value(1, 1), utf8);
  }

  // A file with a byte order mark but a stray Windows-1252 byte still yields valid UTF-8.
  row[0] = "a\xE9z";
  ASSERT_TRUE(LoadBytes(bom + RecordLine(row, "\r\n")));
  EXPECT_EQ(table.Value(1, 1), "a\xEF\xBF\xBDz");
}

// Windows-1252 bytes to UTF-8, one at a time: what a converted cell must read.
std::string Cp1252AsUtf8(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

TEST_F(SkeinLoadTest, Windows1252ConvertsWhereverItsHighBytesStand) {
  // High bytes at the very start and end, on both sides of eight-byte words, in runs, and
  // in a file so full of them that its UTF-8 form is more than twice its size.
  const std::vector<std::string> texts = {
      "\xE9",
      "\x80"
      "abcdefg\x80",
      "abcdefgh\x93ijklmnop\x94",
      "\x80\x81\x8D\x8F\x90\x9D\xFF\xA0",
      std::string(40, '\x80') + "x" + std::string(7, '\xE9'),
      std::string(3000, '\x99'),
  };
  for (std::size_t pad = 0; pad < 9; ++pad) {
    std::string bytes;
    std::vector<TweetRow> rows;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      TweetRow row = SampleRow(static_cast<int>(i));
      row[0] = std::string(pad, 'p') + texts[i];
      row[15] = texts[i] + std::string(pad, 'q');
      bytes += RecordLine(row, "\r\n");
      row[0] = Cp1252AsUtf8(row[0]);
      row[15] = Cp1252AsUtf8(row[15]);
      rows.push_back(row);
    }
    SCOPED_TRACE("pad " + std::to_string(pad));
    ASSERT_TRUE(LoadBytes(bytes));
    EXPECT_EQ(table.Data(), rows);
  }
}

TEST_F(SkeinLoadTest, SixteenthTabEndsTheRowWhereverItFalls) {
  // The sixteenth TAB at every offset within a block of sixteen bytes, and lines with one
  // TAB too few.
  for (std::size_t pad = 0; pad < 20; ++pad) {
    SCOPED_TRACE("pad " + std::to_string(pad));
    TweetRow row = SampleRow(1);
    row[15] = std::string(pad, 'd');
    const std::string full = RecordLine(row, "") + "ignored\tcells\r\n";
    std::vector<std::string> cells(row.begin(), row.end() - 1);
    const std::string short_line = JoinTabs(cells) + "\r\n";  // 15 cells
    ASSERT_TRUE(LoadBytes(full + short_line));
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.Data()[0], row);
    EXPECT_EQ(table.Value(2, 15), row[14]);
    EXPECT_EQ(table.Value(2, 16), "");
    EXPECT_EQ(ui.messages.size(), pad + 1);  // one question per short row
  }
}

TEST_F(SkeinLoadTest, MissingFileOrFolderFailsQuietlyAndKeepsTheGrid) {
  ASSERT_TRUE(LoadBytes(RecordLine(SampleRow(1), "\r\n")));
  EXPECT_FALSE(table.Load(dir.File("no-such-file.txt")));
  EXPECT_FALSE(table.Load(dir.path().string()));
  EXPECT_FALSE(table.Load(""));
  EXPECT_TRUE(table.LastError().empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(SkeinLoadTest, CellAccessOutsideTheGridThrows) {
  EXPECT_THROW(table.Value(1, 1), std::out_of_range);
  ASSERT_TRUE(LoadBytes(RecordLine(SampleRow(1), "\r\n")));
  EXPECT_EQ(table.Value(1, 16), "r1c16");
  for (auto [r, f] : {std::pair{0, 1}, {2, 1}, {1, 0}, {1, 17}}) {
    EXPECT_THROW(table.Value(r, f), std::out_of_range) << r << "," << f;
    EXPECT_THROW(table.SetValue(r, f, "x"), std::out_of_range) << r << "," << f;
  }
}

TEST(SkeinDataTest, SetValueKeepsRowsIntactThroughSaveAndLoad) {
  TempDir dir;
  SkeinData table;
  WriteBytes(dir.File("t.txt"), RecordLine(SampleRow(1), "\r\n") + RecordLine(SampleRow(2), "\n"));
  ASSERT_TRUE(table.Load(dir.File("t.txt")));

  table.SetValue(1, 2, "r1c2_more");  // a little longer: must not spill into row 2
  table.SetValue(1, 14, "3");         // shorter than before
  table.SetValue(1, 3, "a much longer tweet text now");  // longer than before
  table.SetValue(2, 16, "line one\r\nline two\tend");    // would break the row
  table.SetValue(2, 5, "");

  TweetRow row1 = SampleRow(1);
  row1[1] = "r1c2_more";
  row1[13] = "3";
  row1[2] = "a much longer tweet text now";
  TweetRow row2 = SampleRow(2);
  row2[15] = "line one  line two end";
  row2[4] = "";
  EXPECT_EQ(table.Data(), (std::vector<TweetRow>{row1, row2}));

  ASSERT_TRUE(table.Save(dir.File("out.txt"), false));
  SkeinData reloaded;
  ASSERT_TRUE(reloaded.Load(dir.File("out.txt")));
  EXPECT_EQ(reloaded.Data(), table.Data());
}

TEST(SkeinDataTest, SaveWritesWindows1252WithQuestionMarksAndAppends) {
  TempDir dir;
  SkeinData table;
  // A tweet in Windows-1252 letters, one in Japanese with an emoji.
  TweetRow row1 = SampleRow(1);
  row1[2] = "na\xC3\xAFve \xE2\x82\xAC";
  TweetRow row2 = SampleRow(2);
  row2[2] = "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80!";
  WriteBytes(dir.File("in.txt"), RecordLine(row1, "\r\n") + RecordLine(row2, "\r\n"));
  ASSERT_TRUE(table.Load(dir.File("in.txt")));

  const std::string out = dir.File("out.txt");
  ASSERT_TRUE(table.Save(out, false));
  row1[2] = "na\xEFve \x80";
  row2[2] = "?? ?!";
  const std::string expected = RecordLine(row1, "\r\n") + RecordLine(row2, "\r\n");
  EXPECT_EQ(ReadBytes(out), expected);

  ASSERT_TRUE(table.Save(out, true));
  EXPECT_EQ(ReadBytes(out), expected + expected);
  // Replacing, not appending, starts the file over.
  ASSERT_TRUE(table.Save(out, false));
  EXPECT_EQ(ReadBytes(out), expected);

  EXPECT_FALSE(table.Save(dir.File("missing-folder/out.txt"), false));
  EXPECT_FALSE(table.LastError().empty());
}

TEST(SkeinDataTest, SetDataFillsColumnsFromTheRecordSet) {
  TweetSet tweets;
  tweets.SetData(test::ReadTestdata("rtweet/search_1.json"), false, true);
  ASSERT_GT(tweets.Count(), 1);

  SkeinData table;
  table.SetData(tweets);
  ASSERT_EQ(table.RecordCount(), tweets.Count());

  // The first tweet of the page, as recorded.
  EXPECT_EQ(table.Value(1, 1), "Tue Nov 08 21:02:11 0000 2022");
  EXPECT_EQ(table.Value(1, 2), "Hydroviv_h2o");
  EXPECT_EQ(table.Value(1, 4), "1590087310565339136");
  EXPECT_EQ(table.Value(1, 6), "1569");
  EXPECT_EQ(table.Value(1, 7), "459");
  EXPECT_EQ(table.Value(1, 11), "7718");
  EXPECT_EQ(table.Value(1, 12), "0");
  for (std::int32_t r = 1; r <= table.RecordCount(); ++r) {
    EXPECT_EQ(table.Value(r, 14) + table.Value(r, 15), "00");
    EXPECT_EQ(table.Value(r, 16), tweets.Description(r));
  }

  // Converted date-times are taken as they are.
  tweets.SetVBDateTimes();
  ASSERT_TRUE(tweets.VBDateTimes());
  table.SetData(tweets);
  EXPECT_EQ(table.Value(1, 1), tweets.DateTime(1));
  EXPECT_NE(table.Value(1, 1), "Tue Nov 08 21:02:11 0000 2022");

  // A set emptied since leaves an empty table, not the old rows.
  tweets.Clear();
  table.SetData(tweets);
  EXPECT_EQ(table.RecordCount(), 0);
}

}  // namespace
}  // namespace wf
