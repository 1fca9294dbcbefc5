#include "ui/object.h"

#include "base/ascii_case.h"

namespace qvx {

namespace {

[[noreturn]] void WrongKind(const TPropInfo& prop) {
  throw EPropertyError("Invalid property type: " + prop.Name);
}

}  // namespace

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, std::vector<TPropInfo> props)
    : FName(std::move(name)), FParent(parent), FProps(std::move(props)) {}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c; c = c->FParent)
    if (c == &other) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(const std::string& name) const {
  for (const TClassInfo* c = this; c; c = c->FParent)
    for (const TPropInfo& p : c->FProps)
      if (EqualTextIgnoreCase(p.Name, name)) return &p;
  return nullptr;
}

const TClassInfo& TObject::StaticClassInfo() {
  static const TClassInfo info("TObject", nullptr, {});
  return info;
}

const TPropInfo* GetPropInfo(const TObject& object, const std::string& name) {
  if (name.empty()) return nullptr;
  return object.ClassInfo().FindProperty(name);
}

int64_t NarrowToWidth(int64_t value, uint8_t bits, bool isSigned) {
  if (bits >= 64) return value;
  const uint64_t mask = (uint64_t{1} << bits) - 1;
  uint64_t low = static_cast<uint64_t>(value) & mask;
  if (isSigned && (low >> (bits - 1)) != 0) low |= ~mask;  // sign-extend the top bit
  return static_cast<int64_t>(low);
}

int64_t GetOrdProp(const TObject& object, const TPropInfo& prop) {
  if (!IsOrdinalKind(prop.Kind) || !prop.GetOrd) WrongKind(prop);
  return prop.GetOrd(object);
}

void SetOrdProp(TObject& object, const TPropInfo& prop, int64_t value) {
  if (!IsOrdinalKind(prop.Kind) || !prop.SetOrd) WrongKind(prop);
  if (prop.Kind == TPropKind::Integer) value = NarrowToWidth(value, prop.Bits, prop.Signed);
  prop.SetOrd(object, value);
}

std::string GetStrProp(const TObject& object, const TPropInfo& prop) {
  if ((prop.Kind != TPropKind::ShortText && prop.Kind != TPropKind::Text) || !prop.GetStr)
    WrongKind(prop);
  return prop.GetStr(object);
}

void SetStrProp(TObject& object, const TPropInfo& prop, const std::string& value) {
  if ((prop.Kind != TPropKind::ShortText && prop.Kind != TPropKind::Text) || !prop.SetStr)
    WrongKind(prop);
  if (prop.Kind == TPropKind::ShortText && value.size() > prop.MaxLength)
    prop.SetStr(object, value.substr(0, prop.MaxLength));
  else
    prop.SetStr(object, value);
}

std::u16string GetWideStrProp(const TObject& object, const TPropInfo& prop) {
  if (prop.Kind != TPropKind::WideText || !prop.GetWideStr) WrongKind(prop);
  return prop.GetWideStr(object);
}

void SetWideStrProp(TObject& object, const TPropInfo& prop, const std::u16string& value) {
  if (prop.Kind != TPropKind::WideText || !prop.SetWideStr) WrongKind(prop);
  prop.SetWideStr(object, value);
}

double GetFloatProp(const TObject& object, const TPropInfo& prop) {
  if (prop.Kind != TPropKind::Float || !prop.GetFloat) WrongKind(prop);
  return prop.GetFloat(object);
}

void SetFloatProp(TObject& object, const TPropInfo& prop, double value) {
  if (prop.Kind != TPropKind::Float || !prop.SetFloat) WrongKind(prop);
  prop.SetFloat(object, value);
}

TObject* GetObjectProp(const TObject& object, const TPropInfo& prop) {
  if (prop.Kind != TPropKind::Object || !prop.GetObj) WrongKind(prop);
  return prop.GetObj(object);
}

}  // namespace qvx
