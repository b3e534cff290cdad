#include "tessera/Support/CCArray.h"

#include "platform/Exception.h"
#include "platform/Random.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using platform::Object;

namespace {

using Trace = std::vector<std::string>;
Trace g_trace;

// Records its visits and its destruction. Equal by name, so a lookup that
// compared by value instead of identity would show.
class Item : public Object {
  PLATFORM_CLASS(Item, Object)
 public:
  explicit Item(std::string name) : name_(std::move(name)) {}
  bool isEqual(const Object* other) const override {
    auto* item = dynamic_cast<const Item*>(other);
    return item && item->name_ == name_;
  }
  void visit() {
    g_trace.push_back(name_);
    if (onVisit_) onVisit_(this);
    g_trace.push_back(name_ + " done");
  }
  void meet(Item* other) { g_trace.push_back(name_ + " met " + other->name_); }

  std::string name_;
  std::function<void(Item*)> onVisit_;

 protected:
  ~Item() override { g_trace.push_back(name_ + " dealloc"); }
};

class SubArray : public CCArray {
  PLATFORM_CLASS(SubArray, CCArray)
};

std::string names(const CCArray* array) {
  std::string text;
  for (Object* object : *array) text += static_cast<Item*>(object)->name_;
  return text;
}

// Adds fresh items that only the array holds.
void giveItems(CCArray* array, const std::string& letters) {
  for (char letter : letters) {
    auto* item = new Item(std::string(1, letter));
    array->addObject(item);
    item->release();
  }
}

// "name: reason" of the platform::Exception that `call` throws.
std::string raised(const std::function<void()>& call) {
  try {
    call();
  } catch (const platform::Exception& e) {
    return e.name() + ": " + e.reason();
  }
  return "nothing raised";
}

class CCArrayTest : public testing::Test {
 protected:
  void SetUp() override { g_trace.clear(); }
  void TearDown() override {
    platform::setRandomSource({});
    for (Item* item : {a_, b_, c_}) item->release();
  }
  Item* a_ = new Item("A");
  Item* b_ = new Item("B");
  Item* c_ = new Item("C");
};

TEST_F(CCArrayTest, CapacityStartsAtOneOrTwoDoublesUntilItFitsAndNeverShrinks) {
  CCArray* array = CCArray::arrayWithCapacity(0);
  std::vector<uint32_t> capacities{array->capacity()};
  for (int i = 0; i < 5; ++i) {
    array->addObject(a_);
    capacities.push_back(array->capacity());
  }
  EXPECT_EQ(capacities, (std::vector<uint32_t>{1, 1, 2, 4, 4, 8}));
  EXPECT_EQ(CCArray::array()->capacity(), 2u);

  CCArray* bulk = CCArray::arrayWithCapacity(1);
  bulk->addObjectsFromArray(array);  // five more at once: 1 doubles to 8
  EXPECT_EQ(bulk->capacity(), 8u);
  array->removeAllObjects();
  EXPECT_EQ(array->capacity(), 8u);
}

TEST_F(CCArrayTest, OrderedChangesKeepOrderAndFastRemovalMovesTheLastIntoTheHole) {
  CCArray* ordered = CCArray::arrayWithObjects({a_, c_});
  ordered->insertObject(b_, 1);
  ordered->insertObject(a_, 3);  // at the count: appends
  ordered->removeObjectAtIndex(0);
  EXPECT_EQ(names(ordered), "BCA");

  CCArray* fast = CCArray::arrayWithObjects({a_, b_, c_});
  fast->fastRemoveObjectAtIndex(0);
  EXPECT_EQ(names(fast), "CB");
}

TEST_F(CCArrayTest, InsertPastCountInvalidLeavesTheArrayUnchanged) {
  testing_support::AssertionRecorder asserts;
  CCArray* array = CCArray::arrayWithObjects({a_});
  array->insertObject(b_, 2);
  EXPECT_EQ(asserts.messages(), Trace{"Invalid index. Out of bounds"});
  EXPECT_EQ(asserts.files(), Trace{"libs/tessera/Support/ccCArray.cpp"});
  EXPECT_EQ(names(array), "A");
  EXPECT_EQ(b_->retainCount(), 1u);
}

TEST_F(CCArrayTest, LookupsAndRemovalsMatchByIdentityAndTakeTheFirstSlot) {
  Item* lookalike = new Item("A");
  CCArray* array = CCArray::arrayWithObjects({a_, b_, a_});
  EXPECT_EQ(array->indexOfObject(lookalike), 0x7FFFFFFFu);
  EXPECT_FALSE(array->containsObject(lookalike));
  array->removeObject(lookalike);
  EXPECT_EQ(names(array), "ABA");
  array->removeObjectsInArray(CCArray::arrayWithObjects({a_, a_}));
  EXPECT_EQ(names(array), "B");
  lookalike->release();
}

TEST_F(CCArrayTest, RangeExceptionsReportTheCountAndTheEmptyRemoval) {
  CCArray* array = CCArray::arrayWithObjects({a_, b_});
  EXPECT_EQ(raised([&] { array->objectAtIndex(5); }),
            "NSRangeException: index out of range in objectAtIndex(2)");
  EXPECT_EQ(raised([] { CCArray::array()->removeLastObject(); }), "NSRangeException: no objects added");
}

TEST_F(CCArrayTest, RemoveAllAndDestructionReleaseFromTheLastToTheFirst) {
  auto* array = new CCArray();
  ASSERT_TRUE(array->init());
  giveItems(array, "XYZ");
  array->removeAllObjects();
  giveItems(array, "PQ");
  array->release();
  EXPECT_EQ(g_trace, (Trace{"Z dealloc", "Y dealloc", "X dealloc", "Q dealloc", "P dealloc"}));
}

TEST_F(CCArrayTest, DuplicatesAreRetainedOncePerSlotAndCopiesRetainAgain) {
  CCArray* array = CCArray::arrayWithObjects({a_, a_});
  EXPECT_EQ(a_->retainCount(), 3u);
  array->removeObject(a_);
  EXPECT_EQ(a_->retainCount(), 2u);

  SubArray* sub = platform::createAutoreleased<SubArray>([](SubArray& s) { return s.init(); });
  sub->addObjectsFromArray(array);
  sub->addObject(b_);
  auto* copy = static_cast<CCArray*>(sub->copy());
  EXPECT_STREQ(copy->className(), "SubArray");
  EXPECT_EQ(copy->objectAtIndex(0), a_);  // the same object, not a copy of it
  EXPECT_EQ(a_->retainCount(), 4u);
  copy->removeLastObject();
  EXPECT_EQ(names(sub), "AB");
  copy->release();
  EXPECT_EQ(a_->retainCount(), 3u);
}

TEST_F(CCArrayTest, RandomObjectComputesInSinglePrecisionAndClampsToTheLast) {
  CCArray* array = CCArray::arrayWithObjects({a_, b_, c_});
  auto pick = [&](long r) {
    platform::setRandomSource([r] { return r; });
    return array->randomObject();
  };
  EXPECT_EQ(pick(0), a_);
  EXPECT_EQ(pick(1L << 30), b_);
  EXPECT_EQ(pick(0x7FFFFFFF), c_);  // the factor rounds to exactly 1.0
  EXPECT_EQ(pick(715827882), b_);   // in double precision this would pick A
  EXPECT_EQ(CCArray::array()->randomObject(), nullptr);
}

TEST_F(CCArrayTest, PerformSelectorRereadsTheCountAndKeepsEachObjectAliveForItsCall) {
  CCArray* array = CCArray::arrayWithObjects({a_, b_, c_});
  a_->onVisit_ = [&](Item*) { array->removeObject(c_); };
  b_->onVisit_ = [&](Item*) { giveItems(array, "D"); };
  array->makeObjectsPerformSelector(CC_SEL(Item::visit));
  EXPECT_EQ(g_trace, (Trace{"A", "A done", "B", "B done", "D", "D done"}));

  g_trace.clear();
  CCArray* sole = CCArray::array();
  giveItems(sole, "X");
  static_cast<Item*>(sole->lastObject())->onVisit_ = [&](Item* self) { sole->removeObject(self); };
  sole->makeObjectsPerformSelector(CC_SEL(Item::visit));
  EXPECT_EQ(g_trace, (Trace{"X", "X done", "X dealloc"}));

  g_trace.clear();
  CCArray::arrayWithObjects({a_, b_})->makeObjectsPerformSelector(CC_SEL(Item::meet), c_);
  EXPECT_EQ(g_trace, (Trace{"A met C", "B met C"}));
}

TEST_F(CCArrayTest, BulkOperationsWithItselfActOnTheObjectsItHeldBefore) {
  CCArray* array = CCArray::arrayWithObjects({a_, b_});
  array->addObjectsFromArray(array);
  ASSERT_TRUE(array->initWithArray(array));
  EXPECT_EQ(names(array), "ABAB");
  array->removeObjectsInArray(array);
  EXPECT_EQ(array->count(), 0u);
  EXPECT_EQ(a_->retainCount(), 1u);
}

TEST(ccCArrayTest, AFullValueRecordGrowsOnInsertInsteadOfOverflowing) {
  ccCArray* values = ccCArrayNew(2);
  ccCArrayAppendValue(values, 1);
  ccCArrayAppendValue(values, 3);
  ccCArrayInsertValueAtIndex(values, 2, 1);
  ccCArrayFastRemoveValueAtIndex(values, 0);
  EXPECT_EQ(std::vector<uint32_t>(values->arr, values->arr + values->num), (std::vector<uint32_t>{3, 2}));
  EXPECT_EQ(values->max, 4u);
  ccCArrayFree(values);
}

TEST(CCArrayDeathTest, MisuseOfTheRecordsEndsTheProcessWithItsReport) {
  ccArray* objects = ccArrayNew(1);
  EXPECT_DEATH(ccArrayInsertObjectAtIndex(objects, nullptr, 1),
               "Assertion failure in ccArrayInsertObjectAtIndex\\(\\), "
               "libs/tessera/Support/ccCArray.cpp:[0-9]+\nInvalid index\\. Out of bounds");
  EXPECT_DEATH(ccArrayRemoveObjectAtIndex(objects, 0), "index < arr->num");
  ccArrayFree(objects);

  ccCArray* values = ccCArrayNew(2);
  EXPECT_DEATH(ccCArrayInsertValueAtIndex(values, 7, 2), "index < arr->max");
  ccCArrayFree(values);
}

}  // namespace
