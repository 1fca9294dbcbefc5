#pragma once
// The root of the window layer's classes and their run-time property tables.
//
// Every class that a translation file may reach declares its properties in a table of its own;
// a lookup walks the class and its ancestors, so a subclass inherits and may hide names. Names
// match without regard to letter case, as everywhere else in the system.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/errors.h"

namespace qvx {

class TObject;

// A property that does not exist, or is used as a kind it is not.
class EPropertyError : public Exception {
  using Exception::Exception;
};

enum class TPropKind : uint8_t {
  Integer,      // 8, 16 or 32 bits, signed or not; a wider value keeps its low-order bits
  ShortText,    // 8-bit text of at most MaxLength characters; longer text is cut
  Text,         // 8-bit text
  WideText,     // UTF-16 text
  Object,       // a reference to another object, or none
  Int64,
  // The kinds below are the "other" ones: a translation file never sets them.
  Enumeration,  // booleans included
  Set,
  Char,
  Float,
};

inline bool IsTextKind(TPropKind k) {
  return k == TPropKind::ShortText || k == TPropKind::Text || k == TPropKind::WideText;
}
inline bool IsOrdinalKind(TPropKind k) {
  return k == TPropKind::Integer || k == TPropKind::Int64 || k == TPropKind::Enumeration ||
         k == TPropKind::Set || k == TPropKind::Char;
}

struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  uint8_t Bits = 32;          // Integer only
  bool Signed = true;         // Integer only
  uint8_t MaxLength = 255;    // ShortText only
  // Only the accessors of the property's kind are set. Ordinal kinds travel as int64_t.
  std::function<int64_t(const TObject&)> GetOrd;
  std::function<void(TObject&, int64_t)> SetOrd;
  std::function<std::string(const TObject&)> GetStr;
  std::function<void(TObject&, const std::string&)> SetStr;
  std::function<std::u16string(const TObject&)> GetWideStr;
  std::function<void(TObject&, const std::u16string&)> SetWideStr;
  std::function<double(const TObject&)> GetFloat;
  std::function<void(TObject&, double)> SetFloat;
  std::function<TObject*(const TObject&)> GetObj;
};

class TClassInfo {
 public:
  TClassInfo(std::string name, const TClassInfo* parent, std::vector<TPropInfo> props);
  const std::string& Name() const { return FName; }
  const TClassInfo* Parent() const { return FParent; }
  const std::vector<TPropInfo>& OwnProperties() const { return FProps; }
  bool InheritsFrom(const TClassInfo& other) const;
  // The class's own declaration first, then its ancestors'; nullptr when none has the name.
  const TPropInfo* FindProperty(const std::string& name) const;

 private:
  std::string FName;
  const TClassInfo* FParent;
  std::vector<TPropInfo> FProps;
};

class TObject {
 public:
  virtual ~TObject() = default;
  static const TClassInfo& StaticClassInfo();
  // Every class with a property table of its own overrides this with its table.
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
  const std::string& ClassName() const { return ClassInfo().Name(); }
};

// Property access by name and kind, for callers that know a property only by its name.
const TPropInfo* GetPropInfo(const TObject& object, const std::string& name);

// Integer, 64-bit integer, enumeration, set and character properties. An Integer property takes
// the low-order bits of value that fit its width.
int64_t GetOrdProp(const TObject& object, const TPropInfo& prop);
void SetOrdProp(TObject& object, const TPropInfo& prop, int64_t value);
// 8-bit and short text properties; a short text keeps its first MaxLength characters.
std::string GetStrProp(const TObject& object, const TPropInfo& prop);
void SetStrProp(TObject& object, const TPropInfo& prop, const std::string& value);
std::u16string GetWideStrProp(const TObject& object, const TPropInfo& prop);
void SetWideStrProp(TObject& object, const TPropInfo& prop, const std::u16string& value);
double GetFloatProp(const TObject& object, const TPropInfo& prop);
void SetFloatProp(TObject& object, const TPropInfo& prop, double value);
TObject* GetObjectProp(const TObject& object, const TPropInfo& prop);

// The value an Integer property of the given width and signedness stores for value.
int64_t NarrowToWidth(int64_t value, uint8_t bits, bool isSigned);

}  // namespace qvx
