#include "tessera/ccMacros.h"

namespace {
// Read on every point/pixel conversion; written by the director at start-up.
float g_contentScaleFactor = 1.0f;
}  // namespace

float CC_CONTENT_SCALE_FACTOR() { return g_contentScaleFactor; }

void ccSetContentScaleFactor(float factor) { g_contentScaleFactor = factor; }
