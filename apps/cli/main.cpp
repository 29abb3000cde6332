#include <iostream>
#include <string>
#include <vector>

#include "command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return wf::cli::RunCli(args, std::cout, std::cerr);
}
