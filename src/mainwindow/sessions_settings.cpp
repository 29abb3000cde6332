// Settings: search language and location, proxy, API host, and the raw response archive.
#include <filesystem>

#include "mainwindow/sessions_part.h"
#include "util/cp1252.h"
#include "util/file_io.h"

namespace wf {

void SessionsPart::mSetLang_Click() {
  if (core_.env.ui == nullptr) return;
  const auto answer = core_.env.ui->InputBox(
      "Enter the ISO-639-1 code (e.g. English = en, French = fr), or nothing for all languages",
      "Set Search Language", core_.search_lang);
  // Nothing means all languages: the searches then send an empty lang.
  if (answer && (answer->empty() || Utf8Length(*answer) == 2)) {
    core_.search_lang = *answer;
    core_.Notify(kControlsChanged);
  }
}

std::string SessionsPart::SearchLanguageText() const {
  return "Language: " + (core_.search_lang.empty() ? std::string("all") : core_.search_lang);
}

void SessionsPart::mSetLoc_Click() {
  if (core_.env.ui == nullptr) return;
  const auto answer = core_.env.ui->InputBox(
      "Enter location string <latitude>,<longitude>,<radius<mi/km>> e.g. 51,0,1mi. Current "
      "location setting (if set) is shown",
      "Set New Location", core_.search_location);
  const bool tick = answer && !answer->empty();
  if (tick) core_.search_location = *answer;
  core_.Notify(kControlsChanged);
  // Changing the box from code raises its click, as a click by the user would.
  if (core_.use_loc != tick) UseLoc_Click(tick);
}

void SessionsPart::UseLoc_Click(bool ticked) {
  core_.use_loc = ticked;
  core_.Notify(kControlsChanged);
  if (ticked) {
    if (core_.search_location.empty()) mSetLoc_Click();
    if (core_.use_loc && core_.env.ui != nullptr) {
      core_.env.ui->MessageBox(
          "Subsequent searches will be restricted to the radius: " + core_.search_location,
          MsgButtons::Ok, MsgIcon::Information, kAppTitle);
    }
  } else if (core_.env.ui != nullptr) {
    core_.env.ui->MessageBox("Subsequent searches will not be restricted to a particular location",
                             MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
}

void SessionsPart::mSetProxy_Click() {
  if (core_.env.ui == nullptr) return;
  const auto answer = core_.env.ui->InputBox("Enter proxy address", "Set Proxy", "127.0.0.1:8080");
  // Both clients: the second serves the followers frame, the Other tables and key files.
  core_.twitter->SetProxyServer(answer.value_or(std::string()));
  core_.utwitter->SetProxyServer(core_.twitter->ProxyServer());
}

void SessionsPart::mSetApiHost_Click() {
  if (core_.env.ui == nullptr) return;
  const auto answer = core_.env.ui->InputBox(
      "Enter the address of the Twitter API, e.g. https://api.twitter.com or "
      "http://127.0.0.1:8080 for the simulator",
      "Set API Host", core_.api_base);
  if (!answer || answer->empty()) return;
  core_.api_base = *answer;
  while (core_.api_base.size() > 1 && core_.api_base.back() == '/') core_.api_base.pop_back();
  core_.twitter->SetApiBase(core_.api_base);
  core_.utwitter->SetApiBase(core_.api_base);
  core_.Notify(kControlsChanged);
}

namespace {

std::string PendingArchivePath(const std::string& folder) {
  return (std::filesystem::path(folder) / "responses-pending.jsonl").string();
}

}  // namespace

void SessionsPart::mArchive_Click() {
  archive_checked_ = !archive_checked_;
  if (!archive_checked_) archive_.Close();
  core_.Notify(kControlsChanged);
}

bool SessionsPart::SetArchiveFile(const std::string& path) {
  std::string error;
  if (!archive_.Open(path, &error)) {
    if (core_.env.ui != nullptr) {
      core_.env.ui->MessageBox("Couldn't open the response archive: " + error, MsgButtons::Ok,
                               MsgIcon::Exclamation, kAppTitle);
    }
    return false;
  }
  archive_fixed_path_ = path;
  archive_checked_ = true;
  return true;
}

void SessionsPart::ArchiveResponse(std::string_view url, int status, std::string_view body) {
  if (!archive_checked_) return;
  if (!archive_.IsOpen()) {
    const std::string path = archive_fixed_path_.empty()
                                 ? PendingArchivePath(core_.env.program_folder)
                                 : archive_fixed_path_;
    std::string error;
    if (!archive_.Open(path, &error)) {
      archive_checked_ = false;
      if (core_.env.ui != nullptr) {
        core_.env.ui->MessageBox("Couldn't open the response archive, archiving is off: " + error,
                                 MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
      }
      core_.Notify(kControlsChanged);
      return;
    }
  }
  archive_.Append(url, status, body);
}

void SessionsPart::MoveArchiveBeside(const std::string& tweet_file) {
  if (!archive_checked_ || !archive_fixed_path_.empty()) return;
  const std::string pending = PendingArchivePath(core_.env.program_folder);
  archive_.Close();
  const auto bytes = ReadWholeFile(pending);
  if (!bytes || bytes->empty()) return;
  const std::string target = std::filesystem::path(tweet_file).replace_extension(".jsonl").string();
  std::string error;
  EnsureArchiveLineEnd(target);
  if (!AppendToFile(target, *bytes, &error)) {
    if (core_.env.ui != nullptr) {
      core_.env.ui->MessageBox("Couldn't write the response archive beside the tweet file (" +
                                   error + "); the responses stay in " + pending,
                               MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    return;
  }
  std::error_code ec;
  std::filesystem::remove(pending, ec);
}

}  // namespace wf
