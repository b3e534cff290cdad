#pragma once
// The sprite storm's three renderers. Each call brings its renderer up (a
// 480 x 320 window on the X server in DISPLAY, its GL context, the sheet
// texture and the sprites), draws the frames of `run.plan`, reads the last
// frame back and tears everything down again, leaving no GL context current
// on the calling thread, so the next renderer can make its own current.
//
// Every frame is: update every sprite to spritePose(index, frame), draw,
// present, glFinish() on the renderer's current context. The clock stops
// after glFinish: Mesa's present can return before its software rasteriser
// has finished the frame.

#include <cstdint>
#include <string>

#include "StormScene.h"

namespace storm {

struct StormRun {
  std::uint32_t spriteCount = 0;
  const SpriteSheet* sheet = nullptr;
  FramePlan plan;
};

struct RendererResult {
  /// GL_RENDERER of the renderer's context.
  std::string glRenderer;
  /// How the renderer drew (batch nodes, primitive type, SDL's backend).
  std::string method;
  FrameTimes times;
  /// Frame plan.checkFrame(), drawn after the timed frames and read back.
  FrameImage checkImage;
  /// Why the renderer could not run; empty when it ran.
  std::string error;
};

/// The engine: a director, its GL view in a platform window, a scene with a
/// layer whose per-frame update poses the sprites, held by as few batch
/// nodes as the atlas's 16,384-quad limit allows; one drawScene() a frame.
RendererResult runTessera(const StormRun& run);
/// SFML 2.5: one sf::VertexArray of sf::Quads, positions rewritten every
/// frame through a per-sprite sf::Transform, one draw with sf::BlendAlpha.
RendererResult runSfml(const StormRun& run);
/// SDL2's 2-D renderer (whatever accelerated backend SDL picks): one
/// SDL_RenderGeometry call a frame with BLEND mode.
RendererResult runSdl(const StormRun& run);

}  // namespace storm
