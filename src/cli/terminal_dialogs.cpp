#include "cli/terminal_dialogs.h"

#include <algorithm>
#include <iostream>

#include "platform/platform.h"

namespace fw::cli {

TerminalDialogs::TerminalDialogs(bool assume_yes, const volatile std::sig_atomic_t* signals)
    : assume_yes_(assume_yes), bar_(platform::IsTerminal(platform::Stream::kErr)), signals_(signals) {}

bool TerminalDialogs::StopRequested() {
  NoteSignals();
  return signals_seen_ > 0;
}

void TerminalDialogs::StopDeferred(const std::string& what) {
  deferred_ = what;
  ProgressClose();
  std::cerr << "flashwright-cli: stopping once it has finished " << what << "\n";
}

void TerminalDialogs::NoteSignals() {
  const std::sig_atomic_t now = *signals_;
  if (now == signals_seen_) return;
  // The first signal is taken at the next point that loses nothing; later
  // ones cannot cut short what must be finished, and say so.
  if (signals_seen_ > 0 && !deferred_.empty()) {
    ProgressClose();
    std::cerr << "flashwright-cli: still " << deferred_ << "; it ends in a moment and cannot be cut short\n";
  }
  signals_seen_ = now;
}

bool TerminalDialogs::Ask(const std::string& caption, const std::string& text, Buttons buttons) {
  if (assume_yes_) return true;
  if (!platform::IsTerminal(platform::Stream::kIn)) {
    refused_ = true;
    std::cerr << "flashwright-cli: the operation asks before it destroys data and there is no "
                 "terminal to ask on; give --yes to answer it\n";
    return false;
  }
  const bool yes_no = buttons == Buttons::kYesNo;
  std::cerr << caption << ": " << text << "\n" << (yes_no ? "Yes or No? [y/N] " : "OK or Cancel? [o/C] ");
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  std::transform(answer.begin(), answer.end(), answer.begin(), [](unsigned char c) { return std::tolower(c); });
  return yes_no ? answer == "y" || answer == "yes" : answer == "o" || answer == "ok";
}

void TerminalDialogs::Tell(const std::string& caption, const std::string& text) {
  ProgressClose();
  std::cerr << caption << ": " << text << "\n";
}

void TerminalDialogs::ProgressOpen() {
  started_ = last_drawn_ = std::chrono::steady_clock::now();
}

void TerminalDialogs::ProgressSet(int position) {
  NoteSignals();
  if (!bar_) return;
  // Work that is over in a moment (a copy into a view) never draws a bar.
  const auto now = std::chrono::steady_clock::now();
  if (now - started_ < std::chrono::milliseconds(200)) return;
  if (drawn_ && now - last_drawn_ < std::chrono::milliseconds(100)) return;
  last_drawn_ = now;
  Draw(position);
}

void TerminalDialogs::Draw(int position) {
  position = std::clamp(position, 0, 100);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const int filled = position * 30 / 100;
  std::fprintf(stderr, "\r%-34.34s [%s%s] %3d%% %6.1f s", operation_.c_str(),
               std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(30 - filled), '.').c_str(), position, seconds);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalDialogs::ProgressClose() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace fw::cli
