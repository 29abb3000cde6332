#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/test_paths.h"
#include "util/file_exists.h"
#include "util/file_io.h"

namespace wf {
namespace {

TEST(FileExists, FilesOnly) {
  test::TempDir dir;
  EXPECT_FALSE(FileExists(dir.path().string()));
  EXPECT_FALSE(FileExists(dir.File("missing.txt")));
  EXPECT_FALSE(FileExists(""));
  test::WriteBytes(dir.File("a.txt"), "x");
  EXPECT_TRUE(FileExists(dir.File("a.txt")));
}

TEST(FileIo, AtomicWriteReplacesWholeOrNothing) {
  test::TempDir dir;
  const std::string path = dir.File("t.txt");
  ASSERT_TRUE(WriteFileAtomically(path, "first"));
  ASSERT_TRUE(WriteFileAtomically(path, "second"));
  EXPECT_EQ(*ReadWholeFile(path), "second");
  ASSERT_TRUE(AppendToFile(path, "+more"));
  EXPECT_EQ(*ReadWholeFile(path), "second+more");
  // No leftovers beside the file.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);

  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir.File("no/such/dir/x.txt"), "x", &error));
  EXPECT_NE(error.find("x.txt"), std::string::npos);
  EXPECT_FALSE(ReadWholeFile(dir.path().string(), &error).has_value());
  EXPECT_FALSE(ReadWholeFile(dir.File("missing"), &error).has_value());
}

// A file written in pieces shows nothing under its name before Commit, then the whole; a
// writer given up, or one whose rename fails, leaves nothing behind.
TEST(FileIo, PiecewiseWriterShowsTheWholeFileOrNothing) {
  test::TempDir dir;
  const std::string path = dir.File("out.txt");
  auto entries = [&dir] {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++n;
    return n;
  };
  ASSERT_TRUE(WriteFileAtomically(path, "old"));
  {
    AtomicFileWriter w(path);
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(w.Write("new "));
    ASSERT_TRUE(w.Write("text"));
    EXPECT_EQ(*ReadWholeFile(path), "old");
    ASSERT_TRUE(w.Commit(/*sync=*/false));
  }
  EXPECT_EQ(*ReadWholeFile(path), "new text");
  EXPECT_EQ(entries(), 1);
  {
    AtomicFileWriter w(path);
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(w.Write("abandoned"));
  }
  EXPECT_EQ(*ReadWholeFile(path), "new text");
  EXPECT_EQ(entries(), 1);

  std::filesystem::create_directory(dir.File("sub.txt"));
  AtomicFileWriter blocked(dir.File("sub.txt"));
  ASSERT_TRUE(blocked.Open());
  ASSERT_TRUE(blocked.Write("x"));
  std::string error;
  EXPECT_FALSE(blocked.Commit(/*sync=*/true, &error));
  EXPECT_NE(error.find("sub.txt"), std::string::npos);
  EXPECT_FALSE(blocked.Write("more", &error));
  EXPECT_EQ(entries(), 2);  // out.txt and the folder
}

}  // namespace
}  // namespace wf
