// Collection files (other tools' JSON and JSON lines, pretty-printed answers) into tables, and
// the full-text mode's files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli_run.h"
#include "support/test_paths.h"
#include "tweettable/skein_data.h"

namespace wf::cli {
namespace {

std::string Data(const std::string& relative) {
  return std::string(WF_TESTDATA_DIR) + "/" + relative;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  std::size_t from = 0;
  for (auto at = text.find(separator); at != std::string::npos; at = text.find(separator, from)) {
    pieces.push_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  pieces.push_back(text.substr(from));
  return pieces;
}

// Rows of a table file, each split into its cells (the empty piece after the last TAB too).
std::vector<std::vector<std::string>> Rows(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  auto lines = Split(test::ReadBytes(path), "\r\n");
  EXPECT_TRUE(lines.back().empty());
  lines.pop_back();
  for (const std::string& line : lines) rows.push_back(Split(line, "\t"));
  return rows;
}

TEST(Collections, EveryTwarcFileGivesItsTweets) {
  test::TempDir dir;
  const std::map<std::string, std::size_t> expected = {{"2sets.jsonl", 200},
                                                       {"flat.jsonl", 100},
                                                       {"noflat.jsonl", 100},
                                                       {"media_policy_violation_off.jsonl", 100},
                                                       {"geo_tweets.jsonl", 2}};
  for (const auto& entry : std::filesystem::directory_iterator(Data("v2/twarc2"))) {
    const std::string name = entry.path().filename().string();
    if (name == "users_a.jsonl") continue;
    const std::string out = dir.File(name + ".txt");
    const CliRun r = Cli({"table", entry.path().string(), "-o", out});
    ASSERT_EQ(r.code, 0) << name << ": " << r.err;
    EXPECT_EQ(r.err, "") << name;
    const auto it = expected.find(name);
    EXPECT_EQ(Rows(out).size(), it == expected.end() ? 1u : it->second) << name;
  }
  // Rows checked by hand against the files.
  auto geo = Rows(dir.File("geo_tweets.jsonl.txt"));
  EXPECT_EQ(geo[0][0], "Mon Apr 13 14:14:01 0000 2020");
  EXPECT_EQ(geo[0][1], "kamanonickname");
  EXPECT_EQ(geo[0][3], "1249702384659554308");
  EXPECT_EQ(geo[0][4], "Kama");
  EXPECT_EQ(geo[0][9], "88.01785747,42.77810097");
  EXPECT_EQ(geo[1][9], "null");
  auto flat = Rows(dir.File("flat.jsonl.txt"));
  EXPECT_EQ(flat[0][1], "Alexandravm12");
  EXPECT_EQ(flat[0][3], "1380242611781386245");
  EXPECT_EQ(flat[0][5], "58");
  EXPECT_EQ(flat[0][6], "49");
  EXPECT_EQ(flat[1][7], "Southern California");

  const CliRun users = Cli({"users", Data("v2/twarc2/users_a.jsonl"), "-o", dir.File("u.txt")});
  ASSERT_EQ(users.code, 0) << users.err;
  const auto rows = Rows(dir.File("u.txt"));
  ASSERT_EQ(rows.size(), 49u);  // header and 48 users
  EXPECT_EQ(rows[1][0], "119369819");
  EXPECT_EQ(rows[1][1], "DoDirty78");
  EXPECT_EQ(rows[1][2], "DoDirtysHouse");

  // A page of users holds no tweets.
  const CliRun wrong = Cli({"table", Data("v2/twarc2/users_a.jsonl"), "-o", dir.File("w.txt")});
  EXPECT_EQ(wrong.code, 1);
  EXPECT_NE(wrong.err.find("no tweets found in " + Data("v2/twarc2/users_a.jsonl")),
            std::string::npos);
}

TEST(Collections, RewrittenAnswersGiveTheTablesOfTheAnswers) {
  test::TempDir dir;
  auto table = [&](std::vector<std::string> args, const std::string& name) {
    args.insert(args.begin(), "table");
    args.insert(args.end(), {"-o", dir.File(name)});
    const CliRun r = Cli(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return test::ReadBytes(dir.File(name));
  };
  const std::string answer = table({test::TestdataPath("tweepy/search_1.json")}, "a.txt");
  EXPECT_GT(Rows(dir.File("a.txt")).size(), 5u);
  EXPECT_EQ(table({Data("collections/search_1.pretty.json")}, "p.txt"), answer);
  EXPECT_EQ(table({Data("collections/search_1.tweets.jsonl")}, "l.txt"), answer);
  EXPECT_EQ(table({"--timeline", Data("collections/timeline_5.pretty.json")}, "tp.txt"),
            table({"--timeline", test::TestdataPath("tweepy/timeline_5.json")}, "t.txt"));

  auto users = [&](std::vector<std::string> args, const std::string& name) {
    args.insert(args.begin(), "users");
    args.insert(args.end(), {"-o", dir.File(name)});
    const CliRun r = Cli(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return test::ReadBytes(dir.File(name));
  };
  const std::string lookup = users({test::TestdataPath("tweepy/users_lookup_1.json")}, "u.txt");
  EXPECT_NE(lookup.find("\tTrue\t"), std::string::npos);  // geo_enabled read as true
  EXPECT_EQ(users({Data("collections/users_lookup_1.pretty.json")}, "up.txt"), lookup);
  EXPECT_EQ(users({"--list", Data("collections/followers_list_3.pretty.json")}, "fp.txt"),
            users({"--list", test::TestdataPath("tweepy/followers_list_3.json")}, "f.txt"));
}

TEST(Collections, BadLinesAreSkippedAndCounted) {
  test::TempDir dir;
  const std::string out = dir.File("t.txt");
  test::WriteBytes(out, "good table\r\n");
  const std::string tweet =
      R"({"created_at":"Wed Aug 27 13:08:45 +0000 2008","id_str":"7","text":"hi",)"
      R"("user":{"screen_name":"ann"}})";
  const std::string mixed = dir.File("mixed.jsonl");
  test::WriteBytes(mixed, "\xEF\xBB\xBF" + tweet + "\r\n{\"statuses\":[{\"text\":\"cut\r\n" +
                              "{\"other\":[1,2]}\r\n\r\n\x01\x02 binary\r\n" + tweet);
  const CliRun r = Cli({"table", mixed, "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find(mixed + ": skipped 3 of 5 lines"), std::string::npos) << r.err;
  EXPECT_EQ(Rows(out).size(), 2u);

  const std::string junk = dir.File("junk.json");
  test::WriteBytes(junk, "{\"a\":1}\n[1,2,3]\n");
  test::WriteBytes(out, "good table\r\n");
  const CliRun none = Cli({"table", junk, dir.File("empty.json"), "-o", out});
  EXPECT_EQ(none.code, 1);  // the second file does not exist
  test::WriteBytes(dir.File("empty.json"), "");
  const CliRun nothing = Cli({"table", junk, dir.File("empty.json"), "-o", out});
  EXPECT_EQ(nothing.code, 1);
  EXPECT_NE(nothing.err.find("no tweets found in " + junk + " " + dir.File("empty.json")),
            std::string::npos)
      << nothing.err;
  EXPECT_EQ(test::ReadBytes(out), "good table\r\n");
}

TEST(Collections, FullTextSurvivesTheFileAndOpen) {
  test::TempDir dir;
  const std::string lines = dir.File("c.jsonl");
  test::WriteBytes(
      lines,
      R"({"created_at":"Wed Aug 27 13:08:45 +0000 2008","id_str":"42","text":)"
      R"("\ud83d\ude00 \"a\"\tb\\c\/d &amp; \u05e9\u05dc\u05d5\u05dd \u4e2d\u6587\nx",)"
      R"("user":{"name":"\u0391\u03bd\u03bd\u03b1","screen_name":"ann","location":"K\u00f6ln"}})"
      "\n");
  const std::string out = dir.File("full.txt");
  const CliRun r = Cli({"table", "--unicode", "--headers", lines, "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string bytes = test::ReadBytes(out);
  ASSERT_TRUE(bytes.starts_with("\xEF\xBB\xBF"));
  const std::string text =
      "\xF0\x9F\x98\x80 \"a\" b\\c/d & \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xE4\xB8\xAD\xE6\x96\x87 x";
  const auto rows = Rows(out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][2], text);
  EXPECT_EQ(rows[1][4], "\xCE\x91\xCE\xBD\xCE\xBD\xCE\xB1");
  EXPECT_EQ(rows[1][7], "K\xC3\xB6ln");

  SkeinData opened;
  ASSERT_TRUE(opened.Load(out));
  ASSERT_EQ(opened.RecordCount(), 2);
  EXPECT_EQ(opened.Cell(2, 3), text);
  EXPECT_EQ(opened.Cell(2, 5), "\xCE\x91\xCE\xBD\xCE\xBD\xCE\xB1");

  // The default mode: tags, Windows-1252, no mark.
  const CliRun plain = Cli({"table", lines, "-o", dir.File("plain.txt")});
  ASSERT_EQ(plain.code, 0) << plain.err;
  const auto plain_rows = Rows(dir.File("plain.txt"));
  EXPECT_EQ(plain_rows[0][4], "[el][el][el][el]");
  EXPECT_EQ(plain_rows[0][7], "K\xF6ln");

  // Full text that Windows-1252 holds is written in it.
  test::WriteBytes(lines, R"({"id_str":"1","text":"caf\u00e9 \u20ac","user":{"screen_name":"a"}})");
  ASSERT_EQ(Cli({"table", "--unicode", lines, "-o", out}).code, 0);
  EXPECT_EQ(Rows(out)[0][2], "caf\xE9 \x80");
}

}  // namespace
}  // namespace wf::cli
