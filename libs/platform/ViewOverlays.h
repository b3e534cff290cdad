#pragma once
// Pictures of non-GL views drawn over the GL view's presented frame.
//
// The GL view's frame is presented by its context (GLContext.h); views that
// draw without GL (the ad banner) float above it. They publish what they show
// through an overlay provider: at every present the providers are asked, on
// the presenting thread, for the overlays above the presented view, and the
// answer is kept with the frame. The window then draws those overlays over
// the frame, and captureLastPresentedFrame() composites them into the
// captured pixels, so a capture shows what the window showed.
//
// Implemented:
//  [x] any number of providers, asked in the order they were added;
//  [x] overlays drawn source-over (premultiplied), nearest-neighbour scaled,
//      clipped to the GL view, in the window and in captures;
//  [x] redisplay while the engine draws nothing (its loop stopped for a
//      full-screen ad, or the window uncovered): the last frame is shown
//      again with the overlays asked afresh.
//
// Cost: one provider call per present; the window uploads each overlay
// image as a texture per present (a banner is 480 × 32 pixels).

#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/Ref.h"

#include <functional>
#include <vector>

namespace platform {

class View;
struct CapturedFrame;

/// One picture above the GL drawing.
struct ViewOverlay {
  /// The picture (retained), scaled into `frame`.
  Ref<Image> image;
  /// Where it goes, in the GL view's points (origin top left, y down).
  CGRect frame{};
};

/// Answers the overlays to draw above `glView` (the view whose frame is being
/// presented), back to front. Called on the presenting thread.
using ViewOverlayProvider = std::function<std::vector<ViewOverlay>(const View* glView)>;

/// Adds a provider; returns its id for removeViewOverlayProvider().
int addViewOverlayProvider(ViewOverlayProvider provider);
/// Removes the provider with that id. Unknown ids are ignored.
void removeViewOverlayProvider(int id);

/// The overlays recorded with the last presented frame, and the size in
/// points of the view they were recorded for.
struct PresentedOverlays {
  std::vector<ViewOverlay> overlays;
  CGSize viewSize{};
};
PresentedOverlays lastPresentedOverlays();

/// Asks for the last presented frame to be shown again, with the overlays
/// asked afresh, at the next run-loop pass, unless the engine presents a
/// frame before then. Requests before that pass count once. Call it when an
/// overlay changes while the engine may not be drawing. Main thread.
void setNeedsRedisplay();

/// Composites `overlays` into `frame` (RGBA rows, top row first), whose
/// pixels cover a view of `viewSize` points. Overlays outside the frame are
/// clipped; an empty view size draws nothing.
void compositeViewOverlays(const std::vector<ViewOverlay>& overlays, CGSize viewSize, CapturedFrame& frame);

namespace detail {

/// The present path: asks the providers for the overlays above `glView` and
/// records them with the frame. Any thread; nothing GL.
void recordViewOverlays(const View* glView);
/// The window's present path: draws the recorded overlays with the current
/// context over the viewport that shows the GL view.
void drawRecordedViewOverlays();
/// Whether the last present recorded any overlay.
bool hasRecordedViewOverlays();
/// The capture path: composites the recorded overlays into `frame`.
void compositeRecordedViewOverlays(CapturedFrame& frame);

}  // namespace detail

}  // namespace platform
