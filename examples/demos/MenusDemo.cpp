// Menus: text items that zoom while pressed, a picture item with pressed and
// disabled pictures, a toggle, and a status line saying what was chosen.

#include "Demos.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCMenu.h"
#include "tessera/CCMenuItemFont.h"
#include "tessera/CCMenuItemSprite.h"
#include "tessera/CCMenuItemToggle.h"
#include "tessera/CCSprite.h"

#include <string>

namespace {

platform::Ref<CCTexture2D> buttonTexture(ccColor3B face, ccColor3B edge) {
  return makeDemoTexture(120, 36, [face, edge](int x, int y, std::uint8_t* p) {
    const bool border = x < 3 || y < 3 || x >= 117 || y >= 33;
    const ccColor3B c = border ? edge : face;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = 255;
  });
}

}  // namespace

CCNode* makeMenusDemo() {
  const CGSize size = CCDirector::sharedDirector()->winSize();
  CCNode* root = CCNode::node();
  CCLabelTTF* status = CCLabelTTF::labelWithString("Click an item", "Helvetica", 18);
  platform::Ref<CCTexture2D> normal = buttonTexture(ccc3(60, 120, 200), ccc3(200, 220, 255));
  platform::Ref<CCTexture2D> pressed = buttonTexture(ccc3(250, 200, 60), ccc3(255, 255, 255));
  platform::Ref<CCTexture2D> disabled = buttonTexture(ccc3(80, 80, 80), ccc3(120, 120, 120));
  if (!status || !normal || !pressed || !disabled) return nullptr;
  status->setPosition(CGPointMake(size.width / 2, 70));
  status->setColor(ccc3(255, 220, 120));
  root->addChild(status);
  auto say = [status](const std::string& text) { status->setString(text); };

  CCMenuItemFont::setFontSize(28);
  CCMenuItem* play = CCMenuItemFont::itemFromString("Play", [say](CCMenuItem*) { say("Play pressed"); });
  CCMenuItemSprite* picture = CCMenuItemSprite::itemFromNormalSprite(
      CCSprite::spriteWithTexture(normal.get()), CCSprite::spriteWithTexture(pressed.get()),
      CCSprite::spriteWithTexture(disabled.get()), [say](CCMenuItem*) { say("Picture item pressed"); });
  CCMenuItemFont::setFontSize(22);
  CCMenuItemToggle* toggle = CCMenuItemToggle::itemWithBlock(
      [say](CCMenuItem* sender) {
        say(static_cast<CCMenuItemToggle*>(sender)->selectedIndex() == 0 ? "Sound: on" : "Sound: off");
      },
      {CCMenuItemFont::itemFromString("Sound: on"), CCMenuItemFont::itemFromString("Sound: off")});
  CCMenuItem* lock = CCMenuItemFont::itemFromString("Lock picture", [picture, say](CCMenuItem* sender) {
    picture->setIsEnabled(!picture->isEnabled());
    static_cast<CCMenuItemFont*>(sender)->setString(picture->isEnabled() ? "Lock picture" : "Unlock picture");
    say(picture->isEnabled() ? "The picture item works again" : "The picture item is disabled");
  });
  CCMenuItemFont::setFontSize(32);
  if (!play || !picture || !toggle || !lock) return nullptr;
  CCMenu* menu = CCMenu::menuWithItems({play, picture, toggle, lock});
  menu->alignItemsVerticallyWithPadding(12);
  menu->setPosition(CGPointMake(size.width / 2, size.height / 2 + 10));
  root->addChild(menu);
  return root;
}
