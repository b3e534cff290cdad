#pragma once
// Key presses for desktop programs. The handheld has no keyboard, so the
// engine never asks for keys; examples and tools may observe them.
//
// The window keeps Escape (closes a full-screen ad) and Ctrl+arrow keys
// (turn the interface) for itself; every other key press, without repeats,
// reaches the observer on the main thread under SDL's name for the key
// ("Space", "Right", "Return", "A", "1").

#include <functional>
#include <string_view>

namespace platform {

using KeyObserver = std::function<void(std::string_view keyName)>;

/// Installs the observer of key presses; an empty function removes it.
/// Main thread only.
void setKeyObserver(KeyObserver observer);
/// Hands a key press to the observer, if there is one (the window calls it).
void deliverKeyPress(std::string_view keyName);

}  // namespace platform
