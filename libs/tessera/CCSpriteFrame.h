#pragma once
// CCSpriteFrame: a rectangle of a texture together with how it relates to the
// picture it was cut from.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/CCTexture2D.h"

#include <string>

/// A rectangle of a texture together with how it relates to the picture it was
/// cut from.
///
/// A frame knows its rectangle in points and in pixels, whether the texture
/// stores the picture turned 90 degrees clockwise (the rectangle's width and
/// height are then the picture's height and width), how far the centre of the
/// trimmed rectangle sits from the centre of the untrimmed picture (pixels,
/// y up), and the untrimmed size in pixels. Sprites display frames; sprite
/// sheets are read into frames by CCSpriteFrameCache.
///
/// The rectangle setters store only their own field: setRect() leaves
/// rectInPixels() alone and the reverse. Only the initialisers derive one from
/// the other, through the content scale factor (ccMacros.h).
class CCSpriteFrame : public platform::Object {
  PLATFORM_CLASS(CCSpriteFrame, platform::Object)

 public:
  // [SECTION] Creation. Factories return autoreleased frames.

  /// A frame of `rect` (points) in `texture`; see initWithTexture(texture, rect).
  /// \param texture the texture holding the picture (retained), or nullptr.
  /// \param rect the picture's rectangle in the texture, points.
  static CCSpriteFrame* frameWithTexture(CCTexture2D* texture, CGRect rect);
  /// A frame of `rectInPixels`; see the five-argument initWithTexture.
  /// \param texture the texture holding the picture (retained), or nullptr.
  /// \param rectInPixels the picture's rectangle in the texture, pixels.
  /// \param rotated whether the rectangle holds the picture turned 90 degrees
  ///   clockwise.
  /// \param offsetInPixels centre of the trimmed rectangle relative to the centre
  ///   of the untrimmed picture, pixels, y up.
  /// \param originalSizeInPixels the untrimmed picture's size, pixels.
  static CCSpriteFrame* frameWithTexture(CCTexture2D* texture, CGRect rectInPixels, bool rotated,
                                         CGPoint offsetInPixels, CGSize originalSizeInPixels);

  CCSpriteFrame() = default;

  /// rectInPixels = rect x content scale factor (all four values), not
  /// rotated, offset (0, 0), original size = the pixel rectangle's size.
  /// `texture` may be null. Always succeeds.
  /// \param texture the texture holding the picture (retained), or nullptr.
  /// \param rect the picture's rectangle in the texture, points.
  bool initWithTexture(CCTexture2D* texture, CGRect rect);
  /// Retains `texture` (may be null), stores the pixel values and derives
  /// rect = rectInPixels / content scale factor. Always succeeds.
  /// \param texture the texture holding the picture (retained), or nullptr.
  /// \param rectInPixels the picture's rectangle in the texture, pixels.
  /// \param rotated whether the rectangle holds the picture turned 90 degrees
  ///   clockwise.
  /// \param offsetInPixels centre of the trimmed rectangle relative to the centre
  ///   of the untrimmed picture, pixels, y up.
  /// \param originalSizeInPixels the untrimmed picture's size, pixels.
  bool initWithTexture(CCTexture2D* texture, CGRect rectInPixels, bool rotated, CGPoint offsetInPixels,
                       CGSize originalSizeInPixels);

  /// A new frame (+1) with the same texture, pixel rectangle, rotation,
  /// offset and original size; its point rectangle is derived again from the
  /// current content scale factor.
  platform::Object* copy() const override;

  /// "<CCSpriteFrame = ADDRESS | TextureName=n, Rect = (x,y,w,h)>" with the
  /// texture's GL name (0 without a texture) and rect() to two decimals.
  std::string description() const override;

  // [SECTION] Properties

  /// The rectangle in the texture, points.
  CGRect rect() const { return rect_; }
  /// Stores the point rectangle only.
  void setRect(CGRect rect) { rect_ = rect; }
  /// The rectangle in the texture, pixels.
  CGRect rectInPixels() const { return rectInPixels_; }
  /// Stores the pixel rectangle only.
  void setRectInPixels(CGRect rectInPixels) { rectInPixels_ = rectInPixels; }
  /// True when the rectangle holds the picture turned 90 degrees clockwise.
  bool rotated() const { return rotated_; }
  void setRotated(bool rotated) { rotated_ = rotated; }
  /// Centre of the trimmed rectangle relative to the centre of the untrimmed
  /// picture, pixels, y up.
  CGPoint offsetInPixels() const { return offsetInPixels_; }
  void setOffsetInPixels(CGPoint offsetInPixels) { offsetInPixels_ = offsetInPixels; }
  /// The untrimmed picture's size, pixels.
  CGSize originalSizeInPixels() const { return originalSizeInPixels_; }
  void setOriginalSizeInPixels(CGSize size) { originalSizeInPixels_ = size; }
  /// The texture the rectangle refers to (retained by the frame), or nullptr.
  CCTexture2D* texture() const { return texture_.get(); }
  void setTexture(CCTexture2D* texture);

 protected:
  /// dealloc: releases the texture.
  ~CCSpriteFrame() override;

 private:
  CGRect rect_;
  CGRect rectInPixels_;
  bool rotated_ = false;
  CGPoint offsetInPixels_;
  CGSize originalSizeInPixels_;
  platform::Ref<CCTexture2D> texture_;
};
