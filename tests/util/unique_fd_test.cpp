#include "util/unique_fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace wf {
namespace {

bool IsOpen(int fd) {
  return ::fcntl(fd, F_GETFD) != -1;
}

TEST(UniqueFd, ClosesOnEveryWayOutAndHandsOverOnMoveOrRelease) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  {
    const UniqueFd read_end(fds[0]);
    UniqueFd write_end(fds[1]);
    UniqueFd moved(std::move(write_end));
    EXPECT_FALSE(write_end.valid());  // NOLINT(bugprone-use-after-move): moved-from is empty
    EXPECT_EQ(moved.get(), fds[1]);
    EXPECT_TRUE(IsOpen(fds[0]));
    EXPECT_TRUE(IsOpen(fds[1]));
  }
  EXPECT_FALSE(IsOpen(fds[0]));
  EXPECT_FALSE(IsOpen(fds[1]));

  ASSERT_EQ(::pipe(fds), 0);
  {
    UniqueFd kept(fds[0]);
    EXPECT_EQ(kept.Release(), fds[0]);
    UniqueFd replaced(fds[1]);
    replaced = UniqueFd(fds[0]);  // the old descriptor goes, the new one is owned
    EXPECT_FALSE(IsOpen(fds[1]));
    EXPECT_TRUE(IsOpen(fds[0]));
  }
  EXPECT_FALSE(IsOpen(fds[0]));
}

TEST(UniqueFd, CloseReportsItsOwnResult) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  UniqueFd a(fds[0]);
  EXPECT_TRUE(a.Close());
  EXPECT_FALSE(a.valid());
  EXPECT_FALSE(IsOpen(fds[0]));
  errno = 0;
  EXPECT_FALSE(a.Close());  // nothing left to close
  EXPECT_EQ(errno, EBADF);
  ::close(fds[1]);
}

}  // namespace
}  // namespace wf
