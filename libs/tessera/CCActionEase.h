#pragma once
// Easing actions: wrappers that run an interval action over its own duration
// but bend its time.
//
// Each frame the wrapper's fraction t (from the ordinary interval step) is
// mapped through a curve and the inner action's update() receives the
// result; the inner action is never stepped itself. The curves come in
// families, each with an in form (slow start), an out form (slow end) and an
// in-out form:
//
//   rate         CCEaseIn t^rate, CCEaseOut t^(1/rate), CCEaseInOut
//   exponential  CCEaseExponentialIn, ...Out, ...InOut (powers of 2)
//   sine         CCEaseSineIn, ...Out, ...InOut (a quarter or half cosine)
//   elastic      CCEaseElasticIn, ...Out, ...InOut (a decaying sine; period)
//   bounce       CCEaseBounceIn, ...Out, ...InOut (four parabolic hops)
//   back         CCEaseBackIn, ...Out, ...InOut (overshoot by 1.70158)
//
// Every curve gives exactly 0 at t = 0 and exactly 1 at t = 1, so the inner
// action starts at its start state and ends at its end state. Between them
// the elastic and back curves leave 0..1, so the inner action overshoots;
// containers such as CCSequence accept such fractions.
//
// Reverses: a wrapper's reverse wraps the inner action's reverse in the
// mirrored curve, so the reversed action retraces the original backwards in
// time: in and out forms swap (ExponentialIn <-> ExponentialOut and so on)
// and in-out forms keep their class. The rate forms are the exception: their
// reverse keeps the class and inverts the rate (t^rate becomes t^(1/rate),
// the curve reflected about the diagonal), and CCEaseInOut keeps its rate.
//
// All arithmetic is single precision (powf, exp2f, sinf, cosf).
// Cost: one curve evaluation and one virtual call per frame; nothing is
// allocated after creation.

// [SECTION] CCActionEase
// [SECTION] Rate
// [SECTION] Exponential
// [SECTION] Sine
// [SECTION] Elastic
// [SECTION] Bounce
// [SECTION] Back

#include "platform/Ref.h"
#include "tessera/CCActionInterval.h"

/// Declares `static Class* actionWithAction(CCActionInterval*)` building a
/// Class (a static factory is not inherited as "the receiving class").
#define CC_EASE_FACTORY(Class)                                                                 \
  /** A new autoreleased ease of `action`. \param action the action whose time is eased. */    \
  static Class* actionWithAction(CCActionInterval* action) {                                   \
    return ::platform::createAutoreleased<Class>([&](Class& e) { return e.initWithAction(action); }); \
  }

// [SECTION] CCActionEase

/// The base wrapper: passes its fraction on unchanged.
class CCActionEase : public CCActionInterval {
  PLATFORM_CLASS(CCActionEase, CCActionInterval)

 public:
  CC_EASE_FACTORY(CCActionEase)
  /// Wrappers need their action: use actionWithAction().
  static CCActionEase* actionWithDuration(float duration) = delete;

  /// Interval init with the inner action's duration (read once, here), then
  /// retains the action. Expects an action ("Ease: arguments must be
  /// non-nil"); returns false without one.
  /// \param action the action whose time is eased (retained).
  virtual bool initWithAction(CCActionInterval* action);
  using CCActionInterval::initWithDuration;

  /// A new wrapper of the same class (count 1) around a copy of the inner
  /// action. The tag is not copied.
  CCActionEase* copy() const override;
  /// A new autoreleased wrapper of the same class around the inner action's
  /// reverse; nullptr when the inner action has none.
  CCActionEase* reverse() const override;

  /// Interval start, then starts the inner action on the same target.
  void startWithTarget(platform::Object* target) override;
  /// Stops the inner action, then the base stop.
  void stop() override;
  /// The inner action's update(t).
  void update(float t) override;

  /// The wrapped action (retained).
  CCActionInterval* innerAction() const { return other_.get(); }

 protected:
  ~CCActionEase() override = default;

  /// A new autoreleased wrapper of class T around the inner action's reverse,
  /// or nullptr when the inner action has none.
  template <class T>
  T* reverseAs() const {
    CCActionInterval* inner = reversedInner();
    if (!inner) return nullptr;
    return T::actionWithAction(inner);
  }
  /// The inner action's reverse as an interval action, or nullptr.
  CCActionInterval* reversedInner() const;

