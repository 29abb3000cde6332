// The interaction network: its edges, communities, layout, and the files it is exported as.
#include "network.h"

#include <gtest/gtest.h>

#include <set>

#include "export_files.h"
#include "support/test_paths.h"
#include "table_builder.h"

namespace wf::view {
namespace {

using test::Row;

TweetCorpus Load(const wf::test::TempDir& dir, const std::vector<Row>& rows) {
  const std::string path = dir.File("t.txt");
  wf::test::WriteBytes(path, test::Table(rows));
  std::string error;
  auto c = TweetCorpus::Load(path, &error);
  EXPECT_TRUE(c.has_value()) << error;
  return c ? std::move(*c) : TweetCorpus();
}

std::string Describe(const Network& n) {
  std::string out;
  for (const NetworkEdge& e : n.edges) {
    out += n.nodes[e.from].label + ">" + n.nodes[e.to].label + ":" +
           std::string(EdgeTypeName(e.type)) + "x" + std::to_string(e.weight) + " ";
  }
  return out;
}

TEST(ViewNetwork, OneEdgePerAuthorAccountAndTypeWeightedByTweets) {
  wf::test::TempDir dir;
  const TweetCorpus c = Load(dir, {
                                      {"27/08/2008 10:00:00", "Ann", "RT @Bob: hi @cy @CY", ""},
                                      {"27/08/2008 10:01:00", "ann", "RT @bob: again", ""},
                                      {"27/08/2008 10:02:00", "ann", "hey @BOB", ""},
                                      {"27/08/2008 10:03:00", "bob", "hi RT @ann: no", ""},
                                      {"27/08/2008 10:04:00", "dee", "no one a@b.com", ""},
                                  });
  const Network n = BuildNetwork(c, Select(c, Filter{}));
  EXPECT_EQ(Describe(n), "Ann>bob:retweetx2 Ann>bob:mentionx1 Ann>cy:mentionx1 bob>Ann:mentionx1 ");
  ASSERT_EQ(n.nodes.size(), 3u);  // dee is on no edge
  const auto bob = static_cast<std::size_t>(n.Find("BOB"));
  EXPECT_EQ(n.nodes[bob].tweets, 1u);
  EXPECT_EQ(n.nodes[bob].in_weight, 3u);
  EXPECT_EQ(n.nodes[static_cast<std::size_t>(n.Find("cy"))].tweets, 0u);
  EXPECT_EQ(n.Find("dee"), -1);
  EXPECT_EQ(TweetsOfNode(c, Select(c, Filter{}), n, static_cast<std::size_t>(n.Find("ann"))),
            (std::vector<std::uint32_t>{0, 1, 2}));
}

// Two groups of five accounts, each mentioning every other in its group, and one tie between.
std::vector<Row> TwoGroups() {
  std::vector<Row> rows;
  for (const char* group : {"a", "b"}) {
    for (int i = 0; i < 5; ++i) {
      std::string text = "hello";
      for (int j = 0; j < 5; ++j) {
        if (j != i) text += " @" + std::string(group) + std::to_string(j);
      }
      rows.push_back({"27/08/2008 10:00:00", group + std::to_string(i), text, ""});
    }
  }
  rows.push_back({"27/08/2008 11:00:00", "a0", "RT @b0: bridge", ""});
  return rows;
}

TEST(ViewNetwork, CommunitiesFollowTheGroupsAndTheLayoutRepeats) {
  wf::test::TempDir dir;
  const TweetCorpus c = Load(dir, TwoGroups());
  Network n = BuildNetwork(c, Select(c, Filter{}));
  ASSERT_TRUE(DetectCommunities(n));
  EXPECT_EQ(n.communities, 2);
  for (int i = 1; i < 5; ++i) {
    const std::string k = std::to_string(i);
    EXPECT_EQ(n.nodes[static_cast<std::size_t>(n.Find("a" + k))].community,
              n.nodes[static_cast<std::size_t>(n.Find("a0"))].community);
    EXPECT_EQ(n.nodes[static_cast<std::size_t>(n.Find("b" + k))].community,
              n.nodes[static_cast<std::size_t>(n.Find("b0"))].community);
  }
  EXPECT_NE(n.nodes[static_cast<std::size_t>(n.Find("a0"))].community,
            n.nodes[static_cast<std::size_t>(n.Find("b0"))].community);

  std::vector<double> shares;
  ASSERT_EQ(LayoutNetwork(n,
                          [&](double s) {
                            shares.push_back(s);
                            return true;
                          }),
            LayoutOutcome::Done);
  EXPECT_GE(shares.size(), 3u);
  EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
  EXPECT_EQ(shares.back(), 1.0);
  std::set<std::pair<double, double>> places;
  for (const NetworkNode& node : n.nodes) places.insert({node.x, node.y});
  EXPECT_EQ(places.size(), n.nodes.size());

  Network again = BuildNetwork(c, Select(c, Filter{}));
  ASSERT_TRUE(DetectCommunities(again));
  ASSERT_EQ(LayoutNetwork(again, {}), LayoutOutcome::Done);
  for (std::size_t v = 0; v < n.nodes.size(); ++v) {
    EXPECT_EQ(again.nodes[v].x, n.nodes[v].x);
    EXPECT_EQ(again.nodes[v].community, n.nodes[v].community);
  }
}

TEST(ViewNetwork, LayoutStopsWhenAskedForBothMethods) {
  wf::test::TempDir dir;
  // A chain longer than the force-directed limit takes DrL, which reports through igraph.
  std::vector<Row> rows;
  for (std::size_t i = 0; i <= kForceDirectedLimit; ++i) {
    rows.push_back(
        {"27/08/2008 10:00:00", "u" + std::to_string(i), "@u" + std::to_string(i + 1), ""});
  }
  const TweetCorpus big = Load(dir, rows);
  Network drl = BuildNetwork(big, Select(big, Filter{}));
  ASSERT_GT(drl.nodes.size(), kForceDirectedLimit);
  int calls = 0;
  EXPECT_EQ(LayoutNetwork(drl, [&](double) { return ++calls < 3; }), LayoutOutcome::Stopped);
  EXPECT_EQ(calls, 3);

  const TweetCorpus small = Load(dir, TwoGroups());
  Network fr = BuildNetwork(small, Select(small, Filter{}));
  calls = 0;
  EXPECT_EQ(LayoutNetwork(fr, [&](double) { return ++calls < 2; }), LayoutOutcome::Stopped);
  EXPECT_EQ(calls, 2);
}

TEST(ViewNetwork, GexfAndGraphmlCarryTheAttributes) {
  wf::test::TempDir dir;
  const TweetCorpus c =
      Load(dir, {{"27/08/2008 10:00:00", "A&B", "RT @x_<y: no", ""},  // odd names are escaped
                 {"27/08/2008 10:00:00", "ann", "RT @bob: hi", ""}});
  Network n = BuildNetwork(c, Select(c, Filter{}));
  ASSERT_TRUE(DetectCommunities(n));
  const std::string gexf = GexfText(n);
  EXPECT_NE(gexf.find("<node id=\"n0\" label=\"A&amp;B\">"), std::string::npos) << gexf;
  EXPECT_NE(gexf.find("weight=\"1\"><attvalues><attvalue for=\"type\" value=\"retweet\"/>"),
            std::string::npos);
  std::string graphml;
  ASSERT_TRUE(GraphmlText(n, graphml, nullptr));
  EXPECT_NE(graphml.find("attr.name=\"community\""), std::string::npos);
  EXPECT_NE(graphml.find("<data key=\"label\">bob</data>"), std::string::npos);
}

}  // namespace
}  // namespace wf::view
