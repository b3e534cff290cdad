#include "platform/Object.h"

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"

#include <cinttypes>
#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_map>

namespace platform {

namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<std::string_view, const ClassInfo*> classes;
};

Registry& registry() {
  static Registry* instance = new Registry();  // never destroyed: classes register at static init
  return *instance;
}

}  // namespace

ClassInfo::ClassInfo(const char* className, const ClassInfo* parentClass, Object* (*factory)(),
                     Registration registration)
    : name(className), parent(parentClass), create(factory) {
  if (registration == Registration::Automatic) registerClass(*this);
}

const ClassInfo* ClassInfo::named(std::string_view className) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto found = r.classes.find(className);
  return found == r.classes.end() ? nullptr : found->second;
}

void ClassInfo::registerClass(const ClassInfo& info) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.classes[info.name] = &info;
}

void ClassInfo::registerAlias(const char* alias, const ClassInfo& info) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.classes[alias] = &info;
}

void ClassInfo::unregisterClass(const ClassInfo& info) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto found = r.classes.find(info.name);
  if (found != r.classes.end() && found->second == &info) r.classes.erase(found);
}

bool ClassInfo::isSubclassOf(const ClassInfo& other) const {
  for (const ClassInfo* info = this; info; info = info->parent) {
    if (info == &other) return true;
  }
  return false;
}

void Object::release() noexcept {
  if (refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

Object* Object::autorelease() {
  AutoreleasePool::add(this);
  return this;
}

Object* Object::copy() const {
  CCAssert(false, "%s does not support copy", className());
  return nullptr;
}

std::string Object::description() const {
  return std::string("<") + className() + " = " + addressString(this) + ">";
}

std::string addressString(const Object* object) {
  char text[24];
  std::snprintf(text, sizeof text, "%08" PRIXPTR, reinterpret_cast<std::uintptr_t>(object));
  return text;
}

std::string describe(const Object* object) {
  return object ? object->description() : std::string("(null)");
}

}  // namespace platform
