#include "lang/form_language.h"

#include "lang/form_translator.h"
#include "startup/globals.h"

namespace qvx {

int32_t GetLanguageCount() {
  TssLang lang(nullptr);
  lang.FPath = AppPath;
  lang.LoadLanguages();
  return lang.FLanguages.Count();
}

void ApplyFormLanguage(TComponent& window) {
  // The translator is owned by window only while it works, and is freed also when it fails.
  TssLang lang(&window);
  lang.FPath = AppPath;
  lang.SetLanguageIndex(LangIndex >= 1 ? LangIndex - 1 : 0);
}

}  // namespace qvx
