#pragma once
// What the web build tells its page (and the browser test): the last
// presented frame, the application's state and the touches views received.
// Exported to JavaScript as tessera_web_capture(), tessera_web_state() and
// tessera_web_free(); web/tessera.js wraps them as Module.tessera.

#include "platform/Touch.h"

namespace platform {
class View;
}

namespace platform::detail {

/// Records that `view` received a touch in `phase` at `location` (its own
/// points). The last few are kept for tessera_web_state().
void noteWebTouch(const View& view, TouchPhase phase, CGPoint location);

}  // namespace platform::detail
