#include "platform/Notifications.h"

#include <algorithm>

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter* center = new NotificationCenter();  // outlives static destructors
  return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(const void* owner, std::string name,
                                                          Observer observer) {
  auto registration = std::make_shared<Registration>();
  registration->owner = owner;
  registration->name = std::move(name);
  registration->observer = std::move(observer);
  std::lock_guard lock(mutex_);
  registration->token = nextToken_++;
  registrations_.push_back(registration);
  return registration->token;
}

void NotificationCenter::removeObserver(Token token) {
  std::lock_guard lock(mutex_);
  std::erase_if(registrations_, [&](const std::shared_ptr<Registration>& entry) {
    if (entry->token != token) return false;
    entry->removed = true;
    return true;
  });
}

void NotificationCenter::removeObserver(const void* owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(registrations_, [&](const std::shared_ptr<Registration>& entry) {
    if (entry->owner != owner) return false;
    entry->removed = true;
    return true;
  });
}

void NotificationCenter::removeObserver(const void* owner, const std::string& name) {
  std::lock_guard lock(mutex_);
  std::erase_if(registrations_, [&](const std::shared_ptr<Registration>& entry) {
    if (entry->owner != owner || entry->name != name) return false;
    entry->removed = true;
    return true;
  });
}

void NotificationCenter::post(const std::string& name, Object* sender) {
  std::vector<std::shared_ptr<Registration>> matching;
  {
    std::lock_guard lock(mutex_);
    for (const auto& entry : registrations_) {
      if (entry->name.empty() || entry->name == name) matching.push_back(entry);
    }
  }
  const Notification notification{name, sender};
  for (const auto& entry : matching) {
    {
      std::lock_guard lock(mutex_);
      if (entry->removed) continue;
    }
    entry->observer(notification);
  }
}

}  // namespace platform
