// Node graph: visit() over 10,000 nodes, as a flat list under one root and as
// a root with 100 children of 100 children each, with nothing changing between
// frames and with every node moved and turned before every frame; and world
// conversions of the leaves of the nested tree. Reports nodes drawn per second
// and heap allocations per frame (expected: 0).
//
// No GL context is made: GL calls go to the dispatch library's no-op entries,
// so the figures are the engine's own cost (transform caches, the GL matrix
// conversion, the walk), not the driver's matrix stack.

// The counter's replacement operators pair malloc with free; once GCC inlines
// them it reports a mismatch that is not there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "platform/AutoreleasePool.h"
#include "platform/Ref.h"
#include "tessera/CCNode.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

std::uint64_t g_draws = 0;

class BenchNode : public CCNode {
  PLATFORM_CLASS(BenchNode, CCNode)
 public:
  CC_NODE_FACTORY(BenchNode)
  void draw() override { ++g_draws; }
};

enum class Shape { Flat, Nested };

struct Tree {
  platform::Ref<BenchNode> root;
  std::vector<CCNode*> nodes;   // every node below the root, owned by the tree
  std::vector<CCNode*> leaves;  // nodes without children
};

// 10,000 nodes below the root, with varied z so both halves of visit() run.
Tree makeTree(Shape shape) {
  Tree tree;
  tree.root = BenchNode::node();
  auto addNode = [&](CCNode* parent, int index) {
    BenchNode* node = BenchNode::node();
    node->setContentSize(CGSizeMake(16, 16));
    node->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    node->setPosition(CGPointMake(float(index % 97), float(index % 89)));
    parent->addChild(node, index % 3 - 1);
    tree.nodes.push_back(node);
    return node;
  };
  if (shape == Shape::Flat) {
    for (int i = 0; i < 10000; ++i) tree.leaves.push_back(addNode(tree.root, i));
  } else {
    for (int i = 0; i < 100; ++i) {
      CCNode* branch = addNode(tree.root, i);
      for (int j = 0; j < 100; ++j) tree.leaves.push_back(addNode(branch, j));
    }
  }
  return tree;
}

void reportFrames(benchmark::State& state, std::size_t allocationsBefore, std::uint64_t drawsPerFrame) {
  const std::size_t allocations = bench::allocationCount() - allocationsBefore;
  const auto frames = static_cast<std::uint64_t>(state.iterations());
  if (g_draws != frames * drawsPerFrame) {
    char message[96];
    std::snprintf(message, sizeof message, "expected %llu draws, got %llu",
                  static_cast<unsigned long long>(frames * drawsPerFrame),
                  static_cast<unsigned long long>(g_draws));
    state.SkipWithError(message);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(frames * drawsPerFrame));
  state.counters["allocs/frame"] = double(allocations) / double(frames);
}

void BM_VisitStill(benchmark::State& state) {
  platform::AutoreleasePool pool;
  Tree tree = makeTree(static_cast<Shape>(state.range(0)));
  tree.root->visit();  // warm the caches
  g_draws = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) tree.root->visit();
  reportFrames(state, allocationsBefore, tree.nodes.size() + 1);
}

void BM_VisitMoving(benchmark::State& state) {
  platform::AutoreleasePool pool;
  Tree tree = makeTree(static_cast<Shape>(state.range(0)));
  g_draws = 0;
  float t = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) {
    t += 1.0f;
    for (CCNode* node : tree.nodes) {
      CGPoint p = node->position();
      node->setPosition(CGPointMake(p.x + 0.5f, p.y - 0.25f));
      node->setRotation(t);
    }
    tree.root->visit();
  }
  reportFrames(state, allocationsBefore, tree.nodes.size() + 1);
}

void BM_ConvertLeavesToWorldSpace(benchmark::State& state) {
  platform::AutoreleasePool pool;
  Tree tree = makeTree(Shape::Nested);
  tree.root->setRotation(15);
  float sum = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) {
    for (CCNode* leaf : tree.leaves) sum += leaf->convertToWorldSpace(CGPointMake(1, 1)).x;
    benchmark::DoNotOptimize(sum);
  }
  const std::size_t allocations = bench::allocationCount() - allocationsBefore;
  const auto frames = static_cast<std::uint64_t>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(frames * tree.leaves.size()));
  state.counters["allocs/frame"] = double(allocations) / double(frames);
  if (!(sum == sum)) state.SkipWithError("conversion gave NaN");
}

}  // namespace

BENCHMARK(BM_VisitStill)->ArgName("nested")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VisitMoving)->ArgName("nested")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertLeavesToWorldSpace)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
