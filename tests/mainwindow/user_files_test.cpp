// User files: the three save layouts, the two opens and the Profilo attribute import.
#include "mainwindow/user_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "sim_window_fixture.h"
#include "window_fixture.h"

namespace wf {
namespace {

using test::ReadBytes;
using test::WindowFixture;
using test::WriteBytes;

// A row whose cell k (1-based) is "c<k>" unless given.
UserTableView::Row MakeRow(const std::string& id, const std::string& name) {
  UserTableView::Row row;
  for (int k = 1; k <= kUserTableColumnCount; ++k) {
    row.cells[static_cast<std::size_t>(k - 1)] = "c" + std::to_string(k);
  }
  row.cells[0] = id;
  row.cells[1] = name;
  return row;
}

std::string Line(const std::vector<std::string>& fields) {
  std::string s;
  for (std::size_t i = 0; i < fields.size(); ++i) s += (i ? "\t" : "") + fields[i];
  return s + "\r\n";
}

// ---- The file formats --------------------------------------------------------------------

TEST(UserFileFormat, LayoutsPickTheirColumnsAndWriteCrLf) {
  std::vector<UserTableView::Row> rows = {MakeRow("11", "ann"), MakeRow("22", "bob")};
  rows[1].cells[10] = "     42";  // padding is kept
  EXPECT_EQ(FormatUserFile(rows, UserFileLayout::kKeys), "11\tann\r\n22\tbob\r\n");

  const std::string profilo = FormatUserFile(rows, UserFileLayout::kProfilo);
  std::vector<std::string> expected = {"22", "bob"};
  for (int k = 3; k <= 20; ++k) expected.push_back(k == 11 ? "     42" : "c" + std::to_string(k));
  expected.push_back("c23");
  expected.push_back("c24");
  EXPECT_EQ(profilo.substr(profilo.find("\r\n") + 2), Line(expected));

  const std::string all = FormatUserFile(rows, UserFileLayout::kAll);
  const std::string first = all.substr(0, all.find("\r\n"));
  EXPECT_EQ(std::count(first.begin(), first.end(), '\t'), 36);
  EXPECT_TRUE(first.ends_with("\tc37"));  // no TAB after the last field

  EXPECT_EQ(UserFileExtension(UserFileLayout::kKeys), ".suk");
  EXPECT_EQ(UserFileExtension(UserFileLayout::kProfilo), ".spro");
  EXPECT_EQ(UserFileExtension(UserFileLayout::kAll), ".sut");
}

TEST(UserFileFormat, CellTextSurvivesTheRoundTrip) {
  std::vector<UserTableView::Row> rows = {MakeRow("1", "caf\xC3\xA9")};  // café
  rows[0].cells[3] = "line one\r\nline\ttwo";  // a description with breaks and a TAB
  rows[0].cells[36] = "";                      // an empty last cell is still a field

  // Windows-1252 holds everything here: one byte for é, no mark.
  const std::string bytes = EncodeUserFileText(FormatUserFile(rows, UserFileLayout::kAll));
  EXPECT_NE(bytes.find("caf\xE9\t"), std::string::npos);
  const auto back = ReadUserTableRows(DecodeUserFileBytes(bytes));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0][1], "caf\xC3\xA9");
  EXPECT_EQ(back[0][3], "line one  line two");  // breaks and TAB cannot be kept as such
  EXPECT_EQ(back[0][35], "c36");
  EXPECT_EQ(back[0][36], "");

