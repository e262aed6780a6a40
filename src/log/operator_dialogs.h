#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace fw {

// The factory calibration of a PIC12F629-family chip: the OSCCAL word (a
// RETLW instruction, 0x34kk) in its last program word and the band-gap bits
// 13:12 of its configuration word (0 to 3, shown as two binary digits).
struct OsccalValues {
  std::uint16_t osccal = 0;
  std::uint8_t band_gap = 0;
  bool operator==(const OsccalValues&) const = default;
};

// What the operator answered when the chip's calibration could not be read.
struct CalibrationAnswer {
  enum class Kind {
    kNotGiven,  // no one could be asked (a terminal without the values)
    kCancel,    // the operator stopped the operation
    kUse,       // `values` are the chip's
    kLose,      // erase all the same: the values are lost
  };
  Kind kind = Kind::kNotGiven;
  OsccalValues values;
};

// Everything the core needs from the person at the keyboard: answers to
// questions, acknowledgement of warnings and errors, and a progress window
// while long work runs on the one thread. The Qt layer shows real dialogs,
// the command-line tool uses the terminal, tests script the answers.
class OperatorDialogs {
 public:
  virtual ~OperatorDialogs() = default;

  // The buttons of a question; the negative one (No, Cancel) is the default.
  enum class Buttons { kYesNo, kOkCancel };
  // A modal warning question; true means Yes (or OK).
  virtual bool Ask(const std::string& caption, const std::string& text, Buttons buttons) = 0;
  // A modal message with an OK button.
  virtual void Tell(const std::string& caption, const std::string& text) = 0;
  // Asked before an erase when the chip's calibration values read are not
  // calibration values: `text` says why, `suggested` is the newest record
  // for this type of chip, if any.
  virtual CalibrationAnswer AskCalibration(const std::string& text,
                                           const std::optional<OsccalValues>& suggested) {
    (void)text;
    (void)suggested;
    return {};
  }

  // Whether the operator asked the running operation to stop (the progress
  // window's Cancel, a signal to the command-line tool). Operations ask at
  // the points where stopping loses nothing.
  virtual bool StopRequested() { return false; }
  // The operation has taken the request but first finishes `what`, so that
  // nothing is lost; said to the operator until the operation ends.
  virtual void StopDeferred(const std::string& what) { (void)what; }

  // The progress window: opened fresh for each piece of long work, moved
  // from 0 to 100 (a position above 100 shows a full bar), then closed.
  virtual void ProgressOpen() = 0;
  virtual void ProgressSet(int position) = 0;
  virtual void ProgressClose() = 0;

  // The memory pages are hidden while a view is copied to or from an image,
  // so that no key reaches a view and the active page cannot change.
  virtual void SetPagesVisible(bool visible) = 0;
};

// Answers every question with a fixed reply and shows nothing; for headless
// use where no person is asked.
class SilentDialogs : public OperatorDialogs {
 public:
  explicit SilentDialogs(bool answer = true) : answer_(answer) {}
  bool Ask(const std::string&, const std::string&, Buttons) override { return answer_; }
  void Tell(const std::string&, const std::string&) override {}
  void ProgressOpen() override {}
  void ProgressSet(int) override {}
  void ProgressClose() override {}
  void SetPagesVisible(bool) override {}

 private:
  bool answer_;
};

}  // namespace fw