  platform::Ref<CCActionInterval> other_;  // retained
};

// [SECTION] Rate

/// A wrapper whose curve has a rate (an exponent). Passes t on unchanged.
class CCEaseRateAction : public CCActionEase {
  PLATFORM_CLASS(CCEaseRateAction, CCActionEase)

 public:
  /// A new autoreleased wrapper of `action` with `rate`.
  /// \param action the action whose time is eased (retained).
  /// \param rate the exponent of the curve.
  static CCEaseRateAction* actionWithAction(CCActionInterval* action, float rate);

  /// Wrapper init, then stores the rate.
  /// \param action the action whose time is eased (retained).
  /// \param rate the exponent of the curve.
  virtual bool initWithAction(CCActionInterval* action, float rate);
  using CCActionEase::initWithAction;

  /// Same class, copy of the inner action, same rate. No tag.
  CCEaseRateAction* copy() const override;
  /// Same class around the inner action's reverse, rate 1 / rate.
  CCEaseRateAction* reverse() const override;

  float rate() const { return rate_; }
  void setRate(float rate) { rate_ = rate; }

 protected:
  ~CCEaseRateAction() override = default;

  /// A new autoreleased T around the inner action's reverse with `rate`.
  template <class T>
  T* reverseAs(float rate) const {
    CCActionInterval* inner = reversedInner();
    if (!inner) return nullptr;
    return T::actionWithAction(inner, rate);
  }

  float rate_ = 0.0f;
};

/// Declares the rate factory building Class.
#define CC_EASE_RATE_FACTORY(Class)                                                                         \
  /** A new autoreleased ease of `action`. \param action the action whose time is eased.                    \
      \param rate the exponent of the curve. */                                                             \
  static Class* actionWithAction(CCActionInterval* action, float rate) {                                    \
    return ::platform::createAutoreleased<Class>([&](Class& e) { return e.initWithAction(action, rate); }); \
  }

/// powf(t, rate): a slow start for rates above 1.
class CCEaseIn : public CCEaseRateAction {
  PLATFORM_CLASS(CCEaseIn, CCEaseRateAction)

 public:
  CC_EASE_RATE_FACTORY(CCEaseIn)
  void update(float t) override;
  /// CCEaseIn around the inner reverse, rate 1 / rate.
  CCEaseIn* reverse() const override;

 protected:
  ~CCEaseIn() override = default;
};

/// powf(t, 1 / rate): a slow end for rates above 1.
class CCEaseOut : public CCEaseRateAction {
  PLATFORM_CLASS(CCEaseOut, CCEaseRateAction)

 public:
  CC_EASE_RATE_FACTORY(CCEaseOut)
  void update(float t) override;
  /// CCEaseOut around the inner reverse, rate 1 / rate.
  CCEaseOut* reverse() const override;

 protected:
  ~CCEaseOut() override = default;
};

/// The first half is powf(2t, rate) / 2, the second its point mirror about
/// (0.5, 0.5): 1 − powf(2 − 2t, rate) / 2. For whole-number rates the second
/// half is computed as powf(2t − 2, rate) with the sign of the rate's parity,
/// which gives the same values.
class CCEaseInOut : public CCEaseRateAction {
  PLATFORM_CLASS(CCEaseInOut, CCEaseRateAction)

 public:
  CC_EASE_RATE_FACTORY(CCEaseInOut)
  void update(float t) override;
  /// CCEaseInOut around the inner reverse, same rate.
  CCEaseInOut* reverse() const override;

 protected:
  ~CCEaseInOut() override = default;
};

// [SECTION] Exponential

/// 2^(10(t − 1)) − 0.001; exactly 0 at t = 0 and 1 at t = 1.
class CCEaseExponentialIn : public CCActionEase {
  PLATFORM_CLASS(CCEaseExponentialIn, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseExponentialIn)
  void update(float t) override;
  /// CCEaseExponentialOut around the inner reverse.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseExponentialIn() override = default;
};

