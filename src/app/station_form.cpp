#include "app/station_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "log/hex.h"
#include "platform/platform.h"

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TStationForm::TStationForm(fw::AppState& state, TForm1& form, QSettings* settings, QWidget* parent)
    : QDialog(parent), state_(state), form_(form), settings_(settings) {
  setObjectName("StationForm");
  setWindowTitle("Production station");
  Build();
  // A third of a second between looks: quick for the operator, idle for the CPU.
  poll_.setInterval(300);
  connect(&poll_, &QTimer::timeout, this, &TStationForm::Poll);
}

TStationForm::~TStationForm() { StopClick(); }

void TStationForm::Build() {
  auto* layout = new QVBoxLayout(this);
  VerdictLabel = new QLabel("Stopped", this);
  VerdictLabel->setObjectName("VerdictLabel");
  VerdictLabel->setAlignment(Qt::AlignCenter);
  VerdictLabel->setMinimumHeight(120);
  QFont big = VerdictLabel->font();
  big.setPointSize(48);
  big.setBold(true);
  VerdictLabel->setFont(big);
  VerdictLabel->setAutoFillBackground(true);
  layout->addWidget(VerdictLabel);
  ReasonLabel = new QLabel(this);
  ReasonLabel->setObjectName("ReasonLabel");
  ReasonLabel->setWordWrap(true);
  layout->addWidget(ReasonLabel);

  auto* figures = new QHBoxLayout;
  QFont large = font();
  large.setPointSize(16);
  SerialLabel = new QLabel("Serial: -", this);
  SerialLabel->setObjectName("SerialLabel");
  SerialLabel->setFont(large);
  CountsLabel = new QLabel(this);
  CountsLabel->setObjectName("CountsLabel");
  CountsLabel->setFont(large);
  figures->addWidget(SerialLabel, 1);
  figures->addWidget(CountsLabel, 1);
  layout->addLayout(figures);

  HistoryTable = new QTableWidget(0, 4, this);
  HistoryTable->setObjectName("HistoryTable");
  HistoryTable->setHorizontalHeaderLabels({"Time", "Serial", "Result", "Reason"});
  HistoryTable->horizontalHeader()->setStretchLastSection(true);
  HistoryTable->verticalHeader()->setVisible(false);
  HistoryTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  HistoryTable->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(HistoryTable, 1);

  auto* form = new QFormLayout;
  auto file_row = [&](const char* name, const char* caption, const char* key, bool save) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    if (settings_ != nullptr) edit->setText(settings_->value(key).toString());
    auto* browse = new QPushButton("...", this);
    browse->setAccessibleName(QString(caption) + " browse");
    connect(browse, &QPushButton::clicked, this, [this, edit, save] {
      const QString name = QFileDialog::getSaveFileName(this, "Choose the file", edit->text(), QString(), nullptr,
                                                        QFileDialog::DontUseNativeDialog |
                                                            (save ? QFileDialog::DontConfirmOverwrite
                                                                  : QFileDialog::Options()));
      if (!name.isEmpty()) edit->setText(name);
    });
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    // A row of a layout takes its label's mnemonic only through a buddy.
    auto* label = new QLabel(caption, this);
    label->setBuddy(edit);
    form->addRow(label, row);
    return edit;
  };
  RecordEdit = file_row("RecordEdit", "&Record file:", "station/record", true);
  SerialFileEdit = file_row("SerialFileEdit", "Serial &file:", "station/serialFile", true);
  SerialStartEdit = new QLineEdit(this);
  SerialStartEdit->setObjectName("SerialStartEdit");
  SerialStartEdit->setPlaceholderText("none, or START or START:STEP (1000, 0x100:2)");
  SerialPlaceEdit = new QLineEdit(this);
  SerialPlaceEdit->setObjectName("SerialPlaceEdit");
  SerialPlaceEdit->setPlaceholderText("ids, eeprom:ADDR:BYTES or retlw:ADDR:BYTES");
  if (settings_ != nullptr) {
    SerialStartEdit->setText(settings_->value("station/serialStart").toString());
    SerialPlaceEdit->setText(settings_->value("station/serialPlace").toString());
  }
  DatabaseEdit = new QLineEdit(this);
  DatabaseEdit->setObjectName("DatabaseEdit");
  DatabaseEdit->setPlaceholderText("none, or a PostgreSQL URL shared by the stations (in place of the two files)");
  // A password in the URL shows only while it is typed.
  DatabaseEdit->setEchoMode(QLineEdit::PasswordEchoOnEdit);
  SeriesEdit = new QLineEdit(this);
  SeriesEdit->setObjectName("SeriesEdit");
  SeriesEdit->setPlaceholderText("with a database: the serial series' name");
  if (settings_ != nullptr) {
    DatabaseEdit->setText(settings_->value("station/database").toString());
    SeriesEdit->setText(settings_->value("station/series").toString());
  }
  form->addRow("Serial &start:", SerialStartEdit);
  form->addRow("Serial &place:", SerialPlaceEdit);
  form->addRow("&Database:", DatabaseEdit);
  form->addRow("Series:", SeriesEdit);
  layout->addLayout(form);

  auto* buttons = new QHBoxLayout;
  StartButton = new QPushButton("S&tart", this);
  StartButton->setObjectName("StartButton");
  ProgramNowButton = new QPushButton("&Program now (Space, F5)", this);
  ProgramNowButton->setObjectName("ProgramNowButton");
  ProgramNowButton->setEnabled(false);
  auto* close = new QPushButton("&Close", this);
  buttons->addWidget(StartButton);
  buttons->addWidget(ProgramNowButton);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(StartButton, &QPushButton::clicked, this, [this] { Running() ? StopClick() : StartClick(); });
  connect(ProgramNowButton, &QPushButton::clicked, this, &TStationForm::ProgramNowClick);
  connect(close, &QPushButton::clicked, this, &TStationForm::reject);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
  ShowCounts();
  resize(720, 620);
}

