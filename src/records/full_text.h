#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "records/tweet_record.h"
#include "records/user_record.h"

namespace wf {

// Full-text cells: the string a response holds, decoded by a JSON decoder, so that studies of
// text beyond Windows-1252 keep it. The default cells (tags for what the code page cannot
// hold) are what earlier files hold and stay the default.

// A decoded JSON string as a table cell: CR, LF and TAB (the file's separators) become one
// space each, leading and trailing spaces go as the save trims them, and in tweet texts the
// three entities the service encodes (&amp; &lt; &gt;) are decoded.
std::string FullTextCell(std::string_view decoded, bool tweet_text);

// Re-reads one search page (`wrapped`) or timeline array with the JSON decoder and replaces
// the text cells of records [from, from + n) by their full text. The default reader has
// already filled those records in the same order; when the two readers do not see the same
// number of tweets, or the text does not decode, the default cells stay.
void ApplyTweetFullText(std::string_view json, bool wrapped, std::vector<TweetRecord>& records,
                        std::size_t from);

// The same for a users/lookup array or a followers/friends page (`wrapped`).
void ApplyUserFullText(std::string_view json, bool wrapped, std::vector<UserRecord>& records,
                       std::size_t from);

}  // namespace wf
