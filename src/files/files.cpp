#include "files/files.h"

#include <cctype>
#include <cstdio>

#include "images/images.h"
#include "files/bin_file.h"
#include "log/safe_file.h"
#include "log/hex.h"
#include "log/sha256.h"

namespace fw {

std::string FileExtension(const std::string& name) {
  std::string ext = name.size() > 3 ? name.substr(name.size() - 3) : name;
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

void ImageFiles::LogStart(bool saving, FileSection section, const std::string& path) {
  // Codes of "Loading ... from file: " and "Saving ... to file: ".
  using C = LogCode;
  static constexpr LogCode kLoad[] = {C::kLoadingAll, C::kLoadingProgram, C::kLoadingData, C::kLoadingConfig};
  static constexpr LogCode kSave[] = {C::kSavingAll, C::kSavingProgram, C::kSavingData, C::kSavingConfig};
  log_.LogEvent((saving ? kSave : kLoad)[section], path);
}

void ImageFiles::ClearSection(FileSection section) {
  if (section == sectAll || section == sectProgram) ClearImage(images_, chip_, kProgramImage);
  if (section == sectAll || section == sectData) ClearImage(images_, chip_, kDataImage);
  if (section == sectAll || section == sectConfig) ClearImage(images_, chip_, kConfigImage);
}

// Program, configuration, data: the order of every whole-chip copy.
void ImageFiles::TakeSection(FileSection section) {
  if (section == sectAll || section == sectProgram) workspace_.TakeImage(workspace_.ProgramView(), kProgramImage);
  if (section == sectAll || section == sectConfig) workspace_.TakeImage(workspace_.ConfigView(), kConfigImage);
  if (section == sectAll || section == sectData) workspace_.TakeImage(workspace_.DataView(), kDataImage);
}

void ImageFiles::ShowSection(FileSection section) {
  if (section == sectAll || section == sectProgram) workspace_.ShowImage(workspace_.ProgramView(), kProgramImage);
  if (section == sectAll || section == sectConfig) workspace_.ShowImage(workspace_.ConfigView(), kConfigImage);
  if (section == sectAll || section == sectData) workspace_.ShowImage(workspace_.DataView(), kDataImage);
}

FileReport ImageFiles::ReadHexFile(const std::string& path, FileSection section) {
  FileReport report;
  dialogs_.ProgressOpen();
  LogStart(false, section, path);
  ClearSection(section);
  config_loaded_.reset();
  std::string text, error;
  if (!ReadWholeFile(path, &text, &error)) {
    dialogs_.ProgressClose();
    dialogs_.Tell("Error", error);
    return report;
  }
  const HexReading reading =
      ParseHex(text, section, chip_, images_, [this](int p) { dialogs_.ProgressSet(p); });
  config_loaded_ = reading.config_words_set;
  if (reading.end_record) log_.LogEvent(LogCode::kComplete, "");
  if (!reading.wrong_file.empty()) log_.LogEvent(LogCode::kWrongFile, reading.wrong_file);
  // Beyond the catalogue: what a tolerant reader passed over is said once,
  // so that a damaged file or one built for another chip does not load
  // silently.
  if (reading.bad_checksums > 0) {
    log_.LogEvent(LogCode::kNone, "    " + std::to_string(reading.bad_checksums) +
                         (reading.bad_checksums == 1 ? " record has" : " records have") +
                         " a wrong checksum (the first in line " +
                         std::to_string(reading.first_bad_checksum_line) + "); loaded all the same");
  }
  if (reading.dropped_bytes > 0) {
    log_.LogEvent(LogCode::kNone, "    " + std::to_string(reading.dropped_bytes) +
                         (reading.dropped_bytes == 1 ? " byte lies" : " bytes lie") +
                         " outside the chip's memory areas loaded and " +
                         (reading.dropped_bytes == 1 ? "was" : "were") + " dropped");
  }
  LogLayout(section, reading.layout, reading.passed_over);
  dialogs_.ProgressClose();
  ShowSection(section);
  report.done = reading.wrong_file.empty();
  report.wrong_file = !reading.wrong_file.empty();
  report.dropped_bytes = reading.dropped_bytes;
  report.sha256 = Sha256Hex(text);
  return report;
}

FileReport ImageFiles::Save(const std::string& path, FileSection section, bool hex) {
  FileReport report;
  LogStart(true, section, path);
  TakeSection(section);
  dialogs_.ProgressOpen();
  const ProgressSink progress = [this](int p) { dialogs_.ProgressSet(p); };
  const std::string content = hex ? FormatHex(section, chip_, images_, progress)
                                  : FormatBin(section, chip_, images_, progress);
  std::string error;
  if (!ReplaceFileSafely(path, content, &error)) {
    dialogs_.ProgressClose();
    dialogs_.Tell("Error", error);
    return report;
  }
  dialogs_.ProgressClose();
  log_.LogEvent(LogCode::kComplete, "");
  report.done = true;
  return report;
}

FileReport ImageFiles::WriteHexFile(const std::string& path, FileSection section) {
  return Save(path, section, true);
}

FileReport ImageFiles::WriteBinFile(const std::string& path, FileSection section) {
  return Save(path, section, false);
}

FileReport ImageFiles::ReadBinFile(const std::string& path, FileSection section) {
  FileReport report;
  std::string bytes, error;
  if (!ReadWholeFile(path, &bytes, &error)) {
    dialogs_.Tell("Error", error);  // nothing has been changed yet
    return report;
  }
  LogStart(false, section, path);
  ClearSection(section);
  config_loaded_.reset();
  const bool whole = section == sectAll && bytes.size() > 2ull * chip_.ConfigBase;
  if (section == sectConfig || whole) {
    for (std::uint32_t w = 0; w < chip_.ConfigSize / 2; ++w) config_loaded_.set(w);
  }
  dialogs_.ProgressOpen();
  const SectionLayout layout = ParseBin(
      bytes, section, chip_, images_, [this](int p) { dialogs_.ProgressSet(p); },
      [this](const char* text) { dialogs_.Tell("Warning", text); });
  dialogs_.ProgressClose();
  ShowSection(section);
  log_.LogEvent(LogCode::kComplete, "");
  const std::uint64_t stretch = section == sectConfig ? chip_.ConfigSize : chip_.DataSize;
  LogLayout(section, layout, layout == SectionLayout::kChipAddresses ? bytes.size() - stretch : 0);
  report.done = true;
  report.sha256 = Sha256Hex(bytes);
  return report;
}

void ImageFiles::LogLayout(FileSection section, SectionLayout layout, std::uint64_t passed_over) {
  if (layout == SectionLayout::kNone || (section != sectConfig && section != sectData)) return;
  const bool config = section == sectConfig;
  const char* what = config ? "    configuration" : "    EEPROM data";
  if (layout == SectionLayout::kFromZero) {
    log_.LogEvent(LogCode::kNone, std::string(what) + " taken from file address 0, as \"" +
                         (config ? "Save Config to File..." : "Save Data to File...") + "\" writes it");
    return;
  }
  const std::string address = "0x" + Hex(2 * (config ? chip_.ConfigBase : chip_.DataBase), 1);
  std::string text = std::string(what) + " taken from file address " + address + ", its place in a full-chip file";
  if (passed_over > 0) text += "; the file's other " + std::to_string(passed_over) + " bytes were passed over";
  log_.LogEvent(LogCode::kNone, text);
}

FileReport ImageFiles::LoadFile(const std::string& path, FileSection section) {
  if (chip_.ChipIdWord == 0) {
    log_.LogEvent(LogCode::kNoChip, "");
    return {};
  }
  // What the page holds, to put back if the file cannot be read whole: the
  // records before a bad one are no program, and writing them under the
  // name of the file loaded before would be worse.
  const Images images_before = images_;
  const int views[] = {workspace_.ProgramView(), workspace_.ConfigView(), workspace_.DataView()};
  std::string texts_before[3];
  std::uint32_t carets_before[3];
  for (int i = 0; i < 3; ++i) {
    texts_before[i] = workspace_.view(views[i]).text();
    carets_before[i] = workspace_.view(views[i]).caret;
  }
  const FileReport report = FileExtension(path) == "BIN" ? ReadBinFile(path, section) : ReadHexFile(path, section);
  if (!report.done) {
    images_ = images_before;
    for (int i = 0; i < 3; ++i) {
      View& v = workspace_.view(views[i]);
      if (v.text() != texts_before[i]) v.SetText(texts_before[i]);
      v.caret = carets_before[i];
    }
    const PageFile& held = Loaded();
    log_.LogEvent(LogCode::kNone, "    nothing was loaded: the views keep what they held" +
                                      (held.path.empty() ? std::string() : " (" + held.path + ")"));
    return report;
  }
  pages_[PageIndex()] = {.path = path, .section = section, .sha256 = report.sha256, .config_words = config_loaded_};
  FileReport judged = report;
  // Every program word starts blank (0x3FFF, 0xFFF): a wider one came from the
  // file. Configuration words are not counted: compilers write them with
  // the unused top bits set (0xFFE4), which the chip ignores.
  if (section == sectAll || section == sectProgram) {
    for (std::uint32_t i = 0; i < chip_.ProgramSize / 2; ++i) {
      if (WordAt(images_.ProgramImage, i) > chip_.BlankWord() && judged.wide_words++ == 0) {
        judged.first_wide_address = i;
      }
    }
  }
  if (judged.wide_words > 0) log_.LogEvent(LogCode::kNone, "    the file " + FileMisfit(judged, chip_));
  return judged;
}

std::string FileMisfit(const FileReport& report, const ChipRecord& chip) {
  if (report.wide_words > 0) {
    return "holds " + std::to_string(report.wide_words) + (report.wide_words == 1 ? " word" : " words") +
           " wider than the " + (chip.Baseline() ? "12" : "14") + " bits of the " + chip.ChipName + " (the first at 0x" +
           Hex(report.first_wide_address, 4) + "; built for another word width?)";
  }
  if (report.dropped_bytes > 0) {
    return "holds " + std::to_string(report.dropped_bytes) + " bytes outside the memory of the " + chip.ChipName +
           " (built for another chip?)";
  }
  return "";
}

void ImageFiles::ForgetLoaded(int page) {
  for (int p = 0; p < 2; ++p) {
    if (page < 0 || page == p) pages_[p] = PageFile{};
  }
}

std::string ImageFiles::SaveFile(const std::string& name, int filter_index, FileSection section,
                                 FileReport* report) {
  const char* const ext = filter_index == 1 ? "HEX" : filter_index == 2 ? "EEP" : "BIN";
  std::string path = name;
  if (FileExtension(name) != ext) path += filter_index == 1 ? ".hex" : filter_index == 2 ? ".eep" : ".bin";
  const FileReport done = filter_index == 1 || filter_index == 2 ? WriteHexFile(path, section)
                                                                 : WriteBinFile(path, section);
  if (report) *report = done;
  return path;
}

}  // namespace fw
