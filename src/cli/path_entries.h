#pragma once

#include <string>

namespace fw::cli {

// Edits of a PATH value (entries separated by ";", an entry in double
// quotes may hold ";") that keep every other entry as it was, byte for
// byte: empty entries, quotes and unexpanded variables (%SystemRoot%)
// included, whatever the length. Entries compare without letter case,
// without surrounding quotes and without a trailing backslash, as Windows
// finds programs.

// `path` with `entry` added at its end, unless an equal entry is there.
std::string AddPathEntry(const std::string& path, const std::string& entry);
// `path` without the entries equal to `entry`.
std::string RemovePathEntry(const std::string& path, const std::string& entry);

}  // namespace fw::cli
