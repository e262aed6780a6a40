#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "fakes.h"
#include "log/hex.h"
#include "log/log.h"
#include "log/rtf_writer.h"

namespace fw {
namespace {

// Reads back the paragraphs of a plain RTF file: groups, control words,
// \'hh, \uN with its one fallback character, and the font table skipped.
std::vector<std::string> ParagraphsOf(const std::string& rtf) {
  std::vector<std::string> paragraphs;
  std::string current;
  auto put = [&current](char32_t cp) {
    if (cp < 0x80) {
      current += static_cast<char>(cp);
    } else if (cp < 0x800) {
      current += static_cast<char>(0xC0 | (cp >> 6));
      current += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      current += static_cast<char>(0xE0 | (cp >> 12));
      current += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      current += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      current += static_cast<char>(0xF0 | (cp >> 18));
      current += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      current += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      current += static_cast<char>(0x80 | (cp & 0x3F));
    }
  };
  int depth = 0, skip_depth = -1, skip_chars = 0;
  char32_t high_surrogate = 0;
  for (size_t i = 0; i < rtf.size();) {
    const char c = rtf[i];
    if (c == '{') { ++depth; ++i; continue; }
    if (c == '}') { if (depth == skip_depth) skip_depth = -1; --depth; ++i; continue; }
    if (c == '\r' || c == '\n') { ++i; continue; }
    const bool skipping = skip_depth >= 0;
    if (c == '\\') {
      const char n = rtf[i + 1];
      if (n == '\\' || n == '{' || n == '}') {
        if (!skipping) { if (skip_chars > 0) --skip_chars; else put(static_cast<unsigned char>(n)); }
        i += 2;
        continue;
      }
      if (n == '\'') {
        const unsigned v = std::stoul(rtf.substr(i + 2, 2), nullptr, 16);
        if (!skipping) { if (skip_chars > 0) --skip_chars; else put(v); }
        i += 4;
        continue;
      }
      size_t j = i + 1;
      while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
      const std::string word = rtf.substr(i + 1, j - i - 1);
      size_t k = j;
      if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k])))) ++k;
      while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
      const std::string arg = rtf.substr(j, k - j);
      if (k < rtf.size() && rtf[k] == ' ') ++k;
      i = k;
      if (word == "fonttbl") skip_depth = depth;
      if (skipping) continue;
      if (word == "par") { paragraphs.push_back(current); current.clear(); }
      if (word == "u") {
        int v = std::stoi(arg);
        char32_t unit = v < 0 ? static_cast<char32_t>(v + 0x10000) : static_cast<char32_t>(v);
        if (unit >= 0xD800 && unit < 0xDC00) {
          high_surrogate = unit;
        } else if (unit >= 0xDC00 && unit < 0xE000) {
          put(0x10000 + ((high_surrogate - 0xD800) << 10) + (unit - 0xDC00));
        } else {
          put(unit);
        }
        skip_chars = 1;
      }
      continue;
    }
    if (!skipping) { if (skip_chars > 0) --skip_chars; else put(static_cast<unsigned char>(c)); }
    ++i;
  }
  return paragraphs;
}

TEST(LogCatalogue, WordsAndTextAreJoinedAsTheyAre) {
  test::FakeClock clock;
  Log log(clock);
  log.LogEvent(LogCode::kPortClosed, "");
  log.LogEvent(LogCode::kAnswerError, " (PINB)");
  log.LogEvent(LogCode::kChipSelected, " PIC16F887");
  log.LogEvent(LogCode::kFinished, " with fail.");
  log.LogEvent(LogCode::kCommandError, " set InitState");
  log.LogEvent(LogCode::kNone, "Operation cancelled");
  log.LogEvent(static_cast<LogCode>(25), "never");
  log.LogEvent(static_cast<LogCode>(0xFFFFFFFFu), "never");
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                             "The COM-port is closed", "Error reading the answer (PINB)",
                             "Selected chip is  PIC16F887", "       Finished with fail.",
                             "Error executing commands:  set InitState", "Operation cancelled"}));
}

