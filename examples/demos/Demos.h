#pragma once
// The demo browser's scenes. Each demo is a function that builds its content
// as an autoreleased node the size of the window (nullptr when it cannot be
// built); the browser puts it under a title and the navigation menu, and
// moves between demos with transitions.

#include "platform/Ref.h"
#include "tessera/CCNode.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccTypes.h"

#include <cstdint>
#include <functional>
#include <string>

struct Demo {
  const char* title;
  CCNode* (*make)();
};

CCNode* makeActionsDemo();
CCNode* makeSpritesDemo();
CCNode* makeLabelsDemo();
CCNode* makeParticlesDemo();
CCNode* makeMenusDemo();
CCNode* makeGridDemo();
CCNode* makeRenderTextureDemo();
CCNode* makeProgressDemo();
CCNode* makeTileMapDemo();
CCNode* makeAudioDemo();
CCNode* makeFontsDemo();

/// A texture of `width` x `height` premultiplied RGBA pixels set by
/// `pixelAt(x, y, rgba)` (top row first), or nullptr when it cannot be made.
platform::Ref<CCTexture2D> makeDemoTexture(int width, int height,
                                           const std::function<void(int x, int y, std::uint8_t* rgba)>& pixelAt);

/// The folder for files the demos make at run time (created on first use,
/// removed by removeDemoFolder() when the program ends); ends with '/'.
const std::string& demoFolder();
void removeDemoFolder();

/// Shuts down what a demo started that outlives its scene (the sound engine).
void endAudioDemo();
