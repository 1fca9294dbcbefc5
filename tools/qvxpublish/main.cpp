#include <iostream>
#include <string>
#include <vector>

#include "qvxpublish/publisher.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return qvx::RunPublisher(args, std::cout, std::cerr);
}
