#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the visualiser reads out of one tweet: whether it is a retweet, whom it retweets and
// mentions, its hashtags and the domain of its link. Screen names and hashtags come back
// lower-case, the form they are counted and compared in.
namespace wf::view {

// True when the text starts with "RT @".
bool IsRetweetText(std::string_view text);

// The account of a leading "RT @name:", lower-case; empty when the text has none.
std::string RetweetedAccount(std::string_view text);

// Every "@name" of the text (1 to 15 letters, digits or underscores, the "@" not preceded by
// one of those), lower-case, each once, in order of first appearance. The account of a
// leading "RT @name:" is left out.
std::vector<std::string> MentionedAccounts(std::string_view text);

// Every "#tag" (letters, digits or underscores after the "#"), lower-case, without the "#",
// each once, in order of first appearance.
std::vector<std::string> Hashtags(std::string_view text);

// The host of a link, lower-case, without a leading "www." and without user or port; empty
// when the text holds no host.
std::string LinkDomain(std::string_view url);

// ASCII letters lowered; other bytes (UTF-8 included) kept.
std::string LowerAscii(std::string_view text);

}  // namespace wf::view
