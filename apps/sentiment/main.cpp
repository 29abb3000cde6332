#include <iostream>
#include <string>
#include <vector>

#include "score_file.h"
#include "util/program_folder.h"

int main(int argc, char** argv) {
  // The word lists travel with the program, so a bare "input FILE" finds them wherever the
  // program was installed: in the installed data folder, or beside it in a build tree.
  const std::string folder = wf::ExecutableFolder();
  const std::string data_dir = folder.empty() ? std::string("SentiStrengthData/")
                                              : wf::DataFolder(folder) + "/SentiStrengthData/";
  const std::vector<std::string> args(argv + 1, argv + argc);
  return wf::senti::RunCommandLine(args, data_dir, std::cout, std::cerr);
}
