#include "apisim/json_writer.h"

#include <gtest/gtest.h>

#include "support-apisim/mini_json.h"
#include "support/test_paths.h"

namespace wf::apisim {
namespace {

using test::JValue;
using test::ParseJson;

std::string Escaped(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

void Write(JsonWriter& w, const JValue& v) {
  switch (v.kind) {
    case JValue::kNull:
      w.Null();
      break;
    case JValue::kBool:
      w.Bool(v.boolean);
      break;
    case JValue::kNumber:
      w.Raw(v.text);
      break;
    case JValue::kString:
      w.String(v.text);
      break;
    case JValue::kArray:
      w.BeginArray();
      for (const auto& item : v.items) Write(w, item);
      w.EndArray();
      break;
    case JValue::kObject:
      w.BeginObject();
      for (size_t i = 0; i < v.keys.size(); ++i) {
        w.Key(v.keys[i]);
        Write(w, v.values[i]);
      }
      w.EndObject();
      break;
  }
}

TEST(JsonWriterTest, EscapesLikeTwitter) {
  EXPECT_EQ(Escaped("a/b"), R"("a\/b")");
  EXPECT_EQ(Escaped("say \"hi\" \\ bye"), R"("say \"hi\" \\ bye")");
  EXPECT_EQ(Escaped("l1\nl2\r\n\tx"), R"("l1\nl2\r\n\tx")");
  EXPECT_EQ(Escaped(std::string("\x01\x7f", 2)), R"("\u0001\u007f")");
  EXPECT_EQ(Escaped("<a href>"), R"("\u003ca href\u003e")");
  EXPECT_EQ(Escaped("#rstats {tidync} [x]"), R"("#rstats \u007btidync\u007d [x]")");
  EXPECT_EQ(Escaped("&amp; &lt;3"), R"("&amp; &lt;3")");
  EXPECT_EQ(Escaped("caf\u00e9 \u2019"), R"("caf\u00e9 \u2019")");
  EXPECT_EQ(Escaped("\U0001F600"), R"("\ud83d\ude00")");
  EXPECT_EQ(Escaped("\U0001F3F3\uFE0F\u200D\U0001F308"),
            R"("\ud83c\udff3\ufe0f\u200d\ud83c\udf08")");
}

TEST(JsonWriterTest, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Escaped("a\xff"
                    "b"),
            R"("a\ufffdb")");
  EXPECT_EQ(Escaped("\xc3"), R"("\ufffd")");                      // cut short
  EXPECT_EQ(Escaped("\xc0\x80"), R"("\ufffd\ufffd")");            // overlong
  EXPECT_EQ(Escaped("\xed\xa0\x80"), R"("\ufffd\ufffd\ufffd")");  // encoded surrogate
}

TEST(JsonWriterTest, TrickyTextsRoundTripAsSevenBitAscii) {
  const std::string texts[] = {
      "{\"query\": \"x\"} \\ back\\slash",
      "tab\there",
      "line\r\nbreak",
      "\u05e9\u05dc\u05d5\u05dd",
      "\U0001F9F6\U0001F1EC\U0001F1E7",
      "",
      "end with backslash \\",
  };
  for (const auto& text : texts) {
    std::string body = "[";
    AppendJsonString(body, text);
    body += "]";
    for (const char c : body) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << body;
    std::string error;
    const auto parsed = ParseJson(body, &error);
    ASSERT_TRUE(parsed) << error << " in " << body;
    EXPECT_EQ(parsed->items.at(0).text, text);
  }
}

TEST(JsonWriterTest, PlacesCommasAndIdPairs) {
  std::string out;
  JsonWriter w(out);
  w.BeginObject().Id("id", 1590087310565339136ULL).Key("a").BeginArray().Int(-1).BeginObject();
  w.EndObject().BeginArray().EndArray().Null().EndArray().Flag("f", true).Nil("n").EndObject();
  EXPECT_EQ(out, R"({"id":1590087310565339136,"id_str":"1590087310565339136","a":[-1,{},[],null],)"
                 R"("f":true,"n":null})");
}

TEST(JsonWriterTest, FixedDecimalTrimsZeros) {
  EXPECT_EQ(FixedDecimal(-771194010, 7), "-77.119401");
  EXPECT_EQ(FixedDecimal(558947290, 7), "55.894729");
  EXPECT_EQ(FixedDecimal(10000000, 7), "1");
  EXPECT_EQ(FixedDecimal(-5, 7), "-0.0000005");
  EXPECT_EQ(FixedDecimal(0, 7), "0");
}

// The strongest check of the escaping rules: recorded bodies, read and written back, come out
// byte for byte as Twitter sent them.
TEST(JsonWriterTest, RewritesRecordedResponsesByteForByte) {
  for (const char* name : {"rtweet/search_1.json", "rtweet/timeline_3.json",
                           "rtweet/users_lookup_1.json", "rtweet/followers_ids_1.json",
                           "twitteroauth/search_1.json", "tweepy/followers_list_1.json"}) {
    SCOPED_TRACE(name);
    const std::string recorded = wf::test::ReadTestdata(name);
    std::string error;
    const auto parsed = ParseJson(recorded, &error);
    ASSERT_TRUE(parsed) << error;
    std::string rewritten;
    JsonWriter w(rewritten);
    Write(w, *parsed);
    size_t at = 0;
    while (at < rewritten.size() && at < recorded.size() && rewritten[at] == recorded[at]) ++at;
    EXPECT_EQ(at, recorded.size())
        << "first difference:\n recorded  " << recorded.substr(at > 40 ? at - 40 : 0, 80)
        << "\n rewritten " << rewritten.substr(at > 40 ? at - 40 : 0, 80);
    EXPECT_EQ(rewritten.size(), recorded.size());
  }
}

}  // namespace
}  // namespace wf::apisim
