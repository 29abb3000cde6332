#pragma once

#include <string>
#include <string_view>

namespace wf {

// The fields every v2 tweet request asks for, and those of every request that returns users.
inline constexpr std::string_view kV2TweetFields =
    "tweet.fields=created_at,public_metrics,entities,geo,lang,author_id,note_tweet,"
    "referenced_tweets&expansions=author_id";
inline constexpr std::string_view kV2UserFields =
    "user.fields=created_at,description,entities,location,public_metrics,profile_image_url,"
    "protected,url,verified";

// The decimal id one above `id` ("0999" -> "1000", "99" -> "100"): v1.1's inclusive max_id as
// v2's exclusive until_id. Text that is not all digits comes back unchanged.
std::string NextId(std::string_view id);

// A v1.1 geocode "lat,long,radius" as the v2 operator "point_radius:[long lat radius]"; empty
// when it is not three parts.
std::string PointRadius(std::string_view geo_code);

}  // namespace wf
