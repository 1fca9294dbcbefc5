// TStringList loaded from arbitrary bytes, then read and changed by name: lines never hold a line
// break, saving and loading again gives the same lines, and the Name=Value operations (and the
// name index built over the list) agree.
#include <cstdint>
#include <string>

#include "base/ascii_case.h"
#include "common/memory_stream.h"
#include "common/name_index.h"
#include "common/string_list.h"
#include "fuzz_support.h"

namespace {

void CheckLines(const qvx::TStringList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    const std::string& line = list.LineAt(i);
    FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    // Name and value put back together are the line, for lines with "=".
    if (line.find('=') != std::string::npos)
      FUZZ_CHECK(list.NameAt(i) + "=" + list.ValueAt(i) == line);
    else
      FUZZ_CHECK(list.NameAt(i).empty());
  }
}

void CheckRoundTrip(const qvx::TStringList& list) {
  qvx::TStringList again;
  again.SetText(list.JoinedText());
  FUZZ_CHECK(again.Count() == list.Count());
  for (int i = 0; i < again.Count(); ++i)
    FUZZ_CHECK(again.LineAt(i) == list.LineAt(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvx::fuzz::FuzzInput in(data, size);
  const uint8_t skip = in.Byte();
  const std::string text = in.Field();

  qvx::TMemoryStream stream;
  stream.Write(text.data(), text.size());
  stream.SetPosition(skip % (text.size() + 1));
  qvx::TStringList list;
  list.Add("stale");
  list.LoadBytes(stream);
  qvx::TStringList direct;
  direct.SetText(text.substr(skip % (text.size() + 1)));
  FUZZ_CHECK(direct.JoinedText() == list.JoinedText());
  CheckLines(list);
  CheckRoundTrip(list);

  // The remaining fields are name, value pairs applied in turn.
  while (!in.Empty()) {
    const std::string name = in.Field();
    const std::string value = in.Field();
    const int count = list.Count();
    const int found = list.FindName(name);
    FUZZ_CHECK(found >= -1 && found < count);
    const std::string before = list.ValueOf(name);
    FUZZ_CHECK(qvx::TNameIndex(list).ValueOf(name) == before);
    if (found < 0) FUZZ_CHECK(before.empty());
    else FUZZ_CHECK(list.ValueAt(found) == before && qvx::EqualTextIgnoreCase(list.NameAt(found), name));

    list.SetValueOf(name, value);
    if (value.empty()) {
      FUZZ_CHECK(list.Count() == count - (found >= 0 ? 1 : 0));
    } else {
      FUZZ_CHECK(list.Count() == count + (found < 0 ? 1 : 0));
      const int at = found >= 0 ? found : count;
      FUZZ_CHECK(list.LineAt(at) == name + "=" + value);
      // A name without "=" is found again at the same line with the new value.
      if (name.find('=') == std::string::npos) {
        FUZZ_CHECK(list.FindName(name) == at);
        FUZZ_CHECK(list.ValueOf(name) == value);
      }
    }
  }
  return 0;
}
