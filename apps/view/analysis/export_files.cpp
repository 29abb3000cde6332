#include "export_files.h"

#include <igraph/igraph.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "util/file_io.h"

namespace wf::view {
namespace {

std::string Number(double value) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : "0";
}

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// CSV cell: quoted when it holds a comma, quote or line break.
std::string CsvCell(std::string_view s) {
  if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
  std::string out = "\"";
  for (const char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string XmlText(std::string_view s) {
  std::string out;
  for (const char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // XML 1.0 allows no control characters but TAB, CR and LF.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

// igraph keeps attributes only while an attribute handler is installed; this one is
// installed for the length of the GraphML write alone.
struct AttributeScope {
  igraph_attribute_table_t* old = igraph_set_attribute_table(&igraph_cattribute_table);
  ~AttributeScope() { igraph_set_attribute_table(old); }
};

}  // namespace

std::string SummaryJson(const Summary& summary, BinSize bin, const std::string& file,
                        const Filter& filter) {
  std::string out = "{\n";
  out += "  \"file\": " + JsonString(file) + ",\n";
  out += "  \"filter\": " + JsonString(filter.Describe()) + ",\n";
  out += "  \"tweets\": " + std::to_string(summary.tweets) + ",\n";
  out += "  \"accounts\": " + std::to_string(summary.accounts) + ",\n";
  out += "  \"retweets\": " + std::to_string(summary.retweets) + ",\n";
  out += "  \"undated\": " + std::to_string(summary.undated) + ",\n";
  out +=
      "  \"first\": " + (summary.first ? JsonString(IsoDateTime(*summary.first)) : "null") + ",\n";
  out += "  \"last\": " + (summary.last ? JsonString(IsoDateTime(*summary.last)) : "null") + ",\n";
  out += "  \"mean_positive\": " + Number(summary.mean_positive) + ",\n";
  out += "  \"mean_negative\": " + Number(summary.mean_negative) + ",\n";
  out += "  \"bin\": " + JsonString(BinName(bin)) + "\n";
  return out + "}\n";
}

std::string VolumeCsv(const std::vector<Bin>& bins) {
  std::string out = "bin_start,tweets,retweets\n";
  for (const Bin& b : bins) {
    out += IsoDateTime(b.start) + "," + std::to_string(b.tweets) + "," +
           std::to_string(b.retweets) + "\n";
  }
  return out;
}

std::string SentimentCsv(const std::vector<Bin>& bins) {
  std::string out = "bin_start,tweets,mean_positive,mean_negative,share_positive,share_negative\n";
  for (const Bin& b : bins) {
    out += IsoDateTime(b.start) + "," + std::to_string(b.tweets) + "," + Number(b.MeanPositive()) +
           "," + Number(b.MeanNegative()) + "," + Number(b.SharePositive()) + "," +
           Number(b.ShareNegative()) + "\n";
  }
  return out;
}

std::string TopCsv(const std::vector<TopItem>& items) {
  std::string out = "item,count\n";
  for (const TopItem& t : items) out += CsvCell(t.item) + "," + std::to_string(t.count) + "\n";
  return out;
}

std::string GexfText(const Network& network) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gexf xmlns=\"http://gexf.net/1.3\" xmlns:viz=\"http://gexf.net/1.3/viz\" "
      "version=\"1.3\">\n"
      "  <meta><creator>wrenfold-view " WF_VERSION
      "</creator></meta>\n"
      "  <graph mode=\"static\" defaultedgetype=\"directed\">\n"
      "    <attributes class=\"node\">\n"
      "      <attribute id=\"tweets\" title=\"tweets\" type=\"integer\"/>\n"
      "      <attribute id=\"community\" title=\"community\" type=\"integer\"/>\n"
      "    </attributes>\n"
      "    <attributes class=\"edge\">\n"
      "      <attribute id=\"type\" title=\"type\" type=\"string\"/>\n"
      "    </attributes>\n"
      "    <nodes>\n";
  for (std::size_t v = 0; v < network.nodes.size(); ++v) {
    const NetworkNode& n = network.nodes[v];
    out += "      <node id=\"n" + std::to_string(v) + "\" label=\"" + XmlText(n.label) + "\">";
    out += "<attvalues><attvalue for=\"tweets\" value=\"" + std::to_string(n.tweets) +
           "\"/><attvalue for=\"community\" value=\"" + std::to_string(n.community) +
           "\"/></attvalues>";
    out += "<viz:position x=\"" + Number(n.x) + "\" y=\"" + Number(n.y) + "\" z=\"0\"/>";
    out += "</node>\n";
  }
  out += "    </nodes>\n    <edges>\n";
  for (std::size_t e = 0; e < network.edges.size(); ++e) {
    const NetworkEdge& ed = network.edges[e];
    out += "      <edge id=\"e" + std::to_string(e) + "\" source=\"n" + std::to_string(ed.from) +
           "\" target=\"n" + std::to_string(ed.to) + "\" weight=\"" + std::to_string(ed.weight) +
           "\"><attvalues><attvalue for=\"type\" value=\"" + std::string(EdgeTypeName(ed.type)) +
           "\"/></attvalues></edge>\n";
  }
  out += "    </edges>\n  </graph>\n</gexf>\n";
  return out;
}

bool GraphmlText(const Network& network, std::string& out, std::string* error) {
  auto fail = [&](const char* why) {
    if (error != nullptr) *error = why;
    return false;
  };
  igraph_set_error_handler(igraph_error_handler_ignore);
  AttributeScope attributes;
  igraph_vector_int_t ends;
  igraph_vector_int_init(&ends, static_cast<igraph_integer_t>(network.edges.size() * 2));
  for (std::size_t e = 0; e < network.edges.size(); ++e) {
    VECTOR(ends)[2 * e] = network.edges[e].from;
    VECTOR(ends)[2 * e + 1] = network.edges[e].to;
  }
  igraph_t g;
  const igraph_error_t made =
      igraph_create(&g, &ends, static_cast<igraph_integer_t>(network.nodes.size()), true);
  igraph_vector_int_destroy(&ends);
  if (made != IGRAPH_SUCCESS) return fail("igraph could not build the graph");
  bool ok = true;
  for (std::size_t v = 0; v < network.nodes.size() && ok; ++v) {
    const auto id = static_cast<igraph_integer_t>(v);
    ok = SETVAS(&g, "label", id, network.nodes[v].label.c_str()) == IGRAPH_SUCCESS &&
         SETVAN(&g, "tweets", id, network.nodes[v].tweets) == IGRAPH_SUCCESS &&
         SETVAN(&g, "community", id, network.nodes[v].community) == IGRAPH_SUCCESS;
  }
  for (std::size_t e = 0; e < network.edges.size() && ok; ++e) {
    const auto id = static_cast<igraph_integer_t>(e);
    ok = SETEAS(&g, "type", id, std::string(EdgeTypeName(network.edges[e].type)).c_str()) ==
             IGRAPH_SUCCESS &&
         SETEAN(&g, "weight", id, network.edges[e].weight) == IGRAPH_SUCCESS;
  }
  char* buffer = nullptr;
  std::size_t size = 0;
  FILE* stream = ok ? open_memstream(&buffer, &size) : nullptr;
  if (stream != nullptr) {
    ok = igraph_write_graph_graphml(&g, stream, false) == IGRAPH_SUCCESS;
    ok = std::fclose(stream) == 0 && ok;
    if (ok) out.assign(buffer, size);
  } else {
    ok = false;
  }
  std::free(buffer);
  igraph_destroy(&g);
  return ok || fail("igraph could not write the GraphML text");
}

Analysis Analyse(const TweetCorpus& corpus, const Filter& filter, std::optional<BinSize> bin) {
  Analysis a;
  a.filter = filter;
  a.selection = Select(corpus, filter);
  a.summary = Summarise(corpus, a.selection);
  a.bin =
      bin ? *bin : (a.summary.first ? AutoBin(*a.summary.first, *a.summary.last) : BinSize::Day);
  a.bins = BinSeries(corpus, a.selection, a.bin);
  a.top = CountTopLists(corpus, a.selection);
  return a;
}

bool WriteDataFiles(const std::string& dir, const TweetCorpus& corpus, const Analysis& analysis,
                    const Network* network, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir)) {
    if (error != nullptr) *error = "cannot make the folder " + dir + ": " + ec.message();
    return false;
  }
  std::vector<std::pair<std::string, std::string>> files = {
      {"summary.json", SummaryJson(analysis.summary, analysis.bin, corpus.Path(), analysis.filter)},
      {"volume.csv", VolumeCsv(analysis.bins)},
      {"sentiment.csv", SentimentCsv(analysis.bins)},
      {"top_accounts.csv", TopCsv(analysis.top.accounts)},
      {"top_hashtags.csv", TopCsv(analysis.top.hashtags)},
      {"top_mentions.csv", TopCsv(analysis.top.mentions)},
      {"top_domains.csv", TopCsv(analysis.top.domains)},
  };
  if (network != nullptr) {
    std::string graphml;
    if (!GraphmlText(*network, graphml, error)) return false;
    files.emplace_back("network.graphml", std::move(graphml));
    files.emplace_back("network.gexf", GexfText(*network));
  }
  for (const auto& [name, text] : files) {
    const std::string path = (fs::path(dir) / name).string();
    std::string why;
    if (!WriteFileAtomically(path, text, &why)) {
      if (error != nullptr) *error = "cannot write " + path + ": " + why;
      return false;
    }
  }
  return true;
}

}  // namespace wf::view
