// The X11 window (and connection) behind an SDL window. Kept apart because SDL's system-window
// header brings in Xlib, whose global names (Window, Bool, None) would clash
// with the platform's.

#include "platform/WindowSystem.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace platform::detail {

unsigned long x11WindowOf(void* sdlWindow) {
  if (sdlWindow == nullptr) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(static_cast<SDL_Window*>(sdlWindow), &info)) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) return static_cast<unsigned long>(info.info.x11.window);
#endif
  return 0;
}

int x11ConnectionOf(void* sdlWindow) {
  if (sdlWindow == nullptr) return -1;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(static_cast<SDL_Window*>(sdlWindow), &info)) return -1;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11 && info.info.x11.display != nullptr) return ConnectionNumber(info.info.x11.display);
#endif
  return -1;
}

}  // namespace platform::detail
