#include "users_command.h"

#include "cli_ui.h"
#include "collection_inputs.h"
#include "records/user_set.h"
#include "util/cp1252.h"
#include "util/file_io.h"

namespace wf::cli {

std::string UsersCommand::Usage() const {
  return "Usage: wrenfold-cli users [--unicode] FILE... -o OUT\n\n"
         "Reads the users of saved responses and collection files in the order given and\n"
         "writes them as the tab-separated table that the window copies to the clipboard\n"
         "(header line first; CR LF). Each file is recognised by its content, one JSON\n"
         "document or JSON lines, each line on its own: v1.1 users/lookup arrays and\n"
         "followers/friends pages, v2 pages of users, and this program's response archives.\n"
         "Lines of another kind are skipped and counted.\n\n"
         "  --unicode    keep the full text of the profiles (the file is UTF-8 with a\n"
         "               byte-order mark when Windows-1252 cannot hold it)\n"
         "  --list       a single saved response is a followers or friends page\n"
         "  -o OUT       the file to write (replaced only when the run succeeds)\n";
}

int UsersCommand::Run(const std::vector<std::string>& args, Streams& io) {
  std::string error;
  const auto parsed = ParseConversionArgs(args, {"--list", "--unicode"}, &error);
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
  users.SetFullText(parsed->flags.count("--unicode") != 0);
  bool first = true;
  auto add = [&](const CollectionPage& page) {
    users.SetData(page.text, !first, page.ignore_top_level);
    first = false;
  };
  const CollectionInput input_kind{CollectionKind::kUsers,
                                   list ? ResponseKind::UsersList : ResponseKind::UsersLookup};
  if (!ReadCollectionInputs(parsed->inputs, input_kind, add, "wrenfold-cli users", "users",
                            io.err)) {
    return kExitBadInput;
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
