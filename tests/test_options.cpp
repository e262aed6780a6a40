// flashwright-cli's command line read into Options: what each command takes,
// and every usage error with its cause.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/path_entries.h"
#include "platform/platform.h"

namespace fw::cli {
namespace {

Options ParseWords(const std::vector<const char*>& words) {
  std::vector<std::string> text{"flashwright-cli"};
  text.insert(text.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& w : text) argv.push_back(w.data());
  argv.push_back(nullptr);
  return Parse(static_cast<int>(text.size()), argv.data());
}

std::string UsageOf(const std::vector<const char*>& words) {
  try {
    ParseWords(words);
  } catch (const UsageError& e) {
    return e.text;
  }
  return "(accepted)";
}

TEST(Options, EachCommandTakesWhatItNames) {
  const Options w = ParseWords({"write", "--port", "demo:PIC16F630", "--port=ttyUSB1", "--chip", "pic16f630", "--yes",
                                "--erase", "--delay", "3", "--serial", "100:2", "--serial-at", "ids", "prog.hex"});
  EXPECT_EQ(w.ports, (std::vector<std::string>{"demo:PIC16F630", "ttyUSB1"}));
  EXPECT_EQ(w.chip, "pic16f630");
  EXPECT_EQ(w.file, "prog.hex");
  EXPECT_TRUE(w.yes && w.erase && w.keep_calibration);
  EXPECT_EQ(w.delay, 3);
  ASSERT_TRUE(w.serial && w.serial_place);
  EXPECT_EQ(w.serial->first, 100u);
  EXPECT_EQ(w.serial->step, 2u);

  const Options last = ParseWords({"calibration", "--port", "COM3", "--chip", "auto", "--restore", "last"});
  EXPECT_TRUE(last.restore && last.restore_last && !last.given);
  const Options given = ParseWords({"calibration", "--port", "COM3", "--chip", "auto", "--restore", "--osccal",
                                    "0x34A8", "--bg", "10"});
  EXPECT_TRUE(given.restore && !given.restore_last);
  EXPECT_EQ(given.given, (OsccalValues{0x34A8, 0b10}));
  EXPECT_EQ(ParseWords({"read", "--port", "p", "--chip", "auto", "--section", "config", "--output", "o.hex"}).section,
            "config");
  EXPECT_EQ(ParseWords({"detect", "--port", "p"}).chip, "auto");
  EXPECT_TRUE(ParseWords({"chips", "--csv"}).csv);
  EXPECT_EQ(ParseWords({"checksum", "--chip", "PIC12F629", "--quiet", "f.hex"}).file, "f.hex");
  const Options range = ParseWords({"write", "--port", "p", "--chip", "auto", "--preserve-range", "0x0700-0x07FF", "f"});
  EXPECT_EQ(range.keep.program, (std::pair<std::uint32_t, std::uint32_t>{0x700, 0x7FF}));
}

TEST(Options, UsageErrorsNameTheirCause) {
  const std::pair<std::vector<const char*>, const char*> cases[] = {
      {{}, "no command given (try --help)"},
      {{"frobnicate"}, "unknown command \"frobnicate\" (try --help)"},
      {{"write", "--port", "p", "--chip", "auto", "--bogus", "f"}, "unknown option --bogus for \"write\" (try --help)"},
      {{"chips", "--port", "p"}, "unknown option --port for \"chips\" (try --help)"},
      {{"detect", "--port", "p", "extra"}, "\"detect\" takes no file (\"extra\")"},
      {{"write", "--port", "p", "--chip", "auto", "a.hex", "b.hex"}, "more than one file given (\"b.hex\")"},
      {{"write", "--port", "p", "--chip", "auto", "--delay", "9", "f"}, "--delay takes 0 to 5, not \"9\""},
      {{"read", "--port", "p", "--chip", "auto"}, "\"read\" needs --output FILE"},
      {{"verify", "--port", "p", "--chip", "auto", "--section", "config", "f"}, "no section \"config\" for \"verify\""},
      {{"erase", "--port", "p", "--chip", "auto", "--osccal", "0x3480"},
       "--osccal and --bg go together: the OSCCAL word and the band-gap bits"},
      {{"calibration", "--port", "p", "--chip", "auto", "--restore"},
       "--restore needs the values: --osccal W --bg B, or \"last\" for the newest record"},
      {{"calibration", "--port", "p", "--chip", "auto", "--restore", "soon"}, "\"calibration\" takes no file (\"soon\")"},
      {{"erase", "--port", "p", "--chip", "auto", "--no-keep-calibration", "--osccal", "0x3480", "--bg", "10"},
       "--osccal and --bg put calibration values on the chip; --no-keep-calibration says not to keep them: give one "
       "or the other"},
      {{"calibration", "--port", "p", "--chip", "auto", "--no-keep-calibration", "--restore", "last"},
       "--restore put calibration values on the chip; --no-keep-calibration says not to keep them: give one or the "
       "other"},
      {{"erase", "--port", "p", "--chip", "auto", "--replace-calibration"},
       "--replace-calibration goes with --osccal W --bg B"},
      {{"checksum", "f.hex"}, "\"checksum\" needs --chip NAME (there is no chip to ask)"},
      {{"detect", "--port", "p", "--chip", "PIC16F630"}, "\"detect\" finds the chip itself; drop --chip"},
      {{"write", "--port", "a", "--port", "b", "--chip", "auto", "f"},
       "several ports and --repeat ask no questions: give --yes"},
      {{"write", "--port", "p", "--chip", "auto", "--serial", "5", "f"},
       "--serial and --serial-at go together: the first number and where it goes"},
      {{"write", "--port", "p", "--chip", "auto", "--preserve-range", "0x0800", "f"},
       "--preserve-range takes FIRST-LAST program words (0x0700-0x07FF), not \"0x0800\""},
      {{"write", "--port", "p", "--chip", "auto", "--preserve-range", "0x10-0y20", "f"},
       "--preserve-range takes FIRST-LAST program words (0x0700-0x07FF), not \"0x10-0y20\": \"0y20\" is no decimal "
       "number (hexadecimal is written 0x...)"},
      {{"write", "--port", "p", "--chip", "PIC12F675", "--preserve-range", "0x0800-0x0900", "f"},
       "--preserve-range 0x0800-0x0900 lies outside the PIC12F675's program memory (0x0000-0x03FF)"},
      {{"write", "--port", "p", "--chip", "PIC16F684", "--preserve-range", "0x2000-0x2003", "f"},
       "--preserve-range 0x2000-0x2003 lies outside the PIC16F684's program memory (0x0000-0x07FF)"},
      {{"write", "--port", "p", "--chip", "PIC12F615", "--preserve-eeprom", "f"},
       "the PIC12F615 has no EEPROM to preserve"},
      {{"write", "--port", "p", "--chip", "auto", "--preserve-ids", "--serial", "1", "--serial-at", "ids", "f"},
       "--preserve-ids keeps the user IDs that --serial-at ids numbers: give one or the other"},
      {{"write", "--port", "p", "--chip", "auto", "--preserve-eeprom", "--serial", "1", "--serial-at", "eeprom:0:2",
        "f"},
       "--preserve-eeprom keeps the EEPROM that --serial-at eeprom:0:2 numbers: give one or the other"},
      {{"write", "--port", "p", "--chip", "auto", "--preserve-range", "0x700-0x70F", "--serial", "1", "--serial-at",
        "retlw:0x70E:2", "f"},
       "--serial-at retlw:0x70E:2 lies in --preserve-range 0x700-0x70F"},
      {{"write", "--port", "p", "--chip", "auto", "--serial", "-5", "--serial-at", "ids", "f"},
       "--serial takes START or START:STEP (decimal, or 0x... hexadecimal; a step of at least 1), not \"-5\": \"-5\" "
       "is no decimal number (hexadecimal is written 0x...)"},
      {{"write", "--port", "p", "--chip", "auto", "--serial", "10:0", "--serial-at", "ids", "f"},
       "--serial takes START or START:STEP (decimal, or 0x... hexadecimal; a step of at least 1), not \"10:0\""},
      {{"write", "--port", "p", "--chip", "auto", "--restore-kept", "/nonexistent/k.json", "f"},
       "Cannot open file \"/nonexistent/k.json\""},
  };
  for (const auto& [words, cause] : cases) {
    const std::string got = UsageOf(words);
    EXPECT_EQ(got.substr(0, std::string(cause).size()), cause) << got;
  }
  // Decimal unless written 0x: zero-padded numbers as a floor writes them.
  const struct {
    const char* serial;
    const char* place;
    std::uint64_t first, step;
    std::uint32_t address;
  } numbers[] = {
      {"0100", "eeprom:010:2", 100, 1, 10},
      {"0009:02", "eeprom:0x10:2", 9, 2, 0x10},
      {"0x100:0x10", "retlw:0700:1", 0x100, 0x10, 700},
      {"18446744073709551615", "ids", UINT64_MAX, 1, 0},
  };
  for (const auto& n : numbers) {
    SCOPED_TRACE(n.serial);
    const Options o = ParseWords({"write", "--port", "p", "--chip", "auto", "--serial", n.serial, "--serial-at", n.place, "f"});
    EXPECT_EQ(o.serial->first, n.first);
    EXPECT_EQ(o.serial->step, n.step);
    EXPECT_EQ(o.serial_place->address, n.address);
  }
  EXPECT_EQ(UsageOf({"read", "--port", "p", "--chip", "PIC16F999", "--output", "o"}).rfind("unknown chip \"PIC16F999\"; the nearest are ", 0), 0u);
}

TEST(Options, TheHelpSaysEverythingItSaid) {
  const std::string help = HelpText();
  for (const char* said :
       {"chips", "detect", "read", "write", "write-data", "verify", "erase", "blank-check", "calibration", "checksum",
        "report", "--port P", "--chip NAME", "--delay N", "--yes", "--entire-config", "--erase", "--no-verify",
        "--no-keep-calibration", "--osccal W", "--restore [last]", "--force", "--quiet", "--record FILE",
        "--preserve-eeprom", "--preserve-ids", "--preserve-range A-B", "--serial START[:STEP]", "--serial-at PLACE",
        "--serial-order big|little", "--serial-file FILE", "--serial-burn-failed", "--repeat", "--help", "--version",
        "exit status: 0 done", "3 cancelled or refused", "factory calibration:", "what the comparisons"}) {
    EXPECT_NE(help.find(said), std::string::npos) << said;
  }
  // The system's own names: its ports, its data folder, its stop keys.
  const bool windows = platform::SystemPortNaming() == platform::PortNaming::kWindows;
  const std::vector<std::string> own = windows ? std::vector<std::string>{"COM3", "%LOCALAPPDATA%", "Ctrl+Break"}
                                               : std::vector<std::string>{"ttyUSB0", "$XDG_DATA_HOME", "SIGTERM"};
  const std::vector<std::string> other = windows ? std::vector<std::string>{"ttyUSB0", "XDG_DATA_HOME", "by-id"}
                                                 : std::vector<std::string>{"COM3", "LOCALAPPDATA", "Ctrl+Break"};
  for (const std::string& name : own) EXPECT_NE(help.find(name), std::string::npos) << name;
  for (const std::string& name : other) EXPECT_EQ(help.find(name), std::string::npos) << name;
  // One command's help: its synopsis and every option it takes, the shared
  // ones included, and no other command's.
  const std::string write = HelpText("write");
  for (const char* said : {"flashwright-cli write --port P", "--port P", "--preserve-eeprom", "--no-verify", "--yes"}) {
    EXPECT_NE(write.find(said), std::string::npos) << said;
  }
  EXPECT_EQ(write.find("--output"), std::string::npos);
  EXPECT_EQ(HelpText("chips").find("--port"), std::string::npos);
}

}  // namespace
}  // namespace fw::cli

