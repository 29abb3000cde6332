#include "json/json_deserializer.h"

#include <gtest/gtest.h>

#include <string>

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
