#include "util/shell_and_wait.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>

extern char** environ;

namespace wf {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The wait is counted in slices of this length; the window gets one yield per slice.
constexpr milliseconds kSlice{500};
// Longest sleep between two looks at the child inside a slice: short enough that a quick
// tool run is not held back to the end of a slice, long enough to cost no CPU.
constexpr milliseconds kLongestStep{20};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

enum class SliceOutcome { Ended, Running, Failed };

SliceOutcome WaitOneSlice(pid_t pid) {
  const Clock::time_point slice_end = Clock::now() + kSlice;
  milliseconds step{1};
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return SliceOutcome::Ended;
    if (r < 0) {
      if (errno == EINTR) continue;
      // ECHILD: someone else (a SIGCHLD handler set to ignore, say) collected the child.
      return SliceOutcome::Failed;
    }
    const Clock::time_point now = Clock::now();
    if (now >= slice_end) return SliceOutcome::Running;
    std::this_thread::sleep_for(std::min<Clock::duration>(step, slice_end - now));
    step = std::min(step * 2, kLongestStep);
  }
}

// A child left running at a time-out would become a zombie when it ends, since nobody
// waits for it any more. A detached thread blocked in waitpid on exactly that pid collects
// it the moment it ends, without installing a SIGCHLD handler that would take exit
// statuses away from every other part of the program that waits for its own children.
void ReapInBackground(pid_t pid) {
  try {
    std::thread([pid] {
      int status = 0;
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // Out of threads: the child stays a zombie until this program ends, which is all the
    // harm there is.
  }
}

class SpawnSetup {
 public:
  SpawnSetup() {
    ok_ = ::posix_spawn_file_actions_init(&actions_) == 0;
    ok_ = ::posix_spawnattr_init(&attr_) == 0 && ok_;
    if (!ok_) return;
    // The tool must not read the terminal the window may have been started from.
    ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // Signal dispositions set to "ignore" and the signal mask survive exec: a window that
    // ignores SIGPIPE or blocks signals on its thread must not hand that to the tool.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    ::posix_spawnattr_setsigdefault(&attr_, &defaults);
    sigset_t empty;
    sigemptyset(&empty);
    ::posix_spawnattr_setsigmask(&attr_, &empty);
    ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  ~SpawnSetup() {
    ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  bool ok() const { return ok_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attr() const { return &attr_; }

 private:
  posix_spawn_file_actions_t actions_{};
  posix_spawnattr_t attr_{};
  bool ok_ = false;
};

bool ValidWindowStyle(int style) {
  return (style >= 0 && style <= 4) || style == 6;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view command) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = command.size();
  for (;;) {
    while (i < n && IsBlank(command[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(command[i]))) {
      if (command[i] == '\\') {
        std::size_t slashes = 0;
        while (i < n && command[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && command[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg.push_back('"');
            ++i;
          }
          // An even count leaves the quote to open or close a group below.
        } else {
          arg.append(slashes, '\\');
        }
        continue;
      }
      if (command[i] == '"') {
        quoted = !quoted;
        ++i;
        continue;
      }
      arg.push_back(command[i]);
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string QuoteArgument(std::string_view argument) {
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    if (c == '"') {
      // Backslashes before an escaped quote are doubled, plus one for the quote itself.
      out.append(slashes * 2 + 1, '\\');
      out.push_back('"');
    } else {
      out.append(slashes, '\\');
      out.push_back(c);
    }
    slashes = 0;
  }
  // Trailing backslashes precede the closing quote, so they are doubled too.
  out.append(slashes * 2, '\\');
  out.push_back('"');
  return out;
}

std::optional<std::string> FindOnSearchPath(std::string_view name) {
  if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::string_view dirs(path);
  while (true) {
    const std::size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    // An empty entry means the current folder, as the shells read it.
    std::string candidate = dir.empty() ? std::string(".") : std::string(dir);
    candidate.push_back('/');
    candidate.append(name);
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return std::nullopt;
}

int ShellAndWait(std::string_view command, std::int32_t timeout_ms, int window_style,
                 int break_mode, UiPort* ui) {
  if (command.find_first_not_of(' ') == std::string_view::npos || timeout_ms < 0 ||
      break_mode < 0 || break_mode > 2 || !ValidWindowStyle(window_style)) {
    return kShellInvalidArgument;
  }

  std::vector<std::string> args = SplitCommandLine(command);
  if (args.empty() || args.front().empty()) return kShellNotStarted;
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  SpawnSetup setup;
  if (!setup.ok()) return kShellNotStarted;
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], setup.actions(), setup.attr(), argv.data(), environ) != 0 ||
      pid <= 0) {
    return kShellNotStarted;
  }

  std::int64_t elapsed_ms = 0;
  for (;;) {
    const SliceOutcome outcome = WaitOneSlice(pid);
    if (outcome == SliceOutcome::Ended) return kShellEnded;
    if (ui != nullptr) ui->YieldToEvents();
    // A wait that fails cannot tell whether the child ended; the caller is told it did, as
    // it is on Windows, and finds out from the child's output.
    if (outcome == SliceOutcome::Failed) return kShellEnded;
    elapsed_ms += kSlice.count();
    if (timeout_ms > 0 && elapsed_ms > timeout_ms) {
      ReapInBackground(pid);
      return kShellTimedOut;
    }
  }
}

}  // namespace wf