void TStationForm::Verdict(const QString& text, const QString& colour) {
  VerdictLabel->setText(text);
  VerdictLabel->setStyleSheet(colour.isEmpty() ? QString() : "background-color: " + colour + "; color: white;");
}

void TStationForm::Keep() {
  if (settings_ == nullptr) return;
  settings_->setValue("station/record", RecordEdit->text());
  settings_->setValue("station/serialFile", SerialFileEdit->text());
  settings_->setValue("station/serialStart", SerialStartEdit->text());
  settings_->setValue("station/serialPlace", SerialPlaceEdit->text());
  settings_->setValue("station/database", DatabaseEdit->text());
  settings_->setValue("station/series", SeriesEdit->text());
  settings_->sync();
}

QString TStationForm::Prepare() {
  if (form_.LoadedFile().isEmpty()) return "Load the file to produce first (File, Load All from File...).";
  if (!state_.link.PortValid()) return "Connect to the gateway first.";
  // Every chip gets the file as it is on disk, never what the views came to
  // hold since (a read, a hand edit, the dialog's bits): the record names it.
  if (!form_.ReloadForRun("Production station")) {
    return "The file to produce did not load again, or its hand edits were kept: nothing started (the log says which).";
  }
  fw::ProductionSetup setup;
  fw::WriteJob& job = setup.job;
  job.keep_calibration = form_.KeepCalibration();
  job.entire_config = form_.EntireConfiguration();
  job.keep.eeprom = form_.KeepEeprom() && state_.chip.DataSize > 0;
  job.check_device_id = true;
  fw::UseKeptFolder(job);
  std::string why;
  const std::string start = SerialStartEdit->text().trimmed().toStdString();
  const std::string place = SerialPlaceEdit->text().trimmed().toStdString();
  const std::string url = DatabaseEdit->text().trimmed().toStdString();
  const std::string series = SeriesEdit->text().trimmed().toStdString();
  if (!url.empty() && (!RecordEdit->text().trimmed().isEmpty() || !SerialFileEdit->text().trimmed().isEmpty())) {
    return "Give the database or the record and serial files, not both.";
  }
  std::optional<fw::SerialStart> first;
  if (!start.empty()) {
    first = fw::ParseSerialStart(start, &why);
    if (!first) return Text(why);
  }
  const bool numbered = !start.empty() || (!url.empty() && !series.empty());
  if (numbered || !place.empty()) {
    job.serial_place = fw::ParseSerialPlace(place, false, &why);
    if (!job.serial_place) return Text(why);
    if (!url.empty() && series.empty()) return "With a database, name the serial series.";
    if (url.empty() && !first) return "Give the serial start.";
  }
  if (!url.empty()) {
    if (const std::string problem = fw::SeriesNameProblem(series); !problem.empty()) return Text(problem);
    database_ = std::make_unique<fw::DatabaseStore>(fw::DatabaseSetup{
        .url = url,
        .series = numbered ? series : std::string(),
        .start = first,
        .spool_folder = fw::platform::DataPath("spool"),
        .station = QSysInfo::machineHostName().toStdString() + " " + state_.link.PortPath(),
        // A wait for the server keeps the window drawn; Cancel or closing
        // the window ends it.
        .stop =
            [this] {
              QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
              return state_.dialogs.StopRequested();
            },
        .say = [this](const std::string& text) {
          ReasonLabel->setText(Text(text));
          state_.log.LogEvent(fw::LogCode::kNone, "    " + text);
        }});
    setup.store = database_.get();
  } else if (first) {
    serials_ = std::make_unique<fw::SerialNumbers>(*first, SerialFileEdit->text().trimmed().toStdString());
    if (!serials_->Peek(&why)) return Text(why);
    setup.serials = serials_.get();
  }
  setup.record_path = RecordEdit->text().trimmed().toStdString();
  setup.host = QSysInfo::machineHostName().toStdString();
  setup.port = state_.link.PortPath();
  setup.file = form_.LoadedFile().toStdString();
  setup.command = "write";
  run_ = std::make_unique<fw::ProductionRun>(state_, std::move(setup), clock_, [this](const char* step) {
    Verdict("Writing", "#1f4e9c");
    ReasonLabel->setText(step);
    // The number going onto the chip now, not the last chip's.
    if (run_ && run_->writing_serial()) SerialLabel->setText(QString("Serial: %1 (writing)").arg(*run_->writing_serial()));
  });
  // A run that cannot keep its records, or cannot write its numbers with
  // this file, is refused before the first chip and counts none.
  std::string unready = run_->Unready();
  if (unready.empty()) unready = run_->JobProblem();
  if (!unready.empty()) {
    run_.reset();
    return Text(unready);
  }
  return {};
}

