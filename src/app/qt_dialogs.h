#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include "app/progress_form.h"
#include "log/operator_dialogs.h"

class QWidget;

// While work runs on the user-interface thread, only the progress window and
// the dialogs the work opens take the operator's input: a click elsewhere
// would start other work in the middle of it.
class InputGate : public QObject {
 public:
  explicit InputGate(QWidget* open_to) : open_to_(open_to) {}
  bool eventFilter(QObject* target, QEvent* event) override;

 private:
  QPointer<QWidget> open_to_;
};

// The operator dialogs as real windows: "Warning" message boxes and the
// progress window, which repaints while the work runs and takes only its
// own Cancel button, since the work runs on the user-interface thread.
class QtDialogs : public fw::OperatorDialogs {
 public:
  explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }
  void SetPages(QWidget* pages) { pages_ = pages; }

  bool Ask(const std::string& caption, const std::string& text, Buttons buttons) override;
  void Tell(const std::string& caption, const std::string& text) override;
  void ProgressOpen() override;
  void ProgressSet(int position) override;
  void ProgressClose() override;
  void SetPagesVisible(bool visible) override;
  fw::CalibrationAnswer AskCalibration(const std::string& text,
                                       const std::optional<fw::OsccalValues>& suggested) override;
  bool StopRequested() override;
  void StopDeferred(const std::string& what) override;

  // The progress window's Cancel, or the main window closed during work:
  // the running work stops at its next point that loses nothing.
  void RequestStop();
  // A new piece of work starts with no stop asked.
  void ResetStop() { stop_requested_ = false; }
  // "Program"'s one question, with "Don't ask again for this file"; true
  // for Yes, and `dont_ask_again` as ticked.
  virtual bool AskProgram(const std::string& text, bool* dont_ask_again);
  // While set, the operations' own questions are taken as answered Yes (the
  // operator answered one question for them all).
  void SetQuestionsAnswered(bool answered) { questions_answered_ = answered; }
  // Told when a question opens (true) and closes: the operation's clock
  // does not count the operator's time.
  void SetQuestionHook(std::function<void(bool)> hook) { question_hook_ = std::move(hook); }
  // The progress window's title from the next one on.
  void SetProgressTitle(const QString& title) { progress_title_ = title; }
  bool QuestionsAnswered() const { return questions_answered_; }

  // The current progress window, or null; for tests.
  TLBar* CurrentProgress() const { return LBar; }

 private:
  // Lets the window repaint and its Cancel button be pressed.
  void Repaint();

  QWidget* owner_ = nullptr;
  QPointer<QWidget> pages_;
  // The control that had the focus when the pages were hidden.
  QPointer<QWidget> focus_;
  QPointer<TLBar> LBar;
  // When the progress window was opened or last repainted: a bar redrawn
  // more often than the eye follows only slows the work down.
  QElapsedTimer since_repaint_;
  std::unique_ptr<InputGate> gate_;
  bool stop_requested_ = false;
  bool questions_answered_ = false;
  std::function<void(bool)> question_hook_;
  QString progress_title_ = "Flashwright";
  int Modal(const std::function<int()>& run);
};
