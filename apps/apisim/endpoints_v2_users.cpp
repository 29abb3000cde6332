#include <algorithm>
#include <vector>

#include "apisim/endpoints_v2.h"
#include "apisim/faults.h"
#include "apisim/params.h"
#include "apisim/shapes_v2.h"

namespace wf::apisim::v2 {

namespace {

bool ValidUsername(std::string_view name) {
  if (name.empty() || name.size() > 15) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

Answer BadUsername(const char* parameter, const std::string& name) {
  return InvalidRequest(parameter, name,
                        std::string("The `") + parameter + "` query parameter value [" + name +
                            "] does not match ^[A-Za-z0-9_]{1,15}$");
}

// The accounts a lookup names, each found or not; `partial` takes some out.
struct Lookup {
  std::vector<uint32_t> found;
  std::vector<ResourceError> missing;
};

void Resolve(const Corpus& corpus, const std::string& term, std::optional<uint32_t> user,
             const char* parameter, const char* noun, const Knobs& knobs, Lookup& lookup) {
  if (user && !ShareTakes(knobs.partial, corpus.Key(*user).id, kPartialSalt)) {
    if (std::find(lookup.found.begin(), lookup.found.end(), *user) == lookup.found.end())
      lookup.found.push_back(*user);
    return;
  }
  ResourceError e;
  e.value = term;
  e.detail = std::string("Could not find user with ") + noun + ": [" + term + "].";
  e.resource_type = "user";
  e.parameter = parameter;
  lookup.missing.push_back(std::move(e));
}

Answer UserPage(const Corpus& corpus, const Lookup& lookup, const Fields& fields, bool single) {
  std::string out;
  out.reserve(lookup.found.size() * 900 + lookup.missing.size() * 300 + 32);
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject();
  if (!lookup.found.empty()) {
    w.Key("data");
    if (single) {
      WriteUser(w, corpus, lookup.found.front(), fields);
    } else {
      w.BeginArray();
      for (const uint32_t u : lookup.found) WriteUser(w, corpus, u, fields);
      w.EndArray();
    }
  }
  WriteErrors(w, lookup.missing);
  w.EndObject();
  return {200, std::move(out)};
}

std::optional<std::vector<std::string>> ReadList(const Params& p, const char* key,
                                                 Answer* refusal) {
  std::vector<std::string> items = SplitList(params::Get(p, key));
  if (items.empty() || items.size() > 100) {
    *refusal = InvalidRequest(key, params::Get(p, key),
                              std::string("The number of values in the `") + key +
                                  "` query parameter list [" + std::to_string(items.size()) +
                                  "] is not between 1 and 100");
    return std::nullopt;
  }
  return items;
}

}  // namespace

Answer UsersByNames(const Corpus& corpus, const Params& p, const Knobs& knobs) {
  Answer refusal;
  const auto fields = ReadFields(p, false, &refusal);
  if (!fields) return refusal;
  const auto names = ReadList(p, "usernames", &refusal);
  if (!names) return refusal;
  Lookup lookup;
  for (const std::string& name : *names) {
    if (!ValidUsername(name)) return BadUsername("usernames", name);
    Resolve(corpus, name, corpus.FindUserByName(name), "usernames", "usernames", knobs, lookup);
  }
  return UserPage(corpus, lookup, *fields, false);
}

Answer UsersByIds(const Corpus& corpus, const Params& p, const Knobs& knobs) {
  Answer refusal;
  const auto fields = ReadFields(p, false, &refusal);
  if (!fields) return refusal;
  const auto ids = ReadList(p, "ids", &refusal);
  if (!ids) return refusal;
  Lookup lookup;
  for (const std::string& text : *ids) {
    const auto id = params::WholeId(text);
    if (!id)
      return InvalidRequest("ids", text,
                            "The `ids` query parameter value [" + text + "] is not valid");
    Resolve(corpus, text, corpus.FindUserById(*id), "ids", "ids", knobs, lookup);
  }
  return UserPage(corpus, lookup, *fields, false);
}

Answer UserByName(const Corpus& corpus, std::string_view name_view, const Params& p,
                  const Knobs& knobs) {
  Answer refusal;
  const auto fields = ReadFields(p, false, &refusal);
  if (!fields) return refusal;
  const std::string name(name_view);
  if (!ValidUsername(name)) return BadUsername("username", name);
  Lookup lookup;
  Resolve(corpus, name, corpus.FindUserByName(name), "username", "username", knobs, lookup);
  return UserPage(corpus, lookup, *fields, true);
}

Answer Follows(const Corpus& corpus, std::string_view id_text, const Params& p, bool following,
               const Knobs& knobs) {
  Answer refusal;
  const std::string id_string(id_text);
  const auto id = params::WholeId(id_text);
  if (!id)
    return InvalidRequest("id", id_string,
                          "The `id` query parameter value [" + id_string + "] is not valid");
  const auto fields = ReadFields(p, false, &refusal);
  if (!fields) return refusal;
  const auto max_results = ReadMaxResults(p, 100, 1, 1000, &refusal);
  if (!max_results) return refusal;
  const auto user = corpus.FindUserById(*id);
  Lookup none;
  if (!user) {
    Resolve(corpus, id_string, std::nullopt, "id", "id", knobs, none);
    return UserPage(corpus, none, *fields, false);
  }
  if (corpus.Key(*user).is_protected) {
    ResourceError e;
    e.value = id_string;
    e.detail = "Sorry, you are not authorized to see the user with id: [" + id_string + "].";
    e.title = "Authorization Error";
    e.resource_type = "user";
    e.parameter = "id";
    e.type = "https://api.twitter.com/2/problems/not-authorized-for-resource";
    none.missing.push_back(std::move(e));
    return UserPage(corpus, none, *fields, false);
  }
  const TokenKind kind = following ? TokenKind::kFollowing : TokenKind::kFollowers;
  const uint64_t data_key = corpus.config().data_seed;
  const uint32_t total = following ? corpus.FriendCount(*user) : corpus.FollowerCount(*user);
  uint32_t start = 0;
  const std::string token = params::Get(p, "pagination_token");
  if (!token.empty()) {
    const auto at = ReadToken(data_key, kind, *user, token);
    if (!at || *at > total)
      return InvalidRequest("pagination_token", token,
                            "The pagination token [" + token + "] is not valid");
    start = static_cast<uint32_t>(*at);
  }
  const uint32_t count = knobs.page_size != 0 ? knobs.page_size : *max_results;
  const uint32_t end = std::min(total, start + count);

  std::string out;
  out.reserve((end - start) * 900 + 128);
  JsonWriter w(out, JsonWriter::Strings::kUtf8);
  w.BeginObject();
  if (end > start) {
    w.Key("data").BeginArray();
    for (uint32_t i = start; i < end; ++i)
      WriteUser(w, corpus, following ? corpus.FriendAt(*user, i) : corpus.FollowerAt(*user, i),
                *fields);
    w.EndArray();
  }
  w.Key("meta").BeginObject().UNum("result_count", end - start);
  if (end < total) w.Str("next_token", MakeToken(data_key, kind, *user, end));
  w.EndObject().EndObject();
  return {200, std::move(out)};
}

}  // namespace wf::apisim::v2
