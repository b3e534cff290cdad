#pragma once
// CCAnimation: a named, ordered list of sprite frames with one delay for every
// frame: the data that CCAnimate plays on a sprite.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/Support/CCArray.h"

#include <string>

class CCSpriteFrame;
class CCTexture2D;

/// A named, ordered list of sprite frames with one delay for every frame: the
/// data that CCAnimate plays on a sprite.
///
/// The frame list is an array object of its own. The initialisers copy the
/// caller's array, so later changes to it do not reach the animation;
/// setFrames() shares the array it is given; frames() returns the live array.
/// Frames may be added at any time, even while a CCAnimate plays the
/// animation: the action reads the frame count on every update.
///
/// Main thread only.
class CCAnimation : public platform::Object {
  PLATFORM_CLASS(CCAnimation, platform::Object)

 public:
  // [SECTION] Creation
  // Factories return autoreleased animations. Arguments left out mean no
  // name, a delay of 0 and no frames; a null `frames` array is no frames.

  static CCAnimation* animation();
  /// An unnamed animation of `frames`, delay 0.
  /// \param frames the CCSpriteFrame objects in playing order, or nullptr.
  static CCAnimation* animationWithFrames(const CCArray* frames);
  /// An unnamed animation of `frames`.
  /// \param frames the CCSpriteFrame objects in playing order, or nullptr.
  /// \param delay seconds each frame is shown.
  static CCAnimation* animationWithFrames(const CCArray* frames, float delay);
  /// A named animation without frames, delay 0.
  /// \param name the animation's name.
  static CCAnimation* animationWithName(const std::string& name);
  /// A named animation of `frames`, delay 0.
  /// \param name the animation's name.
  /// \param frames the CCSpriteFrame objects in playing order, or nullptr.
  static CCAnimation* animationWithName(const std::string& name, const CCArray* frames);
  /// A named animation without frames.
  /// \param name the animation's name.
  /// \param delay seconds each frame is shown.
  static CCAnimation* animationWithName(const std::string& name, float delay);
  /// A named animation of `frames`.
  /// \param name the animation's name.
  /// \param delay seconds each frame is shown.
  /// \param frames the CCSpriteFrame objects in playing order, or nullptr.
  static CCAnimation* animationWithName(const std::string& name, float delay, const CCArray* frames);

  CCAnimation() = default;

  /// No name, delay 0, an empty (not absent) frame list. Always succeeds.
  virtual bool init();
  virtual bool initWithFrames(const CCArray* frames);
  /// No name; the delay; a new array holding the objects of `frames`.
  /// Always succeeds.
  /// \param frames the CCSpriteFrame objects in playing order, or nullptr.
  /// \param delay seconds each frame is shown.
  virtual bool initWithFrames(const CCArray* frames, float delay);
  virtual bool initWithName(const std::string& name);
  virtual bool initWithName(const std::string& name, const CCArray* frames);
  virtual bool initWithName(const std::string& name, float delay);
  /// As initWithFrames(frames, delay), with the name. Always succeeds.
  /// \param name the animation's name.
  /// \param delay seconds each frame is shown.
  /// \param frames the CCSpriteFrame objects in playing order, or nullptr.
  virtual bool initWithName(const std::string& name, float delay, const CCArray* frames);

  /// "<CCAnimation = ADDRESS | frames=N, delay:D>", the delay with six
  /// decimals.
  std::string description() const override;

  // [SECTION] Frames

  /// Appends `frame`. nullptr is ignored.
  /// \param frame the frame to show next (retained).
  void addFrame(CCSpriteFrame* frame);
  /// Appends a frame of `rect` (points) of `texture`.
  /// \param texture the texture holding the picture.
  /// \param rect the picture's rectangle in the texture, points.
  void addFrameWithTexture(CCTexture2D* texture, CGRect rect);
  /// Appends a frame of the whole image `filename`, loaded (or found) through
  /// the texture cache: origin (0, 0), size the texture's content size. An
  /// image that can't be loaded gives a frame without a texture and with an
  /// empty rectangle (the texture cache logs the failure).
  /// \param filename an image file, looked up like any resource.
  void addFrameWithFilename(const std::string& filename);

  // [SECTION] Properties

  /// Empty when the animation has no name. The cache files animations under
  /// the name given to it, not this one.
  const std::string& name() const { return name_; }
  void setName(const std::string& name) { name_ = name; }
  /// Seconds each frame is shown. Default 0.
  float delay() const { return delay_; }
  void setDelay(float delay) { delay_ = delay; }
  /// The frames (CCSpriteFrame) in playing order; never null.
  CCArray* frames() const { return frames_.get(); }
  /// Shares `frames` (retained; nullptr gives an empty list).
  void setFrames(CCArray* frames);

 protected:
  /// dealloc: releases the frame array (and with it every frame nothing else holds).
  ~CCAnimation() override;

 private:
  std::string name_;
  float delay_ = 0.0f;
  platform::Ref<CCArray> frames_;
};
