#pragma once
// The OpenAL extension declarations the audio code names, for the web build:
// emscripten's OpenAL ships al.h and alc.h only. The extensions themselves
// (loopback devices, thread-local contexts) are not offered there;
// alcIsExtensionPresent() says so and the callers do without them.

#include <AL/al.h>
#include <AL/alc.h>

#define ALC_FORMAT_CHANNELS_SOFT 0x1990
#define ALC_FORMAT_TYPE_SOFT 0x1991
#define ALC_STEREO_SOFT 0x1501
#define ALC_FLOAT_SOFT 0x1406

typedef ALCdevice*(*LPALCLOOPBACKOPENDEVICESOFT)(const ALCchar* deviceName);
typedef void(*LPALCRENDERSAMPLESSOFT)(ALCdevice* device, ALCvoid* buffer, ALCsizei samples);
typedef ALCboolean(*PFNALCSETTHREADCONTEXTPROC)(ALCcontext* context);
typedef ALCcontext*(*PFNALCGETTHREADCONTEXTPROC)(void);
