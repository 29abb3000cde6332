#pragma once

#include <string>
#include <vector>

#include "network.h"
#include "series.h"
#include "tweet_corpus.h"

// The files the visualiser exports: text forms here, and one call writing them all.
namespace wf::view {

std::string SummaryJson(const Summary& summary, BinSize bin, const std::string& file,
                        const Filter& filter);
std::string VolumeCsv(const std::vector<Bin>& bins);     // bin_start,tweets,retweets
std::string SentimentCsv(const std::vector<Bin>& bins);  // bin_start,tweets,means,shares
std::string TopCsv(const std::vector<TopItem>& items);   // item,count
// GEXF 1.3: node attributes tweets and community (label as the node's own), edge attributes
// type and weight, and the layout as viz positions.
std::string GexfText(const Network& network);
// GraphML as igraph writes it: node attributes label, tweets, community; edge type, weight.
bool GraphmlText(const Network& network, std::string& out, std::string* error);

// Everything a view shows of one selection, computed once.
struct Analysis {
  Filter filter;
  std::vector<std::uint32_t> selection;
  Summary summary;
  BinSize bin = BinSize::Day;
  std::vector<Bin> bins;
  TopLists top;
};

// Selects the rows and works out every figure; `bin` empty: chosen from the span.
Analysis Analyse(const TweetCorpus& corpus, const Filter& filter, std::optional<BinSize> bin);

// Writes summary.json, volume.csv, sentiment.csv and the four top_*.csv into `dir` (made when
// missing), and with a network also network.graphml and network.gexf. Each file appears whole
// or not at all. False with `error` naming the file that failed.
bool WriteDataFiles(const std::string& dir, const TweetCorpus& corpus, const Analysis& analysis,
                    const Network* network, std::string* error);

}  // namespace wf::view
