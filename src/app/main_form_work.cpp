// The window's everyday work beside the buttons: Program with one key, a
// file that programs itself when rebuilt, recent files and drops, the
// settings kept between runs, the status bar, and a verify difference shown
// where it is.

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStatusBar>

#include <algorithm>
#include <cstdio>

#include "app/main_form.h"
#include "app/qt_dialogs.h"
#include "app/station_form.h"
#include "images/checksum.h"
#include "production/production.h"
#include "platform/platform.h"

namespace {

constexpr int kRecentFiles = 8;

bool LoadableFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == "hex" || suffix == "eep" || suffix == "bin";
}

}  // namespace

void TForm1::BuildDailyWork(QMenu* file, QMenu* edit) {
  ProgramAction = new QAction("&Program", this);
  ProgramAction->setObjectName("Program1");
  ProgramAction->setShortcut(QKeySequence(Qt::Key_F5));
  ProgramAction->setShortcutContext(Qt::ApplicationShortcut);
  ProgramAction->setToolTip("Write program, configuration and EEPROM from the file loaded, and verify them (F5)");
  connect(ProgramAction, &QAction::triggered, this, &TForm1::ProgramClick);
  WatchAction = new QAction("Program when the file &changes", this);
  WatchAction->setObjectName("ProgramWhenChanged1");
  WatchAction->setCheckable(true);
  connect(WatchAction, &QAction::toggled, this, &TForm1::ProgramWhenChanged);
  QAction* first = edit->actions().value(0);
  edit->insertAction(first, ProgramAction);
  edit->insertAction(first, WatchAction);
  StationAction = new QAction("Production &station...", this);
  StationAction->setObjectName("ProductionStation1");
  connect(StationAction, &QAction::triggered, this, &TForm1::StationClick);
  edit->insertAction(first, StationAction);
  edit->insertSeparator(first);

  RecentMenu = new QMenu("Rec&ent files", this);
  RecentMenu->setObjectName("RecentFiles1");
  QAction* save_log = findChild<QAction*>("SaveLogas1");
  file->insertMenu(save_log, RecentMenu);
  file->insertSeparator(save_log);
  ShowRecent();

  connect(&watch_, &FileWatch::Changed, this, [this](const QString& path) {
    if (busy_) {
      // Never in the middle of an operation: after it.
      change_pending_ = true;
      return;
    }
    state_.log.LogEvent(fw::LogCode::kNone, "    " + path.toStdString() + " changed: programming it");
    // The page the file was loaded on, which is what Program takes.
    PageControl1->setCurrentIndex(watch_page_);
    RunProgram(false);
  });
  connect(&watch_, &FileWatch::Gone, this, [this](const QString& path) {
    state_.log.LogEvent(fw::LogCode::kNone, "    " + path.toStdString() + " is gone: \"Program when the file changes\" is off");
    WatchAction->setChecked(false);
  });

  setAcceptDrops(true);
  LinkStatus = new QLabel(this);
  LinkStatus->setObjectName("LinkStatus");
  OperationStatus = new QLabel(this);
  OperationStatus->setObjectName("OperationStatus");
  // The texts are as long as they need to be; the window is not: a label
  // may shrink to its least width, where what does not fit is cut.
  LinkStatus->setMinimumWidth(120);
  OperationStatus->setMinimumWidth(260);
  statusBar()->addWidget(LinkStatus, 1);
  statusBar()->addPermanentWidget(OperationStatus);
  // The running operation's time, while the progress window lets it show.
  running_timer_.setInterval(200);
  connect(&running_timer_, &QTimer::timeout, this, [this] {
    OperationStatus->setText(QString("%1: %2 s").arg(running_).arg(OperationMs() / 1000.0, 0, 'f', 1));
  });
  UpdateLinkStatus();
}

void TForm1::UpdateLinkStatus() {
  if (LinkStatus == nullptr) return;
  const bool connected_set = Button2->isEnabled();
  if (state_.link.PortValid()) {
    LinkStatus->setText(QString::fromStdString("Connected: " + state_.link.PortPath()));
  } else if (connected_set) {
    LinkStatus->setText("The link closed after a failure: Disconnect, then Connect, opens it again");
  } else {
    LinkStatus->setText("Not connected");
  }
}

void TForm1::ProgramClick() {
  if (busy_) return;
  if (!state_.link.PortValid()) {
    state_.log.LogEvent(fw::LogCode::kNone, Button2->isEnabled() ? "Program: the link is closed; Disconnect, then Connect"
                                                : "Program: not connected; press Connect first");
    return;
  }
  // Program writes the page's file as it is on disk; hand edits in the
  // views are not in it, and are dropped only on Yes.
  const QString& file = LoadedFile();
  const bool edits = HandEdits() && !file.isEmpty();
  if (!file.isEmpty() && (edits || !no_questions_.contains(file))) {
    bool dont_ask = false;
    std::string text = "Program the " + state_.chip.ChipName + " with " + QFileInfo(file).fileName().toStdString() +
                       "?\nProgram memory and configuration are erased and written, then the EEPROM, "
                       "and both are verified.";
    if (edits) {
      text += "\nThe views hold hand edits that are not in the file: they are dropped, and the file is "
              "programmed as it is on disk.";
    }
    if (!dialogs_.AskProgram(text, &dont_ask)) {
      state_.log.LogEvent(fw::LogCode::kNone, "Operation cancelled");
      return;
    }
    if (dont_ask && !edits) no_questions_.insert(file);
  } else if (file.isEmpty()) {
    bool dont_ask = false;
    const std::string edited = HandEdits() ? ", hand edits included" : "";
    if (!dialogs_.AskProgram("Program the " + state_.chip.ChipName + " with what the views show" + edited + "?",
                             &dont_ask)) {
      state_.log.LogEvent(fw::LogCode::kNone, "Operation cancelled");
      return;
    }
  }
  RunProgram(true);
}