  // Text the code page cannot hold is not turned into "?": the file becomes marked UTF-8.
  rows[0].cells[2] = "\xF0\x9F\x98\x80 \xE6\x97\xA5";  // emoji and a CJK letter
  const std::string wide = EncodeUserFileText(FormatUserFile(rows, UserFileLayout::kAll));
  EXPECT_EQ(wide.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_EQ(ReadUserTableRows(DecodeUserFileBytes(wide)).at(0)[2], rows[0].cells[2]);

  // A first cell starting with the letters whose Windows-1252 bytes spell the UTF-8 mark.
  std::vector<UserTableView::Row> odd = {MakeRow("\xC3\xAF\xC2\xBB\xC2\xBFx", "n")};  // "ï»¿x"
  const std::string odd_bytes = EncodeUserFileText(FormatUserFile(odd, UserFileLayout::kKeys));
  EXPECT_EQ(ReadUserTableRows(DecodeUserFileBytes(odd_bytes)).at(0)[0], odd[0].cells[0]);
}

TEST(UserFileFormat, ReadingIsLenientAboutLinesAndFields) {
  // 40 fields: the first 37 are kept. A short line leaves the rest empty. LF-only and blank
  // lines are fine.
  std::string long_line;
  for (int k = 1; k <= 40; ++k) long_line += (k > 1 ? "\t" : "") + std::to_string(k);
  const auto rows = ReadUserTableRows(long_line + "\n\n7\tseven\n");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][36], "37");
  EXPECT_EQ(rows[1][1], "seven");
  EXPECT_EQ(rows[1][2], "");

  // Key files: ids when the first line has one, screen names from field 2 otherwise.
  UserKeys ids = ReadUserKeys("12\tann\r\n\tbob\r\n34\r\n");
  EXPECT_TRUE(ids.ids);
  EXPECT_EQ(ids.entries, (std::vector<std::string>{"12", "34"}));
  UserKeys names = ReadUserKeys("\tann\r\n99\tbob\r\n\t\r\n");
  EXPECT_FALSE(names.ids);
  EXPECT_EQ(names.entries, (std::vector<std::string>{"ann", "bob"}));
  // Old Mac line ends.
  EXPECT_EQ(ReadUserKeys("1\ta\r2\tb\r").entries, (std::vector<std::string>{"1", "2"}));
}

TEST(ProfiloAttributes, BothLayoutsAndShortLines) {
  const auto short_file = ReadProfiloAttributes("1\tann\tfemale\t25-34\t0.9\r\n2\tbob\tmale\r\n");
  EXPECT_FALSE(short_file.long_layout);
  ASSERT_EQ(short_file.lines.size(), 1u);
  EXPECT_EQ(short_file.lines[0].gender, "female");
  EXPECT_EQ(short_file.lines[0].age, "25-34");
  EXPECT_EQ(short_file.lines[0].confidence, "0.9");
  EXPECT_EQ(short_file.short_lines, 1u);

  // Long: the 22 input fields, then age, gender and confidence.
  std::vector<std::string> fields = {"5", "cat"};
  for (int k = 3; k <= 22; ++k) fields.push_back("x");
  fields.insert(fields.end(), {"35-44", "male", "0.7"});
  const auto long_file = ReadProfiloAttributes(Line(fields) + "6\tdog\tx\tx\tx\tx\r\n");
  EXPECT_TRUE(long_file.long_layout);
  ASSERT_EQ(long_file.lines.size(), 1u);
  EXPECT_EQ(long_file.lines[0].gender, "male");
  EXPECT_EQ(long_file.lines[0].age, "35-44");
  EXPECT_EQ(long_file.lines[0].confidence, "0.7");
  EXPECT_EQ(long_file.short_lines, 1u);  // six fields is short of a long line
}