namespace fw::cli {
namespace {

// PATH edits keep every other entry byte for byte, at any length.
TEST(PathEntries, AddAndRemoveKeepTheRestWhole) {
  const std::string dir = "C:\\Program Files\\Flashwright";
  const struct {
    const char* name;
    std::string path, added, removed_from_added;
  } cases[] = {
      {"empty", "", dir, ""},
      {"one entry", "C:\\Windows", "C:\\Windows;" + dir, "C:\\Windows"},
      {"a trailing ;", "C:\\Windows;", "C:\\Windows;;" + dir, "C:\\Windows;"},
      {"empty entries stay", "a;;b", "a;;b;" + dir, "a;;b"},
      {"variables stay unexpanded", "%SystemRoot%\\system32;%SystemRoot%",
       "%SystemRoot%\\system32;%SystemRoot%;" + dir, "%SystemRoot%\\system32;%SystemRoot%"},
      {"a quoted entry with ;", "\"C:\\a;b\";C:\\c", "\"C:\\a;b\";C:\\c;" + dir, "\"C:\\a;b\";C:\\c"},
      {"already there, other case and a backslash", "C:\\x;c:\\program files\\flashwright\\;C:\\y",
       "C:\\x;c:\\program files\\flashwright\\;C:\\y", "C:\\x;C:\\y"},
      {"already there in quotes", "\"" + dir + "\"", "\"" + dir + "\"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string added = AddPathEntry(c.path, dir);
    EXPECT_EQ(added, c.added);
    EXPECT_EQ(RemovePathEntry(added, dir), c.removed_from_added);
  }
  // 4000 characters and more: nothing is cut, and the round trip gives the
  // PATH back as it was.
  std::string long_path;
  for (int i = 0; long_path.size() < 4000; ++i) long_path += "C:\\Tools\\Folder" + std::to_string(i) + ";";
  long_path += "%SystemRoot%";
  const std::string added = AddPathEntry(long_path, dir);
  EXPECT_EQ(added.size(), long_path.size() + 1 + dir.size());
  EXPECT_EQ(added.substr(0, long_path.size()), long_path);
  EXPECT_EQ(RemovePathEntry(added, dir), long_path);
  EXPECT_EQ(RemovePathEntry(long_path, dir), long_path) << "nothing to remove: nothing changes";
}

}  // namespace
}  // namespace fw::cli
