#pragma once
// CCGridBase: the object through which a node draws deformed. While the grid
// is active, the node's visit() calls beforeDraw(), which sends everything the
// node and its children draw into an off-screen texture of the window's pixel
// size (through a CCGrabber), and afterDraw(), which draws that texture onto
// a mesh of vertices with the 3-D projection. CCGrid3D (one bending surface)
// and CCTiledGrid3D (separate tiles) build and draw the mesh; grid effect
// actions move its vertices every frame. All sizes and positions are pixels.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/CCGrabber.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccTypes.h"

#include <string>

class CCNode;

/// The object through which a node draws deformed. While the grid is active, the
/// node's visit() calls beforeDraw(), which sends everything the node and its
/// children draw into an off-screen texture of the window's pixel size (through
/// a CCGrabber), and afterDraw(), which draws that texture onto a mesh of
/// vertices with the 3-D projection. CCGrid3D (one bending surface) and
/// CCTiledGrid3D (separate tiles) build and draw the mesh; grid effect actions
/// move its vertices every frame. All sizes and positions are pixels.
///
/// Cost: one power-of-two texture of the window's pixel size and one frame
/// buffer per grid; the mesh is allocated once and rewritten in place; one
/// indexed draw call per frame. Main thread only, inside the director's frame.
class CCGridBase : public platform::Object {
  PLATFORM_CLASS(CCGridBase, platform::Object)

 public:
  // [SECTION] Creation

  /// A grid of `gridSize` cells over a new, cleared texture of the window's
  /// pixel size (each side the next power of two; RGB565 when the GL view is
  /// 16-bit, RGBA8888 otherwise). Autoreleased, or nullptr when the texture
  /// cannot be made or the size is unusable (logged). The base class has no
  /// mesh: it throws "GridBase" / "Abstract class needs implementation".
  static CCGridBase* gridWithSize(ccGridSize gridSize);
  /// A grid of `gridSize` cells over `texture` (rows from the top when
  /// `flipped`). As above otherwise.
  static CCGridBase* gridWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped);
  /// See gridWithSize(). Expects the director's GL view to be current.
  bool initWithSize(ccGridSize gridSize);
  /// Inactive, reuseGrid 0, step = the texture's content size in pixels /
  /// gridSize, a new grabber attached to the texture, then the mesh. Returns
  /// false and logs for a size below 1 x 1, a mesh too large for 16-bit
  /// indices, or a GL without frame buffers. Throws "Frame Grabber" / "Could
  /// not attach texture to framebuffer" when the texture cannot be drawn into.
  bool initWithSize(ccGridSize gridSize, CCTexture2D* texture, bool flipped);

  // [SECTION] Properties

  /// Whether the owning node draws through the grid. Default false.
  virtual bool active() const { return active_; }
  /// Stores the flag; switching off also re-applies the director's current
  /// projection, which undoes the grid's projection changes.
  void setActive(bool active);
  /// How many following grid actions may take this grid over as it is. Default 0.
  int reuseGrid() const { return reuseGrid_; }
  void setReuseGrid(int reuseGrid) { reuseGrid_ = reuseGrid; }
  /// Cells across and up.
  ccGridSize gridSize() const { return gridSize_; }
  /// The size of one cell in pixels.
  CGPoint step() const { return step_; }
  void setStep(CGPoint step) { step_ = step; }
  /// The off-screen picture (retained).
  CCTexture2D* texture() const { return texture_.get(); }
  void setTexture(CCTexture2D* texture);
  /// Renders into texture() (retained).
  CCGrabber* grabber() const { return grabber_.get(); }
  void setGrabber(CCGrabber* grabber);
  /// Whether texture rows run from the top. A change rebuilds the mesh.
  bool isTextureFlipped() const { return isTextureFlipped_; }
  void setIsTextureFlipped(bool flipped);

  // [SECTION] Drawing (called by the node's visit)

  /// 2-D projection over the whole window, then the grabber starts: what is
  /// drawn from here on lands in the texture.
  virtual void beforeDraw();
  /// The grabber stops; 3-D projection, the device orientation and the
  /// node's camera (about its anchor point); then the texture is drawn on
  /// the mesh in opaque white (so no colour left over from earlier drawing
  /// tints it).
  virtual void afterDraw(CCNode* target);

  // [SECTION] Mesh (implemented by the subclasses)

  /// Draws the mesh with the bound texture. The base throws "GridBase" /
  /// "Abstract class needs implementation", as do reuse() and
  /// calculateVertexPoints().
  virtual void blit();
  /// When reuseGrid() > 0: the current vertices become the undeformed ones
  /// and reuseGrid() drops by one. Otherwise nothing.
  virtual void reuse();
  /// Builds the mesh from gridSize(), step() and the texture.
  virtual void calculateVertexPoints();

  // [SECTION] Projection steps

  /// Identity model-view; viewport and orthographic projection over the
  /// window's pixel size, depth -1024...1024.
  void set2DProjection();
  /// Viewport over the display; 60-degree perspective and the eye at the
  /// director's getZEye() over the display's centre.
  void set3DProjection();
  /// Turns the model-view matrix about the display's centre by the director's
  /// device orientation (upside down 180, landscape 90 or -90 degrees).
  void applyLandscape();

  /// "<ClassName = ADDRESS | Dimensions = XxY>".
  std::string description() const override;

 protected:
  /// dealloc: deactivates (restoring the director's projection), then
  /// releases the texture and the grabber.
  ~CCGridBase() override;

  /// Makes a T, runs `init` and returns it autoreleased; nullptr when `init`
  /// returns false. An exception from `init` releases the object first.
  template <class T, class Init>
  static T* createGrid(Init&& init) {
    platform::Ref<T> grid = platform::Ref<T>::adopt(new T());
    if (!init(*grid)) return nullptr;
    return platform::autoreleased(grid.detach());
  }

  // Throws the exception of the abstract mesh methods.
  [[noreturn]] static void abstractMethod();
  // How many vertices the mesh of `size` cells has; 0 in the base, which has
  // no mesh. Initialisation refuses meshes that 16-bit indices cannot reach.
  virtual long long vertexCount(ccGridSize size) const { return 0; }

  bool active_ = false;
  int reuseGrid_ = 0;
  ccGridSize gridSize_;
  platform::Ref<CCTexture2D> texture_;  // retained
  CGPoint step_ = CGPointZero;
  platform::Ref<CCGrabber> grabber_;  // retained
  bool isTextureFlipped_ = false;
};
