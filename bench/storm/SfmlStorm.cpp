// The sprite storm drawn the way SFML 2.5 programs batch many sprites: one
// sf::VertexArray of sf::Quads (four vertices a sprite, SFML 2.5's own
// batching idiom), whose texture coordinates and colours are written once
// and whose positions are rewritten every frame by transforming each
// sprite's corners with an sf::Transform; one draw() with the sheet texture
// and sf::BlendAlpha into a 480 x 320 sf::RenderWindow, then display().

#include "Renderers.h"

#include <SFML/Graphics.hpp>
#include <SFML/OpenGL.hpp>

#include <vector>

namespace storm {

namespace {

// Positions of every sprite's corners for `frame`, clockwise from top left.
void poseQuads(sf::VertexArray& quads, std::uint32_t count, float half, std::uint32_t frame) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const SpritePose pose = spritePose(i, frame);
    sf::Transform transform;
    transform.translate(pose.x, pose.y).rotate(pose.rotation);
    sf::Vertex* corner = &quads[static_cast<std::size_t>(i) * 4];
    corner[0].position = transform.transformPoint(-half, -half);
    corner[1].position = transform.transformPoint(half, -half);
    corner[2].position = transform.transformPoint(half, half);
    corner[3].position = transform.transformPoint(-half, half);
  }
}

}  // namespace

RendererResult runSfml(const StormRun& run) {
  RendererResult result;
  const SpriteSheet& sheet = *run.sheet;
  {
    sf::RenderWindow window(sf::VideoMode(kFrameWidth, kFrameHeight), "SpriteStorm: SFML",
                            sf::Style::Titlebar | sf::Style::Close);
    if (!window.isOpen() || !window.setActive(true)) {
      result.error = "SFML could not open its window";
      return result;
    }
    // Vertical sync stays off, SFML's default: frames run back to back.
    if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) result.glRenderer = renderer;

    sf::Texture texture;
    if (!texture.create(kSheetSize, kSheetSize)) {
      result.error = "SFML could not make the sheet texture";
      return result;
    }
    texture.update(sheet.rgba.data());
    texture.setSmooth(true);  // linear filtering, as the engine samples

    const std::uint32_t count = run.spriteCount;
    const float edge = static_cast<float>(sheet.cellSize);
    sf::VertexArray quads(sf::Quads, static_cast<std::size_t>(count) * 4);
    for (std::uint32_t i = 0; i < count; ++i) {
      const int cell = spriteCell(i, sheet);
      const auto left = static_cast<float>(sheet.cellX(cell));
      const auto top = static_cast<float>(sheet.cellY(cell));
      sf::Vertex* corner = &quads[static_cast<std::size_t>(i) * 4];
      corner[0].texCoords = {left, top};
      corner[1].texCoords = {left + edge, top};
      corner[2].texCoords = {left + edge, top + edge};
      corner[3].texCoords = {left, top + edge};
    }
    const sf::RenderStates states(sf::BlendAlpha, sf::Transform::Identity, &texture, nullptr);
    const sf::Color clear(kClearColor[0], kClearColor[1], kClearColor[2]);
    const float half = edge / 2;

    result.method = "one sf::VertexArray of sf::Quads (" + std::to_string(count * 4) +
                    " vertices), one draw, sf::BlendAlpha, smooth texture";
    result.times = timeFrames(run.plan, [&](std::uint32_t frame) {
      for (sf::Event event; window.pollEvent(event);) {
      }
      poseQuads(quads, count, half, frame);
      window.clear(clear);
      window.draw(quads, states);
      window.display();
      glFinish();
      return true;
    });
    if (glGetString(GL_RENDERER) == nullptr) {
      result.error = "no GL context was current after a frame: glFinish waited for nothing";
    }

    // The check frame, read back from the back buffer before it is presented
    // (after display() its contents are undefined).
    poseQuads(quads, count, half, run.plan.checkFrame());
    window.clear(clear);
    window.draw(quads, states);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kFrameWidth) * kFrameHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, kFrameWidth, kFrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    window.display();
    result.checkImage = frameFromBottomUpRows(kFrameWidth, kFrameHeight, std::move(pixels));
    window.setActive(false);
  }
  // The texture and the window are gone: with no SFML resource left, SFML
  // destroys its shared context too.
  return result;
}

}  // namespace storm