TEST(ProfiloAttributes, MatchByIdOrByScreenName) {
  std::vector<UserTableView::Row> rows = {MakeRow("1", "Ann"), MakeRow("2", "bob"),
                                          MakeRow("", "Cy"), MakeRow("1", "ann_again")};
  std::vector<ProfiloAttributes> lines = {
      {"1", "whoever", "f", "20", "0.5"},  // both rows with id 1
      {"", "BOB", "m", "30", "0.6"},       // no id: by screen name, any case
      {"77", "cy", "m", "40", "0.7"},      // id unknown, but Cy's row has no id to compare
      {"88", "bob", "x", "x", "x"},        // an id of nobody: a name alone does not override it
  };
  const ProfiloMatch m = ApplyProfiloAttributes(lines, rows);
  EXPECT_EQ(m.rows_matched, 4u);
  EXPECT_EQ(m.lines_unmatched, 1u);
  EXPECT_EQ(rows[0].cells[24], "f");
  EXPECT_EQ(rows[3].cells[25], "20");
  EXPECT_EQ(rows[1].cells[24], "m");
  EXPECT_EQ(rows[1].cells[26], "0.6");
  EXPECT_EQ(rows[2].cells[25], "40");
  EXPECT_EQ(rows[0].cells[23], "c24");  // neighbours untouched
  EXPECT_EQ(rows[0].cells[27], "c28");
}

// ---- The window's commands ---------------------------------------------------------------

// Opens `content` as an "All Fields" file named `name` and returns the new table's index.
int OpenAllFields(WindowFixture& f, const std::string& name, const std::string& content) {
  WriteBytes(f.File(name), content);
  f.ui.open_files.push_back(f.File(name));
  f.window->UserTables().mOpenUsers_Click(wf::UserTableOpen::kAllFields);
  return f.window->UserTables().CurrentUserTable();
}

std::string ThreeRowTable() {
  std::string text;
  for (int r = 1; r <= 3; ++r) {
    std::vector<std::string> fields;
    for (int k = 1; k <= 37; ++k) fields.push_back(std::to_string(r) + "_" + std::to_string(k));
    fields[10] = "    120";  // padded numbers come back padded
    fields[22] = r == 2 ? "" : "sample|";
    fields[2] = r == 3 ? "Ren\xE9" : "Name";  // Windows-1252 é
    text += Line(fields);
  }
  return text;
}

TEST(UserFileCommands, AllFieldsSavedAndReopenedGiveTheSameTable) {
  WindowFixture f;
  MainWindow& w = *f.window;
  const std::string original = ThreeRowTable();
  ASSERT_EQ(OpenAllFields(f, "run.sut", original), 1);
  ASSERT_EQ(w.UserTables().Tables().size(), 2u);
  EXPECT_EQ(w.UserTables().Tables()[1].Name(), "run");
  EXPECT_EQ(w.InfoBar()[1], "3 users displayed");
  EXPECT_FALSE(w.RetrievalBusy());
  const auto rows = w.UserTables().Tables()[1].Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].cells[10], "    120");
  EXPECT_EQ(rows[2].cells[2], "Ren\xC3\xA9");

  // Saving proposes the table's name, appends the extension to whatever comes back, and
  // writes the file byte for byte as it was read.
  f.ui.save_files = {f.File("copy.txt")};
  w.UserTables().mSaveUsers_Click(wf::UserFileLayout::kAll);
  EXPECT_EQ(f.ui.save_requests.back().file_name, "run");
  EXPECT_EQ(ReadBytes(f.File("copy.txt.sut")), original);

  // That name holds every extension: still one table, named without them.
  f.ui.open_files = {f.File("copy.txt.sut")};
  w.UserTables().mOpenUsers_Click(wf::UserTableOpen::kAllFields);
  ASSERT_EQ(w.UserTables().Tables().size(), 3u);
  EXPECT_EQ(w.UserTables().Tables()[2].Name(), "copy");
  EXPECT_EQ(w.UserTables().Tables()[2].Rows().size(), 3u);
  for (std::size_t r = 0; r < 3; ++r)
    EXPECT_EQ(w.UserTables().Tables()[2].Rows()[r].cells, rows[r].cells);

  // A title without any of the extensions makes no table: the rows join the one on show.
  OpenAllFields(f, "more.csv", "9\tnine\r\n");
  EXPECT_EQ(w.UserTables().Tables().size(), 3u);
  EXPECT_EQ(w.UserTables().Tables()[2].RowCount(), 4);
  EXPECT_EQ(w.InfoBar()[1], "4 users displayed");
}

