#pragma once
// CCTintBy: shifts a node's colour by signed amounts.

#include "tessera/CCActionInterval.h"

#include <cstdint>

class CCRGBAProtocol;

/// Each of red, green and blue = from + delta × t, truncated toward zero and
/// stored as its low 8 bits (so a channel pushed past 255 or below 0 wraps
/// round), where `from` is the target's colour when the action starts.
/// Expects a target that adopts CCRGBAProtocol ("<Class>: target <Class> does
/// not adopt CCRGBAProtocol"); with any other target the action changes
/// nothing.
class CCTintBy : public CCActionInterval {
  PLATFORM_CLASS(CCTintBy, CCActionInterval)

 public:
  /// A new autoreleased tint by (`red`, `green`, `blue`) over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param red the amount added to red.
  /// \param green the amount added to green.
  /// \param blue the amount added to blue.
  static CCTintBy* actionWithDuration(float duration, std::int16_t red, std::int16_t green, std::int16_t blue);

  /// Interval init, then stores the changes.
  virtual bool initWithDuration(float duration, std::int16_t red, std::int16_t green, std::int16_t blue);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same changes.
  CCTintBy* copy() const override;
  /// A new autoreleased CCTintBy of the negated changes, same duration.
  CCTintBy* reverse() const override;

  /// Base start, then checks the target and reads its colour.
  void startWithTarget(platform::Object* target) override;
  /// See the class comment.
  void update(float t) override;

 protected:
  ~CCTintBy() override = default;

  std::int16_t deltaR_ = 0;
  std::int16_t deltaG_ = 0;
  std::int16_t deltaB_ = 0;
  std::int16_t fromR_ = 0;
  std::int16_t fromG_ = 0;
  std::int16_t fromB_ = 0;
  CCRGBAProtocol* rgbaTarget_ = nullptr;  // the target, seen through its colour protocol
};
