#pragma once
// The word rule of the command line, as the product reads its own on Windows: words are
// separated by blanks or control characters (bytes 32 and below); a stretch in double quotes may
// hold them, and the quotes are dropped. A word that leaves nothing once its quotes are dropped
// ("") is no word. The first word is the program's own path. Outside Windows the same rule cuts
// the parameters of a program we start into its argument words, so a started program sees the
// words it would see on Windows.
#include <string>
#include <vector>

namespace qvx {

std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace qvx
