#include "platform/command_line.h"

namespace qvx {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  const size_t n = commandLine.size();
  size_t i = 0;
  auto blank = [&](size_t k) { return static_cast<unsigned char>(commandLine[k]) <= 32; };
  for (;;) {
    while (i < n && blank(i) && commandLine[i] != '\0') ++i;
    if (i >= n || commandLine[i] == '\0') break;
    std::string word;
    while (i < n && !blank(i)) {
      if (commandLine[i] == '"') {
        ++i;
        // An unclosed quote runs to the end of the line.
        while (i < n && commandLine[i] != '"' && commandLine[i] != '\0') word += commandLine[i++];
        if (i < n && commandLine[i] == '"') ++i;
      } else {
        word += commandLine[i++];
      }
    }
    if (!word.empty()) words.push_back(std::move(word));
  }
  return words;
}

}  // namespace qvx
