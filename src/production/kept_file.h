#pragma once

#include <optional>
#include <string>

#include "operations/device_operations.h"

namespace fw {

// What a write keeps across its erase, in a file of its own until it is
// verified back on the chip: a failure after the erase then loses nothing,
// and `write --restore-kept FILE` puts it back.
struct KeptFile {
  std::string chip;  // the chip it was read from, by name
  KeepRequest request;
  KeptContents contents;
};

// A new name for a kept copy in `folder` (the data folder's "kept").
std::string KeptFilePath(const std::string& folder, const std::string& chip, const std::string& utc_time);
// Written whole (or not at all); false with the reason.
bool SaveKeptFile(const std::string& path, const KeptFile& kept, std::string* error);
// Nothing, with the reason, for a file that is not a whole kept copy.
std::optional<KeptFile> LoadKeptFile(const std::string& path, std::string* error);

}  // namespace fw
