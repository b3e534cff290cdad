#pragma once
// CCTMXObjectGroup: one object group of a tile map, as read from a TMX file:
// named rectangles (spawn points, triggers...) with their properties. A
// plain record filled by CCTMXMapInfo.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Value.h"

#include <string>
#include <string_view>
#include <vector>

/// One object group of a tile map, as read from a TMX file: named rectangles
/// (spawn points, triggers...) with their properties. A plain record filled by
/// CCTMXMapInfo.
///
/// Each object is a dictionary with "name" and "type" (strings), "x" and "y"
/// (integers, pixels, y measured up from the bottom of the map), "width" and
/// "height" (the file's strings), plus one string entry per property.
class CCTMXObjectGroup : public platform::Object {
  PLATFORM_CLASS(CCTMXObjectGroup, platform::Object)

 public:
  CCTMXObjectGroup() = default;

  /// The value of the group's property `name`, or the shared null (reads as
  /// "" / 0).
  const platform::Value& propertyNamed(std::string_view name) const;
  /// The first object whose "name" entry equals `name`, or nullptr. The
  /// pointer is valid until objects() changes.
  const platform::Value::Dict* objectNamed(std::string_view name) const;

  /// The group's name. Default "".
  const std::string& groupName() const { return groupName_; }
  void setGroupName(std::string groupName) { groupName_ = std::move(groupName); }
  /// Offset of the group in pixels, added to every object's position.
  /// Default (0, 0).
  CGPoint positionOffset() const { return positionOffset_; }
  void setPositionOffset(CGPoint offset) { positionOffset_ = offset; }
  /// The objects in file order.
  const std::vector<platform::Value::Dict>& objects() const { return objects_; }
  std::vector<platform::Value::Dict>& objects() { return objects_; }
  /// The group's properties, name to string value, in file order.
  const platform::Value::Dict& properties() const { return properties_; }
  platform::Value::Dict& properties() { return properties_; }

 private:
  std::string groupName_;
  CGPoint positionOffset_{};
  std::vector<platform::Value::Dict> objects_;
  platform::Value::Dict properties_;
};
