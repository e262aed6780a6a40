#pragma once

#include <string>

namespace fw {

// Replaces the file at `path` with `content` so that a failure never costs
// the file that was there: the bytes go to a temporary file in the same
// folder, are flushed to the disk, and only then take the target's name.
// On failure returns false with the system's reason in `error`, and leaves
// no temporary file behind.
bool ReplaceFileSafely(const std::string& path, const std::string& content, std::string* error);

// Reads the whole file; false with the system's reason in `error`.
bool ReadWholeFile(const std::string& path, std::string* content, std::string* error);

}  // namespace fw
