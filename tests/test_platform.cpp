// The system's side of the core, on whichever system the tests run (Linux,
// and Windows under Wine): durable files under names in any script, the
// lock between writers, the pause that is never shorter than asked.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "link/pause.h"
#include "log/safe_file.h"
#include "platform/platform.h"

namespace fw {
namespace {

namespace fs = std::filesystem;

// A scratch folder of this test's own, empty, its name in UTF-8.
std::string Scratch(const std::string& name) {
  const std::string sep(1, platform::FolderSeparator());
  const std::string folder = testing::TempDir() + (testing::TempDir().back() == sep[0] ? "" : sep) +
                             "flashwright_platform_" + std::to_string(platform::ProcessId()) + sep + name;
  fs::remove_all(fs::u8path(folder));
  std::string why;
  EXPECT_TRUE(platform::MakeFolders(folder, &why)) << why;
  return folder + sep;
}

std::size_t FilesIn(const std::string& folder) {
  std::size_t n = 0;
  for (const auto& entry : fs::directory_iterator(fs::u8path(folder))) n += entry.is_regular_file();
  return n;
}

TEST(Platform, FilesUnderNamesInAnyScriptRoundTrip) {
  const std::string folder = Scratch("names");
  for (const char* name : {"plain.hex", "caf\xC3\xA9.hex", "\xD0\xBF\xD1\x80\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB2\xD0\xBA\xD0\xB0.hex"}) {
    SCOPED_TRACE(name);
    const std::string path = folder + name;
    const std::string content(70000, '\x5A');  // more than one read's buffer
    std::string error, back;
    ASSERT_TRUE(ReplaceFileSafely(path, content, &error)) << error;
    ASSERT_TRUE(ReplaceFileSafely(path, content + "!", &error)) << error << " (over an existing file)";
    ASSERT_TRUE(ReadWholeFile(path, &back, &error)) << error;
    EXPECT_EQ(back, content + "!");
    EXPECT_TRUE(fs::exists(fs::u8path(path))) << "the system sees the same name";
  }
  EXPECT_EQ(FilesIn(folder), 3u) << "no temporary file is left beside them";
}

TEST(Platform, AppendsWholeLinesAndEndsATornOne) {
  const std::string folder = Scratch("append");
  const std::string path = folder + "record.log";
  std::string error, text;
  ASSERT_TRUE(ReplaceFileSafely(path, "first\nhalf a li", &error)) << error;
  ASSERT_TRUE(AppendDurably(path, "second\n", &error)) << error;
  ASSERT_TRUE(AppendDurably(path, "third\n", &error)) << error;
  ASSERT_TRUE(ReadWholeFile(path, &text, &error)) << error;
  EXPECT_EQ(text, "first\nhalf a li\nsecond\nthird\n");
  // Made with its folders when missing.
  const std::string deep = folder + "a" + platform::FolderSeparator() + "b" +
                           platform::FolderSeparator() + "new.log";
  ASSERT_TRUE(AppendDurably(deep, "one\n", &error)) << error;
  ASSERT_TRUE(ReadWholeFile(deep, &text, &error)) << error;
  EXPECT_EQ(text, "one\n");
}

TEST(Platform, FailuresSayWhatAndWhere) {
  const std::string folder = Scratch("failures");
  std::string error, text;
  EXPECT_FALSE(ReadWholeFile(folder + "missing.hex", &text, &error));
  EXPECT_NE(error.find("Cannot open file \"" + folder + "missing.hex\". "), std::string::npos) << error;
  EXPECT_GT(error.size(), std::string("Cannot open file \"\". ").size() + folder.size() + 11) << "the system's words";
  // A file inside a file cannot be made.
  ASSERT_TRUE(ReplaceFileSafely(folder + "plain", "x", &error)) << error;
  const std::string inside = folder + "plain" + platform::FolderSeparator() + "new.hex";
  EXPECT_FALSE(ReplaceFileSafely(inside, "y", &error));
  EXPECT_NE(error.find(inside), std::string::npos) << error;
  EXPECT_FALSE(AppendDurably(inside, "y\n", &error));
}

TEST(Platform, ALockHoldsOtherWritersOff) {
  const std::string path = Scratch("lock") + "serial.lock";
  platform::File first, second;
  std::string why;
  ASSERT_TRUE(first.Open(path, platform::File::Mode::kReadWrite, &why)) << why;
  ASSERT_TRUE(second.Open(path, platform::File::Mode::kReadWrite, &why)) << why;
  ASSERT_TRUE(first.Lock(&why)) << why;
  std::atomic<bool> taken{false};
  std::thread other([&] {
    std::string reason;
    EXPECT_TRUE(second.Lock(&reason)) << reason;
    taken = true;
    second.Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(taken) << "the second writer waits while the first holds the lock";
  first.Unlock();
  other.join();
  EXPECT_TRUE(taken);
}

TEST(Platform, ThePauseIsNeverShorterThanAsked) {
  RealPause pause;
  // The clock is read before the mark: the deadlines count from the mark.
  const auto start = std::chrono::steady_clock::now();
  pause.Start();
  auto mark = start;
  double longest_ms = 0;
  for (int i = 0; i < 50; ++i) {
    pause.Sleep(1);
    const auto now = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - mark).count();
    longest_ms = std::max(longest_ms, ms);
    mark = now;
  }
  const double total_ms = std::chrono::duration<double, std::milli>(mark - start).count();
  // Each pause ends at its deadline: fifty of them take at least 50 ms.
  EXPECT_GE(total_ms, 50.0);
  RecordProperty("pause_1ms_mean_us", static_cast<int>(total_ms * 1000 / 50));
  RecordProperty("pause_1ms_longest_us", static_cast<int>(longest_ms * 1000));
  std::printf("1 ms asked 50 times: %.3f ms on average, the longest %.3f ms\n", total_ms / 50, longest_ms);
}

TEST(Platform, DataFolderAndHostAreNamed) {
  EXPECT_FALSE(platform::DataFolder().empty());
  EXPECT_FALSE(platform::HostName().empty());
  const std::tm utc = platform::UtcTime(86400 + 3661);
  EXPECT_EQ(utc.tm_mday, 2);
  EXPECT_EQ(utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec, 3661);
}

TEST(Platform, KindsOfNamesAndPatterns) {
  const std::string folder = Scratch("kinds");
  std::string error;
  ASSERT_TRUE(ReplaceFileSafely(folder + "a1.hex", "x", &error)) << error;
  ASSERT_TRUE(ReplaceFileSafely(folder + "a2.hex", "y", &error)) << error;
  ASSERT_TRUE(ReplaceFileSafely(folder + "b.hex", "z", &error)) << error;
  EXPECT_EQ(platform::KindOf(folder + "a1.hex"), platform::PathKind::kFile);
  EXPECT_EQ(platform::KindOf(folder + "none.hex"), platform::PathKind::kMissing);
  EXPECT_EQ(platform::KindOf(folder), platform::PathKind::kOther) << "a folder is no file to read";
  EXPECT_EQ(platform::ExpandPattern(folder + "a*.hex"),
            (std::vector<std::string>{folder + "a1.hex", folder + "a2.hex"}));
  EXPECT_TRUE(platform::ExpandPattern(folder + "c*").empty());
  // A file opened for reading is not one to write into; a folder is refused
  // as a file to write.
  platform::File file;
  std::string why;
  EXPECT_FALSE(file.Open(folder, platform::File::Mode::kAppend, &why));
  EXPECT_FALSE(why.empty());
}

TEST(Platform, FileModesDoWhatTheirNamesSay) {
  const std::string path = Scratch("modes") + "file.bin";
  std::string why;
  {
    platform::File made;
    ASSERT_TRUE(made.Open(path, platform::File::Mode::kCreateNew, &why)) << why;
    ASSERT_TRUE(made.WriteAll("0123456789", &why)) << why;
    ASSERT_TRUE(made.Flush(&why)) << why;
  }
  platform::File again;
  EXPECT_FALSE(again.Open(path, platform::File::Mode::kCreateNew, &why)) << "never over a file that is there";
  {
    platform::File appended;
    ASSERT_TRUE(appended.Open(path, platform::File::Mode::kAppend, &why)) << why;
    ASSERT_TRUE(appended.WriteAll("AB", &why)) << why;
  }
  platform::File read;
  ASSERT_TRUE(read.Open(path, platform::File::Mode::kRead, &why)) << why;
  EXPECT_EQ(read.Size(), 12u);
  EXPECT_FALSE(read.IsFolder());
  char buffer[8] = {};
  std::size_t got = 0;
  ASSERT_TRUE(read.ReadAt(8, buffer, sizeof buffer, &got, &why)) << why;
  EXPECT_EQ(std::string(buffer, got), "89AB") << "a read at an offset stops at the end";
  ASSERT_TRUE(read.ReadAt(12, buffer, sizeof buffer, &got, &why)) << why;
  EXPECT_EQ(got, 0u);
  ASSERT_TRUE(read.Read(buffer, 4, &got, &why)) << why;
  EXPECT_EQ(std::string(buffer, got), "0123") << "a plain read starts at the beginning";
  platform::File moved = std::move(read);
  EXPECT_TRUE(moved.IsOpen());
  EXPECT_FALSE(read.IsOpen());  // NOLINT(bugprone-use-after-move): the move leaves it closed
  platform::File missing;
  EXPECT_FALSE(missing.Open(path + ".none", platform::File::Mode::kRead, &why));
  EXPECT_FALSE(why.empty());
}

TEST(Platform, APauseAfterEachFrameIsNeverShorterThanAsked) {
  // As the link paces frames: the mark set after each frame, then 1 ms.
  RealPause pause;
  double shortest_ms = 1e9;
  for (int i = 0; i < 40; ++i) {
    // Read before the mark: a scheduler delay between the two would otherwise
    // come off the measured pause and fail a pause that was whole.
    const auto from = std::chrono::steady_clock::now();
    pause.Start();
    pause.Sleep(1);
    shortest_ms = std::min(shortest_ms, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count());
  }
  EXPECT_GE(shortest_ms, 0.99) << "no pause ends before 1 ms after its mark";
}

}  // namespace
}  // namespace fw
