#pragma once
// Teardown shared by the tests that run the director: every singleton the
// director's loop touches goes, in the order that lets each release cleanly.

#include "platform/Application.h"
#include "platform/Facts.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCDirector.h"
#include "tessera/CCScheduler.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/ccMacros.h"

namespace testing_support {

inline void purgeDirectorAndLoop() {
  CCDirector::purgeSharedDirector();
  CCTouchDispatcher::purgeSharedDispatcher();
  CCActionManager::purgeSharedManager();
  CCScheduler::purgeSharedScheduler();
  platform::Application::purgeSharedApplication();
  platform::resetFacts();
  ccSetContentScaleFactor(1.0f);
}

}  // namespace testing_support
