#include "platform/ViewOverlays.h"

#include "platform/GLContext.h"
#include "platform/GLContextInternal.h"
#include "platform/RunLoop.h"
#include "platform/View.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

namespace platform {

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::pair<int, ViewOverlayProvider>> providers;
  int nextId = 1;
  PresentedOverlays presented;
};

Registry& registry() {
  static Registry* instance = new Registry();  // never destroyed: presents may run during exit
  return *instance;
}

}  // namespace

int addViewOverlayProvider(ViewOverlayProvider provider) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  const int id = r.nextId++;
  r.providers.emplace_back(id, std::move(provider));
  return id;
}

void removeViewOverlayProvider(int id) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.providers, [id](const auto& entry) { return entry.first == id; });
}

PresentedOverlays lastPresentedOverlays() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.presented;
}

void setNeedsRedisplay() {
  static bool pending = false;
  if (pending) return;
  pending = true;
  const std::uint64_t presentsBefore = detail::presentCount();
  performOnMainThread(
      [presentsBefore] {
        pending = false;
        // A frame presented since then already showed the overlays.
        if (detail::presentCount() == presentsBefore) detail::presentLastFrameAgain();
      },
      false);
}

void compositeViewOverlays(const std::vector<ViewOverlay>& overlays, CGSize viewSize, CapturedFrame& frame) {
  if (viewSize.width <= 0 || viewSize.height <= 0 || frame.width <= 0 || frame.height <= 0) return;
  if (frame.rgba.size() < static_cast<std::size_t>(frame.width) * frame.height * 4) return;
  const double scaleX = frame.width / static_cast<double>(viewSize.width);
  const double scaleY = frame.height / static_cast<double>(viewSize.height);
  for (const ViewOverlay& overlay : overlays) {
    const Image* image = overlay.image.get();
    if (image == nullptr || image->width() <= 0 || image->height() <= 0) continue;
    if (overlay.frame.size.width <= 0 || overlay.frame.size.height <= 0) continue;
    // Pixel rows and columns whose centres fall inside the overlay's frame.
    const double left = overlay.frame.origin.x * scaleX;
    const double top = overlay.frame.origin.y * scaleY;
    const double width = overlay.frame.size.width * scaleX;
    const double height = overlay.frame.size.height * scaleY;
    const int x0 = std::max(0, static_cast<int>(std::ceil(left - 0.5)));
    const int y0 = std::max(0, static_cast<int>(std::ceil(top - 0.5)));
    const int x1 = std::min(frame.width, static_cast<int>(std::ceil(left + width - 0.5)));
    const int y1 = std::min(frame.height, static_cast<int>(std::ceil(top + height - 0.5)));
    for (int y = y0; y < y1; ++y) {
      const int sourceY = std::clamp(static_cast<int>((y + 0.5 - top) / height * image->height()), 0,
                                     image->height() - 1);
      std::uint8_t* row = frame.rgba.data() + static_cast<std::size_t>(y) * frame.width * 4;
      for (int x = x0; x < x1; ++x) {
        const int sourceX = std::clamp(static_cast<int>((x + 0.5 - left) / width * image->width()), 0,
                                       image->width() - 1);
        const auto source = image->premultipliedPixel(sourceX, sourceY);
        std::uint8_t* target = row + static_cast<std::size_t>(x) * 4;
        const unsigned keep = 255u - source[3];
        for (int c = 0; c < 4; ++c) {
          target[c] = static_cast<std::uint8_t>(source[c] + (target[c] * keep + 127) / 255);
        }
      }
    }
  }
}

namespace detail {

void recordViewOverlays(const View* glView) {
  Registry& r = registry();
  std::vector<std::pair<int, ViewOverlayProvider>> providers;
  {
    std::lock_guard lock(r.mutex);
    providers = r.providers;
  }
  PresentedOverlays presented;
  if (glView) {
    presented.viewSize = glView->bounds().size;
    for (const auto& entry : providers) {
      std::vector<ViewOverlay> more = entry.second(glView);
      for (ViewOverlay& overlay : more) presented.overlays.push_back(std::move(overlay));
    }
  }
  std::lock_guard lock(r.mutex);
  r.presented = std::move(presented);
}

void drawRecordedViewOverlays() {
  const PresentedOverlays presented = lastPresentedOverlays();
  const CGSize size = presented.viewSize;
  if (presented.overlays.empty() || size.width <= 0 || size.height <= 0) return;
  // The viewport shows the GL view: map its points to clip space directly.
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  for (const ViewOverlay& overlay : presented.overlays) {
    const Image* image = overlay.image.get();
    if (image == nullptr || image->width() <= 0 || image->height() <= 0) continue;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(image->width()) * image->height() * 4);
    for (int y = 0; y < image->height(); ++y) {
      for (int x = 0; x < image->width(); ++x) {
        const auto pixel = image->premultipliedPixel(x, y);
        std::copy(pixel.begin(), pixel.end(), pixels.begin() + (static_cast<std::size_t>(y) * image->width() + x) * 4);
      }
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->width(), image->height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels.data());
    const GLfloat left = overlay.frame.origin.x / size.width * 2 - 1;
    const GLfloat right = (overlay.frame.origin.x + overlay.frame.size.width) / size.width * 2 - 1;
    const GLfloat top = 1 - overlay.frame.origin.y / size.height * 2;
    const GLfloat bottom = 1 - (overlay.frame.origin.y + overlay.frame.size.height) / size.height * 2;
    const GLfloat corners[] = {left, bottom, right, bottom, left, top, right, top};
    static const GLfloat texels[] = {0, 1, 1, 1, 0, 0, 1, 0};  // image rows are top row first
    glVertexPointer(2, GL_FLOAT, 0, corners);
    glTexCoordPointer(2, GL_FLOAT, 0, texels);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDeleteTextures(1, &texture);
  }
  glDisable(GL_BLEND);
}

bool hasRecordedViewOverlays() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return !r.presented.overlays.empty();
}

void compositeRecordedViewOverlays(CapturedFrame& frame) {
  const PresentedOverlays presented = lastPresentedOverlays();
  compositeViewOverlays(presented.overlays, presented.viewSize, frame);
}

}  // namespace detail

}  // namespace platform
