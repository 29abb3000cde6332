#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace wf::test {

std::string TestdataPath(const std::string& relative) {
  return std::string(WF_TESTDATA_DIR) + "/v1.1/" + relative;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string ReadFixture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  // Thrown, not merely reported: a test that went on with an empty fixture would index past
  // the end of what it expected to read. GoogleTest fails the test with this text.
  if (!in.good()) throw std::runtime_error("missing test fixture " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string ReadTestdata(const std::string& relative) {
  return ReadFixture(TestdataPath(relative));
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "wf-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace wf::test
