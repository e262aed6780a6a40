#pragma once

#include <string>

namespace fw {

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
