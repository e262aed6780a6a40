#include "app/main_form.h"

#include <QApplication>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QMessageBox>
#include <QStatusBar>
#include <QStyle>
#include <QSysInfo>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/calibration_dialog.h"
#include "app/image_form.h"
#include "app/lock_fuses_form.h"
#include "app/qt_dialogs.h"
#include "images/checksum.h"
#include "images/hex_editing.h"
#include "log/hex.h"
#include "log/safe_file.h"
#include "log/sha256.h"
#include "operations/connection.h"
#include "production/production.h"
#include "production/production_record.h"

TForm1::TForm1(fw::AppState& state, QtDialogs& dialogs, const QStringList& ports,
               const QString& initial_port, QWidget* parent)
    : QMainWindow(parent), state_(state), dialogs_(dialogs) {
  setObjectName("Form1");
  setWindowTitle("Flashwright");
  BuildControls();
  BuildMenus();
  BuildFileDialogs();
  BuildDailyWork(findChild<QMenu*>("File1"), findChild<QMenu*>("Edit3"));

  ComboBox1->addItems(ports);
  ComboBox1->setCurrentText(initial_port);

  state_.log.SetListener([this](const std::string& line) {
    RichEdit5->appendPlainText(QString::fromStdString(line));
    // The progress window names the step running.
    if (line.rfind("Trying to", 0) == 0 && dialogs_.CurrentProgress() != nullptr) {
      dialogs_.CurrentProgress()->SetStep(QString::fromStdString(line));
    }
  });
  dialogs_.SetOwner(this);
  dialogs_.SetQuestionHook([this](bool open) {
    if (open) {
      question_since_.start();
    } else if (question_open_) {
      question_ms_ += question_since_.elapsed();
    }
    question_open_ = open;
  });
  setWindowIcon(AppIcon());
  picture_program_dir_ = QCoreApplication::applicationDirPath();
  dialogs_.SetPages(PageControl1);

  DisableDeviceControls();
  state_.link.ClosePort();
  UpdateLinkStatus();
  state_.link.DelayValue = TrackBar1->value();

  HexView* views[8] = {nullptr, RichEdit1, RichEdit2, RichEdit3, RichEdit4, nullptr, RichEdit6, RichEdit7};
  for (int n : {1, 2, 3, 4, 6, 7}) {
    bridges_[n] = ViewBridge(views[n], &state_.workspace.view(n));
    views[n]->onKeyDown = [this, n](std::uint16_t key, unsigned held) { return ViewKeyDown(n, key, held); };
    views[n]->onKeyPress = [this](char& key) { RichEditsKeyPress(key); };
  }
  Edit2->onKeyDown = [this](std::uint16_t key, unsigned held) { return Edit2KeyDown(key, held); };
  Edit2->onKeyPress = [this](char& key) { RichEditsKeyPress(key); };
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    state_.workspace.active_page = index;
    // The sum beside the chip's name is the shown page's.
    ChecksumLabel->setText(Page().checksum);
  });

  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  // Enter in the port box connects, as the button beside it does.
  if (ComboBox1->lineEdit() != nullptr) {
    connect(ComboBox1->lineEdit(), &QLineEdit::returnPressed, this, [this] {
      if (Button1->isEnabled()) Button1Click();
    });
  }
  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
  connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
  connect(Button9, &QPushButton::clicked, this, &TForm1::Button9Click);
  connect(Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
  connect(Button10, &QPushButton::clicked, this, &TForm1::Button10Click);
  connect(Button11, &QPushButton::clicked, this, &TForm1::Button11Click);
  connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(ComboBox1, &QComboBox::currentTextChanged, this, &TForm1::ComboBox1Change);
  connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
  ProgramButton->setDefaultAction(ProgramAction);
  const std::pair<QCheckBox*, const char*> kept[] = {
      {CheckBox1, "keepCalibration"}, {CheckBox2, "entireConfiguration"}, {KeepEepromCheckBox, "keepEeprom"}};
  for (const auto& [box, key] : kept) {
    connect(box, &QCheckBox::toggled, this, [this, key = QString(key)](bool on) { SaveSetting(key, on); });
  }
  // The first thing done is connecting: Enter in the port box does it.
  ComboBox1->setFocus();
}

