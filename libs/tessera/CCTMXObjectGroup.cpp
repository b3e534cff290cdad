#include "tessera/CCTMXObjectGroup.h"

const platform::Value& CCTMXObjectGroup::propertyNamed(std::string_view name) const {
  return properties_.get(name);
}

const platform::Value::Dict* CCTMXObjectGroup::objectNamed(std::string_view name) const {
  for (const platform::Value::Dict& object : objects_) {
    const platform::Value* objectName = object.find("name");
    if (objectName != nullptr && objectName->isString() && objectName->asString() == name) return &object;
  }
  return nullptr;
}
