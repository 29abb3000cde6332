#pragma once

#include <filesystem>
#include <string>

namespace wf::test {

// A file under tests/data/v1.1 (e.g. "rtweet/search_1.json").
std::string TestdataPath(const std::string& relative);
// Its bytes; throws (failing the current test with the path) when it cannot be read.
std::string ReadTestdata(const std::string& relative);
// The bytes of a fixture anywhere under tests/data, by full path; throws as above.
std::string ReadFixture(const std::string& path);

// A fresh empty folder for one test, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

}  // namespace wf::test