TEST(LogCatalogue, EveryCodeHasItsWords) {
  const std::vector<std::string> expected = {
      "", "The COM-port is open: ", "Error. The COM-port is not available",
      "The COM-port is closed", "Error getting the COM-port parameters",
      "Error setting the COM-port parameters", "Error executing commands: ",
      "Error reading the answer", "Log saved to file: ", "Selected programmer is: ",
      "Loading program from file: ", "Loading data from file: ", "Operation complete",
      "Wrong file", "No chip selected", "Selected chip is ", "Saving program to file: ",
      "Saving data to file: ", "Trying to", "       Finished",
      "Command is not available for this chip",
      "Loading program, config and data from file: ", "Loading config from file: ",
      "Saving program, config and data to file: ", "Saving config to file: "};
  ASSERT_EQ(expected.size(), kLogCodeCount);
  for (std::uint32_t code = 0; code < kLogCodeCount; ++code) {
    ASSERT_NE(LogWords(static_cast<LogCode>(code)), nullptr);
    EXPECT_EQ(LogWords(static_cast<LogCode>(code)), expected[code]) << "code " << code;
  }
  EXPECT_EQ(LogWords(static_cast<LogCode>(25)), nullptr);
}

TEST(LogTime, HoursMinutesSecondsWithoutLeadingZeros) {
  test::FakeClock clock;
  Log log(clock);
  std::vector<std::string> heard;
  log.SetListener([&heard](const std::string& line) { heard.push_back(line); });
  clock.now = {8, 3, 9};
  log.LogStartTime();
  clock.now = {14, 30, 0};
  log.LogEndTime();
  clock.now = {0, 0, 0};
  log.LogStartTime();
  clock.now = {23, 59, 59};
  log.LogEndTime();
  const std::vector<std::string> want = {"Start time: 8:3:9", "End time: 14:30:0",
                                         "Start time: 0:0:0", "End time: 23:59:59"};
  EXPECT_EQ(log.Lines(), want);
  EXPECT_EQ(heard, want);
}

TEST(LogRtf, ParsesBackToTheSameLines) {
  const std::vector<std::string> lines = {
      "The COM-port is open: /dev/ttyUSB0",
      "braces {and} back\\slashes \\par not a paragraph",
      "",
      "       Finished with fail.",
      "Saving program to file: /home/j\xC3\xBCrgen/\xE2\x82\xAC" "1.hex",
      "emoji \xF0\x9F\x98\x80 and a\ttab",
  };
  const std::string rtf = LogToRtf(lines);
  for (char c : rtf) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "the file is pure ASCII";
  EXPECT_NE(rtf.find("Courier New"), std::string::npos);
  EXPECT_EQ(ParagraphsOf(rtf), lines);
}

TEST(LogRtf, InvalidUtf8BytesAreKeptAsBytes) {
  const std::string rtf = LogToRtf({"bad \xFF\xC3 end"});
  EXPECT_NE(rtf.find("\\'ff\\'c3 end"), std::string::npos) << rtf;
}

TEST(LogRtf, SaveWritesTheFileAndReportsFailure) {
  const std::string path = testing::TempDir() + "/flashwright_log.rtf";
  std::string error;
  ASSERT_TRUE(SaveLogFile({"one", "two"}, path, &error)) << error;
  {  // Closed before the next save: Windows replaces no file a reader holds.
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(ParagraphsOf(content.str()), (std::vector<std::string>{"one", "two"}));
  }
  // Saving again replaces the file rather than appending.
  ASSERT_TRUE(SaveLogFile({"three"}, path, &error)) << error;
  {
    std::ifstream again(path, std::ios::binary);
    std::stringstream second;
    second << again.rdbuf();
    EXPECT_EQ(ParagraphsOf(second.str()), std::vector<std::string>{"three"});
  }
  std::remove(path.c_str());

  EXPECT_FALSE(SaveLogFile({"x"}, "/nonexistent-dir/for/sure/log.rtf", &error));
  EXPECT_NE(error.find("/nonexistent-dir/for/sure/log.rtf"), std::string::npos);
}

TEST(Hex, DigitsAsTheLogAndTheViewsShowThem) {
  const struct {
    std::uint32_t value;
    int digits;
    const char* text;
  } cases[] = {
      {0x3FF, 4, "03FF"}, {0x34A8, 4, "34A8"}, {0xAB, 2, "AB"},     {0x5, 2, "05"},
      {0x2000, 8, "00002000"}, {0x8200, 1, "8200"}, {0, 1, "0"}, {0x12345, 4, "12345"}, {0xFFFFFFFF, 4, "FFFFFFFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(c.value, c.digits), c.text) << c.value << " in " << c.digits;
}

}  // namespace
}  // namespace fw
