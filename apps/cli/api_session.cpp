#include "api_session.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "credentials/appcred_file.h"

namespace wf::cli {

ApiSession::ApiSession(std::string_view command, Streams& io, std::atomic<bool>* interrupted,
                       std::string output)
    : command_("wrenfold-cli " + std::string(command)),
      io_(io),
      ui_(io.err, &io.err == &std::cerr && ::isatty(STDERR_FILENO) == 1, interrupted) {
  ui_.SetOutput(std::move(output));
}

ApiSession::~ApiSession() = default;

bool ApiSession::Open(const ServiceOptions& service) {
  std::string error;
  const std::string folder = ProgramFolderFor(service, &error);
  if (folder.empty()) {
    io_.err << command_ << ": " << error << "\n";
    return false;
  }
  const std::string appcred = (std::filesystem::path(folder) / "appcred").string();
  const auto credentials = ReadAppcred(appcred);
  if (!credentials) {
    io_.err << command_ << ": no stored credentials in " << appcred
            << "; run 'wrenfold-cli auth' first\n";
    return false;
  }
  http_ = std::make_unique<CurlHttpClient>(CurlHttpOptions{service.cacert});
  MainWindowEnvironment env;
  env.ui = &ui_;
  env.http = http_.get();
  env.program_folder = folder;
  if (!service.api.empty()) env.api_base = service.api;
  env.api_version = service.api_version;
  env.full_archive = service.full_archive;
  window_ = std::make_unique<MainWindow>(env);
  ui_.Attach(window_.get());
  window_->SetObserver(&ui_);
  window_->Form_Load();

  const auto& c = *credentials;
  if (window_->Twitter().AuthAppAccess(c[0], c[1], c[2]).empty()) {
    io_.err << command_ << ": authentication failed at " << window_->Twitter().ApiBase() << ": "
            << DescribeAuthFailure(window_->Twitter().LastAuthResult()) << "\n";
    return false;
  }
  window_->ActivateAfterAuthentication();
  return true;
}

}  // namespace wf::cli
