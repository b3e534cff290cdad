#pragma once
// A bitmap drawing context over a caller's pixel buffer: clears, filled
// rectangles, images and glyphs, composited source-over with premultiplied
// colour, through a current transform (CTM) with a save/restore stack; and
// the per-thread "current canvas" that string drawing uses.

#include "platform/FontFace.h"
#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

class Image;

/// Pixel layouts a canvas can draw into.
enum class CanvasLayout {
  RGBAPremultiplied,  ///< bytes R, G, B, A with colour multiplied by alpha
  RGBX,               ///< bytes R, G, B and a fourth byte set to 255 when drawn
  Alpha8,             ///< one alpha (coverage) byte
  Grey8,              ///< one grey byte, no alpha
};

/// A bitmap drawing context over a caller's pixel buffer: clears, filled
/// rectangles, images and glyphs, composited source-over with premultiplied
/// colour, through a current transform (CTM) with a save/restore stack; and the
/// per-thread "current canvas" that string drawing uses.
///
/// Coordinates: user space goes through the CTM to device space, whose origin
/// is the bottom-left corner of the buffer, y up, one unit per pixel. The
/// buffer's first row is the top of the picture: device y in [h - 1 - r, h - r)
/// is row r. A caller wanting the first row at y = 0 with y down flips the
/// CTM: translate(0, h) then scale(1, -1); string drawing expects that.
///
/// Implemented features:
///  [x] layouts RGBA premultiplied-last, RGBX (fourth byte 255 wherever
///      something is drawn), Alpha8 (alpha or coverage only) and Grey8
///      (luminance of the premultiplied colour);
///  [x] save/restore of CTM, fill colour, font, size and text matrix;
///  [x] clearRect, fillRect, drawImage (nearest-neighbour scaling, any
///      invertible transform) and showGlyphs (FreeType coverage);
///  [x] pushCurrent/popCurrent/current, per thread.
/// Missing features:
///  [ ] no clipping paths, no strokes, no patterns or gradients;
///  [ ] shape edges are not anti-aliased: a pixel belongs to a rectangle when
///      its centre does (glyphs are anti-aliased).
///
/// Cost: each operation visits the device pixels of its transformed bounding
/// box once; nothing is allocated except one coverage buffer per glyph.
class Canvas : public Object {
  PLATFORM_CLASS(Canvas, Object)
 public:
  /// A canvas over `buffer` (not owned; it must outlive the canvas) of
  /// `height` rows of `rowBytes` bytes. Identity CTM, opaque black fill, no
  /// font. Returns nullptr and logs for a null buffer, a size that is not
  /// positive, or rows shorter than width × bytes per pixel.
  static Canvas* canvasWithBuffer(uint8_t* buffer, int width, int height, std::size_t rowBytes,
                                  CanvasLayout layout);
  bool initWithBuffer(uint8_t* buffer, int width, int height, std::size_t rowBytes, CanvasLayout layout);

  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t rowBytes() const { return rowBytes_; }
  CanvasLayout layout() const { return layout_; }
  uint8_t* buffer() const { return buffer_; }

  // [SECTION] State

  /// Pushes a copy of the state (CTM, fill, font, size, text matrix).
  void save();
  /// Pops the state pushed by the matching save(). Without one, logs and
  /// changes nothing.
  void restore();

  /// The CTM: user space to device space. Default identity.
  const CGAffineTransform& transform() const { return state_.transform; }
  /// Moves the user-space origin to (tx, ty) in current user coordinates.
  void translate(float tx, float ty);
  void scale(float sx, float sy);
  /// Applies `t` to user coordinates before the current CTM.
  void concat(const CGAffineTransform& t);

  /// Fill colour, components 0..1 (clamped), not premultiplied. Default
  /// opaque black.
  void setFillColor(float red, float green, float blue, float alpha);
  /// Fill colour grey `grey` with `alpha`: R = G = B = grey.
  void setFillGrey(float grey, float alpha);

  /// Font and size in text-space units for showGlyphs. Default none (glyphs
  /// are not drawn). The canvas retains the face.
  void setFont(FontFace* face, float size);
  FontFace* font() const { return state_.font.get(); }
  float fontSize() const { return state_.fontSize; }
  /// Text space to user space (linear part; glyph positions give the
  /// translation). Default identity: glyphs upright in a y-up user space.
  void setTextMatrix(const CGAffineTransform& matrix);
  const CGAffineTransform& textMatrix() const { return state_.textMatrix; }

  // [SECTION] Drawing

  /// Sets every byte of the pixels whose centres fall inside `rect` to 0.
  void clearRect(const CGRect& rect);
  /// Composites the fill colour over the pixels whose centres fall in `rect`.
  void fillRect(const CGRect& rect);
  /// Draws `image` scaled into `rect` (nearest neighbour), its top row at the
  /// rectangle's maximum y in user space, source-over. Pixels outside `rect`
  /// are not touched. A null image or an empty rectangle draws nothing.
  void drawImage(const Image* image, const CGRect& rect);
  /// Draws `glyphs` of the current font with the fill colour, the first with
  /// its origin at `point` (user space through the text matrix's linear
  /// part), each next one moved on by the previous glyph's advance along the
  /// text matrix's x axis. Returns the pen position after the last glyph.
  CGPoint showGlyphs(std::span<const uint16_t> glyphs, CGPoint point);

  // [SECTION] Current canvas (per thread)

  /// Makes `canvas` the thread's current canvas (retained until popped).
  static void pushCurrent(Canvas* canvas);
  /// Restores the canvas that was current before the last push. Does nothing
  /// when the stack is empty.
  static void popCurrent();
  /// The thread's current canvas, or nullptr.
  static Canvas* current();

 private:
  struct State {
    CGAffineTransform transform = CGAffineTransformIdentity;
    uint8_t fill[4] = {0, 0, 0, 255};  // premultiplied R, G, B, A
    Ref<FontFace> font;
    float fontSize = 0;
    CGAffineTransform textMatrix = CGAffineTransformIdentity;
  };

  // Composites premultiplied `source` scaled by `coverage` into device pixel
  // (x, row).
  void blend(int x, int row, const uint8_t source[4], unsigned coverage);
  void blendCoverage(const GlyphCoverage& glyph, int left, int top);

  uint8_t* buffer_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::size_t rowBytes_ = 0;
  CanvasLayout layout_ = CanvasLayout::RGBAPremultiplied;
  State state_;
  std::vector<State> savedStates_;
};

}  // namespace platform
