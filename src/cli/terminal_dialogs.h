#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

#include "log/operator_dialogs.h"

namespace fw::cli {

// The operator dialogs on a terminal: questions are asked on standard input
// when it is a terminal (or answered Yes by --yes, or refused when there is
// no one to ask); warnings and errors go to standard error; the progress
// bar, with the operation's name and the time it has taken, too, when that
// is a terminal.
//
// A stop is asked by a signal (SIGINT, SIGTERM, SIGHUP): `signals` counts
// those the process has had.
class TerminalDialogs final : public OperatorDialogs {
 public:
  TerminalDialogs(bool assume_yes, const volatile std::sig_atomic_t* signals);

  // What the progress bar names.
  void SetOperation(std::string name) { operation_ = std::move(name); }
  // The progress bar is drawn only when asked (several ports at once would
  // draw over each other).
  void SetBar(bool drawn) { bar_ = bar_ && drawn; }
  // Whether a question was refused for want of a terminal.
  bool refused_without_terminal() const { return refused_; }

  bool Ask(const std::string& caption, const std::string& text, Buttons buttons) override;
  void Tell(const std::string& caption, const std::string& text) override;
  void ProgressOpen() override;
  void ProgressSet(int position) override;
  void ProgressClose() override;
  void SetPagesVisible(bool) override {}
  bool StopRequested() override;
  void StopDeferred(const std::string& what) override;

 private:
  void Draw(int position);
  // Says what became of each signal that came since the last look.
  void NoteSignals();

  bool assume_yes_;
  bool refused_ = false;
  bool bar_;  // standard error is a terminal
  bool drawn_ = false;
  std::string operation_;
  const volatile std::sig_atomic_t* signals_;
  std::sig_atomic_t signals_seen_ = 0;
  std::string deferred_;  // what a stop waits for, once one does
  std::chrono::steady_clock::time_point started_, last_drawn_;
};

}  // namespace fw::cli
