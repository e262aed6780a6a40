#pragma once

#include <string>
#include <vector>

namespace fw {

// Rich Text Format of the log: one paragraph per line, in Courier New.
// Lines are UTF-8; every character outside printable ASCII is escaped, so
// the file itself is pure ASCII.
std::string LogToRtf(const std::vector<std::string>& lines);

// Writes LogToRtf(lines) to `path`, replacing any file there only once the
// whole new file is on the disk. On failure returns false with a readable
// reason in `error`; the file that was there stays.
bool SaveLogFile(const std::vector<std::string>& lines, const std::string& path,
                 std::string* error);

}  // namespace fw
