// Scoring speed of the sentiment classifier on a million tweet texts: in memory, and through
// the tool's whole file road (read the input, score, write the output).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "classifier.h"
#include "score_file.h"
#include "util/cp1252.h"

namespace {

constexpr std::size_t kTexts = 1'000'000;

// Real tweets: the development set's texts, repeated to a million.
const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = [] {
    std::ifstream in(std::string(WF_TESTDATA_DIR) + "/sentiment/dev.tsv", std::ios::binary);
    std::vector<std::string> base;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
      const std::size_t t2 = line.find('\t', line.find('\t') + 1);
      if (t2 != std::string::npos) base.push_back(wf::Utf8ToCp1252(line.substr(t2 + 1)));
    }
    std::vector<std::string> out;
    if (base.empty()) return out;
    out.reserve(kTexts);
    for (std::size_t i = 0; i < kTexts; ++i) out.push_back(base[i % base.size()]);
    return out;
  }();
  return texts;
}

const wf::senti::Classifier* Shipped() {
  static const std::optional<wf::senti::Classifier> c =
      wf::senti::Classifier::Load(WF_SENTI_DATA_DIR, nullptr);
  return c ? &*c : nullptr;
}

void BM_ScoreMillionTexts(benchmark::State& state) {
  const auto* c = Shipped();
  const auto& texts = Texts();
  if (c == nullptr || texts.empty()) {
    state.SkipWithError("word lists or dev.tsv missing");
    return;
  }
  for (auto _ : state) {
    int sum = 0;
    for (const std::string& t : texts) {
      const wf::senti::Scores s = c->Score(t);
      sum += s.positive + s.negative;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}
BENCHMARK(BM_ScoreMillionTexts)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScoreMillionLineFile(benchmark::State& state) {
  const auto* c = Shipped();
  const auto& texts = Texts();
  if (c == nullptr || texts.empty()) {
    state.SkipWithError("word lists or dev.tsv missing");
    return;
  }
  const std::string input = (std::filesystem::temp_directory_path() /
                             ("wf-senti-bench-" + std::to_string(::getpid()) + ".txt"))
                                .string();
  {
    std::ofstream out(input, std::ios::binary);
    for (const std::string& t : texts) out << t << "\r\n";
  }
  std::string error;
  for (auto _ : state) {
    if (!wf::senti::ScoreFile(*c, input, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
  std::remove(input.c_str());
  std::remove(wf::senti::OutputPathFor(input).c_str());
}
BENCHMARK(BM_ScoreMillionLineFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
