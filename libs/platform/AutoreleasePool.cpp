#include "platform/AutoreleasePool.h"

#include "platform/Log.h"
#include "platform/Object.h"

#include <vector>

namespace platform {

namespace {

struct PoolStack {
  std::vector<Object*> objects;     // pending releases, oldest first
  std::vector<std::size_t> starts;  // index in `objects` where each open pool begins
};

thread_local PoolStack t_pools;

}  // namespace

std::size_t AutoreleasePool::push() {
  t_pools.starts.push_back(t_pools.objects.size());
  return t_pools.starts.size() - 1;
}

void AutoreleasePool::pop(std::size_t token) {
  PoolStack& pools = t_pools;
  if (token >= pools.starts.size()) return;
  const std::size_t begin = pools.starts[token];
  // A release may run a destructor that autoreleases again; those land above
  // `begin` and are drained by this same loop.
  while (pools.objects.size() > begin) {
    Object* object = pools.objects.back();
    pools.objects.pop_back();
    object->release();
  }
  pools.starts.resize(token);
}

void AutoreleasePool::add(Object* object) {
  if (t_pools.starts.empty()) {
    log("*** %s object %s autoreleased with no pool in place - just leaking", object->className(),
        addressString(object).c_str());
    return;
  }
  t_pools.objects.push_back(object);
}

std::size_t AutoreleasePool::depth() { return t_pools.starts.size(); }

std::size_t AutoreleasePool::pendingCount() { return t_pools.objects.size(); }

}  // namespace platform
