#include "util/shell_and_wait.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Waits up to `limit` for `done`; true when it came.
template <typename F>
bool Eventually(F done, milliseconds limit = milliseconds(10'000)) {
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(milliseconds(20));
  }
  return done();
}

std::string Sh(const std::string& script) {
  return "sh -c " + QuoteArgument(script);
}

TEST(SplitCommandLine, QuotesGroupAndBackslashesEscapeQuotes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("  java  -jar\tx.jar "), (V{"java", "-jar", "x.jar"}));
  EXPECT_EQ(SplitCommandLine(R"(prog "a b" c)"), (V{"prog", "a b", "c"}));
  EXPECT_EQ(SplitCommandLine(R"(x"y z"w)"), (V{"xy zw"}));
  EXPECT_EQ(SplitCommandLine(R"(prog "" end)"), (V{"prog", "", "end"}));
  EXPECT_EQ(SplitCommandLine(R"("unclosed group)"), (V{"unclosed group"}));
  // Backslashes are literal unless a quote follows them.
  EXPECT_EQ(SplitCommandLine(R"(C:\dir\file.txt)"), (V{R"(C:\dir\file.txt)"}));
  EXPECT_EQ(SplitCommandLine(R"(a\"b)"), (V{R"(a"b)"}));
  EXPECT_EQ(SplitCommandLine(R"("a\\" b)"), (V{R"(a\)", "b"}));
  EXPECT_EQ(SplitCommandLine(R"(a\\\"b)"), (V{R"(a\"b)"}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(QuoteArgument, SplitGivesEveryArgumentBack) {
  const std::vector<std::string> args = {"plain",
                                         "with space",
                                         "",
                                         R"(trailing\)",
                                         R"(two\\)",
                                         R"(say "hi")",
                                         R"(\"already\")",
                                         "/tmp/Program Files/SentiStrengthData/",
                                         "tab\there"};
  std::string command;
  for (const std::string& a : args) command += QuoteArgument(a) + " ";
  EXPECT_EQ(SplitCommandLine(command), args);
}

TEST(ShellAndWait, InvalidArgumentsStartNothing) {
  test::TempDir dir;
  const std::string marker = dir.File("started");
  const std::string cmd = "touch " + QuoteArgument(marker);
  EXPECT_EQ(ShellAndWait("", 0, 0, 0, nullptr), kShellInvalidArgument);
  EXPECT_EQ(ShellAndWait("    ", 0, 0, 0, nullptr), kShellInvalidArgument);
  EXPECT_EQ(ShellAndWait(cmd, -1, 0, 0, nullptr), kShellInvalidArgument);
  for (int style : {-1, 5, 7}) {
    EXPECT_EQ(ShellAndWait(cmd, 0, style, 0, nullptr), kShellInvalidArgument) << style;
  }
  for (int mode : {-1, 3}) {
    EXPECT_EQ(ShellAndWait(cmd, 0, 0, mode, nullptr), kShellInvalidArgument) << mode;
  }
  EXPECT_FALSE(std::filesystem::exists(marker));

  // Every valid style and mode runs the command.
  for (int style : {0, 1, 2, 3, 4, 6}) {
    for (int mode : {0, 1, 2}) {
      ASSERT_EQ(ShellAndWait(cmd, 5'000, style, mode, nullptr), kShellEnded);
    }
  }
  EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST(ShellAndWait, ProgramThatCannotStart) {
  test::TempDir dir;
  EXPECT_EQ(ShellAndWait("wrenfold-no-such-program-here --x", 1'000, 0, 0, nullptr),
            kShellNotStarted);
  EXPECT_EQ(ShellAndWait(QuoteArgument(dir.File("missing")), 1'000, 0, 0, nullptr),
            kShellNotStarted);
  // A file that is there but not executable.
  test::WriteBytes(dir.File("data.txt"), "text");
  EXPECT_EQ(ShellAndWait(QuoteArgument(dir.File("data.txt")), 1'000, 0, 0, nullptr),
            kShellNotStarted);
  EXPECT_EQ(ShellAndWait(R"("" arg)", 1'000, 0, 0, nullptr), kShellNotStarted);
}

TEST(ShellAndWait, EndedProcessesReturnZeroWhateverTheirStatus) {
  EXPECT_EQ(ShellAndWait("true", 5'000, 0, 0, nullptr), kShellEnded);
  EXPECT_EQ(ShellAndWait("false", 5'000, 0, 0, nullptr), kShellEnded);
  EXPECT_EQ(ShellAndWait(Sh("kill -9 $$"), 5'000, 0, 0, nullptr), kShellEnded);
}

TEST(ShellAndWait, ArgumentsArriveWhole) {
  test::TempDir dir;
  // A program in a folder whose name has a space, given arguments with spaces and quotes.
  const std::filesystem::path folder = dir.path() / "Program Files";
  std::filesystem::create_directory(folder);
  const std::string program = (folder / "echo args").string();
  test::WriteBytes(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > \"$1\"\n");
  ::chmod(program.c_str(), 0755);
  const std::string out = (folder / "out file.txt").string();

  const std::string command = QuoteArgument(program) + " " + QuoteArgument(out) +
                              " \"two words\" " + QuoteArgument(R"(say "hi")") + " plain";
  ASSERT_EQ(ShellAndWait(command, 5'000, 0, 0, nullptr), kShellEnded);
  EXPECT_EQ(test::ReadBytes(out), out + R"(|two words|say "hi"|plain|)");
}

// A process that outlives the limit: result 2 once the elapsed 500 ms steps exceed it,
// the process goes on to its end, and it does not stay behind as a zombie.
TEST(ShellAndWait, TimeOutLeavesTheProcessRunning) {
  test::TempDir dir;
  const std::string pid_file = dir.File("pid");
  const std::string done_file = dir.File("done");
  const std::string script = "echo $$ > " + pid_file + "; sleep 2.5; touch " + done_file;
  test::ScriptedUi ui;

  const auto start = Clock::now();
  EXPECT_EQ(ShellAndWait(Sh(script), 1'000, 0, 0, &ui), kShellTimedOut);
  const auto waited = Clock::now() - start;
  // 500 and 1,000 ms do not exceed the limit; the step at 1,500 ms does.
  EXPECT_GE(waited, milliseconds(1'450));
  EXPECT_GE(ui.yields, 3);
  EXPECT_FALSE(std::filesystem::exists(done_file));

  ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(done_file); }))
      << "the process was stopped";
  std::ifstream in(pid_file);
  long pid = 0;
  in >> pid;
  ASSERT_GT(pid, 0);
  // A zombie keeps its /proc entry until its parent collects it.
  const std::string proc = "/proc/" + std::to_string(pid);
  EXPECT_TRUE(Eventually([&] { return !std::filesystem::exists(proc); }))
      << "process " << pid << " was never collected";
}

TEST(ShellAndWait, NoLimitWaitsToTheEndAndYields) {
  test::TempDir dir;
  const std::string done_file = dir.File("done");
  test::ScriptedUi ui;
  EXPECT_EQ(ShellAndWait(Sh("sleep 1.2; touch " + done_file), 0, 0, 0, &ui), kShellEnded);
  EXPECT_TRUE(std::filesystem::exists(done_file));
  EXPECT_GE(ui.yields, 2);
}

TEST(FindOnSearchPath, ExecutablesOnly) {
  const std::optional<std::string> sh = FindOnSearchPath("sh");
  ASSERT_TRUE(sh);
  EXPECT_TRUE(sh->ends_with("/sh"));
  EXPECT_FALSE(FindOnSearchPath("wrenfold-no-such-program-here"));
  EXPECT_FALSE(FindOnSearchPath("/bin/sh"));
  EXPECT_FALSE(FindOnSearchPath(""));
}

}  // namespace
}  // namespace wf
