#include "series.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "tweet_text.h"
#include "util/date_time.h"

namespace wf::view {
namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 24 * kHour;
constexpr std::int64_t kWeek = 7 * kDay;

std::int64_t FloorTo(std::int64_t value, std::int64_t step) {
  std::int64_t q = value / step;
  if (value % step < 0) --q;
  return q * step;
}

std::vector<TopItem> Sorted(const std::unordered_map<std::string, std::uint64_t>& counts) {
  std::vector<TopItem> items;
  items.reserve(counts.size());
  for (const auto& [item, count] : counts) items.push_back({item, count});
  std::sort(items.begin(), items.end(), [](const TopItem& a, const TopItem& b) {
    return a.count != b.count ? a.count > b.count : a.item < b.item;
  });
  return items;
}

}  // namespace

std::string_view BinName(BinSize bin) {
  switch (bin) {
    case BinSize::Hour:
      return "hour";
    case BinSize::Day:
      return "day";
    case BinSize::Week:
      return "week";
  }
  return "day";
}

std::optional<BinSize> BinFromName(std::string_view name) {
  for (BinSize b : {BinSize::Hour, BinSize::Day, BinSize::Week}) {
    if (BinName(b) == name) return b;
  }
  return std::nullopt;
}

BinSize AutoBin(std::int64_t first, std::int64_t last) {
  const std::int64_t span = last - first;
  if (span <= 2 * kDay) return BinSize::Hour;
  if (span <= 90 * kDay) return BinSize::Day;
  return BinSize::Week;
}

std::int64_t BinLength(BinSize bin) {
  return bin == BinSize::Hour ? kHour : bin == BinSize::Day ? kDay : kWeek;
}

std::int64_t BinStart(std::int64_t time, BinSize bin) {
  if (bin != BinSize::Week) return FloorTo(time, BinLength(bin));
  // Day 0 (1970-01-01) was a Thursday; Mondays are 4 days later, modulo 7.
  return FloorTo(time - 4 * kDay, kWeek) + 4 * kDay;
}

Summary Summarise(const TweetCorpus& corpus, const std::vector<std::uint32_t>& selection) {
  Summary s;
  std::vector<bool> seen(corpus.AccountCount(), false);
  double sum_positive = 0;
  double sum_negative = 0;
  for (const std::uint32_t i : selection) {
    const Tweet& t = corpus.At(i);
    ++s.tweets;
    if (!seen[t.author]) {
      seen[t.author] = true;
      ++s.accounts;
    }
    if (t.retweet) ++s.retweets;
    sum_positive += t.positive;
    sum_negative += t.negative;
    if (t.time == kNoTime) {
      ++s.undated;
      continue;
    }
    if (!s.first || t.time < *s.first) s.first = t.time;
    if (!s.last || t.time > *s.last) s.last = t.time;
  }
  if (s.tweets > 0) {
    s.mean_positive = sum_positive / static_cast<double>(s.tweets);
    s.mean_negative = sum_negative / static_cast<double>(s.tweets);
  }
  return s;
}

std::vector<Bin> BinSeries(const TweetCorpus& corpus, const std::vector<std::uint32_t>& selection,
                           BinSize& bin) {
  std::int64_t first = 0;
  std::int64_t last = -1;
  bool any = false;
  for (const std::uint32_t i : selection) {
    const std::int64_t time = corpus.At(i).time;
    if (time == kNoTime) continue;
    if (!any || time < first) first = time;
    if (!any || time > last) last = time;
    any = true;
  }
  if (!any) return {};
  auto bins_for = [&](BinSize b) {
    return static_cast<std::uint64_t>((BinStart(last, b) - BinStart(first, b)) / BinLength(b)) + 1;
  };
  if (bin == BinSize::Hour && bins_for(bin) > kMaxBins) bin = BinSize::Day;
  if (bin == BinSize::Day && bins_for(bin) > kMaxBins) bin = BinSize::Week;
  if (bins_for(bin) > kMaxBins) return {};
  const std::int64_t length = BinLength(bin);
  const std::int64_t origin = BinStart(first, bin);
  const auto count = static_cast<std::size_t>(bins_for(bin));
  std::vector<Bin> bins(count);
  for (std::size_t k = 0; k < count; ++k) {
    bins[k].start = origin + static_cast<std::int64_t>(k) * length;
  }
  for (const std::uint32_t i : selection) {
    const Tweet& t = corpus.At(i);
    if (t.time == kNoTime) continue;
    Bin& b = bins[static_cast<std::size_t>((t.time - origin) / length)];
    ++b.tweets;
    if (t.retweet) ++b.retweets;
    b.sum_positive += t.positive;
    b.sum_negative += t.negative;
    const float magnitude = std::fabs(t.negative);
    if (t.positive > magnitude) ++b.positive;
    if (magnitude > t.positive) ++b.negative;
  }
  return bins;
}

TopLists CountTopLists(const TweetCorpus& corpus, const std::vector<std::uint32_t>& selection) {
  std::vector<std::uint64_t> by_author(corpus.AccountCount(), 0);
  std::unordered_map<std::string, std::uint64_t> hashtags;
  std::unordered_map<std::string, std::uint64_t> mentions;
  std::unordered_map<std::string, std::uint64_t> domains;
  for (const std::uint32_t i : selection) {
    const Tweet& t = corpus.At(i);
    ++by_author[t.author];
    const std::string_view text = corpus.Text(t);
    if (text.find('#') != std::string_view::npos) {
      for (std::string& tag : Hashtags(text)) ++hashtags[std::move(tag)];
    }
    if (text.find('@') != std::string_view::npos) {
      for (std::string& name : MentionedAccounts(text)) ++mentions[std::move(name)];
    }
    const std::string_view link = corpus.Link(t);
    if (!link.empty()) {
      std::string domain = LinkDomain(link);
      if (!domain.empty()) ++domains[std::move(domain)];
    }
  }
  TopLists lists;
  for (std::uint32_t a = 0; a < by_author.size(); ++a) {
    if (by_author[a] > 0) lists.accounts.push_back({corpus.AccountName(a), by_author[a]});
  }
  std::sort(lists.accounts.begin(), lists.accounts.end(), [](const TopItem& a, const TopItem& b) {
    return a.count != b.count ? a.count > b.count : a.item < b.item;
  });
  lists.hashtags = Sorted(hashtags);
  lists.mentions = Sorted(mentions);
  lists.domains = Sorted(domains);
  return lists;
}

std::string IsoDateTime(std::int64_t time) {
  const CivilDateTime dt = FromSerialSeconds(time);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", dt.year, dt.month, dt.day,
                dt.hour, dt.minute, dt.second);
  return buf;
}

}  // namespace wf::view
