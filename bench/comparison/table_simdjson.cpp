// Response to table with simdjson's On-Demand API, the practical speed limit: the same page
// files, the same sixteen columns as text cells.
//   compare_simdjson REPEATS PAGE_FILE...
// Prints "rows=N checksum=C seconds=S bytes=B"; S is the best of REPEATS runs.
#include <simdjson.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pages.h"

namespace {

namespace od = simdjson::ondemand;
using Row = std::array<std::string, 16>;

std::string Text(od::value v) {
  std::string_view s;
  if (v.get_string().get(s) != simdjson::SUCCESS) return {};
  return std::string(s);
}

std::string Number(od::value v) {
  std::int64_t n = 0;
  if (v.get_int64().get(n) != simdjson::SUCCESS) return "0";
  return std::to_string(n);
}

std::string Coordinates(od::value v) {
  if (v.is_null()) return "null";
  od::object point;
  if (v.get_object().get(point) != simdjson::SUCCESS) return {};
  od::array xy;
  if (point["coordinates"].get_array().get(xy) != simdjson::SUCCESS) return {};
  std::string out;
  for (auto x : xy) {
    std::string_view raw = x.raw_json_token();
    while (!raw.empty() && raw.back() == ' ') raw.remove_suffix(1);
    if (!out.empty()) out += ',';
    out += raw;
  }
  return out;
}

void AddRow(od::object tweet, std::vector<Row>& rows) {
  Row row;
  for (auto field : tweet) {
    std::string_view key;
    if (field.unescaped_key().get(key) != simdjson::SUCCESS) continue;
    od::value v = field.value();
    if (key == "created_at") {
      for (char c : Text(v))
        if (c != '+' && c != '-') row[0] += c;
    } else if (key == "full_text") {
      std::string t = Text(v);
      if (!t.empty()) row[2] = std::move(t);
    } else if (key == "text") {
      if (row[2].empty()) row[2] = Text(v);
    } else if (key == "id_str") {
      row[3] = Text(v);
    } else if (key == "coordinates") {
      row[9] = Coordinates(v);
    } else if (key == "retweet_count") {
      row[11] = Number(v);
    } else if (key == "entities") {
      od::array urls;
      if (v["urls"].get_array().get(urls) != simdjson::SUCCESS) continue;
      for (auto u : urls) {
        std::string_view s;
        if (u["expanded_url"].get_string().get(s) == simdjson::SUCCESS) row[12] = s;
      }
    } else if (key == "user") {
      od::object user;
      if (v.get_object().get(user) != simdjson::SUCCESS) continue;
      for (auto uf : user) {
        std::string_view k;
        if (uf.unescaped_key().get(k) != simdjson::SUCCESS) continue;
        od::value uv = uf.value();
        if (k == "screen_name") {
          row[1] = Text(uv);
        } else if (k == "name") {
          row[4] = Text(uv);
        } else if (k == "followers_count") {
          row[5] = Number(uv);
        } else if (k == "friends_count") {
          row[6] = Number(uv);
        } else if (k == "location") {
          row[7] = Text(uv);
        } else if (k == "utc_offset") {
          std::int64_t s = 0;
          row[8] = uv.get_int64().get(s) == simdjson::SUCCESS
                       ? std::to_string(std::llround(static_cast<double>(s) / 3600.0))
                       : "0";
        } else if (k == "statuses_count") {
          row[10] = Number(uv);
        } else if (k == "description") {
          row[15] = Text(uv);
        }
      }
    }
  }
  row[13] = "0";
  row[14] = "0";
  rows.push_back(std::move(row));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: compare_simdjson REPEATS PAGE_FILE...\n");
    return 2;
  }
  const int repeats = std::atoi(argv[1]);
  std::vector<simdjson::padded_string> pages;
  std::uint64_t bytes = 0;
  for (int i = 2; i < argc; ++i) {
    simdjson::padded_string p;
    if (simdjson::padded_string::load(argv[i]).get(p) != simdjson::SUCCESS) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 1;
    }
    bytes += p.size();
    pages.push_back(std::move(p));
  }
  std::vector<Row> rows;
  bool failed = false;
  const double seconds = wf::bench::BestSeconds(repeats, [&] {
    rows.clear();
    rows.shrink_to_fit();
    od::parser parser;
    for (const auto& page : pages) {
      od::document doc;
      if (parser.iterate(page).get(doc) != simdjson::SUCCESS) {
        failed = true;
        continue;
      }
      od::array tweets;
      if (wf::bench::IsSearchPage(std::string_view(page.data(), page.size()))) {
        if (doc["statuses"].get_array().get(tweets) != simdjson::SUCCESS) continue;
      } else if (doc.get_array().get(tweets) != simdjson::SUCCESS) {
        continue;
      }
      for (auto t : tweets) {
        od::object tweet;
        if (t.get_object().get(tweet) == simdjson::SUCCESS) AddRow(tweet, rows);
      }
    }
  });
  if (failed) std::fprintf(stderr, "simdjson rejected a page\n");
  std::int64_t checksum = 0;
  for (const Row& row : rows) {
    checksum += wf::bench::RowChecksum(
        [&](int f) { return std::string_view(row[static_cast<std::size_t>(f - 1)]); });
  }
  std::printf("rows=%zu checksum=%lld seconds=%.6f bytes=%llu\n", rows.size(),
              static_cast<long long>(checksum), seconds, static_cast<unsigned long long>(bytes));
  return 0;
}
