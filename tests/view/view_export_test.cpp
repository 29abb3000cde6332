// The headless export: its files, read back as Gephi and networkx would, its exit statuses,
// and the export of a table collected from the API simulator.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QXmlStreamReader>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli_run.h"
#include "export_run.h"
#include "support-apisim/test_server.h"
#include "support/test_paths.h"
#include "table_builder.h"

namespace wf::view {
namespace {

using test::Row;

struct Graph {
  std::map<QString, QString> keys;  // GraphML key id -> attribute name
  std::vector<std::map<QString, QString>> nodes;
  std::vector<std::map<QString, QString>> edges;
};

// Nodes and edges with their attributes by name, from either format.
Graph ReadGraph(const QString& path) {
  Graph g;
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  QXmlStreamReader xml(&file);
  std::map<QString, QString>* current = nullptr;
  QString data_key;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    const auto name = xml.name();
    const auto a = xml.attributes();
    if (name == QStringLiteral("key")) {
      g.keys[a.value(QStringLiteral("id")).toString()] =
          a.value(QStringLiteral("attr.name")).toString();
    } else if (name == QStringLiteral("node") || name == QStringLiteral("edge")) {
      auto& list = name == QStringLiteral("node") ? g.nodes : g.edges;
      list.emplace_back();
      current = &list.back();
      for (const auto& attr : a) (*current)[attr.name().toString()] = attr.value().toString();
    } else if (name == QStringLiteral("data") && current != nullptr) {
      (*current)[g.keys[a.value(QStringLiteral("key")).toString()]] = xml.readElementText();
    } else if (name == QStringLiteral("attvalue") && current != nullptr) {
      (*current)[a.value(QStringLiteral("for")).toString()] =
          a.value(QStringLiteral("value")).toString();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return g;
}

int Export(const std::vector<std::string>& args, std::string* err = nullptr) {
  const ViewOptions options = ParseViewOptions(args);
  EXPECT_TRUE(options.error.empty()) << options.error;
  std::ostringstream out;
  std::ostringstream errors;
  const int code = RunExport(options, out, errors);
  if (err != nullptr) *err = errors.str();
  return code;
}

TEST(ViewExport, WritesEveryFileAndTheNetworkReadsBack) {
  wf::test::TempDir dir;
  const std::string table = dir.File("t.txt");
  wf::test::WriteBytes(table,
                       test::Table({
                           {"27/08/2008 10:00:00", "Ann", "RT @bob: <b>&</b>", "", "1", "-2"},
                           {"27/08/2008 10:30:00", "ann", "RT @BOB: again @cy", "", "0", "0"},
                           {"29/08/2008 11:00:00", "bob", "@Ann \"quoted\"", "", "3", "-1"},
                       }));
  const std::string out = dir.File("out");
  ASSERT_EQ(Export({"--export", out, table}), 0);
  for (const char* name :
       {"summary.json", "volume.csv", "sentiment.csv", "top_accounts.csv", "top_hashtags.csv",
        "top_mentions.csv", "top_domains.csv", "network.graphml", "network.gexf", "volume.svg",
        "volume.png", "sentiment.svg", "sentiment.png", "network.svg", "network.png"}) {
    EXPECT_TRUE(std::filesystem::exists(out + "/" + name)) << name;
  }
  const std::string summary = wf::test::ReadBytes(out + "/summary.json");
  EXPECT_NE(summary.find("\"tweets\": 3,"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\"accounts\": 2,"), std::string::npos);
  EXPECT_NE(summary.find("\"retweets\": 2,"), std::string::npos);
  EXPECT_NE(summary.find("\"mean_negative\": -1,"), std::string::npos);
  EXPECT_NE(summary.find("\"bin\": \"day\""), std::string::npos);  // two days apart
  EXPECT_EQ(wf::test::ReadBytes(out + "/volume.csv"),
            "bin_start,tweets,retweets\n2008-08-27 00:00:00,2,2\n2008-08-28 00:00:00,0,0\n"
            "2008-08-29 00:00:00,1,0\n");
  EXPECT_EQ(wf::test::ReadBytes(out + "/top_mentions.csv"), "item,count\nann,1\ncy,1\n");
  EXPECT_FALSE(QImage(QString::fromStdString(out + "/volume.png")).isNull());
  EXPECT_FALSE(QImage(QString::fromStdString(out + "/network.png")).isNull());

  for (const char* file : {"/network.graphml", "/network.gexf"}) {
    const Graph g = ReadGraph(QString::fromStdString(out + file));
    ASSERT_EQ(g.nodes.size(), 3u) << file;
    ASSERT_EQ(g.edges.size(), 3u) << file;
    std::map<QString, QString> by_id;
    for (const auto& n : g.nodes) {
      by_id[n.at(QStringLiteral("id"))] = n.at(QStringLiteral("label"));
      EXPECT_TRUE(n.count(QStringLiteral("community"))) << file;
    }
    EXPECT_EQ(g.nodes[0].at(QStringLiteral("label")), QStringLiteral("Ann"));
    EXPECT_EQ(g.nodes[0].at(QStringLiteral("tweets")).toDouble(), 2);
    std::vector<QString> edges;
    for (const auto& e : g.edges) {
      edges.push_back(by_id[e.at(QStringLiteral("source"))] + ">" +
                      by_id[e.at(QStringLiteral("target"))] + ":" + e.at(QStringLiteral("type")) +
                      ":" + QString::number(e.at(QStringLiteral("weight")).toDouble()));
    }
    EXPECT_EQ(edges,
              (std::vector<QString>{"Ann>bob:retweet:2", "Ann>cy:mention:1", "bob>Ann:mention:1"}))
        << file;
  }

  // Without the network: no network files; a good earlier file is not replaced by a failure.
  const std::string lean = dir.File("lean");
  ASSERT_EQ(Export({"--export", lean, table, "--no-network", "--bin", "hour"}), 0);
  EXPECT_FALSE(std::filesystem::exists(lean + "/network.graphml"));
  EXPECT_NE(wf::test::ReadBytes(lean + "/summary.json").find("\"bin\": \"hour\""),
            std::string::npos);
  std::string err;
  EXPECT_EQ(Export({"--export", lean, dir.File("missing.txt")}, &err), 1);
  EXPECT_NE(err.find("missing.txt"), std::string::npos);
  EXPECT_NE(wf::test::ReadBytes(lean + "/summary.json").find("\"tweets\": 3,"), std::string::npos);
}

TEST(ViewExport, ExitStatusesOfTheProgram) {
  auto run = [](const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral(WF_VIEW_EXE), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    if (out != nullptr)
      *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitCode();
  };
  QString text;
  EXPECT_EQ(run({QStringLiteral("--help")}, &text), 0);
  EXPECT_TRUE(text.contains(QStringLiteral("--export DIR FILE")));
  EXPECT_EQ(run({QStringLiteral("--version")}, &text), 0);
  EXPECT_EQ(text, QStringLiteral("Version " WF_VERSION "\n"));
  EXPECT_EQ(run({QStringLiteral("--export"), QStringLiteral("/tmp/x")}, &text), 2);
  EXPECT_TRUE(text.contains(QStringLiteral("--export needs a tweet table file")));
  EXPECT_EQ(run({QStringLiteral("--bogus")}), 2);
  EXPECT_EQ(run({QStringLiteral("--export"), QStringLiteral("/tmp/x"), QStringLiteral("--bin=year"),
                 QStringLiteral("t.txt")}),
            2);
  wf::test::TempDir dir;
  EXPECT_EQ(run({QStringLiteral("--export"), QString::fromStdString(dir.File("o")),
                 QString::fromStdString(dir.File("none.txt"))},
                &text),
            1);
  EXPECT_TRUE(text.contains(QStringLiteral("none.txt")));
}

TEST(ViewExport, ATableCollectedFromTheSimulator) {
  apisim::ServerConfig config;
  config.corpus.users = 2000;
  config.corpus.search_tweets = 2500;
  apisim::TestServer server(config);
  wf::test::TempDir dir;
  const std::vector<std::string> service = {"--api", server.BaseUrl(), "--data-dir",
                                            dir.File("data")};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), service.begin(), service.end());
    return args;
  };
  ASSERT_EQ(
      cli::Cli(with({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret"}))
          .code,
      0);
  const std::string table = dir.File("t.txt");
  const cli::CliRun search =
      cli::Cli(with({"search", "skein AND twitter", "-o", table, "--headers"}));
  ASSERT_EQ(search.code, 0) << search.err;

  const std::string out = dir.File("out");
  std::string err;
  ASSERT_EQ(Export({"--export", out, table}, &err), 0) << err;
  std::size_t rows = 0;
  const std::string text = wf::test::ReadBytes(table);
  for (std::size_t at = text.find("\r\n"); at != std::string::npos;
       at = text.find("\r\n", at + 2)) {
    ++rows;
  }
  const std::string summary = wf::test::ReadBytes(out + "/summary.json");
  EXPECT_NE(summary.find("\"tweets\": " + std::to_string(rows - 1) + ","), std::string::npos)
      << summary;  // every row but the header
  const Graph g = ReadGraph(QString::fromStdString(out + "/network.gexf"));
  EXPECT_GT(g.nodes.size(), 10u);
  EXPECT_GT(g.edges.size(), 10u);
  EXPECT_NE(wf::test::ReadBytes(out + "/top_hashtags.csv").find('\n'), std::string::npos);
  const std::string retweets = wf::test::ReadBytes(out + "/volume.csv");
  EXPECT_GT(std::count(retweets.begin(), retweets.end(), '\n'), 1);
}

}  // namespace
}  // namespace wf::view
