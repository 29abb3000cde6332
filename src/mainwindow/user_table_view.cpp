#include "mainwindow/user_table_view.h"

namespace wf {

const std::array<std::string_view, kUserTableColumnCount> kUserTableColumnNames = {
    "ID",          "ScreenName", "RealName",   "Description", "URL",         "Language",
    "Location",    "GeoEnabled", "TimeZone",   "UTC_Offset",  "Followers",   "Friends",
    "StatusCount", "Favourites", "CreatedAt",  "Verified",    "Protected",   "Image",
    "Banner",      "Background", "FF Ratio",   "TwtDay",      "Pro_TwtSamp", "Pro_BDayTwts",
    "Pro_Gender",  "Pro_Age",    "Pro_Conf",   "TL_TwtDay",   "TL_PctRT",    "TL_AvRT",
    "TL_PctGeo",   "Tw_NoTwts",  "Tw_AvSent+", "Tw_AvSent-",  "Tw_PctRT",    "Tw_AvRT",
    "Tw_MaxRT"};

bool UserColumnRightAligned(int column0) {
  const int c = column0 + 1;
  return c == 8 || (c >= 10 && c <= 17) || (c >= 21 && c <= 22) || c >= 25;
}

}  // namespace wf
