// The API v2 requests of the client: the same operations as v1.1, their answers mapped to the
// v1.1 text the record sets read.
#include "api/twitter_api_v2.h"

#include <algorithm>
#include <cctype>

#include "api/twitter_api.h"
#include "records/v2_mapping.h"
#include "util/leading_number.h"
#include "util/url_encode.h"

namespace wf {
namespace {

constexpr std::size_t kNamesPerRequest = 100;

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

std::string_view WithoutTrailingCommas(std::string_view list) {
  while (!list.empty() && list.back() == ',') list.remove_suffix(1);
  return list;
}

}  // namespace

std::string NextId(std::string_view id) {
  if (id.empty() || id.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::string(id);
  }
  std::string out(id);
  std::size_t i = out.size();
  while (i > 0 && out[i - 1] == '9') out[--i] = '0';
  if (i == 0) {
    out.insert(out.begin(), '1');
  } else {
    ++out[i - 1];
  }
  // "0999" + 1 is "1000"; "0123" + 1 drops the leading zero left over.
  out.erase(0, out.find_first_not_of('0'));
  return out;
}

std::string PointRadius(std::string_view geo_code) {
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = geo_code.find(',', from);
    parts.push_back(geo_code.substr(
        from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
    if (comma == std::string_view::npos) break;
    from = comma + 1;
  }
  if (parts.size() != 3 ||
      std::any_of(parts.begin(), parts.end(), [](std::string_view p) { return p.empty(); })) {
    return {};
  }
  return "point_radius:[" + std::string(parts[1]) + " " + std::string(parts[0]) + " " +
         std::string(parts[2]) + "]";
}

std::string TwitterAPI::RequestV2(const Resource& resource, std::string_view endpoint,
                                  const std::function<void(const std::string&)>& load) {
  next_token_.clear();
  last_missing_.clear();
  stop_reason_.clear();
  error_body_.clear();
  v2_rows_ = 0;
  std::string result = Request(resource, load);
  if (!last_failed_ || error_body_.empty()) return result;
  const V2PageInfo problem = mapping_->Info(error_body_);
  const int status = RoundToInt32(LeadingNumber(last_response_code_)).value_or(0);
  const std::string quoted = problem.detail.empty() ? "" : ": \"" + problem.detail + "\"";
  if (status == 403 &&
      (EndsWith(problem.type, "/client-forbidden") || problem.reason == "client-not-enrolled")) {
    // Asking again cannot help: the key's access level decides.
    stop_reason_ =
        "The access level of this API key does not include " + std::string(endpoint) + quoted;
  } else if (status == 429 && (problem.title == "UsageCapExceeded" ||
                               problem.type.find("usage-capped") != std::string::npos ||
                               error_body_.find("UsageCapExceeded") != std::string::npos)) {
    // Not a 15-minute window: waiting for its reset would wait in vain.
    stop_reason_ =
        "The project's monthly usage cap of the API is reached; no more requests "
        "until it is renewed" +
        quoted;
  }
  return result;
}

std::string TwitterAPI::GetSearchV2(std::string_view query, std::string_view lang,
                                    std::string_view geo_code, std::string_view since_id,
                                    std::string_view until_id, std::string_view start_time,
                                    std::string_view next_token, bool append_tweets) {
  if (bearer_token_.empty() || app_name_.empty() || query.empty()) return {};
  std::string q(query);
  if (!lang.empty()) q += " lang:" + std::string(lang);
  if (const std::string point = PointRadius(geo_code); !point.empty()) q += " " + point;
  const std::string_view endpoint =
      full_archive_ ? "/2/tweets/search/all" : "/2/tweets/search/recent";
  std::string path = std::string(endpoint) + "?query=" + URLEncode(q) +
                     "&max_results=" + (full_archive_ ? "500" : "100") + "&" +
                     std::string(kV2TweetFields) + "&" + std::string(kV2UserFields);
  if (!start_time.empty()) path += "&start_time=" + std::string(start_time);
  if (!since_id.empty()) path += "&since_id=" + std::string(since_id);
  if (!until_id.empty()) path += "&until_id=" + std::string(until_id);
  if (!next_token.empty()) path += "&next_token=" + URLEncode(next_token);
  const Resource r{"GetSearch", std::move(path), 10, &search_, true, true, Retry::AskRepeat};
  return RequestV2(r, "GET " + std::string(endpoint), [&](const std::string& body) {
    V2PageInfo info;
    const auto page = mapping_->SearchPage(body, &info);
    v2_rows_ = static_cast<std::int32_t>(info.rows);
    next_token_ = info.next_token;
    last_missing_ = info.missing;
    if (page && info.rows > 0) {
      tweets_->SetData(*page, append_tweets, true);
    } else if (!append_tweets) {
      tweets_->Clear();
    }
  });
}

std::string TwitterAPI::GetUserTimeLineV2(std::string_view user, bool user_is_screen_name,
                                          std::string_view since_id, std::string_view until_id,
                                          std::string_view pagination_token, bool append_tweets) {
  if (bearer_token_.empty() || app_name_.empty() || user.empty()) return {};
  const std::string id = user_is_screen_name ? UserIdFor(user) : std::string(user);
  if (id.empty()) return std::string(kFailed);
  std::string path = "/2/users/" + URLEncode(id) + "/tweets?max_results=100&" +
                     std::string(kV2TweetFields) + "&" + std::string(kV2UserFields);
  if (!since_id.empty()) path += "&since_id=" + std::string(since_id);
  if (!until_id.empty()) path += "&until_id=" + std::string(until_id);
  if (!pagination_token.empty()) path += "&pagination_token=" + URLEncode(pagination_token);
  const Resource r{"GetUserTimeLine", std::move(path), 5, &utl_, false, false, Retry::AskRepeat};
  return RequestV2(r, "GET /2/users/:id/tweets", [&](const std::string& body) {
    V2PageInfo info;
    const auto page = mapping_->TimelinePage(body, &info);
    v2_rows_ = static_cast<std::int32_t>(info.rows);
    next_token_ = info.next_token;
    last_missing_ = info.missing;
    if (page && info.rows > 0) {
      tweets_->SetData(*page, append_tweets, false);
    } else if (!append_tweets) {
      tweets_->Clear();
    }
  });
}

bool TwitterAPI::ResolveUserIds(const std::vector<std::string>& screen_names) {
  std::vector<std::string> wanted;
  for (const std::string& name : screen_names) {
    if (!name.empty() && !user_ids_.contains(Lower(name)) &&
        std::find(wanted.begin(), wanted.end(), name) == wanted.end()) {
      wanted.push_back(name);
    }
  }
  for (std::size_t i = 0; i < wanted.size(); i += kNamesPerRequest) {
    std::string list;
    for (std::size_t j = i; j < std::min(i + kNamesPerRequest, wanted.size()); ++j) {
      if (!list.empty()) list += ",";
      list += URLEncode(wanted[j]);
    }
    // Only ids are needed, so no user fields: archive readers tell these from lookups by that.
    const Resource r{"GetUsersLookUp", "/2/users/by?usernames=" + list, 5, &ul_, false, false,
                     Retry::AskRepeat};
    RequestV2(r, "GET /2/users/by", [&](const std::string& body) {
      const auto page = mapping_->UserPage(body);
      if (!page) return;
      UserSet found(nullptr);
      found.SetData(*page, false, true);
      for (const UserRecord& u : found.Records()) {
        if (!u.ScreenName.empty() && !u.Id.empty()) user_ids_[Lower(u.ScreenName)] = u.Id;
      }
    });
    if (last_failed_) return false;
  }
  return true;
}

std::string TwitterAPI::ResolvedUserId(std::string_view screen_name) const {
  const auto it = user_ids_.find(Lower(screen_name));
  return it == user_ids_.end() ? std::string() : it->second;
}

std::string TwitterAPI::UserIdFor(std::string_view screen_name) {
  if (!user_ids_.contains(Lower(screen_name)) && !ResolveUserIds({std::string(screen_name)})) {
    return {};
  }
  std::string id = ResolvedUserId(screen_name);
  if (id.empty()) {
    // Answered, but the account is unknown (or suspended): a failure of this request.
    last_failed_ = true;
    last_response_code_ = "Unknown account: " + std::string(screen_name);
  }
  return id;
}

std::string TwitterAPI::GetUsersLookUpV2(std::string_view user_id_list,
                                         std::string_view screen_name_list, bool append_users) {
  const bool by_id = !user_id_list.empty();
  const std::string path =
      (by_id ? "/2/users?ids=" + std::string(WithoutTrailingCommas(user_id_list))
             : "/2/users/by?usernames=" + std::string(WithoutTrailingCommas(screen_name_list))) +
      "&" + std::string(kV2UserFields);
  const Resource r{"GetUsersLookUp", path, 5, &ul_, false, false, Retry::AskRepeat};
  return RequestV2(r, by_id ? "GET /2/users" : "GET /2/users/by", [&](const std::string& body) {
    V2PageInfo info;
    const auto page = mapping_->UserPage(body, &info);
    v2_rows_ = static_cast<std::int32_t>(info.rows);
    last_missing_ = info.missing;
    if (page && info.rows > 0) {
      users_->SetData(*page, append_users, true);
    } else if (!append_users) {
      users_->Clear();
    }
  });
}

std::string TwitterAPI::GetFollowListV2(bool followers, std::string_view user_id,
                                        std::string_view screen_name, bool append_users) {
  const std::string id = user_id.empty() ? UserIdFor(screen_name) : std::string(user_id);
  if (id.empty()) return std::string(kFailed);
  const std::string token = users_->NextCursor();
  std::string path = "/2/users/" + URLEncode(id) + (followers ? "/followers" : "/following") +
                     "?max_results=1000&" + std::string(kV2UserFields);
  if (!token.empty() && token != "-1" && token != "0") {
    path += "&pagination_token=" + URLEncode(token);
  }
  const Resource r{followers ? "GetFollowersList" : "GetFriendsList",
                   std::move(path),
                   5,
                   followers ? &fl_ : &fr_,
                   false,
                   false,
                   Retry::AskResendOnce};
  const std::string endpoint =
      followers ? "GET /2/users/:id/followers" : "GET /2/users/:id/following";
  return RequestV2(r, endpoint, [&](const std::string& body) {
    V2PageInfo info;
    const auto page = mapping_->UserPage(body, &info);
    v2_rows_ = static_cast<std::int32_t>(info.rows);
    next_token_ = info.next_token;
    last_missing_ = info.missing;
    if (!page) return;  // unreadable: the cursor stays, so the page is asked for again
    if (info.rows > 0) users_->SetData(*page, append_users, true);
    // The user set pages by cursor: the token is the next one, "0" after the last page.
    users_->SetNextCursor(info.next_token.empty() ? "0" : info.next_token);
  });
}

}  // namespace wf
