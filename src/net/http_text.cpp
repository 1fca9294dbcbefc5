#include "net/http_text.h"

namespace qvx {

std::string TextBefore(const std::string& text, const std::string& separator) {
  size_t at = text.find(separator);
  return at == std::string::npos ? text : text.substr(0, at);
}

std::string TextAfter(const std::string& text, const std::string& separator) {
  size_t at = text.find(separator);
  return at == std::string::npos ? text : text.substr(at + separator.size());
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string TrimTrailingBlanks(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(0, end);
}

}  // namespace qvx
