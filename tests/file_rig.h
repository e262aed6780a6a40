#pragma once

// A window's state for the file commands, with one scratch file per test.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "fakes.h"
#include "operations/app_state.h"

namespace fw::test {

struct FileRig {
  test::FakeClock clock;
  test::FakePause pause;
  test::FakeDialogs dialogs;
  AppState state{clock, pause, dialogs, nullptr};
  // One file per test: the tests run in parallel.
  std::string path = testing::TempDir() + "/flashwright_" +
                     testing::UnitTest::GetInstance()->current_test_info()->name();

  explicit FileRig(const char* chip) { Select(chip); }
  ~FileRig() { std::remove(path.c_str()); }
  void Select(const char* chip) { state.selector.SelectChip(FindChipByName(chip)->IdWord); }
  const ChipRecord& chip() const { return state.chip; }
  Images& images() { return state.images; }

  void WriteText(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::string ReadText() const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Reads `text` as a HEX file and gives the log lines it wrote.
  std::vector<std::string> LoadHex(const std::string& text, FileSection section) {
    WriteText(text);
    const std::size_t before = state.log.Lines().size();
    state.files.ReadHexFile(path, section);
    return {state.log.Lines().begin() + static_cast<std::ptrdiff_t>(before), state.log.Lines().end()};
  }
  // Fills the images with a pattern and shows them on Page1, where the
  // writers take them from.
  void FillAndShow(std::uint32_t seed) {
    std::mt19937 random(seed);
    for (std::uint32_t i = 0; i < chip().ProgramSize / 2; ++i) SetWordAt(images().ProgramImage, i, random() & 0x3FFF);
    for (std::uint32_t i = 0; i < chip().ConfigSize / 2; ++i) SetWordAt(images().ConfigImage, i, random() & 0x3FFF);
    for (std::uint32_t i = 0; i < chip().DataSize; ++i) images().DataImage[i] = random() & 0xFF;
    state.workspace.ShowImage(1, kProgramImage);
    state.workspace.ShowImage(6, kConfigImage);
    state.workspace.ShowImage(3, kDataImage);
  }
};

}  // namespace fw::test
