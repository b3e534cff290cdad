#include "platform/Selector.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>

#pragma GCC diagnostic ignored "-Wcast-function-type"

namespace platform {

namespace {

struct NameTable {
  std::mutex mutex;
  std::unordered_set<std::string> names;  // node-based: element addresses are stable
};

NameTable& nameTable() {
  static NameTable* table = new NameTable();
  return *table;
}

// "HelloWorld::tick" with one float argument becomes "tick:".
std::string keywordName(std::string_view qualifiedName, Selector::Kind kind) {
  std::size_t colon = qualifiedName.rfind("::");
  std::string_view base = colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 2);
  while (!base.empty() && (base.front() == '&' || base.front() == ' ')) base.remove_prefix(1);
  std::string name(base);
  switch (kind) {
    case Selector::Kind::Float:
    case Selector::Kind::Object: name += ':'; break;
    case Selector::Kind::ObjectData: name += ":data:"; break;
    case Selector::Kind::Void:
    case Selector::Kind::None: break;
  }
  return name;
}

using ObjectThunk = void (*)(Object*, void (Object::*)(), Object*);
using ObjectDataThunk = void (*)(Object*, void (Object::*)(), Object*, void*);

}  // namespace

const char* internSelectorName(std::string_view name) {
  NameTable& table = nameTable();
  std::lock_guard lock(table.mutex);
  return table.names.emplace(name).first->c_str();
}

Selector::Selector(std::string_view qualifiedName, Kind kind, Erased method, void (*thunk)())
    : name_(internSelectorName(keywordName(qualifiedName, kind))),
      kind_(kind),
      method_(method),
      thunk_(thunk) {}

Selector Selector::named(std::string_view name) {
  Selector selector;
  selector.name_ = internSelectorName(name);
  return selector;
}

void Selector::operator()(Object* target) const {
  switch (kind_) {
    case Kind::Void: (target->*method_)(); break;
    case Kind::Object: reinterpret_cast<ObjectThunk>(thunk_)(target, method_, nullptr); break;
    case Kind::ObjectData:
      reinterpret_cast<ObjectDataThunk>(thunk_)(target, method_, nullptr, nullptr);
      break;
    case Kind::Float:
    case Kind::None: break;
  }
}

void Selector::operator()(Object* target, Object* argument) const {
  switch (kind_) {
    case Kind::Void: (target->*method_)(); break;
    case Kind::Object: reinterpret_cast<ObjectThunk>(thunk_)(target, method_, argument); break;
    case Kind::ObjectData:
      reinterpret_cast<ObjectDataThunk>(thunk_)(target, method_, argument, nullptr);
      break;
    case Kind::Float:
    case Kind::None: break;
  }
}

void Selector::operator()(Object* target, Object* argument, void* data) const {
  switch (kind_) {
    case Kind::Void: (target->*method_)(); break;
    case Kind::Object: reinterpret_cast<ObjectThunk>(thunk_)(target, method_, argument); break;
    case Kind::ObjectData:
      reinterpret_cast<ObjectDataThunk>(thunk_)(target, method_, argument, data);
      break;
    case Kind::Float:
    case Kind::None: break;
  }
}

}  // namespace platform
