#pragma once

#include <string>

namespace fw {

// Replaces the file at `path` with `content` so that a failure never costs
// the file that was there: the bytes go to a temporary file in the same
// folder, are flushed to the disk, and only then take the target's name.
// On failure returns false with the system's reason in `error`, and leaves
// no temporary file behind.
bool ReplaceFileSafely(const std::string& path, const std::string& content, std::string* error);

// Appends `text` (whole lines) to the file at `path` with one write, and
// flushes it to the disk before returning, so that a crash or a pulled plug
// never leaves half a line for the next reader. The file, and the folders
// above it, are made when missing (the folders private to the user). False
// with the system's reason in `error`.
bool AppendDurably(const std::string& path, const std::string& text, std::string* error);

// Reads the whole file; false with the system's reason in `error`.
bool ReadWholeFile(const std::string& path, std::string* content, std::string* error);

}  // namespace fw
