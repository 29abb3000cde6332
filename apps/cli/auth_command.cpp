#include "auth_command.h"

#include <filesystem>

#include "api/curl_http.h"
#include "api/twitter_api.h"
#include "cli_ui.h"
#include "credentials/appcred_file.h"
#include "service_options.h"

namespace wf::cli {

std::string AuthCommand::Usage() const {
  return "Usage: wrenfold-cli auth --app-name NAME --key KEY --secret SECRET\n"
         "                        [--api URL] [--cacert FILE] [--data-dir DIR]\n\n"
         "Obtains a bearer token with the application's consumer key and secret and, only when\n"
         "that succeeds, stores the credentials in the data folder's appcred file (readable by\n"
         "you alone), where the desktop window and 'wrenfold-cli search' find them.\n\n"
         "  --api URL       API address (default https://api.twitter.com)\n"
         "  --cacert FILE   extra CA certificate to trust (a simulator over HTTPS)\n"
         "  --api-version V 1.1 or 2; both use the same token request, so the credentials\n"
         "                  serve either\n"
         "  --data-dir DIR  data folder (default: beside the program when writable and\n"
         "                  not installed, else $XDG_DATA_HOME/wrenfold)\n";
}

int AuthCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed = ParseCommand(args, {"--app-name", "--key", "--secret"}, {}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli auth: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const auto name = parsed->Value("--app-name");
  const auto key = parsed->Value("--key");
  const auto secret = parsed->Value("--secret");
  if (!name || !key || !secret || name->empty() || key->empty() || secret->empty() ||
      !parsed->positional.empty()) {
    io.err << "wrenfold-cli auth: --app-name, --key and --secret are all needed\n\n" << Usage();
    return kExitUsage;
  }
  const std::string folder = ProgramFolderFor(parsed->service, &error);
  if (folder.empty()) {
    io.err << "wrenfold-cli auth: " << error << "\n";
    return kExitBadInput;
  }
  CliUi ui(io.err);
  CurlHttpClient http(CurlHttpOptions{parsed->service.cacert});
  TwitterAPI api(http, &ui,
                 parsed->service.api.empty() ? std::string(kDefaultApiBase) : parsed->service.api);
  if (api.AuthAppAccess(*name, *key, *secret).empty()) {
    io.err << "wrenfold-cli auth: authentication failed at " << api.ApiBase() << ": "
           << DescribeAuthFailure(api.LastAuthResult()) << "; nothing was stored\n";
    return kExitBadInput;
  }
  const std::string path = (std::filesystem::path(folder) / "appcred").string();
  if (!WriteAppcred(path, {*name, *key, *secret}, &error)) {
    io.err << "wrenfold-cli auth: " << error << "\n";
    return kExitBadInput;
  }
  io.out << "Authenticated as " << *name << "; credentials stored in " << path << "\n";
  return kExitOk;
}

}  // namespace wf::cli
