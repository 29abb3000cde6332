#include "util/program_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "support/test_paths.h"
#include "util/file_exists.h"

namespace wf {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

unsigned Mode(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 0777;
}

TEST(ProgramFolder, OverrideThenWritableExecutableFolderThenTheUsersDataFolder) {
  EXPECT_TRUE(FileExists(ExecutableFolder() + "/util_tests"));

  test::TempDir dir;
  const fs::path wanted = dir.path() / "a" / "b";
  EXPECT_EQ(ResolveProgramFolder(wanted.string() + "/", dir.path().string()), wanted.string());
  EXPECT_EQ(Mode(dir.path() / "a"), 0700u);
  EXPECT_EQ(Mode(wanted), 0700u);

  const std::string exe_folder = dir.path().string();
  ScopedEnv xdg("XDG_DATA_HOME", (dir.path() / "xdg").string());
  EXPECT_EQ(ResolveProgramFolder(std::nullopt, exe_folder), exe_folder);
  EXPECT_EQ(ResolveProgramFolder(std::string(), exe_folder), exe_folder);  // empty --data-dir

  // Not writable (here: absent, which holds even for root) sends the files to the data folder.
  const std::string gone = (dir.path() / "missing").string();
  const fs::path xdg_folder = dir.path() / "xdg" / "wrenfold";
  EXPECT_EQ(ResolveProgramFolder(std::nullopt, gone), xdg_folder.string());
  EXPECT_EQ(Mode(xdg_folder), 0700u);

  // A relative XDG_DATA_HOME is ignored, as the base directory rules say.
  ScopedEnv relative("XDG_DATA_HOME", "relative/data");
  ScopedEnv home("HOME", (dir.path() / "home").string());
  const fs::path home_folder = dir.path() / "home" / ".local" / "share" / "wrenfold";
  EXPECT_EQ(ResolveProgramFolder(std::nullopt, gone), home_folder.string());
  EXPECT_TRUE(fs::is_directory(home_folder));
}

// Installed (the data folder exists beside the programs' folder), the programs read their data
// from there and keep prefs and credentials in the user's data folder even when they could
// write to their own folder, as root or under a home-folder prefix can.
TEST(ProgramFolder, InstalledProgramsUseTheirDataFolderAndTheUsersFolder) {
  test::TempDir dir;
  const fs::path bin = dir.path() / "prefix" / "bin";
  fs::create_directories(bin);
  ScopedEnv xdg("XDG_DATA_HOME", (dir.path() / "xdg").string());

  // A build tree: data beside the programs, files beside them too.
  EXPECT_EQ(DataFolder(bin.string()), bin.string());
  EXPECT_EQ(ResolveProgramFolder(std::nullopt, bin.string()), bin.string());

  const std::string installed = InstalledDataFolder(bin.string());
  EXPECT_EQ(fs::path(installed).lexically_normal(), fs::path(installed));
  EXPECT_TRUE(installed.rfind((dir.path() / "prefix").string() + "/", 0) == 0) << installed;
  fs::create_directories(installed);
  EXPECT_EQ(DataFolder(bin.string()), installed);
  EXPECT_EQ(ResolveProgramFolder(std::nullopt, bin.string()),
            (dir.path() / "xdg" / "wrenfold").string());
  // --data-dir still wins.
  const std::string chosen = (dir.path() / "chosen").string();
  EXPECT_EQ(ResolveProgramFolder(chosen, bin.string()), chosen);

  EXPECT_EQ(DataFolder(""), "");
}

}  // namespace
}  // namespace wf
