#include "users_command.h"

#include "cli_ui.h"
#include "records/user_set.h"
#include "response_files.h"
#include "util/cp1252.h"
#include "util/file_io.h"

namespace wf::cli {

std::string UsersCommand::Usage() const {
  return "Usage: wrenfold-cli users [--list] RESPONSE... -o OUT\n\n"
         "Reads saved users/lookup responses (or, with --list, followers/list or friends/list\n"
         "pages) in the order given and writes the users as the tab-separated table that the\n"
         "window copies to the clipboard (header line first; CR LF; Windows-1252, or UTF-8\n"
         "with a byte-order mark when a profile holds what Windows-1252 cannot).\n\n"
         "  --list       the responses are followers or friends pages\n"
         "  -o OUT       the file to write (replaced only when the run succeeds)\n";
}

int UsersCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed = ParseConversionArgs(args, {"--list"}, &error);
  if (!parsed) {
    io.err << "wrenfold-cli users: " << error << "\n\n" << Usage();
    return kExitUsage;
  }
  if (parsed->help) {
    io.out << Usage();
    return kExitOk;
  }
  const bool list = parsed->flags.count("--list") != 0;

  CliUi ui(io.err);
  UserSet users(&ui);
  std::vector<ResponsePage> pages;
  for (const std::string& input : parsed->inputs) {
    if (IsArchivePath(input)) {
      auto archived = ReadArchive(input, ArchiveKind::Users, &error);
      if (!archived) {
        io.err << "wrenfold-cli users: " << error << "\n";
        return kExitBadInput;
      }
      for (auto& p : *archived) pages.push_back(std::move(p));
      continue;
    }
    auto text =
        ReadResponse(input, list ? ResponseKind::UsersList : ResponseKind::UsersLookup, &error);
    if (!text) {
      io.err << "wrenfold-cli users: " << error << "\n";
      return kExitBadInput;
    }
    pages.push_back({std::move(*text), list});
  }
  for (std::size_t i = 0; i < pages.size(); ++i) {
    users.SetData(pages[i].text, i > 0, pages[i].ignore_top_level);
  }
  if (!WriteFileAtomically(parsed->output, EncodeFileText(users.ToTabText()), &error)) {
    io.err << "wrenfold-cli users: " << error << "\n";
    return kExitBadInput;
  }
  if (users.Count() == 0) {
    io.err << "wrenfold-cli users: the responses hold no users; wrote only the header line to "
           << parsed->output << "\n";
  } else {
    io.out << users.Count() << " users written to " << parsed->output << "\n";
  }
  return kExitOk;
}

}  // namespace wf::cli