void TForm1::ChipMenuItemClick(std::uint16_t id_word) {
  if (!MayDropEdits("Selecting a chip")) return;
  if (state_.selector.SelectChip(id_word) == fw::Selection::kSelected) ForgetPages();
  SyncFromCore();
  SaveSetting("chip", state_.chip.ChipIdWord);
  MarkSelectedChip();
  ChipSelected();
}

void TForm1::Button3Click() {
  if (!MayDropEdits("Autosearch selects the chip it finds, which")) return;
  if (state_.selector.AutosearchChip() == fw::Selection::kSelected) ForgetPages();
  SyncFromCore();
  if (state_.chip.ChipIdWord != 0) SaveSetting("chip", state_.chip.ChipIdWord);
  UpdateLinkStatus();
  MarkSelectedChip();
  ChipSelected();
}

bool TForm1::MayDropEdits(const char* what) {
  if (!AnyHandEdits()) return true;
  return dialogs_.Ask("Warning", std::string("The views hold hand edits that are in no file. ") + what +
                                     " blanks both pages: go on and lose them?",
                      fw::OperatorDialogs::Buttons::kYesNo);
}

void TForm1::ForgetPages() {
  for (PageState& page : pages_) page = PageState{};
  state_.files.ForgetLoaded();
  ChecksumLabel->setText(Page().checksum);
}

void TForm1::RecordTo(const QString& path) {
  record_path_ = path;
  RecordAction->setChecked(!path.isEmpty());
  state_.log.LogEvent(fw::LogCode::kNone, path.isEmpty() ? "    the operations are no longer recorded"
                                        : "    every operation is recorded to " + path.toStdString());
}

fw::Outcome TForm1::RunDevice(const char* command, const std::function<fw::Outcome()>& operation) {
  // What the page holds as the operation starts: the record names a file
  // only where the views were that file, and an operation that changes the
  // views (a read, the calibration shown after a write) leaves them the
  // chip's.
  fw::Workspace& w = state_.workspace;
  const int views[] = {w.ProgramView(), w.ConfigView(), w.DataView()};
  std::string texts[3];
  for (int i = 0; i < 3; ++i) texts[i] = w.view(views[i]).text();
  const bool held_file = Page().holds_file && !Page().hand_edits;
  busy_ = true;
  dialogs_.ResetStop();
  const std::size_t first_line = state_.log.Lines().size();
  running_ = command;
  running_since_.start();
  question_ms_ = 0;
  running_timer_.start();
  dialogs_.SetProgressTitle("Flashwright: " + QString(command));
  OperationStatus->setText(QString("%1: running").arg(command));
  const fw::Outcome outcome = operation();
  last_outcome_ = outcome;
  running_timer_.stop();
  busy_ = false;
  OperationStatus->setText(QString("Last: %1, %2, %3 s")
                               .arg(command, fw::OutcomeName(outcome))
                               .arg(OperationMs() / 1000.0, 0, 'f', 1));
  if (!record_path_.isEmpty()) {
    fw::ChipRunRecord r = fw::MakeRunRecord(state_, outcome, first_line);
    fw::SystemClock clock;
    r.time = clock.UtcTimestamp();
    r.host = QSysInfo::machineHostName().toStdString();
    r.port = state_.link.PortPath();
    r.command = command;
    if (held_file) {
      r.file = Page().file.toStdString();
      // The digest of the bytes loaded: the file on disk may be a newer build.
      r.file_sha256 = state_.files.LoadedDigest();
    }
    std::string error;
    if (!fw::AppendRecord(record_path_.toStdString(), r, &error)) dialogs_.Tell("Error", error);
  }
  for (int i = 0; i < 3; ++i) {
    if (w.view(views[i]).text() != texts[i]) Page().holds_file = false;
  }
  SyncFromCore();
  if (outcome == fw::Outcome::kDifference) ShowDifference();
  UpdateLinkStatus();
  if (close_when_done_) {
    close();
  } else if (change_pending_) {
    // A build that came while this ran: programmed once it is over.
    change_pending_ = false;
    QTimer::singleShot(0, this, [this] {
      if (busy_ || !watch_.watching()) return;
      PageControl1->setCurrentIndex(watch_page_);
      RunProgram(false);
    });
  }
  return outcome;
}

