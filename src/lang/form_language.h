#pragma once
// The two uses of the form translator: counting the languages at program start, and translating
// a window into the user's language while it is created.
#include <cstdint>

namespace qvx {

class TComponent;

// How many languages the installation's translation file lists; 0 without the file.
int32_t GetLanguageCount();
// Translates window and the components it owns into language LangIndex. Errors raised by the
// translation reach the caller; what was set before one stays set.
void ApplyFormLanguage(TComponent& window);

}  // namespace qvx
