#pragma once
// CCActionInterval: the base of every action that runs over a fixed duration.

#include "tessera/CCFiniteTimeAction.h"

/// The base of every action that runs over a fixed duration.
///
/// step(dt) turns the time elapsed since the start into a fraction t of the
/// duration and calls update(t):
///   - the first step after a start applies 0 whatever dt is (it only starts
///     the clock); motion begins with the second step;
///   - later steps add dt and apply elapsed / duration, capped at 1 (a result
///     that is not a number also gives 1; there is no lower cap);
///   - isDone() turns true on the step at which the elapsed time reaches the
///     duration, which is the step that applies exactly 1.
///
/// Writing a subclass: declare it with PLATFORM_CLASS, give it a public default
/// constructor, override update(t) to set the target's properties from t, and
/// override startWithTarget() (calling the base first) to read start values.
/// Classes with parameters of their own add an initialiser that calls
/// initWithDuration(), and override copy() and reverse(); classes without rely
/// on the base copy, which re-runs the virtual initWithDuration().
/// Redeclare actionWithDuration() (and the other factories) so that
/// SubClass::actionWithDuration() builds a SubClass.
///
/// Cost: a step is one add, one divide and one virtual call; nothing is allocated.
class CCActionInterval : public CCFiniteTimeAction {
  PLATFORM_CLASS(CCActionInterval, CCFiniteTimeAction)

 public:
  /// Interval actions need a duration: use actionWithDuration().
  static CCActionInterval* action() = delete;
  /// A new autoreleased action made with initWithDuration(duration).
  /// \param duration seconds the action lasts.
  static CCActionInterval* actionWithDuration(float duration);

  /// Base init, then duration = `duration` (exactly 0 becomes FLT_EPSILON,
  /// 1.1920929e-07, so the duration is never 0), elapsed 0, first tick pending.
  /// \param duration seconds the action lasts.
  virtual bool initWithDuration(float duration);
  /// Not supported: fails the assertion "IntervalActionInit: Init not
  /// supported. Use InitWithDuration" and returns false.
  bool init() override;

  /// A new action of the same class (count 1) made with the virtual
  /// initWithDuration(duration()). The tag is not copied.
  CCActionInterval* copy() const override;
  /// Not supported by this class: fails the assertion "CCIntervalAction:
  /// reverse not implemented." and returns nullptr.
  CCFiniteTimeAction* reverse() const override;

  /// Base start, then elapsed 0 and the first tick pending again, so a
  /// finished or stopped action can be run again.
  void startWithTarget(platform::Object* target) override;
  /// The timing rule described above.
  void step(float dt) override;
  /// elapsed() >= duration().
  bool isDone() const override;

  /// Seconds since the first step after the last start.
  float elapsed() const { return elapsed_; }

  /// The amplitude rate of grid effects. Classes without an amplitude throw
  /// platform::Exception named "IntervalAction (Amplitude)" with reason
  /// "Abstract class needs implementation"; amplitude-carrying effects override both.
  virtual void setAmplitudeRate(float rate);
  virtual float amplitudeRate() const;

 protected:
  ~CCActionInterval() override = default;

  float elapsed_ = 0.0f;
  bool firstTick_ = false;
};
