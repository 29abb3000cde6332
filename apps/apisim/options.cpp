#include "apisim/options.h"

#include <charconv>

namespace wf::apisim {

namespace {

template <typename T>
bool ParseNumber(const std::string& text, T low, T high, T& out) {
  T v{};
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < low || v > high)
    return false;
  out = v;
  return true;
}

}  // namespace

std::string UsageText() {
  return R"(usage: wrenfold-apisim [options]

A local stand-in for the Twitter API v1.1 and v2 (app-only auth) on 127.0.0.1.
The first line on stdout is "listening on http://127.0.0.1:PORT" (https with --tls).

  --port N               port to listen on; 0 (default) picks a free one
  --tls                  serve HTTPS with a freshly generated self-signed certificate
  --cert FILE            where --tls writes that certificate as PEM (required with --tls)
  --key KEY              application consumer key (default demo-key)
  --secret SECRET        application consumer secret (default demo-secret)
  --seed N               number the generated data derives from (default 1)
  --window-seconds S     rate-limit window length (default 900)
  --limit FAMILY=N       requests per window for one family (repeatable); families:
                         search, user_timeline, followers_list, friends_list,
                         users_lookup, followers_ids, statuses_lookup (v1.1);
                         search_recent, search_all, search_all_per_second,
                         users_tweets, users_by, user_by_username, users_ids,
                         users_followers, users_following, tweets_lookup (v2)
  --fault NAME=VALUE     inject a fault (repeatable): latency=MS, drop=SHARE, cut=SHARE,
                         truncate=SHARE, status500=SHARE, status503=SHARE,
                         noquota=SHARE, stall=SHARE, stall_ms=MS, malformed=SHARE,
                         oversize=N, token_type=TEXT, scope=FAMILY,
                         forbid=FAMILY, usagecap=1, partial=SHARE, deleted=SHARE
                         (SHARE is 0..1 or N%)
  --search-tweets N      tweets in the searchable stream (default 32000)
  --users N              accounts in the corpus (default 40000)
  --log FILE             append one line per request to FILE
  --help                 show this text
  --version              show the version
)";
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error) {
  CommandLine cl;
  ServerConfig& c = cl.config;
  auto fail = [&](const std::string& message) -> std::optional<CommandLine> {
    if (error != nullptr) *error = message;
    return std::nullopt;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inline_value;
    if (name.rfind("--", 0) == 0) {
      const size_t eq = name.find('=');
      if (eq != std::string::npos) {
        inline_value = name.substr(eq + 1);
        name.resize(eq);
      }
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inline_value) return inline_value;
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    auto flag = [&]() { return !inline_value; };

    if (name == "--help" || name == "-h") {
      cl.help = true;
    } else if (name == "--version") {
      cl.version = true;
    } else if (name == "--tls") {
      if (!flag()) return fail("--tls takes no value");
      c.tls = true;
    } else if (name == "--port") {
      const auto v = value();
      if (!v || !ParseNumber(*v, 0, 65535, c.port)) return fail("--port needs a number 0..65535");
    } else if (name == "--cert") {
      const auto v = value();
      if (!v || v->empty()) return fail("--cert needs a file name");
      c.cert_file = *v;
    } else if (name == "--key") {
      const auto v = value();
      if (!v || v->empty()) return fail("--key needs a value");
      c.app_key = *v;
    } else if (name == "--secret") {
      const auto v = value();
      if (!v || v->empty()) return fail("--secret needs a value");
      c.app_secret = *v;
    } else if (name == "--seed") {
      const auto v = value();
      if (!v || !ParseNumber<uint64_t>(*v, 0, UINT64_MAX, c.corpus.data_seed))
        return fail("--seed needs a non-negative number");
    } else if (name == "--window-seconds") {
      const auto v = value();
      if (!v || !ParseNumber<int64_t>(*v, 1, 86400 * 7, c.window_seconds))
        return fail("--window-seconds needs a number of seconds (1..604800)");
    } else if (name == "--limit") {
      const auto v = value();
      const size_t eq = v ? v->find('=') : std::string::npos;
      if (eq == std::string::npos) return fail("--limit needs FAMILY=N");
      const auto family = FamilyByName(v->substr(0, eq));
      int n = 0;
      if (!family) return fail("unknown family in --limit " + *v);
      if (!ParseNumber(v->substr(eq + 1), 0, 1000000, n))
        return fail("bad number in --limit " + *v);
      c.limits[static_cast<size_t>(*family)] = n;
    } else if (name == "--fault") {
      const auto v = value();
      std::string problem;
      if (!v) return fail("--fault needs NAME=VALUE");
      if (!ApplyFault(*v, c.faults, &problem)) return fail("--fault: " + problem);
    } else if (name == "--search-tweets") {
      const auto v = value();
      if (!v || !ParseNumber<uint32_t>(*v, 1, 50000000, c.corpus.search_tweets))
        return fail("--search-tweets needs a number 1..50000000");
    } else if (name == "--users") {
      const auto v = value();
      if (!v || !ParseNumber<uint32_t>(*v, 6000, 4000000, c.corpus.users))
        return fail("--users needs a number 6000..4000000");
    } else if (name == "--log") {
      const auto v = value();
      if (!v || v->empty()) return fail("--log needs a file name");
      c.log_file = *v;
    } else {
      return fail("unknown option " + args[i]);
    }
  }
  if (c.tls && c.cert_file.empty() && !cl.help && !cl.version)
    return fail("--tls needs --cert FILE, so that clients can trust the certificate");
  if (!c.tls && !c.cert_file.empty()) return fail("--cert only makes sense with --tls");
  return cl;
}

}  // namespace wf::apisim
