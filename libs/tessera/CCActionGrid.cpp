#include "tessera/CCActionGrid.h"

#include "platform/Exception.h"
#include "platform/Log.h"
#include "tessera/CCNode.h"
#include "tessera/CCReverseTime.h"

#include <cmath>

// [SECTION] CCGridAction

bool CCGridAction::initWithSize(ccGridSize gridSize, float duration) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  gridSize_ = gridSize;
  return true;
}

CCGridAction* CCGridAction::copy() const {
  CCGridAction* copy = newInstanceOfSameClass<CCGridAction>();
  if (!copy) return nullptr;
  if (!copy->initWithSize(gridSize_, duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCFiniteTimeAction* CCGridAction::reverse() const {
  auto inner = platform::Ref<CCFiniteTimeAction>::adopt(copy());
  return CCReverseTime::actionWithAction(inner.get());
}

CCNode* CCGridAction::targetNode() const {
  return target_ && target_ == static_cast<platform::Object*>(targetNode_) ? targetNode_ : nullptr;
}

void CCGridAction::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* node = dynamic_cast<CCNode*>(target);
  targetNode_ = node;
  if (!node) return;

  CCGridBase* newGrid = grid();
  CCGridBase* targetGrid = node->grid();
  if (targetGrid && targetGrid->reuseGrid() > 0) {
    if (newGrid && targetGrid->active() && targetGrid->gridSize() == gridSize_ &&
        targetGrid->isKindOf(newGrid->classInfo())) {
      targetGrid->reuse();
      return;
    }
    throw platform::Exception("GridBase", "Cannot reuse grid");
  }

  if (targetGrid && targetGrid->active()) targetGrid->setActive(false);
  if (!newGrid) {
    CCLOG("tessera: %s: cannot make a %dx%d grid; the node draws without one", className(), gridSize_.x,
          gridSize_.y);
  }
  node->setGrid(newGrid);
  if (newGrid) newGrid->setActive(true);
}

CCGridBase* CCGridAction::grid() {
  throw platform::Exception("GridBase", "Abstract class needs implementation");
}

// [SECTION] CCGrid3DAction

CCGridBase* CCGrid3DAction::grid() { return CCGrid3D::gridWithSize(gridSize_); }

void CCGrid3DAction::stop() {
  checkedGrid_ = nullptr;
  checkedGrid3D_ = nullptr;
  CCGridAction::stop();
}

CCGrid3D* CCGrid3DAction::targetGrid() const {
  CCNode* node = targetNode();
  if (!node) return nullptr;
  if (node->grid() != checkedGrid_.get()) {
    checkedGrid_ = node->grid();
    checkedGrid3D_ = dynamic_cast<CCGrid3D*>(checkedGrid_.get());
  }
  return checkedGrid3D_ && checkedGrid3D_->gridSize() == gridSize_ ? checkedGrid3D_ : nullptr;
}

ccVertex3F CCGrid3DAction::vertex(ccGridSize position) const {
  CCGrid3D* grid = targetGrid();
  return grid ? grid->vertex(position) : ccVertex3F{};
}

ccVertex3F CCGrid3DAction::originalVertex(ccGridSize position) const {
  CCGrid3D* grid = targetGrid();
  return grid ? grid->originalVertex(position) : ccVertex3F{};
}

void CCGrid3DAction::setVertex(ccGridSize position, ccVertex3F vertex) {
  if (CCGrid3D* grid = targetGrid()) grid->setVertex(position, vertex);
}

// [SECTION] CCTiledGrid3DAction

CCGridBase* CCTiledGrid3DAction::grid() { return CCTiledGrid3D::gridWithSize(gridSize_); }

void CCTiledGrid3DAction::stop() {
  checkedGrid_ = nullptr;
  checkedTiledGrid_ = nullptr;
  CCGridAction::stop();
}

CCTiledGrid3D* CCTiledGrid3DAction::targetGrid() const {
  CCNode* node = targetNode();
  if (!node) return nullptr;
  if (node->grid() != checkedGrid_.get()) {
    checkedGrid_ = node->grid();
    checkedTiledGrid_ = dynamic_cast<CCTiledGrid3D*>(checkedGrid_.get());
  }
  return checkedTiledGrid_ && checkedTiledGrid_->gridSize() == gridSize_ ? checkedTiledGrid_ : nullptr;
}

ccQuad3 CCTiledGrid3DAction::tile(ccGridSize position) const {
  CCTiledGrid3D* grid = targetGrid();
  return grid ? grid->tile(position) : ccQuad3{};
}

ccQuad3 CCTiledGrid3DAction::originalTile(ccGridSize position) const {
  CCTiledGrid3D* grid = targetGrid();
  return grid ? grid->originalTile(position) : ccQuad3{};
}

void CCTiledGrid3DAction::setTile(ccGridSize position, const ccQuad3& coords) {
  if (CCTiledGrid3D* grid = targetGrid()) grid->setTile(position, coords);
}

// [SECTION] Amplitude wrappers

namespace {

// The shared body of the three wrappers: they differ only in their curve.
template <class Wrapper>
Wrapper* makeWrapper(CCActionInterval* action, float duration) {
  return platform::createAutoreleased<Wrapper>(
      [&](Wrapper& wrapper) { return wrapper.initWithAction(action, duration); });
}

template <class Wrapper>
bool initWrapper(Wrapper& wrapper, platform::Ref<CCActionInterval>& other, float& rate, CCActionInterval* action,
                 float duration) {
  if (!action) {
    CCLOG("tessera: %s: no action to wrap", wrapper.className());
    return false;
  }
  if (!wrapper.CCActionInterval::initWithDuration(duration)) return false;
  rate = 1.0f;
  other = action;
  return true;
}

// A new wrapper of the same class (count 1) around a copy of the inner action.
template <class Wrapper>
Wrapper* copyWrapper(Wrapper* made, const CCActionInterval* inner, float duration, float rate) {
  if (!made) return nullptr;
  auto innerCopy = platform::Ref<CCActionInterval>::adopt(inner ? inner->copy() : nullptr);
  if (!made->initWithAction(innerCopy.get(), duration)) {
    made->release();
    return nullptr;
  }
  made->setRate(rate);
  return made;
}

// The inner action's reverse as an interval action, or nullptr.
CCActionInterval* reversedInner(const CCActionInterval* inner) {
  if (!inner) return nullptr;
  return dynamic_cast<CCActionInterval*>(inner->reverse());
}

}  // namespace

CCAccelDeccelAmplitude* CCAccelDeccelAmplitude::actionWithAction(CCActionInterval* action, float duration) {
  return makeWrapper<CCAccelDeccelAmplitude>(action, duration);
}

bool CCAccelDeccelAmplitude::initWithAction(CCActionInterval* action, float duration) {
  return initWrapper(*this, other_, rate_, action, duration);
}

CCAccelDeccelAmplitude* CCAccelDeccelAmplitude::copy() const {
  return copyWrapper(newInstanceOfSameClass<CCAccelDeccelAmplitude>(), other_.get(), duration_, rate_);
}

CCAccelDeccelAmplitude* CCAccelDeccelAmplitude::reverse() const {
  CCActionInterval* inner = reversedInner(other_.get());
  return inner ? actionWithAction(inner, duration_) : nullptr;
}

void CCAccelDeccelAmplitude::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  if (other_) other_->startWithTarget(target);
}

void CCAccelDeccelAmplitude::update(float t) {
  if (!other_) return;
  float f = t * 2;
  if (f > 1) {
    f -= 1;
    f = 1 - f;
  }
  other_->setAmplitudeRate(std::pow(f, rate_));
  other_->update(t);
}

CCAccelAmplitude* CCAccelAmplitude::actionWithAction(CCActionInterval* action, float duration) {
  return makeWrapper<CCAccelAmplitude>(action, duration);
}

bool CCAccelAmplitude::initWithAction(CCActionInterval* action, float duration) {
  return initWrapper(*this, other_, rate_, action, duration);
}

CCAccelAmplitude* CCAccelAmplitude::copy() const {
  return copyWrapper(newInstanceOfSameClass<CCAccelAmplitude>(), other_.get(), duration_, rate_);
}

CCAccelAmplitude* CCAccelAmplitude::reverse() const {
  CCActionInterval* inner = reversedInner(other_.get());
  return inner ? actionWithAction(inner, duration_) : nullptr;
}

void CCAccelAmplitude::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  if (other_) other_->startWithTarget(target);
}

