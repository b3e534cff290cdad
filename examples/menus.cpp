// tessera [menus] example: a menu of text, picture and toggle items that
// react to clicks (touches), drawn through the director.
//
// Shows: a title and a status line in system fonts (text labels); a column
// of items: "Play" and "Reset" in the menu font (they zoom while pressed), a
// picture item with a normal, a pressed and a disabled picture (rotates the
// square beside the menu), a toggle that cycles the background colour
// through three named colours, and a "Lock" item that disables and enables
// the picture item. Every activation is written on the status line. The
// pictures are made in code.
//
// Usage: menus [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//
// A still with
//   TESSERA_HEADLESS=1 TESSERA_FAKE_CLOCK=1 TESSERA_CAPTURE=menus.png
//   TESSERA_CAPTURE_AT=1 in the environment.

#include "ExampleApplication.h"
#include "platform/Ref.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMenu.h"
#include "tessera/CCMenuItemFont.h"
#include "tessera/CCMenuItemSprite.h"
#include "tessera/CCMenuItemToggle.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCScene.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccMacros.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A 96 x 40 opaque button picture: a rounded-looking frame in `edge`
// around a face in `face`.
platform::Ref<CCTexture2D> makeButtonTexture(ccColor3B face, ccColor3B edge) {
  constexpr int kWidth = 96, kHeight = 40;
  std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool border = x < 3 || y < 3 || x >= kWidth - 3 || y >= kHeight - 3;
      const bool corner = (x < 3 || x >= kWidth - 3) && (y < 3 || y >= kHeight - 3);
      std::uint8_t* p = &pixels[static_cast<std::size_t>((y * kWidth + x) * 4)];
      const ccColor3B c = border ? edge : face;
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
      p[3] = corner ? 0 : 255;  // premultiplied: a clear corner is all zero
      if (corner) p[0] = p[1] = p[2] = 0;
    }
  }
  auto* texture = new CCTexture2D();
  if (!texture->initWithData(pixels.data(), kCCTexture2DPixelFormat_RGBA8888, kWidth, kHeight,
                             CGSizeMake(kWidth, kHeight))) {
    texture->release();
    return nullptr;
  }
  return platform::Ref<CCTexture2D>::adopt(texture);
}

struct NamedColour {
  const char* name;
  ccColor4B colour;
};
constexpr NamedColour kBackgrounds[] = {
    {"Night", {20, 24, 40, 255}},
    {"Forest", {20, 60, 30, 255}},
    {"Ember", {70, 25, 20, 255}},
};

class MenusScene : public ExampleScene {
  PLATFORM_CLASS(MenusScene, ExampleScene)
 public:
  CC_NODE_FACTORY(MenusScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    background_ = CCLayerColor::layerWithColor(kBackgrounds[0].colour);
    addChild(background_);

    CCLabelTTF* title = CCLabelTTF::labelWithString("Menus", "Helvetica", 28);
    status_ = CCLabelTTF::labelWithString("Click an item", CGSizeMake(size.width - 20, 24), kCCTextAlignmentCenter,
                                          "Helvetica", 16);
    if (!title || !status_) return false;
    title->setPosition(CGPointMake(size.width / 2, size.height - 24));
    status_->setPosition(CGPointMake(size.width / 2, 20));
    status_->setColor(ccColor3B{255, 220, 120});
    addChild(title);
    addChild(status_);

    // The square the picture item turns.
    platform::Ref<CCTexture2D> square = makeButtonTexture(ccColor3B{90, 200, 255}, ccColor3B{255, 255, 255});
    platform::Ref<CCTexture2D> normal = makeButtonTexture(ccColor3B{60, 120, 200}, ccColor3B{200, 220, 255});
    platform::Ref<CCTexture2D> pressed = makeButtonTexture(ccColor3B{250, 200, 60}, ccColor3B{255, 255, 255});
    platform::Ref<CCTexture2D> disabled = makeButtonTexture(ccColor3B{80, 80, 80}, ccColor3B{120, 120, 120});
    if (!square || !normal || !pressed || !disabled) return false;
    spinner_ = CCSprite::spriteWithTexture(square.get(), CGRectMake(0, 0, 40, 40));
    spinner_->setPosition(CGPointMake(size.width * 0.85f, size.height / 2));
    addChild(spinner_);

    // Text items in the menu font.
    CCMenuItemFont::setFontSize(26);
    CCMenuItem* play = CCMenuItemFont::itemFromString("Play", [this](CCMenuItem*) { say("Play pressed"); });
    CCMenuItem* reset = CCMenuItemFont::itemFromString("Reset", [this](CCMenuItem*) {
      spinner_->stopAllActions();
      spinner_->setRotation(0);
      say("Reset: the square is straight again");
    });

    // A picture item with pressed and disabled pictures.
    picture_ = CCMenuItemSprite::itemFromNormalSprite(
        CCSprite::spriteWithTexture(normal.get()), CCSprite::spriteWithTexture(pressed.get()),
        CCSprite::spriteWithTexture(disabled.get()), [this](CCMenuItem*) {
          spinner_->runAction(CCRotateBy::actionWithDuration(0.5f, 90));
          say("Picture: the square turns");
        });

    // A toggle of three text items: the background colour.
    CCMenuItemFont::setFontSize(20);
    std::vector<CCMenuItem*> colours;
    for (const NamedColour& c : kBackgrounds) colours.push_back(CCMenuItemFont::itemFromString(c.name));
    CCMenuItemToggle* toggle = CCMenuItemToggle::itemWithBlock(
        [this](CCMenuItem* sender) {
          const NamedColour& c = kBackgrounds[static_cast<CCMenuItemToggle*>(sender)->selectedIndex()];
          background_->setColor(ccColor3B{c.colour.r, c.colour.g, c.colour.b});
          say(std::string("Background: ") + c.name);
        },
        {colours[0], colours[1], colours[2]});

    CCMenuItem* lock = CCMenuItemFont::itemFromString("Lock picture", [this](CCMenuItem* sender) {
      picture_->setIsEnabled(!picture_->isEnabled());
      static_cast<CCMenuItemFont*>(sender)->setString(picture_->isEnabled() ? "Lock picture" : "Unlock picture");
      say(picture_->isEnabled() ? "The picture item works again" : "The picture item is disabled");
    });
    CCMenuItemFont::setFontSize(32);
    if (!play || !reset || !picture_ || !toggle || !lock) return false;

    CCMenu* menu = CCMenu::menuWithItems({play, reset, picture_, toggle, lock});
    menu->alignItemsVerticallyWithPadding(8);
    addChild(menu);
    return true;
  }

 private:
  void say(const std::string& text) {
    status_->setString(text);
    std::printf("menus: %s\n", text.c_str());
  }

  CCLayerColor* background_ = nullptr;  // children of the scene
  CCLabelTTF* status_ = nullptr;
  CCSprite* spinner_ = nullptr;
  CCMenuItemSprite* picture_ = nullptr;
};

class MenusDelegate : public ExampleDelegate {
  PLATFORM_CLASS(MenusDelegate, ExampleDelegate)

 protected:
  CCScene* firstScene() override { return MenusScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runExample(argc, argv, "MenusDelegate"); }
