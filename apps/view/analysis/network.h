#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tweet_corpus.h"

// Who retweets and mentions whom: an edge from the author to the account of a leading
// "RT @name:" (retweet) and to every other "@name" (mention), one per (author, account, type)
// weighted by the number of tweets. Accounts are told apart ignoring case.
namespace wf::view {

enum class EdgeType { Retweet, Mention };
std::string_view EdgeTypeName(EdgeType type);  // "retweet", "mention"

struct NetworkNode {
  std::string label;            // screen name as first seen
  std::uint32_t tweets = 0;     // selected rows the account wrote
  std::uint64_t in_weight = 0;  // sum of the weights of edges into the account
  int community = 0;            // 0..CommunityCount-1 once detected
  double x = 0;
  double y = 0;
};

struct NetworkEdge {
  std::uint32_t from = 0;
  std::uint32_t to = 0;
  EdgeType type = EdgeType::Mention;
  std::uint32_t weight = 0;
};

struct Network {
  std::vector<NetworkNode> nodes;  // accounts on at least one edge
  std::vector<NetworkEdge> edges;  // by from, to, type
  int communities = 0;
  std::unordered_map<std::string, std::uint32_t> index;  // lower-case screen name -> node

  // The node of a screen name (any case); -1 when it is not in the network.
  std::int64_t Find(std::string_view screen_name) const;
};

// Nodes and edges of the selected rows, in a fixed order: nodes as first met, edges sorted.
Network BuildNetwork(const TweetCorpus& corpus, const std::vector<std::uint32_t>& selection);

// Community of every node by igraph's multilevel (Louvain) method on the undirected weighted
// graph; communities numbered by size, largest 0. False when igraph failed.
bool DetectCommunities(Network& network);

inline constexpr std::size_t kForceDirectedLimit = 5000;

enum class LayoutOutcome { Done, Stopped, Failed };

// Positions for every node: Fruchterman-Reingold up to kForceDirectedLimit nodes, DrL beyond.
// `progress` (may be empty) hears the share done and may stop the work. The same network gets
// the same layout every time.
LayoutOutcome LayoutNetwork(Network& network, const ProgressFn& progress);

// Rows (corpus indices) of the selection written by the account of `node`.
std::vector<std::uint32_t> TweetsOfNode(const TweetCorpus& corpus,
                                        const std::vector<std::uint32_t>& selection,
                                        const Network& network, std::size_t node);

}  // namespace wf::view
