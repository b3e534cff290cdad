#pragma once
// CCCallBlockN: an instant action that calls a function object with the node it runs on (nullptr for a target that is not a node).

#include "tessera/CCActionInstant.h"

#include <functional>

class CCNode;

/// On start: calls the stored function with the node it runs on (nullptr for a target that is not a node). The action holds its own
/// copy of the function; objects it must keep alive are captured as
/// platform::Ref. The action keeps itself alive until the call returns, so
/// the function may stop it or remove its node. Its reverse is a copy of itself.
class CCCallBlockN : public CCActionInstant {
  PLATFORM_CLASS(CCCallBlockN, CCActionInstant)

 public:
  using Block = std::function<void(CCNode*)>;

  /// A new autoreleased action calling a copy of `block`.
  /// \param block the function to call with the node running the action.
  static CCCallBlockN* actionWithBlock(Block block);

  /// Instant init, then stores `block`. An empty block calls nothing.
  virtual bool initWithBlock(Block block);
  using CCActionInstant::init;

  /// A new action of the same class (count 1) with the same block; no tag.
  CCCallBlockN* copy() const override;

  /// Base start, then execute().
  void startWithTarget(platform::Object* target) override;
  /// Calls the block.
  virtual void execute();

 protected:
  ~CCCallBlockN() override = default;

  Block block_;
};
