#include "tessera/CCActionTween.h"

#include "platform/Assert.h"
#include "tessera/CCNode.h"
#include "tessera/CCProgressTimer.h"

#include <vector>

namespace {

struct FloatProperty {
  const platform::ClassInfo* classInfo;
  std::string_view key;
  CCFloatSetter setter;
};

template <class T>
T* as(platform::Object* object) {
  return static_cast<T*>(object);  // the registry only calls setters on their own class
}

// The engine's own float properties.
const FloatProperty kBuiltInProperties[] = {
    {&CCNode::classInfo_, "rotation", [](platform::Object* o, float v) { as<CCNode>(o)->setRotation(v); }},
    {&CCNode::classInfo_, "scale", [](platform::Object* o, float v) { as<CCNode>(o)->setScale(v); }},
    {&CCNode::classInfo_, "scaleX", [](platform::Object* o, float v) { as<CCNode>(o)->setScaleX(v); }},
    {&CCNode::classInfo_, "scaleY", [](platform::Object* o, float v) { as<CCNode>(o)->setScaleY(v); }},
    {&CCNode::classInfo_, "vertexZ", [](platform::Object* o, float v) { as<CCNode>(o)->setVertexZ(v); }},
    {&CCProgressTimer::classInfo_, "percentage",
     [](platform::Object* o, float v) { as<CCProgressTimer>(o)->setPercentage(v); }},
};

struct RegisteredProperty {
  const platform::ClassInfo* classInfo;
  std::string key;
  CCFloatSetter setter;
};

// Properties added by the application, newest last.
std::vector<RegisteredProperty> g_registeredProperties;

CCFloatSetter ownSetter(const platform::ClassInfo& classInfo, std::string_view key) {
  for (auto it = g_registeredProperties.rbegin(); it != g_registeredProperties.rend(); ++it) {
    if (it->classInfo == &classInfo && it->key == key) return it->setter;
  }
  for (const FloatProperty& property : kBuiltInProperties) {
    if (property.classInfo == &classInfo && property.key == key) return property.setter;
  }
  return nullptr;
}

}  // namespace

bool CCActionTween::initWithDuration(float duration, const std::string& key, float from, float to) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  key_ = key;
  from_ = from;
  to_ = to;
  setter_ = nullptr;
  return true;
}

CCActionTween* CCActionTween::copy() const {
  CCActionTween* copy = newInstanceOfSameClass<CCActionTween>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, key_, from_, to_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCActionTween* CCActionTween::reverse() const {
  CCActionTween* reversed = newInstanceOfSameClass<CCActionTween>();
  if (!reversed) return nullptr;
  if (!reversed->initWithDuration(duration_, key_, to_, from_)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCActionTween::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  delta_ = to_ - from_;
  setter_ = nullptr;
  if (!target || key_.empty()) return;
  setter_ = floatSetter(target->classInfo(), key_);
  CCAssert(setter_ != nullptr, "CCActionTween: unknown key '%s' for %s", key_.c_str(), target->className());
}

void CCActionTween::update(float t) {
  if (!setter_ || !target_) return;
  // to − (to − from) × (1 − t) lands exactly on `to` at 1, but at 0 it loses
  // `from` when the two are far apart in magnitude; the start is pinned.
  setter_(target_, t == 0.0f ? from_ : to_ - delta_ * (1.0f - t));
}

void CCActionTween::registerFloatProperty(const platform::ClassInfo& classInfo, std::string_view key,
                                          CCFloatSetter setter) {
  g_registeredProperties.push_back(RegisteredProperty{&classInfo, std::string(key), setter});
}

CCFloatSetter CCActionTween::floatSetter(const platform::ClassInfo& classInfo, std::string_view key) {
  for (const platform::ClassInfo* info = &classInfo; info; info = info->parent) {
    if (CCFloatSetter setter = ownSetter(*info, key)) return setter;
  }
  return nullptr;
}

bool CCActionTween::setFloatForKey(platform::Object* target, std::string_view key, float value) {
  if (!target) return false;
  CCFloatSetter setter = floatSetter(target->classInfo(), key);
  if (!setter) return false;
  setter(target, value);
  return true;
}
