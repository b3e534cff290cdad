#pragma once
// The audio output device, chosen by the platform facts.
//
// Implemented features:
//  [x] facts().audioDevice: empty opens the system's default device; "null"
//      selects OpenAL Soft's silent device (for headless runs); "loopback"
//      opens a device that plays into memory, rendered on request with
//      renderLoopbackSamples (stereo float at the mixer rate, for checking
//      what was played); any other text is the name of the device to open.
// Missing features:
//  [ ] "null" only takes effect before the process first talks to OpenAL
//      (OpenAL Soft reads its driver list once).

#include <AL/alc.h>

#include <vector>

namespace platform::audio {

/// Opens the output device the facts name. On failure logs one line naming
/// the device and returns nullptr. Close it with closeAudioDevice.
ALCdevice* openAudioDevice();
/// Closes a device from openAudioDevice. Null is ignored.
void closeAudioDevice(ALCdevice* device);
/// Attributes for alcCreateContext on `device` at `mixerRate` hertz,
/// zero-terminated.
std::vector<ALCint> contextAttributes(ALCdevice* device, int mixerRate);
/// Mixes `frames` stereo frames of a loopback device into `out` (2 floats a
/// frame). False, and nothing written, for any other device.
bool renderLoopbackSamples(ALCdevice* device, float* out, int frames);

}  // namespace platform::audio
