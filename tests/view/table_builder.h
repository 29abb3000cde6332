#pragma once

#include <string>
#include <vector>

// Small tweet table files for the visualiser tests, written row by row.
namespace wf::view::test {

struct Row {
  std::string date;
  std::string author;
  std::string text;
  std::string link;
  std::string positive = "0";
  std::string negative = "0";
};

// One record line: the sixteen cells, each followed by a TAB, then `eol`.
inline std::string Line(const Row& r, const std::string& eol = "\r\n") {
  const std::vector<std::string> cells = {r.date, r.author,   r.text,     "1",    "Real", "10",
                                          "20",   "",         "",         "",     "5",    "0",
                                          r.link, r.positive, r.negative, "about"};
  std::string out;
  for (const std::string& c : cells) out += c + "\t";
  return out + eol;
}

inline std::string HeaderLine() {
  return "DateTime\tUserScreenName\tTweet\tTweetID\tUserRealName\tUserFollowers\tUserFriends\t"
         "UserLocation\tUserUTC_Offset\tGeoCoords\tUserTweets\tRetweets\tLinkURL\tSent+\tSent-\t"
         "UserDescription\r\n";
}

inline std::string Table(const std::vector<Row>& rows, bool header = false,
                         const std::string& eol = "\r\n") {
  std::string out = header ? HeaderLine() : "";
  for (const Row& r : rows) out += Line(r, eol);
  return out;
}

}  // namespace wf::view::test
