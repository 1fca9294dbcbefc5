#include "ui/component.h"

#include <algorithm>

#include "base/ascii_case.h"
#include "ui/property_table.h"

namespace qvx {

namespace {

bool IsIdentifier(const std::string& name) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (name.empty() || !letter(name[0])) return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

}  // namespace

const TClassInfo& TPersistent::StaticClassInfo() {
  static const TClassInfo info("TPersistent", &TObject::StaticClassInfo(), {});
  return info;
}

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo info("TComponent", &TPersistent::StaticClassInfo(),
                               {
                                   TextProp("Name", &TComponent::Name, &TComponent::SetName),
                                   IntProp("Tag", &TComponent::Tag, &TComponent::SetTag),
                               });
  return info;
}

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    FComponents.pop_back();
    last->FOwner = nullptr;
    delete last;
  }
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it != FComponents.end()) FComponents.erase(it);
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (!name.empty() && !IsIdentifier(name))
    throw EComponentError("'" + name + "' is not a valid component name");
  if (FOwner && !name.empty()) {
    TComponent* other = FOwner->FindComponent(name);
    if (other && other != this)
      throw EComponentError("A component named " + name + " already exists");
  }
  FName = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FComponents[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (EqualTextIgnoreCase(c->FName, name)) return c;
  return nullptr;
}

}  // namespace qvx
