// Settings > "Use API v2" and "Full-Archive Search (v2)", and the API clients' hooks into the
// settings.
#include "mainwindow/sessions_part.h"

namespace wf {

SessionsPart::SessionsPart(WindowCore& core, UserTablesPart& tables)
    : core_(core), tables_(tables) {
  const auto archive = [this](std::string_view url, int status, std::string_view body) {
    ArchiveResponse(url, status, body);
  };
  core_.twitter->SetResponseObserver(archive);
  core_.utwitter->SetResponseObserver(archive);
  ApplyApiVersion();
}

void SessionsPart::ApplyApiVersion() {
  if (core_.env.api_version == 1 || core_.env.api_version == 2)
    api_v2_ = core_.env.api_version == 2;
  if (core_.env.full_archive) full_archive_ = true;
  for (TwitterAPI* api : {core_.twitter.get(), core_.utwitter.get()}) {
    api->SetApiVersion(api_v2_ ? 2 : 1);
    api->SetFullArchive(full_archive_);
  }
}

void SessionsPart::mApiV2_Click() {
  api_v2_ = !api_v2_;
  api_v2_pref_ = api_v2_;
  core_.env.api_version = 0;  // a choice made in the window is the window's
  ApplyApiVersion();
  core_.Notify(kControlsChanged | kStatusChanged);
}

void SessionsPart::mFullArchive_Click() {
  full_archive_ = !full_archive_;
  full_archive_pref_ = full_archive_;
  core_.env.full_archive = false;
  ApplyApiVersion();
  core_.Notify(kControlsChanged);
}

bool SessionsPart::LoadApiVersionPref(std::string_view type, std::string_view payload) {
  if (type == "V2-") {
    api_v2_ = api_v2_pref_ = payload == "1";
  } else if (type == "FA-") {
    full_archive_ = full_archive_pref_ = payload == "1";
  } else {
    return false;
  }
  return true;
}

std::string SessionsPart::ApiVersionPrefs() const {
  std::string text;
  if (api_v2_pref_) text += "V2-1\r\n";
  if (full_archive_pref_) text += "FA-1\r\n";
  return text;
}

}  // namespace wf
