// Who owns what: counted objects, factories that return autoreleased
// objects, platform::Ref, and nodes that keep their children. Runs without a
// window; exits 1 if a count is not what the comments say.

#include "platform/AutoreleasePool.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/CCNode.h"

#include <cstdio>

namespace {

// [guide:class]
// A counted class: PLATFORM_CLASS gives it a class name and a place in the
// class registry; the destructor stays protected so only release() ends it.
class Score : public platform::Object {
  PLATFORM_CLASS(Score, platform::Object)

 public:
  /// A new autoreleased score, or nullptr for a negative value.
  static Score* scoreWithPoints(int points) {
    return platform::createAutoreleased<Score>([points](Score& score) { return score.initWithPoints(points); });
  }

  bool initWithPoints(int points) {
    if (points < 0) return false;
    points_ = points;
    return true;
  }
  int points() const { return points_; }

 protected:
  ~Score() override = default;

 private:
  int points_ = 0;
};
// [guide:end]

int g_failures = 0;

void expect(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "ownership: wrong: %s\n", what);
    ++g_failures;
  }
}

}  // namespace

int main() {
  // [guide:rules]
  platform::Ref<Score> best;  // a strong reference: retains, releases when reset or destroyed
  {
    platform::AutoreleasePool pool;  // the run loop opens one around every callback

    Score* score = Score::scoreWithPoints(120);  // count 1, owned by the pool
    best = score;                                // count 2: the Ref keeps it
    expect(score->retainCount() == 2, "a factory object kept by a Ref");

    Score* made = new Score();  // `new` (and copy()) give the caller the reference
    made->retain();             // count 2: a second owner
    made->release();            // back to 1
    made->release();            // gone

    CCNode* parent = CCNode::node();
    CCNode* child = CCNode::node();
    parent->addChild(child);  // a node retains its children...
    expect(child->retainCount() == 2, "a child kept by its parent");
    parent->removeChild(child, true);  // ...and releases them when they leave
    expect(child->retainCount() == 1, "a child released by its parent");

    expect(Score::scoreWithPoints(-1) == nullptr, "a failed initialiser gives nullptr");
  }  // the pool drains: `score`, `parent` and `child` lose the pool's reference
  expect(best->retainCount() == 1 && best->points() == 120, "the Ref is the last owner");
  best = nullptr;  // the score is destroyed here
  // [guide:end]

  if (g_failures == 0) std::printf("ownership: all counts as expected\n");
  return g_failures == 0 ? 0 : 1;
}