TEST(UserFileCommands, SaveQuestionsAndRefusals) {
  WindowFixture f;
  MainWindow& w = *f.window;
  OpenAllFields(f, "t.sut", ThreeRowTable());

  // Row 2 has no timeline sample: the Profilo export writes nothing.
  w.UserTables().mSaveUsers_Click(wf::UserFileLayout::kProfilo);
  EXPECT_EQ(f.ui.messages.back().text,
            "Some/all rows in the table have no Timeline sample. This is required by Profilo. "
            "Exiting Export operation.");
  EXPECT_TRUE(f.ui.save_requests.empty());
  EXPECT_FALSE(w.UserTables().SaveUserTableFile(f.File("p.spro"), UserFileLayout::kProfilo));
  EXPECT_FALSE(std::filesystem::exists(f.File("p.spro")));

  // An existing file is replaced only after OK.
  WriteBytes(f.File("users.suk"), "keep me");
  f.ui.save_files = {f.File("users")};
  f.ui.answers = {MsgAnswer::Cancel};
  w.UserTables().mSaveUsers_Click(wf::UserFileLayout::kKeys);
  EXPECT_EQ(f.ui.messages.back().text,
            f.File("users.suk") + " already exists. Overwrite this file?");
  EXPECT_EQ(f.ui.messages.back().buttons, MsgButtons::OkCancel);
  EXPECT_EQ(ReadBytes(f.File("users.suk")), "keep me");
  f.ui.save_files = {f.File("users")};
  f.ui.answers = {MsgAnswer::Ok};
  w.UserTables().mSaveUsers_Click(wf::UserFileLayout::kKeys);
  EXPECT_EQ(ReadBytes(f.File("users.suk")), "1_1\t1_2\r\n2_1\t2_2\r\n3_1\t3_2\r\n");

  // A failed write says so and leaves nothing behind.
  std::filesystem::create_directory(f.File("dir.sut"));
  EXPECT_FALSE(w.UserTables().SaveUserTableFile(f.File("dir.sut"), UserFileLayout::kAll));
  EXPECT_EQ(f.ui.messages.back().text.rfind("Couldn't save: " + f.File("dir.sut"), 0), 0u);
  EXPECT_TRUE(std::filesystem::is_directory(f.File("dir.sut")));
}

TEST(UserFileCommands, TweetsTableProposesTheTweetFileName) {
  WindowFixture f;
  f.Retrieve();
  f.ui.save_files = {f.File("run1.txt")};
  f.window->Sessions().mSaveTweets_Click();
  f.ui.save_files = {std::nullopt};
  f.window->UserTables().mSaveUsers_Click(wf::UserFileLayout::kKeys);
  EXPECT_EQ(f.ui.save_requests.back().file_name, f.File("run1"));
}

TEST(UserFileCommands, ImportWritesAttributesAndReports) {
  WindowFixture f;
  MainWindow& w = *f.window;
  OpenAllFields(f, "t.sut", ThreeRowTable());
  WriteBytes(f.File("attr.txt"),
             "1_1\t1_2\tfemale\t18-24\t0.81\r\n"
             "\t3_2\tmale\t45+\t0.66\r\n"
             "404\tnobody\tmale\t45+\t0.5\r\n"
             "2_1\t2_2\tmale\r\n");
  f.ui.open_files = {f.File("attr.txt")};
  w.UserTables().mImportProfilo_Click();
  const auto& rows = w.UserTables().Tables()[1].Rows();
  EXPECT_EQ(rows[0].cells[24], "female");
  EXPECT_EQ(rows[0].cells[25], "18-24");
  EXPECT_EQ(rows[0].cells[26], "0.81");
  EXPECT_EQ(rows[2].cells[24], "male");
  EXPECT_EQ(rows[1].cells[24], "2_25");  // its line was too short
  EXPECT_EQ(f.ui.messages.back().text,
            "Profilo attributes imported into 2 rows of the user table. 1 line matches no row "
            "of the table. 1 line has too few fields and was skipped.");

  // A missing file ends the command quietly.
  const std::size_t told = f.ui.messages.size();
  f.ui.open_files = {f.File("absent.txt")};
  w.UserTables().mImportProfilo_Click();
  EXPECT_EQ(f.ui.messages.size(), told);
}