void TStationForm::StartClick() {
  if (Running()) return;
  const QString why = Prepare();
  if (!why.isEmpty()) {
    Verdict("Not started", "#8a6d00");
    ReasonLabel->setText(why);
    return;
  }
  Keep();
  station_ = std::make_unique<fw::Station>(*run_);
  for (QLineEdit* edit : {RecordEdit, SerialFileEdit, SerialStartEdit, SerialPlaceEdit, DatabaseEdit, SeriesEdit}) {
    edit->setEnabled(false);
  }
  StartButton->setText("S&top");
  ProgramNowButton->setEnabled(true);
  Verdict("Put in a chip", "");
  ReasonLabel->setText(Text("Waiting for a " + state_.chip.ChipName + " from " +
                            QFileInfo(form_.LoadedFile()).fileName().toStdString()));
  state_.log.LogEvent(fw::LogCode::kNone, "    production station started: " + state_.chip.ChipName + " from " +
                                              form_.LoadedFile().toStdString());
  ShowCounts();
  poll_.start();
  Poll();
}

void TStationForm::StopClick() {
  poll_.stop();
  if (!station_) return;
  station_.reset();
  state_.log.LogEvent(fw::LogCode::kNone, "    production station stopped: " + std::to_string(run_->passed()) +
                                              " passed, " + std::to_string(run_->failed()) + " failed");
  for (QLineEdit* edit : {RecordEdit, SerialFileEdit, SerialStartEdit, SerialPlaceEdit, DatabaseEdit, SeriesEdit}) {
    edit->setEnabled(true);
  }
  StartButton->setText("S&tart");
  ProgramNowButton->setEnabled(false);
  Verdict("Stopped", "");
}

void TStationForm::Poll() {
  // Never inside another operation, nor inside this one's own progress window.
  if (!station_ || polling_ || form_.Busy()) return;
  polling_ = true;
  fw::ChipResult result;
  std::string said;
  fw::Station::Event event = fw::Station::Event::kNothing;
  form_.RunForStation("station", [&] { event = station_->Poll(&result, &said); });
  polling_ = false;
  switch (event) {
    case fw::Station::Event::kProgrammed:
      Show(result);
      break;
    case fw::Station::Event::kWrongChip:
      ReasonLabel->setText(Text(said));
      break;
    case fw::Station::Event::kLinkDown:
      StopClick();
      Verdict("Link lost", "#b00020");
      ReasonLabel->setText("The gateway stopped answering or its port is gone: Disconnect, Connect, then Start again.");
      break;
    case fw::Station::Event::kNothing:
      if (station_ && station_->waiting_for_removal() && !VerdictLabel->text().startsWith("Take")) {
        ReasonLabel->setText(ReasonLabel->text().isEmpty() ? "Take the chip out" : ReasonLabel->text());
      }
      break;
  }
}

