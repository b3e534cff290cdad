#pragma once
// Protocols shared by labels, sprites, layers and atlas nodes. They carry no
// data; a class adopts one by deriving from it beside its node base. Code that
// holds an object "adopting P" keeps the platform::Object* for identity and a
// dynamic_cast<P*> for the calls.

#include "tessera/ccTypes.h"

#include <string>

class CCTexture2D;

/// A node with a colour and an opacity.
class CCRGBAProtocol {
 public:
  virtual void setColor(const ccColor3B& color) = 0;
  virtual ccColor3B color() const = 0;
  virtual GLubyte opacity() const = 0;
  /// 0 (transparent) to 255 (opaque).
  virtual void setOpacity(GLubyte opacity) = 0;
  /// When true, the opacity is also multiplied into the colour (for textures
  /// with premultiplied alpha). Optional: does nothing by default.
  virtual void setOpacityModifyRGB(bool modify) {}
  /// Optional: false by default.
  virtual bool doesOpacityModifyRGB() const { return false; }

 protected:
  ~CCRGBAProtocol() = default;
};

/// A node that draws with a blend function.
class CCBlendProtocol {
 public:
  virtual void setBlendFunc(const ccBlendFunc& blendFunc) = 0;
  virtual ccBlendFunc blendFunc() const = 0;

 protected:
  ~CCBlendProtocol() = default;
};

/// A node that draws a texture (and blends it).
class CCTextureProtocol : public CCBlendProtocol {
 public:
  virtual CCTexture2D* texture() const = 0;
  virtual void setTexture(CCTexture2D* texture) = 0;

 protected:
  ~CCTextureProtocol() = default;
};

/// A node that shows a string: labels of every kind.
class CCLabelProtocol {
 public:
  /// Replaces the text (UTF-8); the label lays itself out again.
  virtual void setString(const std::string& text) = 0;
  /// The current text (UTF-8).
  virtual std::string string() const = 0;

 protected:
  ~CCLabelProtocol() = default;
};