fw::Outcome TForm1::RunOperation(const char* command, fw::Outcome (fw::DeviceOperations::*operation)()) {
  return RunDevice(command, [this, operation] { return (state_.operations.*operation)(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!busy_) {
    if (AnyHandEdits() && !dialogs_.Ask("Warning", "The views hold hand edits that are in no file. Close and lose them?",
                                     fw::OperatorDialogs::Buttons::kYesNo)) {
      event->ignore();
      return;
    }
    SaveSetting("geometry", saveGeometry());
    if (state_.link.PortValid()) Button2Click();
    event->accept();
    return;
  }
  event->ignore();
  if (close_when_done_) return;
  if (dialogs_.Ask("Warning",
                   "An operation is running. Stop it and close the window?\n"
                   "It stops where nothing is lost: an erase or write first puts the calibration values back.",
                   fw::OperatorDialogs::Buttons::kYesNo)) {
    close_when_done_ = true;
    dialogs_.RequestStop();
  }
}

void TForm1::ShowChecksum() {
  Page().checksum = QString::fromStdString(fw::LogChecksum(state_.chip, state_.images, state_.log));
  ChecksumLabel->setText(Page().checksum);
}

void TForm1::HandEdited() {
  Page().hand_edits = true;
  Page().holds_file = false;
  // The views are what a write takes: the label sums them as they now stand.
  // Taking an image moves its view's caret, which typing goes on from.
  fw::Workspace& w = state_.workspace;
  const std::uint32_t program_caret = w.view(w.ProgramView()).caret, config_caret = w.view(w.ConfigView()).caret;
  w.TakeImage(w.ProgramView(), fw::kProgramImage);
  w.TakeImage(w.ConfigView(), fw::kConfigImage);
  w.view(w.ProgramView()).caret = program_caret;
  w.view(w.ConfigView()).caret = config_caret;
  const std::optional<std::uint16_t> sum = fw::ImageChecksum(state_.chip, state_.images);
  Page().checksum = sum ? QString("Checksum: 0x%1 (edited)").arg(QString::fromStdString(fw::Hex(*sum, 4)))
                        : QString("Checksum: - (edited)");
  ChecksumLabel->setText(Page().checksum);
}

void TForm1::SayRefused(const std::string& text) {
  QApplication::beep();
  statusBar()->showMessage(QString::fromStdString(text), 8000);
}

void TForm1::Button4Click() {
  if (RunOperation("read", &fw::DeviceOperations::ReadProgramAndConfig) == fw::Outcome::kDone) {
    // The views are the chip's now, with no edit of the operator's.
    Page().hand_edits = false;
    ShowChecksum();
  }
}
void TForm1::Button8Click() { RunOperation("read-data", &fw::DeviceOperations::ReadData); }
void TForm1::Button9Click() { RunOperation("write-data", &fw::DeviceOperations::WriteData); }
void TForm1::Button6Click() {
  // The user IDs belong to the entire configuration: compared when it is
  // written.
  const auto scope = fw::ChipCompareScope(state_.chip, CheckBox2->isChecked());
  RunDevice("verify", [this, scope] { return state_.operations.VerifyProgramAndConfig(scope); });
}
void TForm1::Button10Click() { RunOperation("verify-data", &fw::DeviceOperations::VerifyData); }
void TForm1::Button7Click() { RunOperation("calibration", &fw::DeviceOperations::ReadCalibration); }

void TForm1::Button5Click() {
  const fw::Outcome outcome = RunDevice("write", [this] {
    if (KeepEepromCheckBox->isChecked() && state_.chip.DataSize > 0) {
      // The chip's EEPROM into the data view: "Write Data" puts it back.
      const fw::Outcome read =
          fw::ProductionWriter(state_).KeepInViews({.eeprom = true, .user_ids = false, .program = std::nullopt});
      if (read != fw::Outcome::kDone) return read;
      state_.log.LogEvent(fw::LogCode::kNone, "    \"Write Data\" puts the kept EEPROM back");
    }
    return state_.operations.WriteProgramAndConfig(CheckBox1->isChecked(), CheckBox2->isChecked());
  });
  if (outcome == fw::Outcome::kDone) ShowChecksum();
}

void TForm1::Button11Click() {
  RunDevice("erase", [this] { return state_.operations.ChipErase(CheckBox1->isChecked()); });
}

void TForm1::RestoreCalibrationClick() {
  const std::string& chip = state_.chip.ChipName;
  // Only values an erase left behind are offered, newest first: never
  // those already back on a chip.
  const std::vector<fw::CalibrationRecordEntry> open = state_.calibration_record.OpenFor(chip);
  const auto newest = open.empty() ? std::nullopt : std::optional<fw::CalibrationRecordEntry>(open.front());
  const bool movlw = state_.chip.Baseline();
  QString text = movlw ? "The OSCCAL value goes into the OSCCAL word and its backup where they are erased, and both "
                         "are read back."
                       : "The OSCCAL word and band-gap bits go into a chip whose OSCCAL word is erased, and are read "
                         "back. Only a chip of the PIC12F629/675 or PIC16F630/676 (or a baseline part) loses them in "
                         "an erase.";
  if (newest) {
    text += QString::fromStdString("\n\nValues read before an erase and not put back, for the " + chip +
                                   ", newest first (" + state_.calibration_record.path() + "):");
    for (const fw::CalibrationRecordEntry& e : open) {
      text += QString::fromStdString("\n    " + fw::FactoryValuesText(e.values, state_.chip.ProgramSize / 2 - 1) +
                                     ", " + e.time + " on " + e.port);
    }
    text += "\nThey are this chip's only if it is the chip they were read from.";
  } else if (state_.chip.ChipIdWord != 0) {
    text += QString::fromStdString("\n\nThere is no open calibration record for the " + chip + ".");
  }
  CalibrationValuesDialog dialog(CalibrationValuesDialog::Use::kRestore, text,
                                 newest ? newest->values.osccal : std::nullopt, this, movlw);
  if (dialog.exec() != QDialog::Accepted || dialog.answer().kind != fw::CalibrationAnswer::Kind::kUse) return;
  const fw::OsccalValues values = dialog.answer().values;
  RunDevice("restore", [this, values] { return state_.operations.RestoreCalibration(values); });
}

bool TForm1::ViewKeyDown(int n, std::uint16_t& key, unsigned modifiers) {
  ViewBridge& bridge = bridges_[n];
  bridge.view()->caret = bridge.CoreCaret();
  const std::string before = bridge.view()->text();
  std::string said;
  const bool pass_on = fw::ViewKeyDown(*bridge.view(), key, modifiers, &said);
  if (!pass_on && bridge.view()->text() != before) HandEdited();
  if (!pass_on) bridge.Sync(true);
  if (!said.empty()) SayRefused(said);
  return pass_on;
}

bool TForm1::Edit2KeyDown(std::uint16_t& key, unsigned modifiers) {
  fw::IdWordBox& box = state_.workspace.id_box;
  box.caret = static_cast<std::uint32_t>(Edit2->hasSelectedText() ? Edit2->selectionStart()
                                                                    : Edit2->cursorPosition());
  std::string said;
  const bool pass_on = fw::IdWordKeyDown(box, key, modifiers, &said);
  if (!said.empty()) SayRefused(said);
  if (!pass_on) {
    Edit2->setText(QString::fromStdString(box.text));
    Edit2->setCursorPosition(static_cast<int>(box.caret));
  }
  return pass_on;
}

void TForm1::SyncFromCore() {
  const fw::Workspace& w = state_.workspace;
  Edit1->setText(QString::fromStdString(w.chip_name));
  if (Edit2->text().toStdString() != w.id_box.text) Edit2->setText(QString::fromStdString(w.id_box.text));
  Label10->setText(QString::fromStdString(w.map_caption));
  for (int n : {1, 2, 3, 4, 6, 7}) bridges_[n].Sync(true);
}

void TForm1::SetDeviceControls(bool connected) {
  Button1->setEnabled(!connected);
  if (ProgramAction != nullptr) ProgramAction->setEnabled(connected);
  for (QWidget* w : std::initializer_list<QWidget*>{Button2, Button3, Button4, Button5, Button6,
                                                     Button7, Button8, Button9, Button10, Button11,
                                                     CheckBox1, CheckBox2, KeepEepromCheckBox}) {
    w->setEnabled(connected);
  }
}

void TForm1::EnableDeviceControls() { SetDeviceControls(true); }
void TForm1::DisableDeviceControls() { SetDeviceControls(false); }

void TForm1::Button1Click() {
  if (fw::Connect(state_.link, state_.log, ComboBox1->currentText().toStdString())) {
    EnableDeviceControls();
    SaveSetting("port", ComboBox1->currentText());
    UpdateLinkStatus();
    // Not the port box: a hex digit typed there would replace the port name.
    (PageControl1->currentIndex() == 0 ? RichEdit1 : RichEdit2)->setFocus();
  }
}

void TForm1::Button2Click() {
  fw::Disconnect(state_.link, state_.log);
  DisableDeviceControls();
  UpdateLinkStatus();
}

void TForm1::ComboBox1Change() {
  if (state_.link.PortValid()) Button2Click();
}

void TForm1::TrackBar1Change() {
  state_.link.DelayValue = TrackBar1->value();
  SaveSetting("delay", TrackBar1->value());
}

void TForm1::Exit1Click() {
  // Disconnecting is closeEvent's part, so that the window's close button
  // does the same.
  close();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window manager's frame (the title bar) is known only some time after
  // the window is up: the fit is made again then.
  QTimer::singleShot(0, this, &TForm1::FitToScreen);
  QTimer::singleShot(250, this, &TForm1::FitToScreen);
}

void TForm1::FitToScreen() {
  // A geometry kept from another screen, or one no longer there, comes onto
  // the screen the window is nearest to.
  QScreen* screen = QGuiApplication::screenAt(frameGeometry().center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();  // the task bar and panels left out
  QSize frame = frameGeometry().size() - geometry().size();
  if (frame.height() <= 0) frame = QSize(8, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8);
  const QSize most = (room.size() - frame).expandedTo(QSize(200, 150));
  const QSize size = this->size().boundedTo(most);
  if (size != this->size()) resize(size);
  const QSize outer = this->size() + frame;
  const QPoint was = pos();
  const QPoint at(std::clamp(was.x(), room.left(), std::max(room.left(), room.right() + 1 - outer.width())),
                  std::clamp(was.y(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height())));
  if (at != was) move(at);
}

void TForm1::About1Click() {
  if (about_box_ == nullptr) return;
  about_box_->show();
  about_box_->raise();
}

void TForm1::LockFuses1Click() {
  const std::string before = state_.workspace.view(state_.workspace.ConfigView()).text();
  TLockFusesForm dialog(state_, this);
  dialog.exec();
  // Only the configuration views can have changed; the others keep their
  // place. A word changed in the dialog is a hand edit like a typed one:
  // it is in no file.
  for (int n : {6, 7}) bridges_[n].Sync(true);
  if (state_.workspace.view(state_.workspace.ConfigView()).text() != before) HandEdited();
}

void TForm1::GX0450Connection1Click() {
  TImageForm form(state_.chip, picture_program_dir_, FLASHWRIGHT_DATA_DIR, [](const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
  });
  form.exec();
}

QIcon TForm1::AppIcon() {
  // A chip with its pins, drawn: no image format plug-in is needed.
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor("#9aa0a6"));
  for (int i = 0; i < 4; ++i) {
    p.drawRect(6, 12 + 12 * i, 8, 6);
    p.drawRect(50, 12 + 12 * i, 8, 6);
  }
  p.setBrush(QColor("#263238"));
  p.drawRoundedRect(12, 6, 40, 52, 4, 4);
  p.setBrush(QColor("#ffb300"));
  p.drawPolygon(QPolygon({QPoint(36, 12), QPoint(24, 34), QPoint(32, 34), QPoint(28, 52), QPoint(42, 28),
                          QPoint(34, 28)}));
  return QIcon(pixmap);
}

void TForm1::FindChipClick() {
  QDialog dialog(this);
  dialog.setObjectName("FindChipDialog");
  dialog.setWindowTitle("Find a chip");
  auto* layout = new QVBoxLayout(&dialog);
  auto* filter = new QLineEdit(&dialog);
  filter->setObjectName("ChipFilter");
  filter->setPlaceholderText("Type part of the name: 887, 12f6, 1827...");
  auto* list = new QListWidget(&dialog);
  list->setObjectName("ChipList");
  auto* none = new QLabel(&dialog);
  none->setObjectName("NoChipMatches");
  none->hide();
  // By name, the digits as numbers would read them: PIC12F609 before PIC12F1501.
  std::vector<const fw::ChipEntry*> entries = state_.chips.All();
  std::sort(entries.begin(), entries.end(), [](const fw::ChipEntry* a, const fw::ChipEntry* b) {
    return fw::ChipNameOrder(a->ChipName, b->ChipName);
  });
  for (const fw::ChipEntry* e : entries) {
    auto* item = new QListWidgetItem(QString::fromUtf8(e->ChipName), list);
    item->setData(Qt::UserRole, e->IdWord);
    item->setData(Qt::UserRole + 1, QString::fromUtf8(e->ChipName).remove(' ').toLower());
  }
  layout->addWidget(filter);
  layout->addWidget(list);
  layout->addWidget(none);
  const auto refilter = [list, none](const QString& text) {
    // "pic16f 684" finds the PIC16F684: blanks and letter case do not count.
    const QString wanted = QString(text).remove(' ').toLower();
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < list->count(); ++i) {
      QListWidgetItem* item = list->item(i);
      const bool shown = item->data(Qt::UserRole + 1).toString().contains(wanted);
      item->setHidden(!shown);
      if (shown && first == nullptr) first = item;
    }
    list->setCurrentItem(first);
    none->setText("No chip of the catalogue matches \"" + text.trimmed() + "\".");
    none->setVisible(first == nullptr);
  };
  connect(filter, &QLineEdit::textChanged, &dialog, refilter);
  connect(filter, &QLineEdit::returnPressed, &dialog, [&dialog, list] {
    if (list->currentItem() != nullptr) dialog.accept();
  });
  connect(list, &QListWidget::itemActivated, &dialog, [&dialog] { dialog.accept(); });
  refilter({});
  filter->setFocus();
  dialog.resize(320, 420);
  if (dialog.exec() != QDialog::Accepted || list->currentItem() == nullptr) return;
  ChipMenuItemClick(static_cast<std::uint16_t>(list->currentItem()->data(Qt::UserRole).toUInt()));
}
