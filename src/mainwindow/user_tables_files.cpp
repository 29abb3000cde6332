// The File menu's user table commands: save the table on show in one of three layouts, open
// a saved table or a key file (whose profiles are looked up afresh), and import the Profilo
// classifier's results into the table on show.
#include <filesystem>

#include "mainwindow/followers_part.h"
#include "mainwindow/user_list_part.h"
#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_text.h"
#include "util/file_exists.h"
#include "util/file_io.h"
#include "util/yielder.h"

namespace wf {
namespace {

constexpr std::string_view kUserFilter =
    "Text (*.txt)|*.txt|Skein User Keys (*.suk)|*.suk|Skein User Table (*.sut)|*.sut";
constexpr std::string_view kAttributeFilter =
    "Text (*.txt)|*.txt|Profilo Output (*.spro)|*.spro|All Files (*.*)|*.*";

std::string FileTitle(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::string WithoutAll(std::string s, std::string_view what) {
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at)) {
    s.erase(at, what.size());
  }
  return s;
}

constexpr std::size_t kTwtSampColumn = 22;  // Pro_TwtSamp, 0-based
constexpr std::string_view kNoSampleMessage =
    "Some/all rows in the table have no Timeline sample. This is required by Profilo. Exiting "
    "Export operation.";

// The classifier needs every user's timeline sample.
bool LacksTimelineSample(const UserTableView& table) {
  for (const auto& row : table.Rows()) {
    if (window_text::Trimmed(row.cells[kTwtSampColumn]).empty()) return true;
  }
  return false;
}

std::string Plural(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace

bool UserTablesPart::WriteUserTableFile(const std::string& path, UserFileLayout layout) {
  UiPort* ui = core_.env.ui;
  if (current_user_table_ < 0 || current_user_table_ >= static_cast<int>(user_tables_.size())) {
    return false;
  }
  UserTableView& table = user_tables_[static_cast<std::size_t>(current_user_table_)];
  const std::string bytes = EncodeUserFileText(FormatUserFile(table.Rows(), layout));
  std::string error;
  if (!WriteFileAtomically(path, bytes, &error)) {
    // Whatever stood at the path before is untouched.
    if (ui != nullptr) {
      ui->MessageBox("Couldn't save: " + path + " -- " + error, MsgButtons::Ok,
                     MsgIcon::Exclamation, kAppTitle);
    }
    return false;
  }
  table.MarkSaved();
  return true;
}

bool UserTablesPart::SaveUserTableFile(const std::string& path, UserFileLayout layout) {
  if (current_user_table_ < 0 || current_user_table_ >= static_cast<int>(user_tables_.size())) {
    return false;
  }
  const UserTableView& table = user_tables_[static_cast<std::size_t>(current_user_table_)];
  if (layout == UserFileLayout::kProfilo && LacksTimelineSample(table)) {
    if (core_.env.ui != nullptr) {
      core_.env.ui->MessageBox(kNoSampleMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    return false;
  }
  return WriteUserTableFile(path, layout);
}

void UserTablesPart::mSaveUsers_Click(UserFileLayout layout) {
  UiPort* ui = core_.env.ui;
  if (ui == nullptr) return;
  if (current_user_table_ < 0 || current_user_table_ >= static_cast<int>(user_tables_.size())) {
    return;
  }
  const UserTableView& table = user_tables_[static_cast<std::size_t>(current_user_table_)];
  if (layout == UserFileLayout::kProfilo && LacksTimelineSample(table)) {
    ui->MessageBox(kNoSampleMessage, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    return;
  }

  std::string proposal;
  if (current_user_table_ == 0) {
    if (core_.tweets_fn.ends_with(".txt")) proposal = WithoutAll(core_.tweets_fn, ".txt");
  } else {
    proposal = table.Name();
  }
  core_.dialog_file_name = proposal;
  // No default extension: the layout's own is appended to whatever name comes back.
  const auto picked = ui->SaveFileDialog({"Save User Table", "", "", core_.dialog_file_name});
  if (!picked || picked->empty()) return;
  core_.dialog_file_name = *picked;
  const std::string path = *picked + std::string(UserFileExtension(layout));
  if (FileExists(path) &&
      ui->Ask({QuestionId::OverwriteFile, path}, path + " already exists. Overwrite this file?",
              MsgButtons::OkCancel, MsgIcon::Question, kAppTitle) != MsgAnswer::Ok) {
    return;
  }
  ui->SetPointer(Pointer::Hourglass);
  WriteUserTableFile(path, layout);
  ui->SetPointer(Pointer::Default);
}

void UserTablesPart::FinishUserTableOpen() {
  if (current_user_table_ >= 0 && current_user_table_ < static_cast<int>(user_tables_.size())) {
    core_.info_bar[1] =
        std::to_string(user_tables_[static_cast<std::size_t>(current_user_table_)].RowCount()) +
        " users displayed";
  }
  if (core_.env.ui != nullptr) core_.env.ui->SetPointer(Pointer::Default);
  core_.retrieval_busy = false;
  core_.Notify(kUserTablesChanged | kStatusChanged | kControlsChanged);
}

void UserTablesPart::mOpenUsers_Click(UserTableOpen what) {
  UiPort* ui = core_.env.ui;
  // A key file's lookup is a retrieval: none may start while another runs, and an open must
  // not clear the busy state of one that does.
  if (ui == nullptr || core_.retrieval_busy) return;
  const auto picked = ui->OpenFileDialog(
      {"Open User Table", std::string(kUserFilter), "suk", core_.dialog_file_name});
  if (picked) core_.dialog_file_name = *picked;
  if (!picked || !FileExists(*picked)) return FinishUserTableOpen();
  core_.retrieval_busy = true;
  core_.stop_requested = false;
  ui->SetPointer(Pointer::Hourglass);
  core_.Notify(kControlsChanged);

  const std::string path = *picked;
  std::string error;
  const auto bytes = ReadWholeFile(path, &error);
  if (!bytes) {
    ui->MessageBox("Couldn't open: " + path + " -- " + error, MsgButtons::Ok, MsgIcon::Exclamation,
                   "File Open Error");
    return FinishUserTableOpen();
  }
  Yielder yielder(ui);
  const std::string text = DecodeUserFileBytes(*bytes);
  UserKeys keys;
  std::vector<UserCells> rows;
  if (what == UserTableOpen::kKeyFields) {
    keys = ReadUserKeys(text, &yielder);
    if (keys.overlong > 0) {
      ui->MessageBox(std::to_string(keys.overlong) + (keys.overlong == 1 ? " entry" : " entries") +
                         " of " + path + " skipped: longer than any screen name or user id.",
                     MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    // Without a token every lookup would fail; say so before any table is made.
    if (!keys.entries.empty() && !followers_.EnsureUTwitterToken()) return FinishUserTableOpen();
  } else {
    rows = ReadUserTableRows(text, &yielder);
  }

  // One table named after the file, without any of the extensions the saves use: a file
  // saved as "users.txt" is "users.txt.suk" and its table is "users".
  const std::string title = FileTitle(path);
  std::string name = title;
  for (const std::string_view ext : {".txt", ".suk", ".sut"}) name = WithoutAll(name, ext);
  // The rows of a new table are all in the file; rows added to the table on show leave it as
  // saved or unsaved as it was.
  bool was_saved = true;
  if (name != title) {
    AddUserTable(name);
  } else if (UserTableIndexValid(current_user_table_)) {
    was_saved = !user_tables_[static_cast<std::size_t>(current_user_table_)].Unsaved();
  }
  const int opened = current_user_table_;

  if (what == UserTableOpen::kKeyFields) {
    if (!keys.entries.empty()) {
      followers_.GetUsers(*core_.utwitter, keys.entries, keys.ids, false);
      FillUserTable(*core_.utwitter);
    }
  } else if (current_user_table_ >= 0 &&
             current_user_table_ < static_cast<int>(user_tables_.size())) {
    auto& table_rows = user_tables_[static_cast<std::size_t>(current_user_table_)].MutableRows();
    table_rows.reserve(table_rows.size() + rows.size());
    for (UserCells& cells : rows) {
      UserTableView::Row row;
      row.cells = std::move(cells);
      table_rows.push_back(std::move(row));
    }
  }
  if (was_saved && UserTableIndexValid(opened)) {
    user_tables_[static_cast<std::size_t>(opened)].MarkSaved();
  }
  FinishUserTableOpen();
}

void UserTablesPart::mImportProfilo_Click() {
  UiPort* ui = core_.env.ui;
  if (ui == nullptr) return;
  const auto picked = ui->OpenFileDialog(
      {"Import Profilo Attributes", std::string(kAttributeFilter), "", core_.dialog_file_name});
  if (!picked) return;
  core_.dialog_file_name = *picked;
  if (!FileExists(*picked)) return;
  if (current_user_table_ < 0 || current_user_table_ >= static_cast<int>(user_tables_.size())) {
    return;
  }
  std::string error;
  const auto bytes = ReadWholeFile(*picked, &error);
  if (!bytes) {
    ui->MessageBox("Couldn't open: " + *picked + " -- " + error, MsgButtons::Ok,
                   MsgIcon::Exclamation, "File Open Error");
    return;
  }
  ui->SetPointer(Pointer::Hourglass);
  Yielder yielder(ui);
  const ProfiloAttributeFile file = ReadProfiloAttributes(DecodeUserFileBytes(*bytes), &yielder);
  // The table is looked up only now, after the last yield: a command run meanwhile may have
  // put another table on show or added one.
  if (current_user_table_ < 0 || current_user_table_ >= static_cast<int>(user_tables_.size())) {
    ui->SetPointer(Pointer::Default);
    return;
  }
  auto& rows = user_tables_[static_cast<std::size_t>(current_user_table_)].MutableRows();
  const ProfiloMatch match = ApplyProfiloAttributes(file.lines, rows);
  ui->SetPointer(Pointer::Default);
  core_.Notify(kUserTablesChanged);

  std::string report = "Profilo attributes imported into " +
                       Plural(match.rows_matched, "row", "rows") + " of the user table.";
  if (match.lines_unmatched > 0) {
    report += " " + Plural(match.lines_unmatched, "line matches", "lines match") +
              " no row of the table.";
  }
  if (file.short_lines > 0) {
    report += " " + Plural(file.short_lines, "line has", "lines have") + " too few fields and " +
              (file.short_lines == 1 ? "was" : "were") + " skipped.";
  }
  ui->MessageBox(report, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
}

}  // namespace wf
