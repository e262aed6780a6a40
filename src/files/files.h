#pragma once

#include <bitset>
#include <cstdint>
#include <string>

#include "chips/catalogue.h"
#include "files/hex_file.h"
#include "images/images.h"
#include "images/views.h"
#include "log/log.h"
#include "log/operator_dialogs.h"

namespace fw {

// The last three characters of a file name, in upper case ("myhex" gives
// "HEX"); no dot is looked for.
std::string FileExtension(const std::string& name);

// What became of a file command, for callers that need more than the log
// (the command-line tool's exit status).
struct FileReport {
  bool done = false;        // the file was opened and read, or written, to its end
  bool wrong_file = false;  // the HEX reading stopped at a record it could not take
  std::uint64_t dropped_bytes = 0;  // data bytes of the file outside the chip's areas
  std::string sha256;  // of the bytes read and parsed (a load), lower-case hex
};

// The File menu's work: Intel HEX and raw images between files and the
// images, shown in (or taken from) the views of the active page.
class ImageFiles {
 public:
  ImageFiles(const ChipRecord& chip, Images& images, Workspace& workspace, Log& log,
             OperatorDialogs& dialogs)
      : chip_(chip), images_(images), workspace_(workspace), log_(log), dialogs_(dialogs) {}

  FileReport ReadHexFile(const std::string& path, FileSection section);
  FileReport WriteHexFile(const std::string& path, FileSection section);
  FileReport ReadBinFile(const std::string& path, FileSection section);
  FileReport WriteBinFile(const std::string& path, FileSection section);

  // A load command after its open dialog: refused without a chip; a name
  // ending in "BIN" (any case) is read raw, every other as Intel HEX.
  FileReport LoadFile(const std::string& path, FileSection section);
  // A save command after its save dialog: the dialog's file type (1 "*.hex",
  // 2 "*.eep", any other "*.bin") chooses the format, and its extension is
  // appended to the name as typed unless the name already ends in it.
  // Gives the name written.
  std::string SaveFile(const std::string& name, int filter_index, FileSection section,
                       FileReport* report = nullptr);

  // The configuration words the last file loaded set (none after a load of
  // program or data alone), for comparisons that take only what a file sets.
  const std::bitset<kConfigImageBytes / 2>& ConfigWordsLoaded() const { return config_loaded_; }
  // The SHA-256 of the bytes the last load read, the ones now in the
  // images: a record names what was written, never what is on disk later.
  // Empty after a load that failed.
  const std::string& LoadedDigest() const { return loaded_sha256_; }

 private:
  void LogStart(bool saving, FileSection section, const std::string& path);
  // Where a configuration or data load found its section, and what else of
  // the file it passed over.
  void LogLayout(FileSection section, SectionLayout layout, std::uint64_t passed_over);
  void ClearSection(FileSection section);
  void TakeSection(FileSection section);
  void ShowSection(FileSection section);
  FileReport Save(const std::string& path, FileSection section, bool hex);

  const ChipRecord& chip_;
  Images& images_;
  Workspace& workspace_;
  Log& log_;
  OperatorDialogs& dialogs_;
  std::bitset<kConfigImageBytes / 2> config_loaded_;
  std::string loaded_sha256_;
};

}  // namespace fw
