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
  // Program words of the file with bits above the chip's 14 (another word
  // width: a PIC18 or PIC24 file), and the first of them.
  std::uint64_t wide_words = 0;
  std::uint32_t first_wide_address = 0;
};

// Why a file that loaded is no file for the selected chip (bytes outside
// its memories, words wider than it has), in words for the log or a
// terminal; empty when it fits. Writing such a file would put a part of it
// on the chip and call that the file.
std::string FileMisfit(const FileReport& report, const ChipRecord& chip);

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
  // ending in "BIN" (any case) is read raw, every other as Intel HEX. A load
  // that does not read its file to the end changes nothing: the images and
  // the active page's views are put back as they were, and the page still
  // holds what it held (the log says so).
  FileReport LoadFile(const std::string& path, FileSection section);
  // A save command after its save dialog: the dialog's file type (1 "*.hex",
  // 2 "*.eep", any other "*.bin") chooses the format, and its extension is
  // appended to the name as typed unless the name already ends in it.
  // Gives the name written.
  std::string SaveFile(const std::string& name, int filter_index, FileSection section,
                       FileReport* report = nullptr);

  // What a page of views holds from a file: each page is loaded on its own,
  // so that an operation on one page never takes the other's file.
  struct PageFile {
    std::string path;  // empty: nothing loaded since the views were blanked
    FileSection section = sectAll;
    // The SHA-256 of the bytes the load read, the ones put in the views: a
    // record names what was written, never what is on disk later.
    std::string sha256;
    // The configuration words the file set (none after a load of program or
    // data alone), for comparisons that take only what a file sets.
    std::bitset<kConfigImageBytes / 2> config_words;
  };
  // The active page's.
  const PageFile& Loaded() const { return pages_[PageIndex()]; }
  const std::bitset<kConfigImageBytes / 2>& ConfigWordsLoaded() const { return Loaded().config_words; }
  const std::string& LoadedDigest() const { return Loaded().sha256; }
  // The views of a page (or of both: -1) were blanked or refilled from the
  // chip: they hold no file any more.
  void ForgetLoaded(int page = -1);

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
  int PageIndex() const { return workspace_.active_page == 1 ? 1 : 0; }

  // What the last reader set, taken into the page's record when it loaded.
  std::bitset<kConfigImageBytes / 2> config_loaded_;
  PageFile pages_[2];
};

}  // namespace fw
