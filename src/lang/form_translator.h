#pragma once
// The form translator: sets, by name, the captions, texts, numbers, fonts, string lists and grid
// column widths of a window and of the components it owns, from the translation file
// "Data\Language.sil" of the installation. The same file lists the languages' display names.
//
// It never reports a missing file, section, component or property, nor a value that is not a
// number; errors raised while a text property or a string list is set end the section and reach
// the caller.
#include <cstdint>
#include <string>

#include "common/string_list.h"
#include "ui/component.h"

namespace qvx {

class TssLang : public TComponent {
 public:
  // owner: the window to translate, or none for a translator that only reads language names.
  explicit TssLang(TComponent* owner);
  ~TssLang() override;

  // Display names of the languages, in file order, in the 8-bit code page.
  TStringList FLanguages;
  // The installation folder, ending with its delimiter; set by the creator before any call.
  std::string FPath;

  int32_t LanguageIndex() const { return FLanguageIndex; }
  void LoadLanguages();
  // Applies translation index (language number - 1) unless it is the one applied already.
  void SetLanguageIndex(int32_t index);
  // The section of the current index, or that of index 0 when it is missing or empty.
  void ApplyLanguage();
  void ApplyDefaultLanguage();
  // One entry: key names a property of the window ("Caption"), of a component it owns
  // ("Label3.Caption"), or the fonts ("FONT.NAME", "FONT.Size").
  void ApplyItem(const std::string& key, const std::u16string& value);

 private:
  std::string FileName() const;
  // Reads and applies one section; false when the section has no lines.
  bool ApplySection(int32_t index);
  void ApplyToComponent(TComponent& component, const std::string& name, const std::u16string& value);

  int32_t FLanguageIndex = -1;
};

// The object held by component's object-kind property name; nullptr when there is no such
// property, it is of another kind, or it holds nothing.
TObject* FindObjectProperty(const TObject* component, const std::u16string& name);
// Sets object's text-kind property name to value (its 8-bit form for 8-bit and short text) and
// returns true; false, changing nothing, when object has no text property of that name.
bool SetTextProperty(TObject* object, const std::u16string& name, const std::u16string& value);

}  // namespace qvx
