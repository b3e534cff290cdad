// Sound board: three effects and a looping tune made at run time, played
// through the simple audio interface from a menu; the music can be paused
// and everything muted. A status line says what happened.

#include "Demos.h"
#include "audio/SimpleAudioEngine.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCMenu.h"
#include "tessera/CCMenuItemFont.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

using audio::SimpleAudioEngine;

namespace {

constexpr int kRate = 22050;
constexpr double kTwoPi = 6.283185307179586;

// Writes `seconds` of mono 16-bit WAV made by `sample(t)` (−1…1) to `path`;
// false when the file cannot be written.
bool writeSound(const std::string& path, double seconds, const std::function<double(double)>& sample) {
  SF_INFO info{};
  info.channels = 1;
  info.samplerate = kRate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  const int frames = static_cast<int>(seconds * kRate);
  std::vector<short> samples(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const double value = std::clamp(sample(static_cast<double>(i) / kRate), -1.0, 1.0);
    samples[static_cast<std::size_t>(i)] = static_cast<short>(std::lround(value * 32000));
  }
  const bool written = sf_writef_short(file, samples.data(), frames) == frames;
  return sf_close(file) == 0 && written;
}

struct Sounds {
  std::string kick, chime, blip, tune;
};

// The sounds, written once; empty paths when they could not be.
const Sounds& sounds() {
  static Sounds made = [] {
    Sounds s{demoFolder() + "kick.wav", demoFolder() + "chime.wav", demoFolder() + "blip.wav",
             demoFolder() + "tune.wav"};
    const bool ok =
        writeSound(s.kick, 0.3, [](double t) { return std::sin(kTwoPi * (50 + 90 * std::exp(-t * 30)) * t) * std::exp(-t * 9); }) &&
        writeSound(s.chime, 0.9, [](double t) { return std::sin(kTwoPi * 660 * t) * 0.5 * std::exp(-t * 4); }) &&
        writeSound(s.blip, 0.15, [](double t) { return std::sin(kTwoPi * (880 + 2000 * t) * t) * 0.4; }) &&
        // Two seconds of a soft arpeggio that loops seamlessly.
        writeSound(s.tune, 2.0, [](double t) {
          static constexpr double kNotes[] = {262, 330, 392, 523, 392, 330, 262, 196};
          const int step = std::min(7, static_cast<int>(t * 4));
          const double local = t * 4 - step;
          return std::sin(kTwoPi * kNotes[step] * t) * 0.25 * std::sin(kTwoPi * 0.5 * local);
        });
    return ok ? s : Sounds{};
  }();
  return made;
}

bool g_audioStarted = false;
bool g_musicStarted = false;

// Stops the music when the board leaves the screen: it belongs to this demo.
class SoundBoard : public CCNode {
  PLATFORM_CLASS(SoundBoard, CCNode)
 public:
  CC_NODE_FACTORY(SoundBoard)
  void onExit() override {
    SimpleAudioEngine::sharedEngine()->stopBackgroundMusic();
    g_musicStarted = false;
    CCNode::onExit();
  }
};

}  // namespace

CCNode* makeAudioDemo() {
  const Sounds& s = sounds();
  if (s.kick.empty()) return nullptr;
  const CGSize size = CCDirector::sharedDirector()->winSize();
  SimpleAudioEngine* engine = SimpleAudioEngine::sharedEngine();
  g_audioStarted = true;
  CCNode* root = SoundBoard::node();
  CCLabelTTF* status = CCLabelTTF::labelWithString("Click a pad", "Helvetica", 18);
  if (!status) return nullptr;
  status->setPosition(CGPointMake(size.width / 2, 70));
  status->setColor(ccc3(255, 220, 120));
  root->addChild(status);

  auto pad = [status](const char* label, std::function<std::string()> action) {
    return CCMenuItemFont::itemFromString(label, [status, action](CCMenuItem*) { status->setString(action()); });
  };
  auto effect = [engine](const std::string& name, const std::string& path) {
    return [engine, name, path] {
      engine->playEffect(path);
      return name + (engine->mute() ? ": muted" : " played");
    };
  };
  CCMenuItemFont::setFontSize(26);
  CCMenuItem* items[] = {
      pad("Kick", effect("kick", s.kick)),
      pad("Chime", effect("chime", s.chime)),
      pad("Blip", effect("blip", s.blip)),
      pad("Music",
          [engine, tune = s.tune] {
            if (engine->isBackgroundMusicPlaying()) {
              engine->pauseBackgroundMusic();
              return std::string("music paused");
            }
            if (g_musicStarted) {
              engine->resumeBackgroundMusic();
            } else {
              engine->playBackgroundMusic(tune, true);
              g_musicStarted = true;
            }
            return std::string(engine->isBackgroundMusicPlaying() ? "music playing" : "music stays quiet");
          }),
      pad("Mute",
          [engine] {
            engine->setMute(!engine->mute());
            return std::string(engine->mute() ? "everything muted" : "sound on");
          }),
  };
  for (CCMenuItem* item : items) {
    if (!item) return nullptr;
  }
  CCMenuItemFont::setFontSize(32);
  CCMenu* menu = CCMenu::menuWithItems({items[0], items[1], items[2], items[3], items[4]});
  menu->alignItemsInColumns({3, 2});
  menu->setPosition(CGPointMake(size.width / 2, size.height / 2));
  root->addChild(menu);
  engine->preloadEffect(s.kick);
  engine->preloadEffect(s.chime);
  engine->preloadEffect(s.blip);
  // Something to hear on arrival.
  engine->playEffect(s.chime);
  return root;
}

void endAudioDemo() {
  if (!g_audioStarted) return;
  g_audioStarted = false;
  SimpleAudioEngine::end();
}