/// 1 − 2^(−10t); exactly 1 at t = 1.
class CCEaseExponentialOut : public CCActionEase {
  PLATFORM_CLASS(CCEaseExponentialOut, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseExponentialOut)
  void update(float t) override;
  /// CCEaseExponentialIn around the inner reverse.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseExponentialOut() override = default;
};

/// Exponential in over the first half, out over the second; exactly 0 at
/// t = 0 and 1 at t = 1.
class CCEaseExponentialInOut : public CCActionEase {
  PLATFORM_CLASS(CCEaseExponentialInOut, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseExponentialInOut)
  void update(float t) override;

 protected:
  ~CCEaseExponentialInOut() override = default;
};

// [SECTION] Sine

/// 1 − cos(t·π/2).
class CCEaseSineIn : public CCActionEase {
  PLATFORM_CLASS(CCEaseSineIn, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseSineIn)
  void update(float t) override;
  /// CCEaseSineOut around the inner reverse.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseSineIn() override = default;
};

/// sin(t·π/2).
class CCEaseSineOut : public CCActionEase {
  PLATFORM_CLASS(CCEaseSineOut, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseSineOut)
  void update(float t) override;
  /// CCEaseSineIn around the inner reverse.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseSineOut() override = default;
};

/// (1 − cos(t·π)) / 2.
class CCEaseSineInOut : public CCActionEase {
  PLATFORM_CLASS(CCEaseSineInOut, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseSineInOut)
  void update(float t) override;

 protected:
  ~CCEaseSineInOut() override = default;
};

// [SECTION] Elastic

/// A wrapper whose curve is a decaying sine of a given period (in units of
/// the action's fraction). Default period 0.3. Passes t on unchanged.
class CCEaseElastic : public CCActionEase {
  PLATFORM_CLASS(CCEaseElastic, CCActionEase)

 public:
  /// A new autoreleased wrapper of `action`, period 0.3.
  /// \param action the action whose time is eased (retained).
  static CCEaseElastic* actionWithAction(CCActionInterval* action);
  /// A new autoreleased wrapper of `action` with `period`.
  /// \param action the action whose time is eased (retained).
  /// \param period the period of the oscillation, in fractions of the duration.
  static CCEaseElastic* actionWithAction(CCActionInterval* action, float period);

  /// Wrapper init with period 0.3.
  /// \param action the action whose time is eased (retained).
  bool initWithAction(CCActionInterval* action) override;
  /// Wrapper init, then stores the period.
  /// \param action the action whose time is eased (retained).
  /// \param period the period of the oscillation, in fractions of the duration.
  virtual bool initWithAction(CCActionInterval* action, float period);

  /// Same class, copy of the inner action, same period. No tag.
  CCEaseElastic* copy() const override;
  /// This class has no reverse: fails the assertion "Override me" and returns
  /// nullptr. The in, out and in-out forms have one.
  CCActionEase* reverse() const override;

  float period() const { return period_; }
  void setPeriod(float period) { period_ = period; }

 protected:
  ~CCEaseElastic() override = default;

  /// A new autoreleased T around the inner action's reverse with this period.
  template <class T>
  T* reverseAs() const {
    CCActionInterval* inner = reversedInner();
    if (!inner) return nullptr;
    return T::actionWithAction(inner, period_);
  }

  float period_ = 0.0f;
};

/// Declares both elastic factories building Class.
#define CC_EASE_ELASTIC_FACTORY(Class)                                                                        \
  /** A new autoreleased ease of `action`, period 0.3. \param action the action whose time is eased. */       \
  static Class* actionWithAction(CCActionInterval* action) {                                                  \
    return ::platform::createAutoreleased<Class>([&](Class& e) { return e.initWithAction(action); });         \
  }                                                                                                           \
  /** A new autoreleased ease of `action`. \param action the action whose time is eased.                      \
      \param period the period of the oscillation, in fractions of the duration. */                           \
  static Class* actionWithAction(CCActionInterval* action, float period) {                                    \
    return ::platform::createAutoreleased<Class>([&](Class& e) { return e.initWithAction(action, period); }); \
  }

