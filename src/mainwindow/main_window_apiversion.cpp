// Settings > "Use API v2" and "Full-Archive Search (v2)".
#include "mainwindow/main_window.h"

namespace wf {

void MainWindow::ApplyApiVersion() {
  if (env_.api_version == 1 || env_.api_version == 2) api_v2_ = env_.api_version == 2;
  if (env_.full_archive) full_archive_ = true;
  for (TwitterAPI* api : {twitter_.get(), utwitter_.get()}) {
    api->SetApiVersion(api_v2_ ? 2 : 1);
    api->SetFullArchive(full_archive_);
  }
}

void MainWindow::mApiV2_Click() {
  api_v2_ = !api_v2_;
  api_v2_pref_ = api_v2_;
  env_.api_version = 0;  // a choice made in the window is the window's
  ApplyApiVersion();
  Notify(kControlsChanged | kStatusChanged);
}

void MainWindow::mFullArchive_Click() {
  full_archive_ = !full_archive_;
  full_archive_pref_ = full_archive_;
  env_.full_archive = false;
  ApplyApiVersion();
  Notify(kControlsChanged);
}

bool MainWindow::LoadApiVersionPref(std::string_view type, std::string_view payload) {
  if (type == "V2-") {
    api_v2_ = api_v2_pref_ = payload == "1";
  } else if (type == "FA-") {
    full_archive_ = full_archive_pref_ = payload == "1";
  } else {
    return false;
  }
  return true;
}

std::string MainWindow::ApiVersionPrefs() const {
  std::string text;
  if (api_v2_pref_) text += "V2-1\r\n";
  if (full_archive_pref_) text += "FA-1\r\n";
  return text;
}

}  // namespace wf
