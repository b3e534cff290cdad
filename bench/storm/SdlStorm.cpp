// The sprite storm drawn by SDL2's 2-D renderer: SDL_CreateRenderer with
// whatever accelerated backend SDL picks first, a 480 x 320 window, and one
// SDL_RenderGeometry call a frame. The vertex array's positions are
// rewritten every frame from each sprite's pose; its texture coordinates and
// colours, and the index array (two triangles a sprite), never change and
// are written once. The sheet texture uses BLEND mode and linear scaling.

#include "Renderers.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <vector>

namespace storm {

namespace {

// Positions of every sprite's corners for `frame`, clockwise from top left.
void poseVertices(std::vector<SDL_Vertex>& vertices, std::uint32_t count, float half, std::uint32_t frame) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::array<ScreenPoint, 4> corners = spriteCorners(spritePose(i, frame), half);
    SDL_Vertex* vertex = &vertices[static_cast<std::size_t>(i) * 4];
    for (std::size_t k = 0; k < 4; ++k) vertex[k].position = {corners[k].x, corners[k].y};
  }
}

}  // namespace

RendererResult runSdl(const StormRun& run) {
  RendererResult result;
  const SpriteSheet& sheet = *run.sheet;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    result.error = std::string("SDL video could not start: ") + SDL_GetError();
    return result;
  }
  SDL_Window* window = SDL_CreateWindow("SpriteStorm: SDL", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kFrameWidth,
                                        kFrameHeight, SDL_WINDOW_SHOWN);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
  SDL_Texture* texture =
      renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC, kSheetSize, kSheetSize)
               : nullptr;
  if (texture == nullptr) {
    result.error = std::string("SDL could not make its window, renderer or texture: ") + SDL_GetError();
  } else {
    SDL_UpdateTexture(texture, nullptr, sheet.rgba.data(), kSheetSize * 4);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    // A GL backend leaves its context current once the renderer exists.
    if (const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) result.glRenderer = name;

    const std::uint32_t count = run.spriteCount;
    const float edge = static_cast<float>(sheet.cellSize);
    std::vector<SDL_Vertex> vertices(static_cast<std::size_t>(count) * 4);
    std::vector<int> indices(static_cast<std::size_t>(count) * 6);
    for (std::uint32_t i = 0; i < count; ++i) {
      const int cell = spriteCell(i, sheet);
      const float left = static_cast<float>(sheet.cellX(cell)) / kSheetSize;
      const float top = static_cast<float>(sheet.cellY(cell)) / kSheetSize;
      const float right = left + edge / kSheetSize;
      const float bottom = top + edge / kSheetSize;
      SDL_Vertex* corner = &vertices[static_cast<std::size_t>(i) * 4];
      const SDL_FPoint texels[4] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
      for (int k = 0; k < 4; ++k) {
        corner[k].color = SDL_Color{255, 255, 255, 255};
        corner[k].tex_coord = texels[k];
      }
      const int first = static_cast<int>(i * 4);
      int* triangle = &indices[static_cast<std::size_t>(i) * 6];
      triangle[0] = first;
      triangle[1] = first + 1;
      triangle[2] = first + 2;
      triangle[3] = first;
      triangle[4] = first + 2;
      triangle[5] = first + 3;
    }
    const float half = edge / 2;
    const auto drawScene = [&](std::uint32_t frame) {
      poseVertices(vertices, count, half, frame);
      SDL_SetRenderDrawColor(renderer, kClearColor[0], kClearColor[1], kClearColor[2], 255);
      SDL_RenderClear(renderer);
      return SDL_RenderGeometry(renderer, texture, vertices.data(), static_cast<int>(vertices.size()), indices.data(),
                                static_cast<int>(indices.size())) == 0;
    };

    result.method = std::string("SDL renderer \"") + info.name + "\", one SDL_RenderGeometry of " +
                    std::to_string(count * 4) + " vertices and " + std::to_string(count * 6) +
                    " indices, BLEND, linear scaling";
    result.times = timeFrames(run.plan, [&](std::uint32_t frame) {
      for (SDL_Event event; SDL_PollEvent(&event);) {
      }
      if (!drawScene(frame)) return false;
      SDL_RenderPresent(renderer);
      glFinish();
      return true;
    });
    if (result.times.milliseconds.empty()) {
      result.error = std::string("SDL_RenderGeometry failed: ") + SDL_GetError();
    } else if (!result.glRenderer.empty() && glGetString(GL_RENDERER) == nullptr) {
      result.error = "no GL context was current after a frame: glFinish waited for nothing";
    }

    // The check frame, read back before it is presented.
    drawScene(run.plan.checkFrame());
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kFrameWidth) * kFrameHeight * 4);
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGBA32, pixels.data(), kFrameWidth * 4) == 0) {
      result.checkImage.width = kFrameWidth;
      result.checkImage.height = kFrameHeight;
      result.checkImage.rgba = std::move(pixels);
    }
    SDL_RenderPresent(renderer);
  }
  if (texture) SDL_DestroyTexture(texture);
  if (renderer) SDL_DestroyRenderer(renderer);  // its GL context goes with it
  if (window) SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return result;
}

}  // namespace storm
