#pragma once
// CCLayerGradient: a colour layer that fades from a start colour to an end
// colour along a direction.

#include "tessera/CCLayerColor.h"

/// A colour layer that fades from a start colour to an end colour along a
/// direction.
///
/// The start colour is the colour layer's colour (startColor() is color()); the
/// layer's opacity is a master opacity that scales both the start and the end
/// opacity. Each corner gets a mix of the two colours by where it lies along
/// the direction: with the default direction (0, -1) the top corners get 85.4 %
/// of the start colour and the bottom corners 14.6 % (GL interpolates across
/// the rectangle from there), so the mix reaches pure start or end colour only
/// when the direction lies along a diagonal. A zero direction draws flat in the
/// start colour at the master opacity.
///
/// Main thread only.
class CCLayerGradient : public CCLayerColor {
  PLATFORM_CLASS(CCLayerGradient, CCLayerColor)

 public:
  // [SECTION] Creation

  CC_NODE_FACTORY(CCLayerGradient)
  /// A gradient coloured like CCLayerColor::initWithColor(color): flat until an
  /// end colour and a direction are set.
  /// \param color the colour; its alpha is the opacity.
  static CCLayerGradient* layerWithColor(ccColor4B color);
  /// As above, of `width` × `height` points.
  /// \param color the colour; its alpha is the opacity.
  /// \param width the width, points.
  /// \param height the height, points.
  static CCLayerGradient* layerWithColor(ccColor4B color, float width, float height);
  /// initWithColor(start, end), autoreleased.
  /// \param start the colour (and, in a, opacity) where the vector starts.
  /// \param end the colour and opacity where it ends.
  static CCLayerGradient* layerWithColor(ccColor4B start, ccColor4B end);
  /// initWithColor(start, end, vector), autoreleased.
  /// \param start the colour (and, in a, opacity) where the vector starts.
  /// \param end the colour and opacity where it ends.
  /// \param vector the direction from start to end, any length.
  static CCLayerGradient* layerWithColor(ccColor4B start, ccColor4B end, CGPoint vector);

  CCLayerGradient() = default;

  using CCLayerColor::initWithColor;
  /// initWithColor(start, end, (0, -1)): from top to bottom.
  /// \param start the colour (and, in a, opacity) where the vector starts.
  /// \param end the colour and opacity where it ends.
  virtual bool initWithColor(ccColor4B start, ccColor4B end);
  /// Stores the end colour, the end opacity (end.a), the start opacity
  /// (start.a) and `vector` first, then runs the colour layer's
  /// initWithColor with start's r, g, b and opacity 255, so that the
  /// updateColor() it makes already paints the gradient. Covers the window.
  /// \param start the colour (and, in a, opacity) where the vector starts.
  /// \param end the colour and opacity where it ends.
  /// \param vector the direction from start to end, any length.
  virtual bool initWithColor(ccColor4B start, ccColor4B end, CGPoint vector);

  // [SECTION] Colours and direction
  // Every setter stores its value, then updateColor().

  /// The colour layer's colour.
  ccColor3B startColor() const { return color_; }
  /// setColor(color).
  void setStartColor(const ccColor3B& color) { setColor(color); }
  ccColor3B endColor() const { return endColor_; }
  void setEndColor(const ccColor3B& color);
  GLubyte startOpacity() const { return startOpacity_; }
  void setStartOpacity(GLubyte opacity);
  GLubyte endOpacity() const { return endOpacity_; }
  void setEndOpacity(GLubyte opacity);
  /// The direction from the start colour to the end colour, any length.
  CGPoint vector() const { return vector_; }
  void setVector(CGPoint vector);

  /// Colours the corners: the flat colour first, then, unless the vector has
  /// length 0, per corner (sx, sy) in {-1, +1}^2 the weight of the start
  /// colour w = (sqrt(2) - sx*u.x - sy*u.y) / (2*sqrt(2)) for the unit vector u,
  /// and each channel = end + (start - end) * w, truncated. Start and end alpha
  /// are their opacities times opacity() / 255, truncated.
  void updateColor() override;

 protected:
  ccColor3B endColor_{};
  GLubyte startOpacity_ = 0;
  GLubyte endOpacity_ = 0;
  CGPoint vector_;
};
