#include "platform/audio/AudioDevice.h"

#include "platform/Facts.h"
#include "platform/Log.h"

#include <AL/alext.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

namespace platform::audio {

namespace {

// Loopback devices opened here: they need their output format in the
// context attributes and are rendered on request.
std::mutex loopbackLock;
std::vector<ALCdevice*> loopbackDevices;

bool isLoopback(ALCdevice* device) {
  std::lock_guard lock(loopbackLock);
  return std::find(loopbackDevices.begin(), loopbackDevices.end(), device) != loopbackDevices.end();
}

ALCdevice* openLoopbackDevice() {
  if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) {
    log("tessera: audio device \"loopback\" cannot be opened: OpenAL has no loopback devices; sound is off");
    return nullptr;
  }
  auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  ALCdevice* device = open ? open(nullptr) : nullptr;
  if (device == nullptr) {
    log("tessera: audio device \"loopback\" cannot be opened; sound is off");
    return nullptr;
  }
  std::lock_guard lock(loopbackLock);
  loopbackDevices.push_back(device);
  return device;
}

}  // namespace

ALCdevice* openAudioDevice() {
  const std::string& wanted = facts().audioDevice;
  if (wanted == "loopback") return openLoopbackDevice();
  const char* name = nullptr;
  if (wanted == "null") {
    // OpenAL Soft picks its back end from this variable when it starts.
    setenv("ALSOFT_DRIVERS", "null", 1);
  } else if (!wanted.empty()) {
    name = wanted.c_str();
  }
  ALCdevice* device = alcOpenDevice(name);
  if (device == nullptr) {
    log("tessera: audio device \"%s\" cannot be opened; sound is off", name ? name : "(default)");
  }
  return device;
}

void closeAudioDevice(ALCdevice* device) {
  if (device == nullptr) return;
  {
    std::lock_guard lock(loopbackLock);
    loopbackDevices.erase(std::remove(loopbackDevices.begin(), loopbackDevices.end(), device),
                          loopbackDevices.end());
  }
  alcCloseDevice(device);
}

std::vector<ALCint> contextAttributes(ALCdevice* device, int mixerRate) {
  std::vector<ALCint> attributes = {ALC_FREQUENCY, mixerRate};
  if (isLoopback(device)) {
    attributes.insert(attributes.end(), {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT});
  }
  attributes.push_back(0);
  return attributes;
}

bool renderLoopbackSamples(ALCdevice* device, float* out, int frames) {
  if (frames <= 0 || !isLoopback(device)) return false;
  static const auto render =
      reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
  if (render == nullptr) return false;
  render(device, out, frames);
  return true;
}

}  // namespace platform::audio
