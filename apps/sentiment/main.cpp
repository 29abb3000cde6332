#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "score_file.h"

int main(int argc, char** argv) {
  // The word lists travel with the program, so a bare "input FILE" finds them wherever the
  // program was installed.
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::string data_dir =
      ec ? std::string("SentiStrengthData/") : (self.parent_path() / "SentiStrengthData/").string();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return wf::senti::RunCommandLine(args, data_dir, std::cerr);
}
