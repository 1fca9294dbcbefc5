#pragma once
// Builders for the entries of a class's property table, from a getter and a setter of class C.
// A null setter makes the property read-only: setting it raises EPropertyError.
#include <cstddef>
#include <string>
#include <type_traits>

#include "ui/object.h"

namespace qvx {

template <class C, class V, class R>
TPropInfo IntProp(const char* name, R (C::*get)() const, void (C::*set)(V)) {
  using T = std::decay_t<V>;
  static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool> && sizeof(T) <= 4,
                "integer properties are 8, 16 or 32 bits wide");
  TPropInfo p;
  p.Name = name;
  p.Kind = TPropKind::Integer;
  p.Bits = static_cast<uint8_t>(sizeof(T) * 8);
  p.Signed = std::is_signed_v<T>;
  p.GetOrd = [get](const TObject& o) {
    return static_cast<int64_t>((static_cast<const C&>(o).*get)());
  };
  if (set)
    p.SetOrd = [set](TObject& o, int64_t v) { (static_cast<C&>(o).*set)(static_cast<T>(v)); };
  return p;
}

// Read-only.
template <class C, class R>
TPropInfo IntProp(const char* name, R (C::*get)() const, std::nullptr_t) {
  return IntProp(name, get, static_cast<void (C::*)(std::decay_t<R>)>(nullptr));
}

template <class C, class R>
TPropInfo Int64Prop(const char* name, R (C::*get)() const, void (C::*set)(int64_t)) {
  TPropInfo p;
  p.Name = name;
  p.Kind = TPropKind::Int64;
  p.Bits = 64;
  p.GetOrd = [get](const TObject& o) {
    return static_cast<int64_t>((static_cast<const C&>(o).*get)());
  };
  if (set) p.SetOrd = [set](TObject& o, int64_t v) { (static_cast<C&>(o).*set)(v); };
  return p;
}

// Enumerations (booleans included), sets held as bit masks, and characters.
template <class C, class V, class R>
TPropInfo OrdinalProp(const char* name, TPropKind kind, R (C::*get)() const, void (C::*set)(V)) {
  using T = std::decay_t<V>;
  TPropInfo p;
  p.Name = name;
  p.Kind = kind;
  p.GetOrd = [get](const TObject& o) {
    return static_cast<int64_t>((static_cast<const C&>(o).*get)());
  };
  if (set)
    p.SetOrd = [set](TObject& o, int64_t v) { (static_cast<C&>(o).*set)(static_cast<T>(v)); };
  return p;
}

template <class C, class V, class R>
TPropInfo EnumProp(const char* name, R (C::*get)() const, void (C::*set)(V)) {
  return OrdinalProp(name, TPropKind::Enumeration, get, set);
}

template <class C, class V, class R>
TPropInfo SetProp(const char* name, R (C::*get)() const, void (C::*set)(V)) {
  return OrdinalProp(name, TPropKind::Set, get, set);
}

template <class C, class R>
TPropInfo CharProp(const char* name, R (C::*get)() const, void (C::*set)(char)) {
  return OrdinalProp(name, TPropKind::Char, get, set);
}

template <class C, class R>
TPropInfo FloatProp(const char* name, R (C::*get)() const, void (C::*set)(double)) {
  TPropInfo p;
  p.Name = name;
  p.Kind = TPropKind::Float;
  p.GetFloat = [get](const TObject& o) { return (static_cast<const C&>(o).*get)(); };
  if (set) p.SetFloat = [set](TObject& o, double v) { (static_cast<C&>(o).*set)(v); };
  return p;
}

template <class C, class R>
TPropInfo TextProp(const char* name, R (C::*get)() const, void (C::*set)(const std::string&)) {
  TPropInfo p;
  p.Name = name;
  p.Kind = TPropKind::Text;
  p.GetStr = [get](const TObject& o) { return std::string((static_cast<const C&>(o).*get)()); };
  if (set) p.SetStr = [set](TObject& o, const std::string& v) { (static_cast<C&>(o).*set)(v); };
  return p;
}

template <class C, class R>
TPropInfo ShortTextProp(const char* name, uint8_t maxLength, R (C::*get)() const,
                        void (C::*set)(const std::string&)) {
  TPropInfo p = TextProp(name, get, set);
  p.Kind = TPropKind::ShortText;
  p.MaxLength = maxLength;
  return p;
}

template <class C, class R>
TPropInfo WideTextProp(const char* name, R (C::*get)() const,
                       void (C::*set)(const std::u16string&)) {
  TPropInfo p;
  p.Name = name;
  p.Kind = TPropKind::WideText;
  p.GetWideStr = [get](const TObject& o) {
    return std::u16string((static_cast<const C&>(o).*get)());
  };
  if (set)
    p.SetWideStr = [set](TObject& o, const std::u16string& v) { (static_cast<C&>(o).*set)(v); };
  return p;
}

template <class C, class T>
TPropInfo ObjectProp(const char* name, T* (C::*get)() const) {
  static_assert(std::is_base_of_v<TObject, T>, "object properties hold TObjects");
  TPropInfo p;
  p.Name = name;
  p.Kind = TPropKind::Object;
  p.GetObj = [get](const TObject& o) -> TObject* { return (static_cast<const C&>(o).*get)(); };
  return p;
}

}  // namespace qvx
