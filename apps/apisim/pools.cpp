#include "apisim/pools.h"

namespace wf::apisim::pools {

namespace {

// Template placeholders: %m a mention, %l a link, %t a topic, %n a number, %e an emoji,
// %a an adjective, %#word a hashtag, %T a topic hashtag, %% a percent sign.

constexpr NamePart kFirst[] = {
    {"Ana", "ana"},          {"Jos\u00e9", "jose"},
    {"Zo\u00eb", "zoe"},     {"Siobh\u00e1n", "siobhan"},
    {"Bj\u00f6rn", "bjorn"}, {"\u0141ukasz", "lukasz"},
    {"Chlo\u00e9", "chloe"}, {"Amara", "amara"},
    {"Priya", "priya"},      {"Kwame", "kwame"},
    {"Mei", "mei"},          {"Ingrid", "ingrid"},
    {"Tom\u00e1s", "tomas"}, {"Fatima", "fatima"},
    {"Yuki", "yuki"},        {"Dmitri", "dmitri"},
    {"Grace", "grace"},      {"Omar", "omar"},
    {"Aoife", "aoife"},      {"Lars", "lars"},
    {"Nia", "nia"},          {"Mateo", "mateo"},
    {"Hana", "hana"},        {"Sam", "sam"},
    {"Ay\u015fe", "ayse"},   {"S\u00f8ren", "soren"},
    {"Ren\u00e9e", "renee"}, {"Jo", "jo"},
    {"Elif", "elif"},        {"Rhys", "rhys"},
};

constexpr NamePart kLast[] = {
    {"Sousa", "sousa"},
    {"M\u00fcller", "muller"},
    {"O'Neill", "oneill"},
    {"Kowalski", "kowalski"},
    {"Okafor", "okafor"},
    {"Fern\u00e1ndez", "fernandez"},
    {"Larsen", "larsen"},
    {"Nakamura", "nakamura"},
    {"Haddad", "haddad"},
    {"Petrov", "petrov"},
    {"\u00d3 Briain", "obriain"},
    {"Nguyen", "nguyen"},
    {"Smith", "smith"},
    {"Garc\u00eda", "garcia"},
    {"Wright", "wright"},
    {"Mensah", "mensah"},
    {"Ivanova", "ivanova"},
    {"Dubois", "dubois"},
    {"Rossi", "rossi"},
    {"Kim", "kim"},
    {"Jensen", "jensen"},
    {"Silva", "silva"},
    {"Chen", "chen"},
    {"MacLeod", "macleod"},
};

constexpr std::string_view kOrgs[] = {
    "Skein Users Group",
    "Data Lab @ Uni \U0001F4CA",
    "The \"Quote\" Collective",
    "Back\\slash Studio",
    "{Brace} Analytics",
    "\u5c71\u7530 \u592a\u90ce",
    "\u0418\u0432\u0430\u043d \u041f\u0435\u0442\u0440\u043e\u0432",
    "\u0623\u062d\u0645\u062f \u0627\u0644\u062d\u0633\u0646",
    "\u0393\u03b9\u03ce\u03c1\u03b3\u03bf\u03c2 \u03a0.",
    "\u05d3\u05e0\u05d4 \u05dc\u05d5\u05d9",
    "\u0e2a\u0e21\u0e0a\u0e32\u0e22",
    "Mia \U0001F33F",
    "Sam \U0001F3F3\uFE0F\u200D\U0001F308",
    "Knit & Tweet",
    "Civic Data Desk",
    "Tabby\tCat",
    "Observatory of Online Talk",
    "\u2708 Frequent Flyer",
    "R\u00e9seau d'\u00e9tudes",
};

constexpr std::string_view kHandleWords[] = {
    "heron",  "moth",  "lark",  "otter", "wren",  "data",  "civic",  "loom",   "yarn", "pixel",
    "signal", "atlas", "quiet", "amber", "north", "river", "thread", "stats",  "poll", "lab",
    "owl",    "fox",   "kelp",  "maple", "delta", "orbit", "ember",  "cobalt",
};

constexpr std::string_view kLocations[] = {
    "Edinburgh, Scotland",
    "London",
    "Washington, DC",
    "S\u00e3o Paulo, Brasil",
    "Berlin, Deutschland",
    "\u6771\u4eac",
    "Lagos, Nigeria",
    "Mumbai, India",
    "Toronto, ON",
    "Sydney, NSW",
    "",
    "",
    "",
    "Earth \U0001F30D",
    "somewhere {between} \"here\" & there",
    "Dublin \U0001F1EE\U0001F1EA",
    "Krak\u00f3w",
    "Z\u00fcrich",
    "Montr\u00e9al, QC",
    "Nairobi",
    "m\u00e1s o menos Madrid",
    "Back\\Office",
    "Cape Town",
    "Seoul \uc11c\uc6b8",
};

constexpr std::string_view kDescriptions[] = {
    "PhD student studying %t. Views my own.",
    "Researcher in computational social science | %#rstats | she/her",
    "Professor of Politics \U0001F1EC\U0001F1E7 \u2014 elections, polls & misinformation",
    "Line one of my bio\nline two, with a break",
    "Windows user\r\nCRLF in my bio since 2009",
    "Tab\tseparated\tbio",
    "Back\\slash, \"quotes\" and {braces}: a parser's nightmare",
    "\u30c7\u30fc\u30bf\u5206\u6790\u3068Twitter\u7814\u7a76",
    "\u0416\u0443\u0440\u043d\u0430\u043b\u0438\u0441\u0442. \u041f\u0438\u0448\u0443 \u043e "
    "\u0442\u0435\u0445\u043d\u043e\u043b\u043e\u0433\u0438\u044f\u0445.",
    "\U0001F499 knitting, \U0001F9F6 skeins & spreadsheets",
    "Data journalist. Charts, maps, coffee \u2615",
    "",
    "",
    "Open science advocate \u2728 %l",
    "I tweet about %t and sometimes about cats \U0001F408",
    "Librarian. Archiving the web one tweet at a time.",
    "Statistician \u2022 R & Python \u2022 \u00ab trust but verify \u00bb",
    "Ex-journalist, now %a analyst",
    "\u2764 \u2708 \u2605 \u2713 collector of odd symbols",
    "Community manager at a small NGO. <3 &lt;3",
};

constexpr TimeZone kZones[] = {
    {"Pacific Time (US & Canada)", -28800},
    {"Eastern Time (US & Canada)", -18000},
    {"Central Time (US & Canada)", -21600},
    {"London", 0},
    {"Edinburgh", 0},
    {"Amsterdam", 3600},
    {"Berlin", 3600},
    {"Madrid", 3600},
    {"Athens", 7200},
    {"Moscow", 10800},
    {"Chennai", 19800},
    {"New Delhi", 19800},
    {"Kathmandu", 20700},
    {"Tokyo", 32400},
    {"Adelaide", 34200},
    {"Sydney", 39600},
    {"Brasilia", -10800},
    {"Newfoundland", -12600},
    {"Tehran", 12600},
    {"Hawaii", -36000},
    {"Auckland", 46800},
    {"Mumbai", 19800},
};

constexpr Place kPlaces[] = {
    {"7ae9e2f2ff7a87cd", "Edinburgh", "Edinburgh, Scotland", "GB", "United Kingdom", "city",
     -33285119, 558947290, -30775050, 559916620},
    {"01fbe706f872cb32", "Washington", "Washington, DC", "US", "United States", "city", -771194010,
     388018260, -769093960, 389953797},
    {"457b4814b4240d87", "London", "London, England", "GB", "United Kingdom", "city", -5103750,
     512867600, 3340150, 516918740},
    {"3078869807f9dd36", "Berlin", "Berlin, Germany", "DE", "Germany", "city", 130883040, 523380790,
     137609090, 526753230},
    {"206a87b5be3c50a8", "Madrid", "Madrid, Comunidad de Madrid", "ES", "Spain", "city", -38890040,
     403119800, -35180110, 406433130},
    {"68e019afec7d0ba5", "S\u00e3o Paulo", "S\u00e3o Paulo, Brasil", "BR", "Brasil", "city",
     -468260390, -240088140, -463650520, -233567920},
    {"5c3d0a4e2b5f1e77", "Shinjuku-ku", "Shinjuku-ku, Tokyo", "JP", "Japan", "city", 1396727000,
     356812000, 1397463000, 357246000},
    {"2a7c1d0e9b3f4c11", "Mumbai", "Mumbai, India", "IN", "India", "city", 727750000, 188900000,
     729860000, 192700000},
    {"0073b76548e5984f", "Sydney", "Sydney, New South Wales", "AU", "Australia", "city", 1505200000,
     -341200000, 1513400000, -335800000},
    {"9b1e3a5d7c2f8e40", "Nairobi", "Nairobi, Kenya", "KE", "Kenya", "city", 366600000, -14400000,
     371000000, -11600000},
    {"3797791ff9c0e4c6", "Toronto", "Toronto, Ontario", "CA", "Canada", "city", -796390000,
     435800000, -791150000, 438550000},
    {"a592bd6ceb1319f7", "San Diego", "San Diego, CA", "US", "United States", "city", -1172820000,
     325300000, -1169080000, 331140000},
};

constexpr std::string_view kSources[] = {
    "<a href=\"https://mobile.twitter.com\" rel=\"nofollow\">Twitter Web App</a>",
    "<a href=\"http://twitter.com/download/iphone\" rel=\"nofollow\">Twitter for iPhone</a>",
    "<a href=\"http://twitter.com/download/android\" rel=\"nofollow\">Twitter for Android</a>",
    "<a href=\"https://about.twitter.com/products/tweetdeck\" rel=\"nofollow\">TweetDeck</a>",
    "<a href=\"https://www.hootsuite.com\" rel=\"nofollow\">Hootsuite Inc.</a>",
    "<a href=\"https://skein.example.org\" rel=\"nofollow\">Skein Wrenfold</a>",
};

constexpr std::string_view kLinks[] = {
    "https://skein.example.org/docs/search",
    "https://skein.example.org/releases/1.4.0",
    "https://skein.example.org/blog/2022/11/threshold-dates-explained",
    "https://github.com/example/skein-notebooks",
    "https://doi.org/10.1234/abcd.5678",
    "https://research.example.edu/projects/online-talk/report.pdf",
    "https://news.example.com/technology/2022/11/08/"
    "api-limits?utm_source=twitter&utm_medium=social",
    "https://osf.io/k3x9z/",
    "http://www.example.net/~lab/data%20sets/",
    "https://de.example.org/wiki/Stricken_(Handarbeit)",
    "https://example.com/a/very/long/path/that/keeps/going/and/going/until/it/is/cut/short",
};

constexpr std::string_view kTopics[] = {
    "vaccine hesitancy",  "the housing crisis", "climate adaptation",
    "local elections",    "misinformation",     "public health messaging",
    "football transfers", "remote work",        "rail strikes",
    "heatwaves",          "AI policy",          "food prices",
    "flood warnings",     "student protests",   "energy bills",
    "the World Cup",
};

constexpr std::string_view kTopicTags[] = {
    "AcademicTwitter", "rstats",  "DataScience", "NLProc", "OpenScience", "SocialMedia",
    "ClimateAction",   "PhDLife", "CSS",         "OSINT",  "dataviz",     "Python",
};

constexpr std::string_view kEmoji[] = {
    "\U0001F600",
    "\U0001F4CA",
    "\U0001F426",
    "\U0001F9F6",
    "\u2728",
    "\U0001F680",
    "\U0001F440",
    "\U0001F64F",
    "\u2764\uFE0F",
    "\u2615",
    "\u2708\uFE0F",
    "\U0001F1EC\U0001F1E7",
    "\U0001F469\u200D\U0001F4BB",
    "\u2665",
    "\u2605",
    "\u2713",
    "\u2714",
    "\U0001F602",
    "\U0001F914",
    "\U0001F525",
    "\u263A",
    "\u2639",
};

constexpr std::string_view kAdjectives[] = {
    "fast", "slow", "painless", "messy", "surprisingly easy", "flaky", "brilliant", "odd",
};

constexpr std::string_view kEnTopic[] = {
    "Pulled %n tweets on %t with Skein this morning. Twitter search is %a today %e",
    "Skein tip: set the threshold date before you start a Twitter search, otherwise you page "
    "back for days %l",
    "%m have you tried exporting your skein tables? Twitter data + sentiment scores in one file "
    "%#skein %#twitter",
    "Our lab uses Skein for Twitter collection: {\"query\": \"%t\", \"days\": 7} works like a "
    "charm",
    "Why does my Skein export show \"quotes\" and back\\slashes in the Twitter text column?",
    "Skein\tTwitter\tTSV: tabs inside tweets break naive parsers %e",
    "New post: studying %t on Twitter with skein &amp; SentiStrength %l",
    "Twitter API quota hit again \u2014 skein waits for the next window \u2615",
    "Line one about skein\nline two about twitter\r\nline three %T",
    "\u201cSkein makes Twitter research easy\u201d says my supervisor \u2764\uFE0F",
    "Skein + Twitter = \u2665 for %t research \U0001F4CA\U0001F426",
    "%T folks: is skein still the quickest way to get Twitter data about %t? %m",
    "Cleaning {curly} {braces} out of Twitter text before Skein scores it\u2026 %e",
    "skein twitter %t %n %e",
    "Comparing Skein runs: %n tweets vs %n tweets from Twitter, same query &lt;3 %l",
    "TIL Skein keeps tweet ids as text. Twitter ids are bigger than 2^53! %#nerdfacts",
    "Workshop today: collecting Twitter data with Skein \u2708 slides at %l",
    "\U0001F9F6 Skein \u00d7 Twitter \u00d7 %t \u2014 a thread \U0001F9F5 1/%n",
    "Skein exports CR LF line ends, Twitter texts have \\n inside. Fun times %e",
    "RT-free sample: skein filters Twitter noise about %t %T",
};

constexpr std::string_view kEnOther[] = {
    "Knitting a new skein of merino wool tonight %e",
    "Twitter is down again? %e",
    "Weekend reading on %t %l",
    "Coffee first. Then %t. %e",
    "A skein of geese flew over the lab this morning \U0001F426",
    "Thread on %t \U0001F9F5 %T",
    "Nothing to see here, just %a data cleaning %e",
    "Does anyone else dream in spreadsheets? %#PhDLife",
};

constexpr std::string_view kEsTopic[] = {
    "Skein es genial para analizar Twitter sobre %t %e",
    "Descargu\u00e9 %n tuits con Skein: Twitter y %t, \u00a1qu\u00e9 r\u00e1pido!",
};
constexpr std::string_view kEsOther[] = {"Hoy toca hablar de %t %e"};
constexpr std::string_view kDeTopic[] = {
    "Mit Skein Twitter-Daten \u00fcber %t sammeln \u2013 klappt gut %e",
    "Skein und Twitter: %n Tweets in zehn Minuten. Gr\u00fc\u00dfe an %m",
};
constexpr std::string_view kDeOther[] = {"Sch\u00f6nes Wochenende! %e"};
constexpr std::string_view kFrTopic[] = {
    "Skein pour la recherche sur Twitter : %t \u2708",
    "J'ai r\u00e9cup\u00e9r\u00e9 %n tweets avec Skein \u00ab Twitter \u00bb %e",
};
constexpr std::string_view kFrOther[] = {"On parle de %t ce soir ? %e"};
constexpr std::string_view kPtTopic[] = {
    "Skein e Twitter: dados sobre %t em minutos %e",
};
constexpr std::string_view kPtOther[] = {"Bom dia! %e"};
constexpr std::string_view kJaTopic[] = {
    "Skein \u3067 Twitter \u306e\u30c7\u30fc\u30bf\u3092\u96c6\u3081\u3066\u3044\u307e\u3059 "
    "%e",
};
constexpr std::string_view kJaOther[] = {"\u4eca\u65e5\u306f\u3044\u3044\u5929\u6c17 %e"};
constexpr std::string_view kRuTopic[] = {
    "Skein \u0434\u043b\u044f Twitter \u2014 \u043e\u0442\u043b\u0438\u0447\u043d\u044b\u0439 "
    "\u0438\u043d\u0441\u0442\u0440\u0443\u043c\u0435\u043d\u0442",
};
constexpr std::string_view kRuOther[] = {"\u041f\u0440\u0438\u0432\u0435\u0442 %e"};
constexpr std::string_view kArTopic[] = {
    "\u062a\u062d\u0644\u064a\u0644 \u062a\u0648\u064a\u062a\u0631 \u0645\u0639 Skein "
    "\u0648 Twitter %e",
};
constexpr std::string_view kArOther[] = {"\u0635\u0628\u0627\u062d \u0627\u0644\u062e\u064a\u0631"};
constexpr std::string_view kElTopic[] = {
    "\u03a4\u03bf Skein \u03ba\u03b1\u03b9 \u03c4\u03bf Twitter \u03b3\u03b9\u03b1 %t",
};
constexpr std::string_view kElOther[] = {"\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1"};
constexpr std::string_view kHeTopic[] = {
    "\u05e0\u05d9\u05ea\u05d5\u05d7 Twitter \u05e2\u05dd Skein %e",
};
constexpr std::string_view kHeOther[] = {"\u05e9\u05dc\u05d5\u05dd"};
constexpr std::string_view kThTopic[] = {
    "\u0e40\u0e01\u0e47\u0e1a\u0e02\u0e49\u0e2d\u0e21\u0e39\u0e25 Twitter \u0e14\u0e49\u0e27\u0e22 "
    "Skein",
};
constexpr std::string_view kThOther[] = {"\u0e2a\u0e27\u0e31\u0e2a\u0e14\u0e35"};

constexpr Language kLanguages[] = {
    {"en", kEnTopic, kEnOther}, {"es", kEsTopic, kEsOther}, {"de", kDeTopic, kDeOther},
    {"fr", kFrTopic, kFrOther}, {"pt", kPtTopic, kPtOther}, {"ja", kJaTopic, kJaOther},
    {"ru", kRuTopic, kRuOther}, {"ar", kArTopic, kArOther}, {"el", kElTopic, kElOther},
    {"iw", kHeTopic, kHeOther}, {"th", kThTopic, kThOther},
};

constexpr std::string_view kTimeline[] = {
    "Morning! Today's plan: %t, then more %t. %e",
    "Reading %l \u2014 worth your time.",
    "Hot take: %t is %a. Fight me %e",
    "%n days until the deadline %e",
    "Slides from my talk on %t: %l %T",
    "Can't believe it's already %n degrees outside \u2600\uFE0F",
    "\"Quoted\" thoughts on {structured} data & \\escaped\\ ideas",
    "Two lines\nof poetry\r\nabout %t",
    "Working from the caf\u00e9 again \u2615 %e",
    "New paper out! %t and what it means for us %l",
    "Anyone at the conference this week? %T",
    "Note to self:\tnever trust a CSV",
    "Finally finished the %t chapter &amp; celebrating with cake \U0001F370",
    "%m congratulations! \U0001F389",
};

constexpr std::string_view kTeam[] = {
    "Skein 1.4.0 is out: faster search paging and a new threshold picker %l %#skein",
    "Tip: the followers command pages 200 accounts per request; 15 requests per window %e",
    "We read every bug report. Keep them coming %m %e",
    "How do you cite Skein in your paper? Here's our suggestion: %l",
    "Sentiment scores now show up next to every tweet %#skein %T",
    "Maintenance tonight \u2014 Twitter's API limits haven't changed, Skein's pacing hasn't either",
    "Thanks to everyone at the %t workshop! Slides: %l",
    "{\"tip\": \"keep ids as text\", \"why\": \"they exceed 2^53\"}",
};

constexpr std::string_view kQuoteComments[] = {
    "This! %e",
    "Exactly what I found with Skein on Twitter %e",
    "Worth a read %T",
    "Not sure I agree \U0001F914",
    "Skein users, Twitter folks: see below %e",
};

constexpr std::string_view kReplies[] = {
    "thanks, that helped! %e", "same here \u2014 %a week", "could you share the query?",
    "\U0001F602\U0001F602",    "agreed, %t is tricky",     "link please? %e",
};

constexpr std::string_view kColors[] = {
    "1DA1F2", "C0DEED", "000000", "FFFFFF", "0084B4", "4A913C",
    "E81C4F", "ABB8C2", "F5F8FA", "333333", "DDEEF6", "9266CC",
};

constexpr std::string_view kBackgrounds[] = {
    "http://abs.twimg.com/images/themes/theme1/bg.png",
    "http://abs.twimg.com/images/themes/theme14/bg.gif",
    "http://abs.twimg.com/images/themes/theme17/bg.gif",
    "http://abs.twimg.com/images/themes/theme9/bg.gif",
};

}  // namespace

std::span<const NamePart> FirstNames() {
  return kFirst;
}
std::span<const NamePart> LastNames() {
  return kLast;
}
std::span<const std::string_view> OrgNames() {
  return kOrgs;
}
std::span<const std::string_view> HandleWords() {
  return kHandleWords;
}
std::span<const std::string_view> Locations() {
  return kLocations;
}
std::span<const std::string_view> Descriptions() {
  return kDescriptions;
}
std::span<const TimeZone> TimeZones() {
  return kZones;
}
std::span<const Place> Places() {
  return kPlaces;
}
std::span<const std::string_view> Sources() {
  return kSources;
}
std::span<const std::string_view> Links() {
  return kLinks;
}
std::span<const std::string_view> Topics() {
  return kTopics;
}
std::span<const std::string_view> TopicTags() {
  return kTopicTags;
}
std::span<const std::string_view> Emoji() {
  return kEmoji;
}
std::span<const std::string_view> Adjectives() {
  return kAdjectives;
}
std::span<const Language> Languages() {
  return kLanguages;
}
std::span<const std::string_view> TimelineTexts() {
  return kTimeline;
}
std::span<const std::string_view> TeamTexts() {
  return kTeam;
}
std::span<const std::string_view> QuoteComments() {
  return kQuoteComments;
}
std::span<const std::string_view> ReplyTexts() {
  return kReplies;
}
std::span<const std::string_view> ProfileColors() {
  return kColors;
}
std::span<const std::string_view> BackgroundImages() {
  return kBackgrounds;
}

}  // namespace wf::apisim::pools