/// 2^(10(t − 1)) × sin((t − 1 − p/4)·(−2π/p)); exactly 0 and 1 at the ends.
class CCEaseElasticIn : public CCEaseElastic {
  PLATFORM_CLASS(CCEaseElasticIn, CCEaseElastic)

 public:
  CC_EASE_ELASTIC_FACTORY(CCEaseElasticIn)
  void update(float t) override;
  /// CCEaseElasticOut around the inner reverse, same period.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseElasticIn() override = default;
};

/// 2^(−10t) × sin((t − p/4)·2π/p) + 1; exactly 0 and 1 at the ends.
class CCEaseElasticOut : public CCEaseElastic {
  PLATFORM_CLASS(CCEaseElasticOut, CCEaseElastic)

 public:
  CC_EASE_ELASTIC_FACTORY(CCEaseElasticOut)
  void update(float t) override;
  /// CCEaseElasticIn around the inner reverse, same period.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseElasticOut() override = default;
};

/// Elastic in over the first half, out over the second. A period of 0 is
/// replaced by 0.45 at the first update that needs it, and kept.
class CCEaseElasticInOut : public CCEaseElastic {
  PLATFORM_CLASS(CCEaseElasticInOut, CCEaseElastic)

 public:
  CC_EASE_ELASTIC_FACTORY(CCEaseElasticInOut)
  void update(float t) override;
  /// CCEaseElasticInOut around the inner reverse, same period.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseElasticInOut() override = default;
};

// [SECTION] Bounce

/// A wrapper that provides the bounce curve. Passes t on unchanged.
class CCEaseBounce : public CCActionEase {
  PLATFORM_CLASS(CCEaseBounce, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseBounce)

  /// Four parabolic hops of falling height, landing on 1 at t = 1/2.75,
  /// 2/2.75, 2.5/2.75 and 1 (the thresholds compared in double precision);
  /// NaN takes the last hop.
  /// \param t the fraction of the bounce, 0 to 1.
  float bounceTime(float t) const;

 protected:
  ~CCEaseBounce() override = default;
};

/// 1 − bounceTime(1 − t).
class CCEaseBounceIn : public CCEaseBounce {
  PLATFORM_CLASS(CCEaseBounceIn, CCEaseBounce)

 public:
  CC_EASE_FACTORY(CCEaseBounceIn)
  void update(float t) override;
  /// CCEaseBounceOut around the inner reverse.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseBounceIn() override = default;
};

/// bounceTime(t).
class CCEaseBounceOut : public CCEaseBounce {
  PLATFORM_CLASS(CCEaseBounceOut, CCEaseBounce)

 public:
  CC_EASE_FACTORY(CCEaseBounceOut)
  void update(float t) override;
  /// CCEaseBounceIn around the inner reverse.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseBounceOut() override = default;
};

/// Bounce in over the first half, out over the second.
class CCEaseBounceInOut : public CCEaseBounce {
  PLATFORM_CLASS(CCEaseBounceInOut, CCEaseBounce)

 public:
  CC_EASE_FACTORY(CCEaseBounceInOut)
  void update(float t) override;

 protected:
  ~CCEaseBounceInOut() override = default;
};

// [SECTION] Back

/// t²(2.70158t − 1.70158): dips below 0 before rising.
class CCEaseBackIn : public CCActionEase {
  PLATFORM_CLASS(CCEaseBackIn, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseBackIn)
  void update(float t) override;
  /// CCEaseBackOut around the inner reverse.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseBackIn() override = default;
};

/// u²(2.70158u + 1.70158) + 1 with u = t − 1: overshoots 1 before settling.
class CCEaseBackOut : public CCActionEase {
  PLATFORM_CLASS(CCEaseBackOut, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseBackOut)
  void update(float t) override;
  /// CCEaseBackIn around the inner reverse.
  CCActionEase* reverse() const override;

 protected:
  ~CCEaseBackOut() override = default;
};

/// Back in over the first half, out over the second, with the overshoot
/// scaled by 1.525.
class CCEaseBackInOut : public CCActionEase {
  PLATFORM_CLASS(CCEaseBackInOut, CCActionEase)

 public:
  CC_EASE_FACTORY(CCEaseBackInOut)
  void update(float t) override;

 protected:
  ~CCEaseBackInOut() override = default;
};
