#include "network.h"

#include <igraph/igraph.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "tweet_text.h"

namespace wf::view {
namespace {

// igraph's handlers are plain functions; the layout under way reaches its callback here.
// DrL reports progress many times per percent, so only whole steps of kReportStep reach it.
constexpr double kReportStep = 0.005;
thread_local const ProgressFn* t_progress = nullptr;
thread_local double t_reported = -1;
thread_local bool t_stop = false;

igraph_error_t OnProgress(const char*, igraph_real_t percent, void*) {
  if (t_stop) return IGRAPH_INTERRUPTED;
  if (t_progress == nullptr || !*t_progress) return IGRAPH_SUCCESS;
  const double share = std::clamp(percent / 100.0, 0.0, 1.0);
  if (share - t_reported < kReportStep && share < 1.0) return IGRAPH_SUCCESS;
  t_reported = share;
  if (!(*t_progress)(share)) t_stop = true;
  return t_stop ? IGRAPH_INTERRUPTED : IGRAPH_SUCCESS;
}

// Not every algorithm heeds the progress handler's answer; all of them ask this one.
igraph_error_t OnInterruptCheck(void*) {
  return t_stop ? IGRAPH_INTERRUPTED : IGRAPH_SUCCESS;
}

// Owns an igraph object for the length of a scope.
struct Graph {
  igraph_t g;
  bool made = false;
  ~Graph() {
    if (made) igraph_destroy(&g);
  }
};
struct Vector {
  igraph_vector_t v;
  explicit Vector(igraph_integer_t n) { igraph_vector_init(&v, n); }
  ~Vector() { igraph_vector_destroy(&v); }
};
struct IntVector {
  igraph_vector_int_t v;
  explicit IntVector(igraph_integer_t n) { igraph_vector_int_init(&v, n); }
  ~IntVector() { igraph_vector_int_destroy(&v); }
};
struct Matrix {
  igraph_matrix_t m;
  Matrix(igraph_integer_t rows, igraph_integer_t cols) { igraph_matrix_init(&m, rows, cols); }
  ~Matrix() { igraph_matrix_destroy(&m); }
};

bool MakeGraph(const Network& network, bool directed, Graph& graph, Vector& weights) {
  IntVector ends(static_cast<igraph_integer_t>(network.edges.size() * 2));
  for (std::size_t e = 0; e < network.edges.size(); ++e) {
    VECTOR(ends.v)[2 * e] = network.edges[e].from;
    VECTOR(ends.v)[2 * e + 1] = network.edges[e].to;
    VECTOR(weights.v)[e] = network.edges[e].weight;
  }
  if (igraph_create(&graph.g, &ends.v, static_cast<igraph_integer_t>(network.nodes.size()),
                    directed) != IGRAPH_SUCCESS) {
    return false;
  }
  graph.made = true;
  return true;
}

constexpr igraph_uint_t kLayoutSeed = 20260611;
// Node moves DrL may make in all: about eight seconds of one core.
constexpr double kDrlNodeSteps = 2.0e6;

}  // namespace

std::string_view EdgeTypeName(EdgeType type) {
  return type == EdgeType::Retweet ? "retweet" : "mention";
}

std::int64_t Network::Find(std::string_view screen_name) const {
  const auto it = index.find(LowerAscii(screen_name));
  return it == index.end() ? -1 : static_cast<std::int64_t>(it->second);
}

Network BuildNetwork(const TweetCorpus& corpus, const std::vector<std::uint32_t>& selection) {
  Network net;
  std::vector<std::int64_t> node_of_author(corpus.AccountCount(), -1);
  auto node_for = [&](const std::string& key, std::string_view label) {
    const auto [it, added] =
        net.index.try_emplace(key, static_cast<std::uint32_t>(net.nodes.size()));
    if (added) net.nodes.push_back({std::string(label), 0, 0, 0, 0, 0});
    return it->second;
  };
  auto author_node = [&](std::uint32_t author) {
    std::int64_t& node = node_of_author[author];
    if (node < 0) {
      const std::string& name = corpus.AccountName(author);
      node = node_for(LowerAscii(name), name);
    }
    return static_cast<std::uint32_t>(node);
  };
  std::map<std::tuple<std::uint32_t, std::uint32_t, EdgeType>, std::uint32_t> weights;
  for (const std::uint32_t i : selection) {
    const Tweet& t = corpus.At(i);
    const std::string_view text = corpus.Text(t);
    if (text.find('@') == std::string_view::npos) continue;
    const std::string retweeted = RetweetedAccount(text);
    if (!retweeted.empty()) {
      const std::uint32_t from = author_node(t.author);
      ++weights[{from, node_for(retweeted, retweeted), EdgeType::Retweet}];
    }
    for (const std::string& name : MentionedAccounts(text)) {
      const std::uint32_t from = author_node(t.author);
      ++weights[{from, node_for(name, name), EdgeType::Mention}];
    }
  }
  // Accounts met only as targets take the spelling of their own rows when they wrote any.
  for (std::uint32_t a = 0; a < corpus.AccountCount(); ++a) {
    const auto it = net.index.find(LowerAscii(corpus.AccountName(a)));
    if (it != net.index.end()) net.nodes[it->second].label = corpus.AccountName(a);
  }
  for (const std::uint32_t i : selection) {
    const auto it = net.index.find(LowerAscii(corpus.AccountName(corpus.At(i).author)));
    if (it != net.index.end()) ++net.nodes[it->second].tweets;
  }
  net.edges.reserve(weights.size());
  for (const auto& [key, weight] : weights) {
    const auto& [from, to, type] = key;
    net.edges.push_back({from, to, type, weight});
    net.nodes[to].in_weight += weight;
  }
  return net;
}

bool DetectCommunities(Network& network) {
  network.communities = 0;
  if (network.nodes.empty()) return true;
  igraph_set_error_handler(igraph_error_handler_ignore);
  igraph_rng_seed(igraph_rng_default(), kLayoutSeed);
  Graph graph;
  Vector weights(static_cast<igraph_integer_t>(network.edges.size()));
  if (!MakeGraph(network, false, graph, weights)) return false;
  IntVector membership(0);
  if (igraph_community_multilevel(&graph.g, &weights.v, 1.0, &membership.v, nullptr, nullptr) !=
      IGRAPH_SUCCESS) {
    return false;
  }
  // Numbered by size so that colours follow the largest groups from one run to the next.
  std::vector<std::size_t> sizes;
  for (std::size_t v = 0; v < network.nodes.size(); ++v) {
    const auto c = static_cast<std::size_t>(VECTOR(membership.v)[v]);
    if (c >= sizes.size()) sizes.resize(c + 1, 0);
    ++sizes[c];
  }
  std::vector<int> order(sizes.size());
  for (std::size_t c = 0; c < order.size(); ++c) order[c] = static_cast<int>(c);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return sizes[static_cast<std::size_t>(a)] > sizes[static_cast<std::size_t>(b)];
  });
  std::vector<int> rank(sizes.size());
  for (std::size_t r = 0; r < order.size(); ++r)
    rank[static_cast<std::size_t>(order[r])] = static_cast<int>(r);
  for (std::size_t v = 0; v < network.nodes.size(); ++v) {
    network.nodes[v].community = rank[static_cast<std::size_t>(VECTOR(membership.v)[v])];
  }
  network.communities = static_cast<int>(sizes.size());
  return true;
}