TEST(UserFileCommands, CancelledOrMissingOpenResetsTheState) {
  WindowFixture f;
  MainWindow& w = *f.window;
  f.ui.open_files = {std::nullopt, f.File("nothere.suk")};
  w.UserTables().mOpenUsers_Click(wf::UserTableOpen::kKeyFields);
  w.UserTables().mOpenUsers_Click(wf::UserTableOpen::kAllFields);
  EXPECT_EQ(w.UserTables().Tables().size(), 1u);
  EXPECT_EQ(w.InfoBar()[1], "0 users displayed");
  EXPECT_FALSE(w.RetrievalBusy());
  EXPECT_EQ(f.ui.open_requests.at(0).default_extension, "suk");
  EXPECT_EQ(f.ui.open_requests.at(0).filter,
            "Text (*.txt)|*.txt|Skein User Keys (*.suk)|*.suk|Skein User Table (*.sut)|*.sut");
}

// ---- Key files against the simulator -----------------------------------------------------

TEST(UserKeyFiles, OpenLooksProfilesUpByIdOrScreenName) {
  test::SimWindow f;
  MainWindow& w = *f.window;
  ASSERT_FALSE(w.UTwitter().AuthAppAccess("Test", "demo-key", "demo-secret").empty());
  const auto& a = f.Account(10);
  const auto& b = f.Account(11);

  // Screen names: the first line starts with a TAB.
  test::WriteBytes(f.dir.File("names.suk"),
                   "\t" + a.screen_name + "\r\n\t" + b.screen_name + "\r\n");
  f.ui.open_files = {f.dir.File("names.suk")};
  w.UserTables().mOpenUsers_Click(wf::UserTableOpen::kKeyFields);
  ASSERT_EQ(w.UserTables().Tables().size(), 2u);
  EXPECT_EQ(w.UserTables().Tables()[1].Name(), "names");
  ASSERT_EQ(w.UserTables().Tables()[1].RowCount(), 2);
  EXPECT_EQ(w.UserTables().Tables()[1].Rows()[0].cells[1], a.screen_name);
  EXPECT_EQ(w.UserTables().Tables()[1].Rows()[1].cells[0], std::to_string(b.id));
  EXPECT_TRUE(w.UserTables().Tables()[1].Rows()[0].cells[31].empty());  // no statistics yet
  auto lookups = f.Requests("/1.1/users/lookup.json");
  ASSERT_EQ(lookups.size(), 1u);
  EXPECT_NE(lookups[0].params.count("screen_name"), 0u);

  // Ids, saved by the keys layout and opened again.
  f.ui.save_files = {f.dir.File("again")};
  w.UserTables().mSaveUsers_Click(wf::UserFileLayout::kKeys);
  f.ui.open_files = {f.dir.File("again.suk")};
  w.UserTables().mOpenUsers_Click(wf::UserTableOpen::kKeyFields);
  ASSERT_EQ(w.UserTables().Tables().size(), 3u);
  ASSERT_EQ(w.UserTables().Tables()[2].RowCount(), 2);
  EXPECT_EQ(w.UserTables().Tables()[2].Rows()[1].cells[1], b.screen_name);
  lookups = f.Requests("/1.1/users/lookup.json");
  ASSERT_EQ(lookups.size(), 2u);
  EXPECT_NE(lookups[1].params.count("user_id"), 0u);
  EXPECT_EQ(w.InfoBar()[1], "2 users displayed");
  EXPECT_FALSE(w.RetrievalBusy());
}

}  // namespace
}  // namespace wf
