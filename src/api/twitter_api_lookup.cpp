// Tweet lookup by id (hydration of shared id lists), v1.1 and v2.
#include <unordered_map>

#include "api/twitter_api.h"
#include "api/twitter_api_v2.h"
#include "records/v2_mapping.h"

namespace wf {
namespace {

std::string JoinIds(const std::vector<std::string>& ids) {
  std::string list;
  for (const std::string& id : ids) {
    if (!list.empty()) list += ",";
    list += id;
  }
  return list;
}

}  // namespace

void TwitterAPI::AddLookedUp(TweetSet& found, const std::vector<std::string>& ids,
                             const std::unordered_map<std::string, std::string>& reasons,
                             bool append) {
  std::unordered_map<std::string_view, std::size_t> at;
  at.reserve(found.Records().size());
  for (std::size_t i = 0; i < found.Records().size(); ++i) {
    at.emplace(found.Records()[i].TweetID, i);
  }
  std::vector<TweetRecord> ordered;
  ordered.reserve(found.Records().size());
  for (const std::string& id : ids) {
    const auto it = at.find(id);
    if (it != at.end() && it->second != SIZE_MAX) {
      ordered.push_back(found.Records()[it->second]);
      it->second = SIZE_MAX;  // an id asked twice gives its tweet once
      continue;
    }
    if (it != at.end()) continue;
    const auto why = reasons.find(id);
    last_missing_tweets_.push_back({id, why != reasons.end()
                                            ? why->second
                                            : std::string(api_version_ == 2 ? "" : "not found")});
  }
  if (!append) tweets_->Clear();
  last_lookup_count_ = static_cast<std::int32_t>(ordered.size());
  tweets_->AppendRecords(std::move(ordered));
}

std::string TwitterAPI::GetTweetsLookUp(const std::vector<std::string>& ids, bool append_tweets) {
  last_missing_tweets_.clear();
  last_lookup_count_ = 0;
  if (bearer_token_.empty() || app_name_.empty() || ids.empty()) return {};
  const std::string list = JoinIds(ids);
  auto load = [&](std::string_view body, bool v2) {
    TweetSet found(ui_);
    found.SetFullText(tweets_->FullText());
    std::unordered_map<std::string, std::string> reasons;
    if (v2) {
      V2PageInfo info;
      const auto page = mapping_->TimelinePage(body, &info);
      v2_rows_ = static_cast<std::int32_t>(info.rows);
      last_missing_ = info.missing;
      for (std::size_t i = 0; i < info.missing.size(); ++i) {
        reasons[info.missing[i]] =
            i < info.missing_reasons.size() ? info.missing_reasons[i] : std::string();
      }
      if (page && info.rows > 0) found.SetData(*page, false, false);
    } else {
      found.SetData(body, false, false);
    }
    AddLookedUp(found, ids, reasons, append_tweets);
  };
  if (api_version_ == 2) {
    const Resource r{"GetTweetsLookUp",
                     "/2/tweets?ids=" + list + "&" + std::string(kV2TweetFields) + "&" +
                         std::string(kV2UserFields),
                     5,
                     &tl_,
                     false,
                     false,
                     Retry::AskRepeat};
    return RequestV2(r, "GET /2/tweets", [&](const std::string& body) { load(body, true); });
  }
  const Resource r{"GetTweetsLookUp",
                   "/1.1/statuses/lookup.json?id=" + list + "&tweet_mode=extended",
                   5,
                   &tl_,
                   false,
                   false,
                   Retry::AskRepeat};
  return Request(r, [&](const std::string& body) { load(body, false); });
}

}  // namespace wf
