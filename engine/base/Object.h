#pragma once

// Root of the engine's class tree: a run-time class record naming the class
// and its base, a virtual destructor and a Serialize that does nothing.
struct CRuntimeClass {
  const char* className;
  const CRuntimeClass* baseClass;
};

class CObject {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;
  virtual void Serialize() {}

  static const CRuntimeClass classCObject;
};
