#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "mainwindow/user_table_view.h"

namespace wf {

class Yielder;

// Which columns of a user table a user file holds, one user a line:
//   keys     ID and ScreenName (columns 1-2)
//   profilo  the profile columns 1-20, then Pro_TwtSamp and Pro_BDayTwts (23-24), the input
//            the Profilo classifier reads
//   all      every column, 1-37
enum class UserFileLayout { kKeys, kProfilo, kAll };

// The extension a save appends for each layout (".suk", ".spro", ".sut").
std::string_view UserFileExtension(UserFileLayout layout);

using UserCells = std::array<std::string, kUserTableColumnCount>;

// The file text (UTF-8, before encoding) of `rows` in `layout`: fields joined by TAB, no TAB
// after the last, each line ended by CR LF. Cells are written as the table holds them, padding
// included; a TAB or line break inside a cell is written as a space, as it would otherwise
// split the cell or the line when read back.
std::string FormatUserFile(const std::vector<UserTableView::Row>& rows, UserFileLayout layout);

// Bytes of a user file: Windows-1252 when that code page holds the whole text, otherwise UTF-8
// behind a byte-order mark, so that no character is lost.
std::string EncodeUserFileText(std::string_view utf8);
// The reverse: UTF-8 after a byte-order mark, Windows-1252 otherwise.
std::string DecodeUserFileBytes(std::string_view bytes);

// A key file: screen names or user ids to look up. Whether it carries ids is decided by the
// first line: it does when its first field is not empty. Entries are field 1 (ids) or field 2
// (screen names) of each line, trimmed; empty ones are left out.
// Entries longer than any screen name or id could be are left out and counted: one such entry
// would otherwise fail the whole lookup request it shares with up to 99 good ones.
inline constexpr std::size_t kMaxUserKeyLength = 64;
struct UserKeys {
  bool ids = false;
  std::vector<std::string> entries;
  std::size_t overlong = 0;
};
UserKeys ReadUserKeys(std::string_view text, Yielder* yielder = nullptr);

// Rows of an "all fields" file: field k becomes the cell of column k, exactly as written;
// fields beyond the table's 37 columns are dropped and missing ones stay empty. Any of the
// three layouts reads this way.
std::vector<UserCells> ReadUserTableRows(std::string_view text, Yielder* yielder = nullptr);

// The classifier's results for one user.
struct ProfiloAttributes {
  std::string id;
  std::string screen_name;
  std::string gender;
  std::string age;
  std::string confidence;
};

// An attribute file comes short (id, screen name, gender, age, confidence) or long (the 22
// input fields, then age, gender, confidence as fields 23-25); the first line decides: at most
// 5 fields means short. Lines with too few fields for the layout are counted, not read.
struct ProfiloAttributeFile {
  bool long_layout = false;
  std::vector<ProfiloAttributes> lines;
  std::size_t short_lines = 0;
};
ProfiloAttributeFile ReadProfiloAttributes(std::string_view text, Yielder* yielder = nullptr);

// Writes the attributes into the Pro_Gender, Pro_Age and Pro_Conf cells of the rows they
// belong to: by user id, or by screen name (ignoring case) where the line or the row has no
// id. A later line for the same user wins.
struct ProfiloMatch {
  std::size_t rows_matched = 0;     // rows that received values
  std::size_t lines_unmatched = 0;  // lines that belong to no row
};
ProfiloMatch ApplyProfiloAttributes(const std::vector<ProfiloAttributes>& lines,
                                    std::vector<UserTableView::Row>& rows);

}  // namespace wf