void CCAccelAmplitude::update(float t) {
  if (!other_) return;
  other_->setAmplitudeRate(std::pow(t, rate_));
  other_->update(t);
}

CCDeccelAmplitude* CCDeccelAmplitude::actionWithAction(CCActionInterval* action, float duration) {
  return makeWrapper<CCDeccelAmplitude>(action, duration);
}

bool CCDeccelAmplitude::initWithAction(CCActionInterval* action, float duration) {
  return initWrapper(*this, other_, rate_, action, duration);
}

CCDeccelAmplitude* CCDeccelAmplitude::copy() const {
  return copyWrapper(newInstanceOfSameClass<CCDeccelAmplitude>(), other_.get(), duration_, rate_);
}

CCDeccelAmplitude* CCDeccelAmplitude::reverse() const {
  CCActionInterval* inner = reversedInner(other_.get());
  return inner ? actionWithAction(inner, duration_) : nullptr;
}

void CCDeccelAmplitude::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  if (other_) other_->startWithTarget(target);
}

void CCDeccelAmplitude::update(float t) {
  if (!other_) return;
  other_->setAmplitudeRate(std::pow(1 - t, rate_));
  other_->update(t);
}

// [SECTION] Instant grid actions

CCStopGrid* CCStopGrid::action() {
  return platform::createAutoreleased<CCStopGrid>([](CCStopGrid& action) { return action.init(); });
}

void CCStopGrid::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  auto* node = dynamic_cast<CCNode*>(target);
  CCGridBase* grid = node ? node->grid() : nullptr;
  if (grid && grid->active()) grid->setActive(false);
}

CCReuseGrid* CCReuseGrid::actionWithTimes(int times) {
  return platform::createAutoreleased<CCReuseGrid>([&](CCReuseGrid& action) { return action.initWithTimes(times); });
}

bool CCReuseGrid::initWithTimes(int times) {
  if (!CCActionInstant::init()) return false;
  t_ = times;
  return true;
}

CCReuseGrid* CCReuseGrid::copy() const {
  CCReuseGrid* copy = newInstanceOfSameClass<CCReuseGrid>();
  if (!copy) return nullptr;
  if (!copy->initWithTimes(t_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCReuseGrid::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  auto* node = dynamic_cast<CCNode*>(target);
  CCGridBase* grid = node ? node->grid() : nullptr;
  if (grid && grid->active()) grid->setReuseGrid(grid->reuseGrid() + t_);
}