bool TForm1::ReloadForRun(const char* run) {
  const QString file = LoadedFile();
  if (file.isEmpty()) return false;
  if (HandEdits()) {
    if (!dialogs_.Ask("Warning", "The views hold hand edits that are not in " + QFileInfo(file).fileName().toStdString() +
                                     ": they are dropped, and the file is produced as it is on disk. Go on?",
                      fw::OperatorDialogs::Buttons::kYesNo)) {
      return false;
    }
    state_.log.LogEvent(fw::LogCode::kNone, "    the hand edits are dropped: " + file.toStdString() +
                                                " is produced as it is on disk");
  }
  // The views may hold a read, the calibration shown after a write, or an
  // older build: what is written is the file, loaded again now.
  const fw::FileSection section = Page().section;
  fw::FileReport report;
  if (!LoadPath(file, section, &report)) {
    state_.log.LogEvent(fw::LogCode::kNone, std::string(run) + ": " + file.toStdString() + " did not load; nothing written");
    return false;
  }
  // A file for another chip would go on only in part, under its own name.
  if (const std::string misfit = fw::FileMisfit(report, state_.chip); !misfit.empty()) {
    state_.log.LogEvent(fw::LogCode::kNone, std::string(run) + ": " + file.toStdString() + " " + misfit +
                                                "; nothing written");
    return false;
  }
  return true;
}

void TForm1::RunProgram(bool asked) {
  (void)asked;
  if (!state_.link.PortValid()) {
    state_.log.LogEvent(fw::LogCode::kNone, "Program: not connected; nothing written");
    return;
  }
  if (!LoadedFile().isEmpty()) {
    // Asked already: the edits go without a second question.
    if (HandEdits()) {
      state_.log.LogEvent(fw::LogCode::kNone, "    the hand edits are dropped: " + LoadedFile().toStdString() +
                                                  " is programmed as it is on disk");
      Page().hand_edits = false;
    }
    if (!ReloadForRun("Program")) return;
  }
  fw::WriteJob job;
  job.keep_calibration = CheckBox1->isChecked();
  job.entire_config = CheckBox2->isChecked();
  job.keep.eeprom = KeepEepromCheckBox->isChecked() && state_.chip.DataSize > 0;
  // Nothing is erased on a chip other than the one chosen.
  job.check_device_id = true;
  fw::UseKeptFolder(job);
  QElapsedTimer took;
  took.start();
  question_ms_ = 0;
  dialogs_.SetQuestionsAnswered(true);
  const fw::Outcome outcome =
      RunDevice("program", [this, &job] { return fw::ProductionWriter(state_).Write(job).outcome; });
  dialogs_.SetQuestionsAnswered(false);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", took.elapsed() / 1000.0);
  std::string result;
  if (outcome == fw::Outcome::kDone) {
    result = "Program: PASS, the " + state_.chip.ChipName + " is written and verified (" + seconds + ")";
  } else if (outcome == fw::Outcome::kDifference && state_.operations.LastDifference()) {
    const fw::Difference& d = *state_.operations.LastDifference();
    result = "Program: FAIL, the chip differs at 0x" + fw::Hex(d.address, 4) + " (" + seconds + ")";
  } else {
    result = std::string("Program: ") +
             (outcome == fw::Outcome::kCancelled ? "cancelled" : outcome == fw::Outcome::kRefused ? "refused" : "FAIL") +
             " (" + seconds + ")";
  }
  state_.log.LogEvent(fw::LogCode::kNone, result);
  if (outcome == fw::Outcome::kDone) ShowChecksum();
  OperationStatus->setText(QString::fromStdString(result));
}

void TForm1::RunForStation(const char* command, const std::function<void()>& work) {
  busy_ = true;
  dialogs_.ResetStop();
  dialogs_.SetQuestionsAnswered(true);
  running_ = command;
  work();
  dialogs_.SetQuestionsAnswered(false);
  busy_ = false;
  SyncFromCore();
  UpdateLinkStatus();
}

void TForm1::StationClick() {
  if (station_ == nullptr) station_ = new TStationForm(state_, *this, settings_, this);
  station_->show();
  station_->raise();
  station_->activateWindow();
}

