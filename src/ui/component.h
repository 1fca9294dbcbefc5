#pragma once
// A component: a named object that may own other components. An owner frees what it owns, and a
// component freed on its own leaves its owner's list, so either order of destruction is safe.
#include <string>
#include <vector>

#include "ui/object.h"

namespace qvx {

// A name that is not an identifier, or one that another component of the owner already has.
class EComponentError : public Exception {
  using Exception::Exception;
};

class TPersistent : public TObject {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Name() const { return FName; }
  // Empty, or an identifier (a letter or "_", then letters, digits and "_") that no other
  // component of the same owner has, compared without regard to letter case.
  void SetName(const std::string& name);
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t tag) { FTag = tag; }

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // In the order the components were created; EListError outside 0..ComponentCount()-1.
  TComponent* Components(int index) const;
  // The first owned component whose name equals name without regard to letter case; an empty
  // name finds nothing.
  TComponent* FindComponent(const std::string& name) const;

 protected:
  // Frees the owned components, newest first. Classes whose owned components must go before
  // their own parts (windows before their parent window) call it from their destructor.
  void DestroyComponents();

 private:
  void RemoveComponent(TComponent* component);

  std::string FName;
  int32_t FTag = 0;
  TComponent* FOwner;
  std::vector<TComponent*> FComponents;
};

}  // namespace qvx
