// Loading tables of every form, and the summary, bins, means, shares and top lists of them.
#include "series.h"

#include <gtest/gtest.h>

#include "export_files.h"
#include "support/test_paths.h"
#include "table_builder.h"
#include "util/date_time.h"

namespace wf::view {
namespace {

using test::Row;

std::int64_t At(int day, int month, int year, int h, int m, int s) {
  return ToSerialSeconds(CivilDateTime{year, month, day, h, m, s});
}

TweetCorpus LoadText(const wf::test::TempDir& dir, const std::string& bytes) {
  const std::string path = dir.File("t.txt");
  wf::test::WriteBytes(path, bytes);
  std::string error;
  auto corpus = TweetCorpus::Load(path, &error);
  EXPECT_TRUE(corpus.has_value()) << error;
  return corpus ? std::move(*corpus) : TweetCorpus();
}

TEST(ViewCorpus, EveryDateFormEncodingAndLineEnd) {
  wf::test::TempDir dir;
  const std::vector<Row> rows = {
      {"Wed Aug 27 13:08:45 0000 2008", "Ann", "caf\xE9 one", ""},  // Windows-1252 é
      {"27/08/2008 14:10:00", "bob", "two", ""},
      {"27-Aug-2008 15:00:59", "ANN", "three", ""},
      {"not a date", "cy", "four", ""},
  };
  const std::int64_t expected[] = {At(27, 8, 2008, 13, 8, 45), At(27, 8, 2008, 14, 10, 0),
                                   At(27, 8, 2008, 15, 0, 59), kNoTime};
  for (const bool header : {false, true}) {
    for (const std::string eol : {"\r\n", "\n"}) {
      for (const bool utf8 : {false, true}) {
        std::string bytes = test::Table(rows, header, eol);
        if (utf8) {
          bytes = "\xEF\xBB\xBF" + bytes;
          bytes.replace(bytes.find('\xE9'), 1, "\xC3\xA9");
        }
        const TweetCorpus c = LoadText(dir, bytes);
        ASSERT_EQ(c.Size(), 4u) << header << utf8;
        for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(c.At(i).time, expected[i]) << i;
        EXPECT_EQ(c.Text(c.At(0)), "caf\xC3\xA9 one");
        EXPECT_EQ(c.AccountCount(), 3u);  // Ann and ANN are one account
        EXPECT_EQ(c.AccountName(c.At(2).author), "Ann");
      }
    }
  }
}

TEST(ViewCorpus, MissingFileAndShortRows) {
  wf::test::TempDir dir;
  std::string error;
  EXPECT_FALSE(TweetCorpus::Load(dir.File("none.txt"), &error).has_value());
  EXPECT_NE(error.find("none.txt"), std::string::npos);
  // A row cut short keeps the cells it has rather than stopping the load.
  const TweetCorpus c = LoadText(dir, "27/08/2008 10:00:00\tann\tRT @bob: x\r\n" +
                                          test::Line({"27/08/2008 11:00:00", "bob", "y", ""}));
  ASSERT_EQ(c.Size(), 2u);
  EXPECT_TRUE(c.At(0).retweet);
  EXPECT_EQ(c.At(0).positive, 0);
}

TEST(ViewSeries, BinsMeansAndSharesPerHour) {
  wf::test::TempDir dir;
  const TweetCorpus c =
      LoadText(dir, test::Table({
                        {"27/08/2008 10:05:00", "a", "RT @b: x", "", "3", "-1"},        // positive
                        {"27/08/2008 10:55:00", "b", "plain RT @a: y", "", "1", "-4"},  // negative
                        {"27/08/2008 10:59:59", "c", "z", "", "2", "-2"},               // neither
                        {"27/08/2008 12:00:00", "a", "RT @c: w", "", "1", "-1"},
                    }));
  const auto all = Select(c, Filter{});
  const Summary s = Summarise(c, all);
  EXPECT_EQ(s.tweets, 4u);
  EXPECT_EQ(s.accounts, 3u);
  EXPECT_EQ(s.retweets, 2u);
  EXPECT_DOUBLE_EQ(s.mean_positive, 7.0 / 4);
  EXPECT_DOUBLE_EQ(s.mean_negative, -8.0 / 4);
  EXPECT_EQ(*s.first, At(27, 8, 2008, 10, 5, 0));
  EXPECT_EQ(*s.last, At(27, 8, 2008, 12, 0, 0));

  BinSize bin = AutoBin(*s.first, *s.last);
  ASSERT_EQ(bin, BinSize::Hour);
  const auto bins = BinSeries(c, all, bin);
  ASSERT_EQ(bins.size(), 3u);  // 10:00, an empty 11:00, 12:00
  EXPECT_EQ(bins[0].start, At(27, 8, 2008, 10, 0, 0));
  EXPECT_EQ(bins[0].tweets, 3u);
  EXPECT_EQ(bins[0].retweets, 1u);
  EXPECT_DOUBLE_EQ(bins[0].MeanPositive(), 2.0);
  EXPECT_DOUBLE_EQ(bins[0].MeanNegative(), -7.0 / 3);
  EXPECT_DOUBLE_EQ(bins[0].SharePositive(), 1.0 / 3);
  EXPECT_DOUBLE_EQ(bins[0].ShareNegative(), 1.0 / 3);
  EXPECT_EQ(bins[1].tweets, 0u);
  EXPECT_EQ(bins[1].MeanPositive(), 0);
  EXPECT_EQ(bins[2].retweets, 1u);

  EXPECT_EQ(VolumeCsv(bins),
            "bin_start,tweets,retweets\n2008-08-27 10:00:00,3,1\n2008-08-27 11:00:00,0,0\n"
            "2008-08-27 12:00:00,1,1\n");
  EXPECT_EQ(SentimentCsv({bins[2]}),
            "bin_start,tweets,mean_positive,mean_negative,share_positive,share_negative\n"
            "2008-08-27 12:00:00,1,1,-1,0,0\n");
}

TEST(ViewSeries, BinSizeFromTheSpanAndWeeksFromMonday) {
  const std::int64_t t0 = At(1, 1, 2024, 0, 0, 0);  // a Monday
  EXPECT_EQ(AutoBin(t0, t0 + 2 * 86400), BinSize::Hour);
  EXPECT_EQ(AutoBin(t0, t0 + 2 * 86400 + 1), BinSize::Day);
  EXPECT_EQ(AutoBin(t0, t0 + 90 * 86400), BinSize::Day);
  EXPECT_EQ(AutoBin(t0, t0 + 90 * 86400 + 1), BinSize::Week);
  EXPECT_EQ(BinStart(At(7, 1, 2024, 23, 59, 59), BinSize::Week), t0);  // Sunday
  EXPECT_EQ(BinStart(At(8, 1, 2024, 0, 0, 0), BinSize::Week), t0 + 7 * 86400);
  EXPECT_EQ(BinStart(At(3, 1, 2024, 17, 30, 0), BinSize::Day), At(3, 1, 2024, 0, 0, 0));
  EXPECT_EQ(BinStart(At(31, 12, 1969, 23, 30, 0), BinSize::Hour), At(31, 12, 1969, 23, 0, 0));
}

TEST(ViewSeries, AStrayDateDoesNotAskForMillionsOfBins) {
  wf::test::TempDir dir;
  const TweetCorpus c = LoadText(dir, test::Table({{"01/01/1900 00:00:00", "a", "x", ""},
                                                   {"01/01/2020 00:00:00", "b", "y", ""}}));
  BinSize bin = BinSize::Hour;
  const auto bins = BinSeries(c, Select(c, Filter{}), bin);
  EXPECT_EQ(bin, BinSize::Day);  // 120 years of hours is too many; of days it is not
  EXPECT_LE(bins.size(), kMaxBins);
  EXPECT_EQ(bins.front().tweets + bins.back().tweets, 2u);
}

TEST(ViewSeries, FiltersByDateRangeAndText) {
  wf::test::TempDir dir;
  const TweetCorpus c =
      LoadText(dir, test::Table({{"27/08/2008 10:00:00", "Ann", "Plastic bags", ""},
                                 {"28/08/2008 10:00:00", "bob", "more PLASTIC", ""},
                                 {"29/08/2008 10:00:00", "cy", "glass", ""},
                                 {"no date", "plasticfan", "tin", ""}}));
  Filter f;
  f.text = "plastic";
  EXPECT_EQ(Select(c, f), (std::vector<std::uint32_t>{0, 1, 3}));  // the author matches too
  f.from = At(28, 8, 2008, 0, 0, 0);
  EXPECT_EQ(Select(c, f), (std::vector<std::uint32_t>{1}));  // undated rows leave with a range
  f.text.clear();
  f.to = At(28, 8, 2008, 10, 0, 0);  // inclusive
  EXPECT_EQ(Select(c, f), (std::vector<std::uint32_t>{1}));
  EXPECT_EQ(f.Describe(), "from 28/08/2008 00:00:00 to 28/08/2008 10:00:00");
}

TEST(ViewSeries, TopListsCountTweetsAndBreakTiesByName) {
  wf::test::TempDir dir;
  const TweetCorpus c = LoadText(
      dir, test::Table({
               {"27/08/2008 10:00:00", "Zed", "#Fun #fun @Bob hi @bob", "https://www.A.com/1"},
               {"27/08/2008 10:01:00", "zed", "RT @bob: #FUN #x", "http://a.com"},
               {"27/08/2008 10:02:00", "amy", "(@carol) #x", "https://b.org:443/"},
               {"27/08/2008 10:03:00", "bob", "nothing", ""},
           }));
  const TopLists t = CountTopLists(c, Select(c, Filter{}));
  auto pairs = [](const std::vector<TopItem>& items) {
    std::vector<std::pair<std::string, std::uint64_t>> out;
    for (const TopItem& i : items) out.emplace_back(i.item, i.count);
    return out;
  };
  using P = std::vector<std::pair<std::string, std::uint64_t>>;
  EXPECT_EQ(pairs(t.accounts), (P{{"Zed", 2}, {"amy", 1}, {"bob", 1}}));
  EXPECT_EQ(pairs(t.hashtags), (P{{"fun", 2}, {"x", 2}}));
  EXPECT_EQ(pairs(t.mentions), (P{{"bob", 1}, {"carol", 1}}));  // the retweet is no mention
  EXPECT_EQ(pairs(t.domains), (P{{"a.com", 2}, {"b.org", 1}}));
  EXPECT_EQ(TopCsv({{"a,b", 2}, {"say \"hi\"", 1}}),
            "item,count\n\"a,b\",2\n\"say \"\"hi\"\"\",1\n");
}

}  // namespace
}  // namespace wf::view
