#include "json/json_deserializer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_paths.h"

namespace wf {
namespace {

TEST(JsonReader, SingleObjectWithAndWithoutTopLevel) {
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(R"({"ab":12})", false));
  EXPECT_EQ(r.ObjectCount(), 1);
  EXPECT_EQ(r.ObjectName(1), "");
  EXPECT_EQ(r.ObjectLevel(1), 1);
  EXPECT_EQ(r.ObjectParent(1), 0);
  EXPECT_EQ(r.ObjectText(1), R"("ab":12)");
  EXPECT_EQ(r.GetElementInObject(1, "ab"), "12");

  JSONDeserializer top;
  ASSERT_TRUE(top.Read(R"({"ab":12})", true));
  EXPECT_EQ(top.ObjectCount(), 0);
}

TEST(JsonReader, RejectsWhatItCannotScan) {
  JSONDeserializer shortText;
  EXPECT_FALSE(shortText.Read(R"({"a":1})", false));  // 7 characters
  JSONDeserializer noBrace;
  EXPECT_FALSE(noBrace.Read("[1,2,3,4,5,6]", false));
  JSONDeserializer noBraceTop;
  EXPECT_TRUE(noBraceTop.Read("[1,2,3,4,5,6]", true));
  EXPECT_EQ(noBraceTop.ObjectCount(), 0);

  std::string deep;
  for (int i = 0; i < 256; ++i) deep += "{\"a\":";
  deep += "1";
  for (int i = 0; i < 256; ++i) deep += "}";
  JSONDeserializer tooDeep;
  EXPECT_FALSE(tooDeep.Read(deep, false));
  EXPECT_EQ(tooDeep.ObjectCount(), 0);
  // 255 levels are still fine.
  std::string ok = deep.substr(5);
  ok.pop_back();
  JSONDeserializer deepest;
  EXPECT_TRUE(deepest.Read(ok, false));
  EXPECT_EQ(deepest.ObjectLevel(255), 255);
}

TEST(JsonReader, SearchShapeNamesLevelsParentsAndObjectOneText) {
  const std::string json =
      R"({"statuses":[{"id_str":"2","user":{"screen_name":"a"}},{"id_str":"1","user":{"screen_name":"b"}}],"search_metadata":{"count":2}})";
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, true));
  ASSERT_EQ(r.ObjectCount(), 5);
  EXPECT_EQ(r.ObjectName(1), "statuses");
  EXPECT_EQ(r.ObjectName(2), "user");
  EXPECT_EQ(r.ObjectName(3), "statuses");  // an array element after "}," inherits
  EXPECT_EQ(r.ObjectName(5), "search_metadata");
  EXPECT_EQ(r.ObjectLevel(1), 1);
  EXPECT_EQ(r.ObjectLevel(3), 1);
  EXPECT_EQ(r.ObjectLevel(4), 2);
  EXPECT_EQ(r.ObjectLevel(5), 1);
  EXPECT_EQ(r.ObjectParent(1), 0);
  EXPECT_EQ(r.ObjectParent(2), 1);
  EXPECT_EQ(r.ObjectParent(3), 1);
  EXPECT_EQ(r.ObjectParent(4), 3);
  EXPECT_EQ(r.ObjectCount("statuses"), 2);
  // The outer closing brace moves object 1's end: its text runs to the end.
  const std::string first = r.ObjectText(1);
  EXPECT_EQ(first.substr(0, 11), R"("id_str":"2)");
  EXPECT_EQ(first.back(), '}');
  EXPECT_EQ(first, json.substr(14, json.size() - 15));
}

TEST(JsonReader, OwnTextLosesTheRunOfLeafChildren) {
  // Children 2 and 3 are leaves directly after 1 and are removed (leaving "{}" behind);
  // child 4 has a child of its own, which ends the run, so child 6 stays in the text.
  const std::string json = R"([{"a":{"x":1},"b":{"y":2},"c":{"d":{"z":3}},"e":{"w":4},"k":"v"}])";
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, false));
  ASSERT_EQ(r.ObjectCount(), 6);
  const std::string own(r.OwnText(1));
  EXPECT_NE(own.find(R"("a":{},"b":{})"), std::string::npos) << own;
  EXPECT_NE(own.find(R"("w":4)"), std::string::npos) << own;
  EXPECT_EQ(r.GetElementInObject(1, "x"), "");
  EXPECT_EQ(r.GetElementInObject(1, "w"), "4}");
  EXPECT_EQ(r.GetElementInObject(1, "a"), "{}");
  // An empty child removes nothing and must not hang.
  JSONDeserializer empty;
  ASSERT_TRUE(empty.Read(R"([{"a":{},"b":"c"}])", false));
  EXPECT_EQ(empty.GetElementInObject(1, "b"), "c");
}