LayoutOutcome LayoutNetwork(Network& network, const ProgressFn& progress) {
  const auto n = static_cast<igraph_integer_t>(network.nodes.size());
  if (n == 0) return LayoutOutcome::Done;
  igraph_set_error_handler(igraph_error_handler_ignore);
  igraph_rng_seed(igraph_rng_default(), kLayoutSeed);
  Graph graph;
  Vector weights(static_cast<igraph_integer_t>(network.edges.size()));
  if (!MakeGraph(network, false, graph, weights)) return LayoutOutcome::Failed;
  Matrix positions(n, 2);

  igraph_progress_handler_t* old_handler = igraph_set_progress_handler(OnProgress);
  igraph_interruption_handler_t* old_interrupt = igraph_set_interruption_handler(OnInterruptCheck);
  t_progress = &progress;
  t_reported = -1;
  t_stop = false;
  igraph_error_t result = IGRAPH_SUCCESS;
  if (network.nodes.size() <= kForceDirectedLimit) {
    // In rounds, so that the window hears how far it got and can stop between them; each
    // round starts cooler, as one long run would.
    constexpr int kRounds = 10;
    constexpr igraph_integer_t kIterationsPerRound = 50;
    const double start_temp = std::sqrt(static_cast<double>(n)) / 10.0;
    for (int r = 0; r < kRounds && result == IGRAPH_SUCCESS; ++r) {
      if (progress && !progress(static_cast<double>(r) / kRounds)) {
        result = IGRAPH_INTERRUPTED;
        break;
      }
      const double temp = start_temp * (kRounds - r) / kRounds;
      result = igraph_layout_fruchterman_reingold(&graph.g, &positions.m, r > 0,
                                                  kIterationsPerRound, temp, IGRAPH_LAYOUT_AUTOGRID,
                                                  &weights.v, nullptr, nullptr, nullptr, nullptr);
    }
  } else {
    igraph_layout_drl_options_t options;
    igraph_layout_drl_options_init(&options, IGRAPH_LAYOUT_DRL_DEFAULT);
    // DrL's own schedule takes minutes on tens of thousands of accounts. Its stages are cut
    // in proportion so that about kDrlNodeSteps node moves are made in all, and the last,
    // fine-density stage (which costs more than all others together) is left out: the
    // groups are placed, only the finest local order is coarser.
    const double share = std::min(
        1.0, kDrlNodeSteps /
                 (static_cast<double>(n) *
                  static_cast<double>(options.liquid_iterations + options.expansion_iterations +
                                      options.cooldown_iterations + options.crunch_iterations)));
    const auto scaled = [share](igraph_integer_t iterations) {
      return std::max<igraph_integer_t>(
          1, static_cast<igraph_integer_t>(static_cast<double>(iterations) * share));
    };
    options.liquid_iterations = scaled(options.liquid_iterations);
    options.expansion_iterations = scaled(options.expansion_iterations);
    options.cooldown_iterations = scaled(options.cooldown_iterations);
    options.crunch_iterations = scaled(options.crunch_iterations);
    options.simmer_iterations = 0;
    result = igraph_layout_drl(&graph.g, &positions.m, false, &options, &weights.v);
  }
  t_progress = nullptr;
  igraph_set_progress_handler(old_handler);
  igraph_set_interruption_handler(old_interrupt);
  if (result == IGRAPH_INTERRUPTED || t_stop) return LayoutOutcome::Stopped;
  if (result != IGRAPH_SUCCESS) return LayoutOutcome::Failed;
  if (progress && !progress(1.0)) return LayoutOutcome::Stopped;
  for (igraph_integer_t v = 0; v < n; ++v) {
    network.nodes[static_cast<std::size_t>(v)].x = MATRIX(positions.m, v, 0);
    network.nodes[static_cast<std::size_t>(v)].y = MATRIX(positions.m, v, 1);
  }
  return LayoutOutcome::Done;
}

std::vector<std::uint32_t> TweetsOfNode(const TweetCorpus& corpus,
                                        const std::vector<std::uint32_t>& selection,
                                        const Network& network, std::size_t node) {
  std::vector<std::uint32_t> rows;
  if (node >= network.nodes.size()) return rows;
  const std::string key = LowerAscii(network.nodes[node].label);
  std::vector<char> is_author(corpus.AccountCount(), 0);
  for (std::uint32_t a = 0; a < corpus.AccountCount(); ++a) {
    is_author[a] = LowerAscii(corpus.AccountName(a)) == key ? 1 : 0;
  }
  for (const std::uint32_t i : selection) {
    if (is_author[corpus.At(i).author] != 0) rows.push_back(i);
  }
  return rows;
}

}  // namespace wf::view
