#pragma once
// The stable per-installation identifier network services know this device
// by.

#include <string>

namespace platform {

/// facts().deviceId when set (TESSERA_DEVICE_ID); otherwise a random UUID
/// ("3f2b...-4...", 36 lower-case characters) made on first use and kept in
/// the file ".device-id" of the documents folder, so it survives restarts
/// and differs between installations. An unreadable or damaged file is
/// replaced (logged); when it cannot be written the identifier still works
/// for this run.
std::string uniqueDeviceIdentifier();

}  // namespace platform
