#pragma once
// Whole-file reading and writing, and the user's documents folder.
//
// Implemented features:
//  [x] existence test, whole-file read (regular files only), atomic write
//      through a temporary file in the same folder and a rename;
//  [x] the documents folder from the facts, else the XDG data folder,
//      created on first use.
// Missing features:
//  [ ] no file URLs; paths are plain '/'-separated strings.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

/// True when something (file or folder) exists at `path`.
bool fileExists(const std::string& path);

/// The whole contents of the regular file at `path`. A missing or unreadable
/// file, a folder or a device gives nothing (no log: callers decide).
std::optional<std::vector<uint8_t>> readFile(const std::string& path);

/// Replaces the file at `path` with `bytes`: writes a temporary file beside
/// it, flushes it to disk and renames it over `path`, so readers see either
/// the old or the new contents, never a mix. Returns false and logs on any
/// failure; the old file (if any) is then left untouched and the temporary
/// file removed. The file gets 0666 less the umask, as a new file would.
bool writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

/// The user's documents folder: facts().documentsDir when set, else
/// $XDG_DATA_HOME/umbrascope/Documents, else
/// ~/.local/share/umbrascope/Documents. Created (with its parents) when
/// missing; logs if that fails and returns the path all the same.
std::string documentsDirectory();

}  // namespace platform
