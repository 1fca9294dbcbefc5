#include "common/string_list.h"

#include "base/ascii_case.h"
#include "base/errors.h"

namespace qvx {

namespace {
[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

// Names match with A-Z folded and nothing else ignored; the system's files use ASCII names.
bool NameMatches(const std::string& line, size_t eq, const std::string& name) {
  return eq == name.size() && EqualTextIgnoreCase(line.substr(0, eq), name);
}
}  // namespace

const std::string& TStringList::LineAt(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FLines[static_cast<size_t>(index)];
}

int TStringList::Add(const std::string& line) {
  FLines.push_back(line);
  return Count() - 1;
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  FLines.erase(FLines.begin() + index);
}

// A line ends at CR, LF or NUL; one CR and then one LF after it are skipped, so CR LF, CR and LF
// each end one line, and LF CR ends two. A NUL ends the text. No byte-order mark is recognised.
void TStringList::SetText(const std::string& text) {
  std::vector<std::string> lines;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] != '\0') {
    size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n' && text[i] != '\0') ++i;
    lines.push_back(text.substr(start, i - start));
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
  }
  FLines.swap(lines);
}

void TStringList::LoadBytes(const TMemoryStream& stream) { SetText(stream.Rest()); }

std::string TStringList::JoinedText() const {
  size_t total = 0;
  for (const auto& line : FLines) total += line.size() + 2;
  std::string text;
  text.reserve(total);
  for (const auto& line : FLines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

int TStringList::FindName(const std::string& name) const {
  for (size_t i = 0; i < FLines.size(); ++i) {
    size_t eq = FLines[i].find('=');
    if (eq != std::string::npos && NameMatches(FLines[i], eq, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string TStringList::ValueOf(const std::string& name) const {
  int i = FindName(name);
  return i < 0 ? std::string() : FLines[static_cast<size_t>(i)].substr(name.size() + 1);
}

void TStringList::SetValueOf(const std::string& name, const std::string& value) {
  int i = FindName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) i = Add(std::string());
  FLines[static_cast<size_t>(i)] = name + "=" + value;
}

std::string TStringList::NameAt(int index) const {
  const std::string& line = LineAt(index);
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStringList::ValueAt(int index) const {
  if (index < 0) return std::string();
  const std::string& line = LineAt(index);
  size_t eq = line.find('=');
  // A line without "=" has an empty name, so its value starts at its second character.
  return eq == std::string::npos ? (line.empty() ? line : line.substr(1)) : line.substr(eq + 1);
}

}  // namespace qvx
