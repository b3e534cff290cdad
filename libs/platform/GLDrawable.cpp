// The parts of a GL drawable that do not depend on the GL backend: its
// settings and its size in pixels. The desktop (EGL) and web backends make,
// register and present drawables each in their own way.

#include "platform/GLContext.h"

#include "platform/View.h"

#include <cmath>

namespace platform {

void GLDrawable::setColorFormat(const std::string& format) { colorFormat_ = format; }
const std::string& GLDrawable::colorFormat() const { return colorFormat_; }
void GLDrawable::setRetainedBacking(bool retained) { retainedBacking_ = retained; }
void GLDrawable::setOpaque(bool opaque) { opaque_ = opaque; }
View* GLDrawable::view() const { return view_; }

CGSize GLDrawable::pixelSize() const {
  if (view_ == nullptr) return CGSizeZero;
  const CGSize points = view_->bounds().size;
  const float scale = view_->contentScaleFactor();
  return CGSizeMake(std::round(points.width * scale), std::round(points.height * scale));
}

}  // namespace platform
