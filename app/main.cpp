// Umbrascope's entry point: runs the application with its delegate, made by
// class name.

#include "umbrascopeAppDelegate.h"

#include "platform/AdBannerView.h"
#include "platform/Application.h"
#include "platform/AutoreleasePool.h"

int main(int argc, char** argv) {
  int result = 0;
  {
    platform::AutoreleasePool pool;
    // Linking the delegate's class keeps it findable by name.
    platform::ClassInfo::registerClass(umbrascopeAppDelegate::classInfo_);
    platform::registerAdService();
    result = platform::applicationMain(argc, argv, umbrascopeAppDelegate::kClassName);
  }
  return result;
}
