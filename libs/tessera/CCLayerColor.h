#pragma once
// CCLayerColor: a layer that fills its rectangle with one colour.

#include "tessera/CCLayer.h"
#include "tessera/CCProtocols.h"
#include "tessera/ccTypes.h"

#include <array>
#include <optional>

/// A layer that fills its rectangle with one colour.
///
/// The rectangle is kept as four 2-D vertices in pixels, in the order (0, 0),
/// (w, 0), (0, h), (w, h), drawn as one triangle strip, with one r, g, b, a
/// colour per vertex. Changing the colour, the opacity or the size rewrites
/// these arrays; drawing only points GL at them.
///
/// Blending: with the default blend function (GL_ONE, GL_ONE_MINUS_SRC_ALPHA)
/// an opaque layer draws without touching the blend state and a translucent one
/// draws with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), since its colours are not
/// premultiplied; any other blend function is used as set. Whatever draw() set,
/// it restores the default afterwards.
///
/// Cost: one glDrawArrays of 4 vertices per frame; nothing is allocated.
///
/// Main thread only.
class CCLayerColor : public CCLayer, public CCRGBAProtocol, public CCBlendProtocol {
  PLATFORM_CLASS(CCLayerColor, CCLayer)

 public:
  // [SECTION] Creation

  /// A colour layer with only the layer init run: transparent black, default
  /// blend function, covering the window.
  CC_NODE_FACTORY(CCLayerColor)
  /// initWithColor(color), autoreleased.
  /// \param color the colour; its alpha is the opacity.
  static CCLayerColor* layerWithColor(ccColor4B color);
  /// initWithColor(color, width, height), autoreleased.
  /// \param color the colour; its alpha is the opacity.
  /// \param width the width, points.
  /// \param height the height, points.
  static CCLayerColor* layerWithColor(ccColor4B color, float width, float height);

  CCLayerColor() = default;

  /// initWithColor(color, w, h) with the director's winSize().
  /// \param color the colour; its alpha is the opacity.
  virtual bool initWithColor(ccColor4B color);
  /// Layer init; blend function (GL_ONE, GL_ONE_MINUS_SRC_ALPHA); colour =
  /// color's r, g, b; opacity = its a; vertices zeroed; updateColor();
  /// setContentSize(width, height). Always succeeds.
  /// \param color the colour; its alpha is the opacity.
  /// \param width the width, points.
  /// \param height the height, points.
  virtual bool initWithColor(ccColor4B color, float width, float height);

  // [SECTION] Colour, opacity, blending

  ccColor3B color() const override { return color_; }
  /// Stores the colour, then updateColor().
  void setColor(const ccColor3B& color) override;
  GLubyte opacity() const override { return opacity_; }
  /// Stores the opacity, then updateColor().
  void setOpacity(GLubyte opacity) override;

  /// Sets every vertex colour to (r, g, b, opacity). Subclasses that colour
  /// the vertices otherwise override it; initWithColor, setColor and
  /// setOpacity call it.
  virtual void updateColor();

  /// Default (GL_ONE, GL_ONE_MINUS_SRC_ALPHA).
  ccBlendFunc blendFunc() const override { return blendFunc_; }
  void setBlendFunc(const ccBlendFunc& blendFunc) override { blendFunc_ = blendFunc; }

  /// The blend function draw() sets for `blendFunc` and `opacity`, or nothing
  /// when it leaves the blend state alone: `blendFunc` itself when it is not
  /// the default; otherwise (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA) when the
  /// layer is translucent (opacity != 255); otherwise nothing.
  /// \param blendFunc the layer's blend function.
  /// \param opacity the layer's opacity.
  static std::optional<ccBlendFunc> blendFuncForDrawing(const ccBlendFunc& blendFunc,
                                                        GLubyte opacity);

  // [SECTION] Size

  /// Writes width and height x the content scale factor into the vertices,
  /// always (also for the current size, so the arrays follow a changed
  /// factor or an earlier reset), then the node's setContentSize().
  void setContentSize(CGSize size) override;
  /// setContentSize with the height kept.
  /// \param width the new width, points.
  void changeWidth(float width);
  /// setContentSize with the width kept.
  /// \param height the new height, points.
  void changeHeight(float height);
  /// setContentSize with both sides.
  /// \param width the new width, points.
  /// \param height the new height, points.
  void changeWidth(float width, float height);

  /// The vertices, pixels: x0, y0, x1, y1, ... in the order (0, 0), (w, 0),
  /// (0, h), (w, h).
  const std::array<GLfloat, 8>& squareVertices() const { return squareVertices_; }
  /// r, g, b, a of each vertex, same order.
  const std::array<GLubyte, 16>& squareColors() const { return squareColors_; }

  // [SECTION] Drawing

  /// Draws the rectangle with the texture-coordinate array and 2-D texturing
  /// off (both are on again afterwards), blending as blendFuncForDrawing()
  /// says and restoring the default blend function if it set one.
  void draw() override;

 protected:
  GLubyte opacity_ = 0;
  ccColor3B color_{};
  std::array<GLfloat, 8> squareVertices_{};
  std::array<GLubyte, 16> squareColors_{};
  ccBlendFunc blendFunc_{};
};
