#include "app/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>

#include "app/calibration_dialog.h"

bool InputGate::eventFilter(QObject* target, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Drop:
      break;
    default:
      return false;
  }
  auto* widget = qobject_cast<QWidget*>(target);
  if (widget == nullptr) return false;
  QWidget* window = widget->window();
  return window != open_to_ && window != QApplication::activeModalWidget();
}

bool QtDialogs::AskProgram(const std::string& text, bool* dont_ask_again) {
  QMessageBox box(QMessageBox::Question, "Program", QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                  owner_);
  box.setObjectName("ProgramQuestion");
  box.setDefaultButton(QMessageBox::Yes);
  auto* again = new QCheckBox("Don't ask again for this file", &box);
  box.setCheckBox(again);
  const bool yes = Modal([&] { return box.exec(); }) == QMessageBox::Yes;
  *dont_ask_again = yes && again->isChecked();
  return yes;
}

bool QtDialogs::Ask(const std::string& caption, const std::string& text, Buttons buttons) {
  if (questions_answered_) return true;
  const bool yes_no = buttons == Buttons::kYesNo;
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption),
                  QString::fromStdString(text),
                  yes_no ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel,
                  owner_);
  box.setObjectName("QuestionBox");
  box.setDefaultButton(yes_no ? QMessageBox::No : QMessageBox::Cancel);
  box.setEscapeButton(yes_no ? QMessageBox::No : QMessageBox::Cancel);
  const int answer = Modal([&] { return box.exec(); });
  return answer == (yes_no ? QMessageBox::Yes : QMessageBox::Ok);
}

void QtDialogs::Tell(const std::string& caption, const std::string& text) {
  Modal([&] {
    return static_cast<int>(QMessageBox::warning(owner_, QString::fromStdString(caption), QString::fromStdString(text)));
  });
}

int QtDialogs::Modal(const std::function<int()>& run) {
  if (question_hook_) question_hook_(true);
  const int result = run();
  if (question_hook_) question_hook_(false);
  return result;
}

void QtDialogs::ProgressOpen() {
  ProgressClose();
  LBar = new TLBar(owner_);
  LBar->setWindowTitle(progress_title_);
  LBar->show();
  gate_ = std::make_unique<InputGate>(LBar.data());
  qApp->installEventFilter(gate_.get());
  // The first repaint waits like every later one: work that is over within
  // 25 ms (a view copy) never flashes a window; longer work shows it at its
  // first progress step after that.
  since_repaint_.start();
}

void QtDialogs::ProgressSet(int position) {
  if (!LBar) return;
  LBar->SetPosition(position);
  constexpr qint64 kRepaintMs = 25;
  if (since_repaint_.elapsed() >= kRepaintMs) {
    Repaint();
    since_repaint_.restart();
  }
}

void QtDialogs::ProgressClose() {
  gate_.reset();
  delete LBar.data();
  LBar = nullptr;
}

fw::CalibrationAnswer QtDialogs::AskCalibration(const std::string& text,
                                                const std::optional<fw::OsccalValues>& suggested) {
  // A baseline part's question speaks of its MOVLW: one value, no band-gap bits.
  const bool movlw = text.find("MOVLW") != std::string::npos;
  CalibrationValuesDialog dialog(
      CalibrationValuesDialog::Use::kBeforeErase,
      QString::fromStdString(text + "\n\nGive the chip's values (from its label, a backup or the calibration record), "
                                    "or erase without them, knowing they are lost."),
      suggested, owner_, movlw);
  Modal([&] { return dialog.exec(); });
  return dialog.answer();
}

bool QtDialogs::StopRequested() {
  if (LBar) {
    // The work polls for a stop: from now on it can be stopped.
    LBar->ShowCancel([this] { RequestStop(); });
    if (since_repaint_.elapsed() >= 25) {
      Repaint();
      since_repaint_.restart();
    }
  }
  return stop_requested_;
}

void QtDialogs::StopDeferred(const std::string& what) {
  if (!LBar) return;
  LBar->ShowCancel({});
  LBar->ShowStopping(QString::fromStdString("Stopping after " + what + "..."));
  Repaint();
}

void QtDialogs::RequestStop() { stop_requested_ = true; }

void QtDialogs::SetPagesVisible(bool visible) {
  if (!pages_) return;
  // Hiding the pages moves the focus on, to the port box at worst, where the
  // next hex digit would replace the port's name: it comes back afterwards.
  if (!visible) focus_ = QApplication::focusWidget();
  pages_->setVisible(visible);
  if (visible && focus_ && focus_->isVisible()) focus_->setFocus();
}

void QtDialogs::Repaint() {
  // The gate keeps every other window's input out.
  QCoreApplication::processEvents(gate_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}