void TStationForm::ProgramNowClick() {
  if (!station_ || polling_ || form_.Busy()) return;
  polling_ = true;
  fw::ChipResult result;
  form_.RunForStation("station", [&] { result = station_->ProgramNow(); });
  polling_ = false;
  Show(result);
}

void TStationForm::Show(const fw::ChipResult& r) {
  Verdict(r.passed() ? "PASS" : "FAIL", r.passed() ? "#1b7f2a" : "#b00020");
  ReasonLabel->setText(r.passed() ? "Take the chip out and put in the next" : Text(r.reason));
  ShowCounts();
  if (r.record_failed) {
    StopClick();
    Verdict("FAIL", "#b00020");
    ReasonLabel->setText(Text(r.reason) + "\nThe station stopped: a chip without its record is not produced.");
  } else if (r.stop_after) {
    StopClick();
    Verdict(r.passed() ? "PASS" : "FAIL", r.passed() ? "#1b7f2a" : "#b00020");
    ReasonLabel->setText(Text(r.note) + "\nThe station stopped before the next chip.");
  } else if (r.link_lost) {
    StopClick();
    Verdict("FAIL", "#b00020");
    ReasonLabel->setText(Text(r.reason) + "\nThe link is lost: Disconnect, Connect, then Start again.");
  }
}

void TStationForm::ShowCounts() {
  const int passed = run_ ? run_->passed() : 0, failed = run_ ? run_->failed() : 0;
  const int all = passed + failed;
  CountsLabel->setText(QString("Passed %1   Failed %2   Yield %3")
                           .arg(passed)
                           .arg(failed)
                           .arg(all == 0 ? QString("-") : QString::number(100.0 * passed / all, 'f', 1) + " %"));
  QString serial = "Serial: -";
  if (run_ && !run_->history().empty() && run_->history().front().serial) {
    serial = QString("Serial: %1").arg(*run_->history().front().serial);
  }
  if (run_ && run_->store().Numbered()) {
    std::string why;
    if (const auto next = run_->store().Peek(&why)) serial += QString("   next %1").arg(*next);
  }
  SerialLabel->setText(serial);
  HistoryTable->setRowCount(0);
  if (!run_) return;
  for (const fw::ChipResult& r : run_->history()) {
    const int row = HistoryTable->rowCount();
    HistoryTable->insertRow(row);
    const QString time = Text(r.time).mid(11, 8);
    const QStringList cells = {time, r.serial ? QString::number(*r.serial) : "-", r.passed() ? "PASS" : "FAIL",
                               Text(r.reason)};
    for (int c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == 2) item->setForeground(r.passed() ? QColor("#1b7f2a") : QColor("#b00020"));
      HistoryTable->setItem(row, c, item);
    }
  }
  HistoryTable->resizeColumnsToContents();
}

bool TStationForm::ProgramKey(const QKeyEvent* key) const {
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  // Held down, a key repeats: one chip per press.
  if (key->key() == Qt::Key_F5) return !key->isAutoRepeat();
  if (key->key() != Qt::Key_Space || key->isAutoRepeat()) return false;
  // While the station runs, Space programs wherever the focus is (the Stop
  // button included: stopping is a click); stopped, it types into the
  // fields and presses the focused button as anywhere else.
  return Running() || (qobject_cast<QLineEdit*>(focusWidget()) == nullptr &&
                       qobject_cast<QPushButton*>(focusWidget()) == nullptr);
}

bool TStationForm::eventFilter(QObject* target, QEvent* event) {
  // The station's keys come before any control of it sees them.
  if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
      ProgramKey(static_cast<QKeyEvent*>(event))) {
    event->accept();
    if (event->type() == QEvent::KeyPress) ProgramNowClick();
    return true;
  }
  return QDialog::eventFilter(target, event);
}

bool TStationForm::event(QEvent* event) {
  // F5 here is this window's, before the main window's Program.
  if (event->type() == QEvent::ShortcutOverride && ProgramKey(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QDialog::event(event);
}

void TStationForm::keyPressEvent(QKeyEvent* event) {
  if (ProgramKey(event)) {
    ProgramNowClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TStationForm::closeEvent(QCloseEvent* event) {
  if (polling_) {
    // A chip being written ends first, safely (its Cancel is the way to stop).
    event->ignore();
    return;
  }
  StopClick();
  event->accept();
}

void TStationForm::reject() {
  if (polling_) return;
  StopClick();
  QDialog::reject();
}