TEST(JsonReader, ValueRules) {
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(
      R"([{"full_text":"x","q":"a\"b","n":null,"ids":[1,2,3],"e":"","pt":[[1,2],[3,4]],"last":42}])",
      false));
  EXPECT_EQ(r.GetElementInObject(1, "text"), "x");  // suffix of "full_text"
  EXPECT_EQ(r.GetElementInObject(1, "t"), "x");     // keys are matched by their end
  EXPECT_EQ(r.GetElementInObject(1, "q"), "a\\b");
  EXPECT_EQ(r.GetElementInObject(1, "n"), "null");
  EXPECT_EQ(r.GetElementInObject(1, "ids"), "1,2,3");
  EXPECT_EQ(r.GetElementInObject(1, "e"), "");
  EXPECT_EQ(r.GetElementInObject(1, "pt"), "1,2");
  EXPECT_EQ(r.GetElementInObject(1, "last"), "42");
  EXPECT_EQ(r.GetElementInObject(1, "missing"), "");
  EXPECT_EQ(r.GetElementInObject(7, "t"), "");
}

TEST(JsonReader, AllElementsAndIndexLookups) {
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(R"([{"v":"1","q":{"u":1},"v":"2","urls":{"a":1},"urls":{"b":2}}])", false));
  auto all = r.GetAllElementsInObject(1, "v");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], "");
  EXPECT_EQ(all[1], "1");
  EXPECT_EQ(all[2], "2");
  EXPECT_TRUE(r.GetAllElementsInObject(1, "nothing").empty());
  EXPECT_TRUE(r.GetAllElementsInObject(99, "v").empty());
  EXPECT_EQ(r.ObjectCount("urls"), 2);
  EXPECT_EQ(r.ObjectIndex("urls", 2), 4);  // also when it is the last object
  EXPECT_EQ(r.ObjectIndex("urls", 3), 0);
  EXPECT_EQ(r.LastChild(1), 4);
  EXPECT_EQ(r.LastChild(2), 2);  // no nested objects: itself
  EXPECT_EQ(r.LastChild(0), 0);
}

TEST(JsonReader, BracesInsideStringsAreText) {
  const std::string json =
      R"([{"text":"I {heart} this \"}{\" ok","id_str":"1"},{"text":"x\\","id_str":"2"},{"id_str":"3"}])";
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, false));
  ASSERT_EQ(r.ObjectCount(), 3);
  EXPECT_EQ(r.GetElementInObject(1, "id_str"), "1");
  EXPECT_EQ(r.GetElementInObject(2, "id_str"), "2");  // escaped backslash ends the string
  EXPECT_EQ(r.GetElementInObject(3, "id_str"), "3");
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(r.ObjectLevel(k), 1);
}

TEST(JsonReader, UnclosedObjectRunsToTheLastCharacterButOne) {
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(R"([{"a":"1","b":"2"xy)", false));
  EXPECT_EQ(r.ObjectText(1), R"("a":"1","b":"2"x)");
}

TEST(JsonReader, ManyObjectsAreNotCapped) {
  std::string json = "[";
  for (int i = 0; i < 20000; ++i) json += R"({"i":)" + std::to_string(i) + "},";
  json.back() = ']';
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, false));
  EXPECT_EQ(r.ObjectCount(), 20000);
  EXPECT_EQ(r.GetElementInObject(20000, "i"), "19999");
  EXPECT_EQ(r.ObjectParent(20000), 1);
}

}  // namespace
}  // namespace wf

namespace wf {
namespace {

// Hostile shapes must finish promptly with sensible results (ctest's time limit catches a
// hang).
TEST(JsonReader, HugeRunsOfChildrenAndRepeatedKeysStayLinear) {
  std::string json = R"([{"head":"h",)";
  for (int i = 0; i < 60000; ++i) json += "\"c\":{\"v\":" + std::to_string(i) + "},";
  json += R"("tail":"t"}])";
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(json, false));
  EXPECT_EQ(r.ObjectCount(), 60001);
  EXPECT_EQ(r.GetElementInObject(1, "tail"), "t");
  EXPECT_EQ(r.GetElementInObject(1, "v"), "");  // the children are cut out all the same
  EXPECT_EQ(r.GetElementInObject(1, "c"), "{}");

  std::string keys = R"([{"k":1)";
  for (int i = 0; i < 100000; ++i) keys += R"( "next_cursor_str"x)";
  keys += "}]";
  JSONDeserializer many;
  ASSERT_TRUE(many.Read(keys, false));
  const auto first = many.GetAllElementsInObject(1, "next_cursor_str", 1);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[1].substr(0, 2), " n");  // the value starts two past the key
}

}  // namespace
}  // namespace wf

