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

}  // namespace
}  // namespace wf
