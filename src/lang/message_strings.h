#pragma once
// Status message texts by number, in the user's language, from the installation's
// data\Language.ini: section "<language number>", key "con_str<number, at least 3 digits>".
#include <cstdint>
#include <string>

namespace qvx {

// The text of message number in language LangIndex; the text of language 1 when the user's is
// missing or blank; "" when neither has it; "error in language.ini" while the file is missing.
std::string GetLangStr(int32_t number);

// The reader of the message file is made on the first call that finds the file and kept for
// the rest of the process. This drops it, as at program start (for tests that move AppPath).
void ForgetLangStrFile();

}  // namespace qvx
