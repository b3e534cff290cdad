#pragma once
// CCCallBlock: an instant action that calls a function object without an argument.

#include "tessera/CCActionInstant.h"

#include <functional>

/// On start: calls the stored function without an argument. The action holds its own
/// copy of the function; objects it must keep alive are captured as
/// platform::Ref. The action keeps itself alive until the call returns, so
/// the function may stop it or remove its node. Its reverse is a copy of itself.
class CCCallBlock : public CCActionInstant {
  PLATFORM_CLASS(CCCallBlock, CCActionInstant)

 public:
  using Block = std::function<void()>;

  /// A new autoreleased action calling a copy of `block`.
  /// \param block the function to call.
  static CCCallBlock* actionWithBlock(Block block);

  /// Instant init, then stores `block`. An empty block calls nothing.
  virtual bool initWithBlock(Block block);
  using CCActionInstant::init;

  /// A new action of the same class (count 1) with the same block; no tag.
  CCCallBlock* copy() const override;

  /// Base start, then execute().
  void startWithTarget(platform::Object* target) override;
  /// Calls the block.
  virtual void execute();

 protected:
  ~CCCallBlock() override = default;

  Block block_;
};
