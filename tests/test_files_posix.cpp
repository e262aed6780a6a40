// File commands against limits only POSIX systems set for a process.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "file_rig.h"

namespace fw {
namespace {

using test::FileRig;

TEST(FileCommands, AFailedSaveKeepsThePreviousFile) {
  FileRig rig("PIC16F887");
  rig.WriteText("the file that was there");
  // A file size limit makes the writing fail half way.
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  const FileReport report = rig.state.files.WriteHexFile(rig.path, sectAll);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(report.done);
  EXPECT_EQ(rig.ReadText(), "the file that was there");
  ASSERT_EQ(rig.dialogs.told.size(), 1u);
  EXPECT_EQ(rig.dialogs.told[0].rfind("Error: Cannot write file", 0), 0u) << rig.dialogs.told[0];
  EXPECT_NE(rig.state.log.Lines().back(), "Operation complete");
}

}  // namespace
}  // namespace fw
