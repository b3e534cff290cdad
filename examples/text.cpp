// tessera [text] example: text in a TrueType font read from a file, drawn
// with the custom-font layout into a bitmap that the scene shows as a
// sprite, and a label view with the same font floating over the GL view.
//
// Shows: loading a font file through the font manager; one line in several
// sizes; left, centred and right alignment; clip, character wrap and tail
// truncation of a line too long for its box; an attributed paragraph whose
// runs change font, colour, background and underline; a ZLabel that shrinks
// its text to fit and switches to its highlighted look every second.
//
// Usage: text [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//
// The font is the first of a few Liberation and DejaVu files found under
// /usr/share/fonts (TESSERA_TEXT_FONT names another .ttf).
//
// A still after one second, with
//   TESSERA_HEADLESS=1 TESSERA_FAKE_CLOCK=1 TESSERA_CAPTURE=text.png
//   TESSERA_CAPTURE_AT=1 in the environment.

#include "ExampleApplication.h"
#include "TextPage.h"
#include "platform/Ref.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCScene.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "zfont/FontManager.h"
#include "zfont/ZFont.h"
#include "zfont/ZLabel.h"

#include <algorithm>
#include <string>

namespace {

using namespace text_page;

class TextScene : public ExampleScene {
  PLATFORM_CLASS(TextScene, ExampleScene)
 public:
  CC_NODE_FACTORY(TextScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const std::string fontFile = findFontFile();
    if (fontFile.empty()) {
      CCLOG("text: no Liberation or DejaVu font file is installed (set TESSERA_TEXT_FONT)");
      return false;
    }
    const CGSize size = CCDirector::sharedDirector()->winSize();
    Page page(fontFile, CGSizeMake(std::min<float>(size.width, kPageSide), std::min<float>(size.height, kPageSide)));
    if (!page.ok()) {
      CCLOG("text: %s is not a usable font", fontFile.c_str());
      return false;
    }
    page.draw();

    // The page as a texture: only its window-sized corner is shown.
    auto* texture = new CCTexture2D();
    const bool uploaded = texture->initWithData(page.pixels().data(), kCCTexture2DPixelFormat_RGBA8888, kPageSide,
                                                kPageSide, CGSizeMake(std::min<float>(size.width, kPageSide),
                                                                      std::min<float>(size.height, kPageSide)));
    platform::Ref<CCTexture2D> keep = platform::Ref<CCTexture2D>::adopt(texture);
    if (!uploaded) return false;
    CCSprite* sprite = CCSprite::spriteWithTexture(texture);
    sprite->setAnchorPoint(CGPointMake(0, 1));
    sprite->setPosition(CGPointMake(0, size.height));
    addChild(sprite);

    // A label view over the GL view, along the bottom edge.
    label_ = ZLabel::labelWithFrame(CGRectMake(10, size.height - 34, size.width - 20, 28),
                                    FontManager::sharedManager()->zFontWithURL(fontFile, 22));
    label_->setText("A label view over the GL view, shrinking its text to fit");
    label_->setTextColor(platform::Color{1, 0.85f, 0.4f, 1});
    label_->setHighlightedTextColor(platform::Color{0.5f, 1, 0.6f, 1});
    label_->setTextAlignment(platform::kTextAlignmentCenter);
    label_->setAdjustsFontSizeToFitWidth(true);
    label_->setMinimumFontSize(9);
    schedule(schedule_selector(TextScene::blink), 1.0f);
    return true;
  }

  void onEnter() override {
    ExampleScene::onEnter();
    if (EAGLView* view = CCDirector::sharedDirector()->openGLView()) view->addSubview(label_.get());
  }
  void onExit() override {
    label_->removeFromSuperview();
    ExampleScene::onExit();
  }

  void blink(float) { label_->setHighlighted(!label_->isHighlighted()); }

 private:
  platform::Ref<ZLabel> label_;
};

class TextDelegate : public ExampleDelegate {
  PLATFORM_CLASS(TextDelegate, ExampleDelegate)

 protected:
  CCScene* firstScene() override { return TextScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runExample(argc, argv, "TextDelegate"); }
