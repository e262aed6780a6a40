#pragma once

#include <QElapsedTimer>
#include <QPointer>

#include "app/progress_form.h"
#include "log/operator_dialogs.h"

class QWidget;

// The operator dialogs as real windows: "Warning" message boxes and the
// progress window, which repaints while the work runs but lets no user input
// through, since the work runs on the user-interface thread.
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

  // The current progress window, or null; for tests.
  TLBar* CurrentProgress() const { return LBar; }

 private:
  static void Repaint();

  QWidget* owner_ = nullptr;
  QPointer<QWidget> pages_;
  // The control that had the focus when the pages were hidden.
  QPointer<QWidget> focus_;
  QPointer<TLBar> LBar;
  // When the progress window was opened or last repainted: a bar redrawn
  // more often than the eye follows only slows the work down.
  QElapsedTimer since_repaint_;
};