void TForm1::ProgramWhenChanged(bool on) {
  if (!on) {
    if (watch_.watching()) state_.log.LogEvent(fw::LogCode::kNone, "    \"Program when the file changes\" is off");
    watch_.Stop();
    return;
  }
  if (LoadedFile().isEmpty()) {
    state_.log.LogEvent(fw::LogCode::kNone, "    \"Program when the file changes\" needs a file loaded first");
    WatchAction->setChecked(false);
    return;
  }
  watch_.Watch(LoadedFile());
  watch_page_ = state_.workspace.active_page;
  state_.log.LogEvent(fw::LogCode::kNone, "    watching " + LoadedFile().toStdString() + ": each new build is programmed");
}

void TForm1::OpenAtStart(const QString& path) {
  start_file_ = path;
  if (state_.chip.ChipIdWord != 0) ChipSelected();
}

void TForm1::ChipSelected() {
  if (start_file_.isEmpty() || state_.chip.ChipIdWord == 0) return;
  const QString path = start_file_;
  start_file_.clear();
  LoadPath(path, fw::sectAll);
}

void TForm1::SetSettings(QSettings* settings) {
  settings_ = settings;
  if (settings_ == nullptr) return;
  if (settings_->contains("port")) ComboBox1->setCurrentText(settings_->value("port").toString());
  TrackBar1->setValue(settings_->value("delay", TrackBar1->value()).toInt());
  CheckBox1->setChecked(settings_->value("keepCalibration", CheckBox1->isChecked()).toBool());
  CheckBox2->setChecked(settings_->value("entireConfiguration", CheckBox2->isChecked()).toBool());
  KeepEepromCheckBox->setChecked(settings_->value("keepEeprom", KeepEepromCheckBox->isChecked()).toBool());
  const QString folder = settings_->value("lastFolder").toString();
  if (!folder.isEmpty()) {
    OpenDialog1->setDirectory(folder);
    SaveDialog1->setDirectory(folder);
  }
  recent_ = settings_->value("recentFiles").toStringList().mid(0, kRecentFiles);
  ShowRecent();
  if (settings_->contains("geometry")) {
    restoreGeometry(settings_->value("geometry").toByteArray());
    FitToScreen();
  }
  // The chip of the last run, unless one was chosen or found already.
  const auto chip = static_cast<std::uint16_t>(settings_->value("chip", 0).toUInt());
  if (state_.chip.ChipIdWord == 0 && chip != 0 && state_.chips.Lookup(chip).kind == fw::LookupResult::Kind::kEntry) {
    ChipMenuItemClick(chip);
  }
}

void TForm1::SaveSetting(const QString& key, const QVariant& value) {
  if (settings_ == nullptr) return;
  settings_->setValue(key, value);
  settings_->sync();
}

void TForm1::AddRecent(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  recent_.removeAll(absolute);
  recent_.prepend(absolute);
  while (recent_.size() > kRecentFiles) recent_.removeLast();
  SaveSetting("recentFiles", recent_);
  SaveSetting("lastFolder", QFileInfo(absolute).absolutePath());
  ShowRecent();
}

void TForm1::ShowRecent() {
  if (RecentMenu == nullptr) return;
  RecentMenu->clear();
  for (const QString& path : recent_) {
    // The folder too: two builds of one name are told apart.
    const QFileInfo info(path);
    QString caption = info.fileName() + "  (" + QDir::toNativeSeparators(info.absolutePath()) + ")";
    QAction* item = RecentMenu->addAction(caption.replace('&', "&&"));  // an "&" of the name is no mnemonic
    item->setToolTip(path);
    item->setData(path);
    connect(item, &QAction::triggered, this, [this, path] { LoadPath(path, fw::sectAll); });
  }
  RecentMenu->setEnabled(!recent_.isEmpty());
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile() &&
      LoadableFile(data->urls().first().toLocalFile()) && !busy_) {
    event->acceptProposedAction();
  }
}

void TForm1::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || busy_) return;
  event->acceptProposedAction();
  LoadPath(urls.first().toLocalFile(), fw::sectAll);
}

void TForm1::ShowDifference() {
  const std::optional<fw::Difference>& d = state_.operations.LastDifference();
  if (!d) return;
  const fw::Workspace& w = state_.workspace;
  const bool data = d->memory == fw::Difference::Memory::kData;
  const int n = data ? w.DataView() : d->memory == fw::Difference::Memory::kConfig ? w.ConfigView() : w.ProgramView();
  const fw::View& view = w.view(n);
  const std::uint32_t offset = data ? d->address : d->address - view.AddressBase;
  // A word shows its high byte's digits first.
  const std::uint32_t start = w.HexPosition(view, data ? offset : 2 * offset + 1);
  ViewBridge& bridge = bridges_[n];
  QTextCursor cursor = bridge.widget()->textCursor();
  cursor.setPosition(static_cast<int>(bridge.WidgetPosition(start)));
  cursor.setPosition(static_cast<int>(bridge.WidgetPosition(start + (data ? 2 : 4))), QTextCursor::KeepAnchor);
  bridge.widget()->setTextCursor(cursor);
  bridge.widget()->ensureCursorVisible();
  bridge.widget()->horizontalScrollBar()->setValue(0);
  bridge.widget()->ensureCursorVisible();
  bridge.widget()->setFocus();
}
