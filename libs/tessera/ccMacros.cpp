#include "tessera/ccMacros.h"

namespace tessera_detail {
// Read on every point/pixel conversion; written by the director at start-up.
float g_contentScaleFactor = 1.0f;
}  // namespace tessera_detail

void ccSetContentScaleFactor(float factor) { tessera_detail::g_contentScaleFactor = factor; }
