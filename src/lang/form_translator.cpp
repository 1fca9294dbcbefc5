#include "lang/form_translator.h"

#include <exception>

#include "base/ascii_case.h"
#include "common/file_utils.h"
#include "common/ini_file.h"
#include "common/integer_rule.h"
#include "common/text_utils.h"
#include "platform/code_page.h"
#include "ui/data_grid.h"
#include "ui/list_controls.h"
#include "ui/object.h"
#include "ui/strings.h"

namespace qvx {

namespace {

const char kLanguageFile[] = "Data\\Language.sil";
const char16_t kLanguageNamesSection[] = u"Language names";
// Stands for a line break inside a translated text.
const char kLineBreakMarker[] = "#$D#$A";

// Property names are ASCII; a name with other characters finds no property.
std::string NameOf(const std::u16string& name) { return WideToAnsi(name); }

// Integer and 64-bit integer properties take the value by the integer rule. Neither a value
// that is no number nor a setter's error stops the translation.
void SetNumberProperty(TObject& object, const TPropInfo& prop, const std::u16string& value) {
  try {
    int32_t number = TextToInt32(WideToAnsi(value));
    SetOrdProp(object, prop, number);  // an Int64 property gets it sign-extended
  } catch (const std::exception&) {
  }
}

void SetText(TObject& object, const TPropInfo& prop, const std::u16string& value) {
  if (prop.Kind == TPropKind::WideText)
    SetWideStrProp(object, prop, value);
  else
    SetStrProp(object, prop, WideToAnsi(value));
}

}  // namespace

TssLang::TssLang(TComponent* owner) : TComponent(owner) {}

TssLang::~TssLang() = default;

std::string TssLang::FileName() const { return FPath + kLanguageFile; }

void TssLang::LoadLanguages() {
  if (!FileIsPresent(FileName())) return;
  FLanguages.Clear();
  TWideIniFile ini(AnsiToWide(FileName()));
  for (int32_t n = 1;; ++n) {
    std::string key = "Language_" + std::to_string(n);
    std::u16string name = ini.ReadWideText(kLanguageNamesSection, AnsiToWide(key), u"");
    if (name.empty()) break;
    FLanguages.Add(WideToAnsi(name));
  }
}

void TssLang::SetLanguageIndex(int32_t index) {
  if (index == FLanguageIndex) return;
  FLanguageIndex = index;
  ApplyLanguage();
}

void TssLang::ApplyLanguage() {
  if (!ApplySection(FLanguageIndex) && FLanguageIndex != 0) ApplyDefaultLanguage();
}

void TssLang::ApplyDefaultLanguage() { ApplySection(0); }

bool TssLang::ApplySection(int32_t index) {
  // A translator without a window has nothing to translate.
  if (!Owner() || !FileIsPresent(FileName())) return true;
  TStringList lines;
  TIniFile ini(FileName());
  ini.ReadSectionPairs(std::to_string(index) + "_" + Owner()->Name(), lines);
  if (lines.Count() == 0) return false;
  for (int i = 0; i < lines.Count(); ++i) {
    std::string key = lines.NameAt(i);
    std::string value = lines.ValueAt(i);
    if (!key.empty() && !value.empty()) ApplyItem(key, AnsiToWide(value));
  }
  return true;
}

void TssLang::ApplyItem(const std::string& key, const std::u16string& value) {
  TComponent* window = Owner();
  if (!window) return;
  TStrArray parts;
  SplitByChar(key, '.', parts);
  if (parts.size() == 1) {
    const TPropInfo* prop = GetPropInfo(*window, parts[0]);
    if (!prop) return;
    if (IsTextKind(prop->Kind))
      SetText(*window, *prop, value);
    else if (prop->Kind == TPropKind::Integer || prop->Kind == TPropKind::Int64)
      SetNumberProperty(*window, *prop, value);
    return;
  }
  if (parts.size() != 2) return;

  if (EqualTextIgnoreCase(parts[0], "FONT")) {
    if (EqualTextIgnoreCase(parts[1], "NAME")) {
      SetTextProperty(FindObjectProperty(window, u"Font"), u"Name", value);
      for (int i = 0; i < window->ComponentCount(); ++i) {
        TComponent* c = window->Components(i);
        SetTextProperty(FindObjectProperty(c, u"Font"), u"Name", value);
        SetTextProperty(FindObjectProperty(c, u"HeadingFont"), u"Name", value);
      }
    } else if (EqualTextIgnoreCase(parts[1], "Size")) {
      if (TObject* font = FindObjectProperty(window, u"Font")) {
        const TPropInfo* size = GetPropInfo(*font, "Size");
        if (size && size->Kind == TPropKind::Integer) SetNumberProperty(*font, *size, value);
      }
    }
    return;
  }

  if (TComponent* component = window->FindComponent(parts[0]))
    ApplyToComponent(*component, parts[1], value);
}

void TssLang::ApplyToComponent(TComponent& component, const std::string& name,
                               const std::u16string& value) {
  const TPropInfo* prop = GetPropInfo(component, name);
  if (!prop) {
    auto* grid = dynamic_cast<TDataGrid*>(&component);
    if (!grid || UpperAscii(name).find("COLWIDTHS") == std::string::npos) return;
    int32_t column = GetBracketIndex(name);
    if (column < 0) return;
    try {
      grid->SetColWidths(column, TextToInt32(WideToAnsi(value)));
    } catch (const std::exception&) {
    }
    return;
  }

  switch (prop->Kind) {
    case TPropKind::ShortText:
    case TPropKind::Text:
    case TPropKind::WideText: {
      TStrArray pieces;
      SplitByString(WideToAnsi(value), kLineBreakMarker, pieces);
      if (pieces.size() < 2) {
        SetText(component, *prop, value);
        return;
      }
      std::string joined;
      for (const std::string& piece : pieces) joined += piece + "\r\n";
      SetText(component, *prop, AnsiToWide(joined));
      return;
    }
    case TPropKind::Integer:
    case TPropKind::Int64:
      SetNumberProperty(component, *prop, value);
      return;
    case TPropKind::Object: {
      auto* lines = dynamic_cast<TStrings*>(GetObjectProp(component, *prop));
      if (!lines) return;
      TStrArray pieces;
      SplitByChar(WideToAnsi(value), ',', pieces);
      auto* list = dynamic_cast<TCustomListControl*>(&component);
      const int32_t selected = list ? list->ItemIndex() : -1;
      lines->Clear();
      for (const std::string& piece : pieces) lines->Add(piece);
      if (list) list->SetItemIndex(selected);
      return;
    }
    default:
      return;
  }
}

TObject* FindObjectProperty(const TObject* component, const std::u16string& name) {
  if (!component) return nullptr;
  const TPropInfo* prop = GetPropInfo(*component, NameOf(name));
  if (!prop || prop->Kind != TPropKind::Object) return nullptr;
  return GetObjectProp(*component, *prop);
}

bool SetTextProperty(TObject* object, const std::u16string& name, const std::u16string& value) {
  if (!object) return false;
  const TPropInfo* prop = GetPropInfo(*object, NameOf(name));
  if (!prop || !IsTextKind(prop->Kind)) return false;
  SetText(*object, *prop, value);
  return true;
}

}  // namespace qvx