namespace wf {
namespace {

// Lookups answered from the start of a long object's own text must give what the whole own
// text gives. `lookups` are run on a fresh reader first thing, then compared with a reader
// that worked the whole own text out before any lookup.
void ExpectStartAgreesWithWhole(const std::string& json, bool top,
                                const std::vector<std::string>& keys) {
  JSONDeserializer start;
  JSONDeserializer whole;
  ASSERT_TRUE(start.Read(json, top));
  ASSERT_TRUE(whole.Read(json, top));
  ASSERT_GT(whole.OwnText(1).size(), 0u);
  for (const std::string& key : keys) {
    EXPECT_EQ(start.GetElementInObject(1, key), whole.GetElementInObject(1, key)) << key;
  }
}

TEST(JsonReaderLongObjects, LookupsNearTheEndOfTheStartAgreeWithTheWholeOwnText) {
  // Object 1 is long; its child's text occurs again, once across the point where the start
  // of the own text ends, so that the start alone cannot tell what is cut there. Keys sit on
  // both sides of that point, and their values run across it.
  const std::string child = R"("k":"v1","z":"0123456789abcdef")";
  for (std::size_t shift = 0; shift < 64; ++shift) {
    SCOPED_TRACE("shift " + std::to_string(shift));
    std::string json = R"([{"c":{)" + child + R"(},"pad":")";
    json += std::string(32768 - 40 - json.size() + shift, 'p');
    json += "\"," + child + R"(,"near":"x)" + std::string(30, 'n') + R"(","after":"y",)";
    json += R"("long":")" + std::string(70000, 'l') + R"(","last":7}])";
    ExpectStartAgreesWithWhole(json, false, {"c", "pad", "k", "z", "near", "after", "last", "ne"});
  }
}

TEST(JsonReaderLongObjects, SearchPageObjectOneAgreesWithTheWholeOwnText) {
  for (const char* file :
       {"rtweet/search_1.json", "python-twitter/search_1.json", "TwitterSearch/search_1.json"}) {
    SCOPED_TRACE(file);
    ExpectStartAgreesWithWhole(test::ReadTestdata(file), true,
                               {"created_at", "text", "full_text", "id_str", "coordinates",
                                "expanded_url", "next_results", "max_id", "count", "nothing"});
  }
}

TEST(JsonReader, BackslashQuoteOutsideStringsOpensAString) {
  // Broken text: outside strings a quote after a backslash still opens a string, so the
  // brace after "x" is text, not an object.
  JSONDeserializer r;
  ASSERT_TRUE(r.Read(R"([{"a":\"x{"},{"b":1}])" + std::string(100, ' '), false));
  ASSERT_EQ(r.ObjectCount(), 2);
  EXPECT_EQ(r.ObjectText(1), R"("a":\"x{")");
  EXPECT_EQ(r.GetElementInObject(2, "b"), "1");
}

// What a reader of the object alone, as {"Users":[{...}]}, finds as its own text.
std::string OwnTextReadAlone(const JSONDeserializer& r, std::int32_t k) {
  JSONDeserializer alone;
  EXPECT_TRUE(alone.Read("{\"Users\":[{" + r.ObjectText(k) + "}]}", true));
  return std::string(alone.OwnText(1));
}

TEST(JsonReader, DetachedOwnTextIsWhatAReaderOfTheObjectAloneFinds) {
  std::vector<std::string> jsons = {
      // Children whose texts occur again in the object, in a string, and in the tail.
      R"([{"id":1,"user":{"e":{"a":[]},"x":"e","y":{"a":[]},"z":"a":[]}},"n":2}])",
      R"([{"user":{"q":{"w":1},"s":"\"w\":1}]"}},"u":1])",
      R"([{"user":{"c":{]},"d":"]"}}])",
  };
  for (const char* file : {"rtweet/timeline_3.json", "python-twitter/search_1.json"}) {
    jsons.push_back(test::ReadTestdata(file));
  }
  for (const std::string& json : jsons) {
    JSONDeserializer r;
    ASSERT_TRUE(r.Read(json, json.front() == '{'));
    int users = 0;
    for (std::int32_t k = 2; k <= r.ObjectCount(); ++k) {
      std::string own;
      if (!r.DetachedOwnText(k, "}]", own)) continue;
      ++users;
      EXPECT_EQ(own, OwnTextReadAlone(r, k)) << "object " << k;
    }
    EXPECT_GT(users, 0);
  }

  // Objects the response never closes, and object 1, are not worked out.
  JSONDeserializer cut;
  ASSERT_TRUE(cut.Read(R"([{"a":1,"user":{"b":{"c":1},"d":2)", false));
  std::string own = "kept";
  EXPECT_FALSE(cut.DetachedOwnText(2, "}]", own));
  EXPECT_FALSE(cut.DetachedOwnText(1, "}]", own));
  EXPECT_EQ(own, "kept");
}

}  // namespace
}  // namespace wf
