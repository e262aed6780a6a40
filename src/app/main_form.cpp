#include "app/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QSysInfo>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/calibration_dialog.h"
#include "app/image_form.h"
#include "app/lock_fuses_form.h"
#include "app/qt_dialogs.h"
#include "images/checksum.h"
#include "log/production_record.h"
#include "log/safe_file.h"
#include "log/sha256.h"
#include "operations/production.h"
#include "images/hex_editing.h"
#include "log/rtf_writer.h"
#include "operations/connection.h"
#include "log/hex.h"

const QStringList& TForm1::FileFilters() {
  static const QStringList filters = {"*.hex (*.hex)", "*.eep (*.eep)", "*.bin (*.bin)"};
  return filters;
}

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(name);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(name);
  return label;
}

HexView* MakeView(QWidget* parent, const QString& name) {
  auto* view = new HexView(parent);
  view->setObjectName(name);
  return view;
}

}  // namespace

void PortBox::showPopup() {
  if (lister) {
    // Refilling the list must not look like the operator changing the port.
    const QSignalBlocker quiet(this);
    const QString typed = currentText();
    clear();
    addItems(lister());
    setCurrentText(typed);
  }
  QComboBox::showPopup();
}

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
  });
  dialogs_.SetOwner(this);
  picture_program_dir_ = QCoreApplication::applicationDirPath();
  dialogs_.SetPages(PageControl1);

  DisableDeviceControls();
  state_.link.ClosePort();
  UpdateLinkStatus();
  state_.link.DelayValue = TrackBar1->value();

  HexView* views[8] = {nullptr, RichEdit1, RichEdit2, RichEdit3, RichEdit4, nullptr, RichEdit6, RichEdit7};
  for (int n : {1, 2, 3, 4, 6, 7}) {
    bridges_[n] = ViewBridge(views[n], &state_.workspace.view(n));
    views[n]->onKeyDown = [this, n](std::uint16_t key) { return ViewKeyDown(n, key); };
    views[n]->onKeyPress = [this](char& key) { RichEditsKeyPress(key); };
  }
  Edit2->onKeyDown = [this](std::uint16_t key) { return Edit2KeyDown(key); };
  Edit2->onKeyPress = [this](char& key) { RichEditsKeyPress(key); };
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this](int index) { state_.workspace.active_page = index; });

  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
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
}

void TForm1::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(4, 4, 4, 4);

  // Top panel: chip fields, connection, operations, delay, options.
  auto* top = new QWidget(central);
  top->setObjectName("Panel1");
  auto* grid = new QGridLayout(top);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);

  Label2 = MakeLabel(top, "Label2", "Chip name:");
  Edit1 = new QLineEdit("None", top);
  Edit1->setObjectName("Edit1");
  Edit1->setReadOnly(true);
  Edit1->setStyleSheet("QLineEdit { background: #FFFFE1; }");
  Label16 = MakeLabel(top, "Label16", "ID word:");
  Edit2 = new IdWordEdit(top);
  Edit2->setObjectName("Edit2");
  Edit2->setText("3FFF");
  Edit2->setStyleSheet("QLineEdit { color: red; }");
  Edit2->setFont(ViewFont());
  Edit2->setFixedWidth(60);
  ChecksumLabel = MakeLabel(top, "ChecksumLabel", "Checksum: -");

  Button1 = MakeButton(top, "Button1", "Connect");
  Button2 = MakeButton(top, "Button2", "Disconnect");
  ComboBox1 = new PortBox(top);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setMinimumWidth(150);
  Button3 = MakeButton(top, "Button3", "Autosearch chip");
  Button4 = MakeButton(top, "Button4", "Read Program && Configuration");
  Button8 = MakeButton(top, "Button8", "Read Data");
  Button5 = MakeButton(top, "Button5", "Write Program && Configuration");
  Button9 = MakeButton(top, "Button9", "Write Data");
  Button6 = MakeButton(top, "Button6", "Verify Program && Configuration");
  Button10 = MakeButton(top, "Button10", "Verify Data");
  Button11 = MakeButton(top, "Button11", "Chip Erase");
  Button7 = MakeButton(top, "Button7", "Read OSCCAL(S)");

  Label1 = MakeLabel(top, "Label1", "Delays value:");
  TrackBar1 = new QSlider(Qt::Horizontal, top);
  TrackBar1->setObjectName("TrackBar1");
  TrackBar1->setRange(0, 5);
  TrackBar1->setTickInterval(1);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  TrackBar1->setPageStep(1);
  TrackBar1->setValue(0);
  TrackBar1->setFixedWidth(110);
  CheckBox1 = new QCheckBox(
      "Save / restore calibration values during Erase / Write operations", top);
  CheckBox1->setObjectName("CheckBox1");
  // Keeping the factory calibration is what nearly every operator wants,
  // and losing an OSCCAL word cannot be undone: on by default, as in the
  // command-line tool.
  CheckBox1->setChecked(true);
  CheckBox2 = new QCheckBox("Write the entire configuration memory (not only the Config Word)", top);
  CheckBox2->setObjectName("CheckBox2");
  KeepEepromCheckBox = new QCheckBox("Keep the chip's EEPROM when writing", top);
  KeepEepromCheckBox->setObjectName("KeepEepromCheckBox");

  auto* chip_row = new QHBoxLayout;
  chip_row->addWidget(Label2);
  chip_row->addWidget(Edit1, 1);
  chip_row->addWidget(Label16);
  chip_row->addWidget(Edit2);
  ProgramButton = new QToolButton(top);
  ProgramButton->setObjectName("ProgramButton");
  ProgramButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  grid->addLayout(chip_row, 0, 0, 1, 2);
  grid->addWidget(Button3, 0, 2);
  grid->addWidget(Button11, 0, 3);
  grid->addWidget(Button7, 0, 4);

  auto* port_row = new QHBoxLayout;
  port_row->addWidget(ComboBox1, 1);
  port_row->addWidget(Button1);
  port_row->addWidget(Button2);
  grid->addLayout(port_row, 1, 0, 1, 2);
  grid->addWidget(Button4, 1, 2);
  grid->addWidget(Button5, 1, 3);
  grid->addWidget(Button6, 1, 4);

  auto* delay_row = new QHBoxLayout;
  delay_row->addWidget(Label1);
  delay_row->addWidget(TrackBar1);
  delay_row->addStretch(1);
  // Under the chip's name: its checksum and the one key that programs it.
  delay_row->addWidget(ChecksumLabel);
  delay_row->addWidget(ProgramButton);
  grid->addLayout(delay_row, 2, 0, 1, 2);
  grid->addWidget(Button8, 2, 2);
  grid->addWidget(Button9, 2, 3);
  grid->addWidget(Button10, 2, 4);

  grid->addWidget(CheckBox1, 3, 0, 1, 3);
  grid->addWidget(CheckBox2, 3, 3, 1, 2);
  grid->addWidget(KeepEepromCheckBox, 4, 0, 1, 3);
  column->addWidget(top);

  // The two pages of memory views.
  PageControl1 = new QTabWidget(central);
  PageControl1->setObjectName("PageControl1");
  TabSheet1 = BuildPage(1, RichEdit1, RichEdit3, RichEdit6);
  TabSheet1->setObjectName("TabSheet1");
  TabSheet2 = BuildPage(2, RichEdit2, RichEdit4, RichEdit7);
  TabSheet2->setObjectName("TabSheet2");
  PageControl1->addTab(TabSheet1, "Page1");
  PageControl1->addTab(TabSheet2, "Page2");
  PageControl1->setMinimumHeight(353);
  column->addWidget(PageControl1, 3);

  // The log.
  Label7 = MakeLabel(central, "Label7", "Log:");
  RichEdit5 = new QPlainTextEdit(central);
  RichEdit5->setObjectName("RichEdit5");
  RichEdit5->setReadOnly(true);
  RichEdit5->setLineWrapMode(QPlainTextEdit::NoWrap);
  RichEdit5->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit5->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit5->setFont(ViewFont());
  RichEdit5->setStyleSheet("QPlainTextEdit { background: #FFFBF0; }");
  RichEdit5->setMinimumHeight(110);
  column->addWidget(Label7);
  column->addWidget(RichEdit5, 1);
}

QWidget* TForm1::BuildPage(int page, HexView*& program, HexView*& data, HexView*& config) {
  auto* sheet = new QWidget;
  auto* grid = new QGridLayout(sheet);
  grid->setContentsMargins(4, 4, 4, 4);
  const int base = page == 1 ? 0 : 1;
  program = MakeView(sheet, QString("RichEdit%1").arg(1 + base));
  data = MakeView(sheet, QString("RichEdit%1").arg(3 + base));
  config = MakeView(sheet, QString("RichEdit%1").arg(6 + base));
  // Narrower than their lines on a small screen, the views scroll sideways.
  for (HexView* view : {program, data, config}) view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  data->SetLineCharacters(80);
  grid->addWidget(new QLabel("Program Memory (Flash):", sheet), 0, 0);
  grid->addWidget(program, 1, 0, 3, 1);
  grid->addWidget(new QLabel("Data Memory (EEPROM):", sheet), 0, 1);
  grid->addWidget(data, 1, 1);
  grid->addWidget(new QLabel("Config Memory (Flash):", sheet), 2, 1);
  auto* config_box = new QVBoxLayout;
  if (page == 1) {
    Label10 = MakeLabel(sheet, "Label10", "Configuration Memory Map: ?");
    Label10->setWordWrap(true);
    config_box->addWidget(Label10);
  }
  config_box->addWidget(config, 1);
  grid->addLayout(config_box, 3, 1);
  grid->setRowStretch(1, 3);
  grid->setRowStretch(3, 2);
  return sheet;
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  auto add = [this](QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    return action;
  };

  QMenu* file = bar->addMenu("File");
  file->setObjectName("File1");
  auto item = [this, &add, file](const char* name, const char* caption, void (TForm1::*handler)()) {
    connect(add(file, name, caption), &QAction::triggered, this, handler);
  };
  item("LoadAllfromFile1", "Load All from File...", &TForm1::LoadAllfromFile1Click);
  item("SaveAlltoFile1", "Save All to File...", &TForm1::SaveAlltoFile1Click);
  file->addSeparator();
  item("LoadProgramfromFile1", "Load Program from File...", &TForm1::LoadProgramfromFile1Click);
  item("SaveProgramtoFile1", "Save Program to File...", &TForm1::SaveProgramtoFile1Click);
  file->addSeparator();
  item("LoadConfigfromFile1", "Load Config from File...", &TForm1::LoadConfigfromFile1Click);
  item("SaveConfigtoFile1", "Save Config to File...", &TForm1::SaveConfigtoFile1Click);
  file->addSeparator();
  item("Open1", "Load Data from File...", &TForm1::Open1Click);
  item("Save1", "Save Data to File...", &TForm1::Save1Click);
  file->addSeparator();
  connect(add(file, "SaveLogas1", "Save Log as..."), &QAction::triggered, this,
          &TForm1::SaveLogas1Click);
  RecordAction = add(file, "RecordEveryOperation1", "Record every operation to...");
  RecordAction->setCheckable(true);
  connect(RecordAction, &QAction::triggered, this, [this](bool on) {
    if (!on) {
      RecordTo({});
      return;
    }
    const QString name = QFileDialog::getSaveFileName(this, "Record every operation to", QString(),
                                                      "JSON Lines (*.jsonl);;All files (*)", nullptr,
                                                      QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    RecordTo(name);
  });
  file->addSeparator();
  connect(add(file, "Exit1", "Exit"), &QAction::triggered, this, &TForm1::Exit1Click);

  QMenu* edit = bar->addMenu("Edit");
  edit->setObjectName("Edit3");
  connect(add(edit, "LockFuses1", "Configuration word..."), &QAction::triggered, this,
          &TForm1::LockFuses1Click);
  edit->addSeparator();
  QAction* restore = add(edit, "RestoreCalibration1", "Restore calibration values...");
  connect(restore, &QAction::triggered, this, &TForm1::RestoreCalibrationClick);
  // Only a connected link can put values back.
  connect(edit, &QMenu::aboutToShow, this, [this, restore] { restore->setEnabled(state_.link.PortValid()); });

  QMenu* chips = bar->addMenu("Chip Select");
  chips->setObjectName("ChipSelect1");
  BuildChipMenu(chips, fw::ChipSelectMenu());

  QMenu* help = bar->addMenu("Help");
  help->setObjectName("Help1");
  connect(add(help, "About1", "About Program"), &QAction::triggered, this, &TForm1::About1Click);
  connect(add(help, "GX0450Connection1", "How to connect..."), &QAction::triggered, this,
          &TForm1::GX0450Connection1Click);
}

void TForm1::BuildChipMenu(QMenu* parent, const std::vector<fw::ChipMenuNode>& nodes) {
  for (const fw::ChipMenuNode& node : nodes) {
    if (node.IsItem()) {
      QAction* action = parent->addAction(QString::fromStdString(node.caption));
      action->setObjectName(QString::fromStdString(node.name));
      const std::uint16_t id_word = node.id_word;
      connect(action, &QAction::triggered, this, [this, id_word] { ChipMenuItemClick(id_word); });
    } else {
      BuildChipMenu(parent->addMenu(QString::fromStdString(node.caption)), node.children);
    }
  }
}

void TForm1::ChipMenuItemClick(std::uint16_t id_word) {
  state_.selector.SelectChip(id_word);
  SyncFromCore();
  ChipSelected();
}

void TForm1::Button3Click() {
  state_.selector.AutosearchChip();
  SyncFromCore();
  UpdateLinkStatus();
  ChipSelected();
}

void TForm1::RecordTo(const QString& path) {
  record_path_ = path;
  RecordAction->setChecked(!path.isEmpty());
  state_.log.LogEvent(fw::LogCode::kNone, path.isEmpty() ? "    the operations are no longer recorded"
                                        : "    every operation is recorded to " + path.toStdString());
}

fw::Outcome TForm1::RunDevice(const char* command, const std::function<fw::Outcome()>& operation) {
  busy_ = true;
  dialogs_.ResetStop();
  const std::size_t first_line = state_.log.Lines().size();
  running_ = command;
  running_since_.start();
  running_timer_.start();
  OperationStatus->setText(QString("%1: running").arg(command));
  const fw::Outcome outcome = operation();
  running_timer_.stop();
  busy_ = false;
  OperationStatus->setText(QString("Last: %1, %2, %3 s")
                               .arg(command, fw::OutcomeName(outcome))
                               .arg(running_since_.elapsed() / 1000.0, 0, 'f', 1));
  if (!record_path_.isEmpty()) {
    fw::ChipRunRecord r = fw::MakeRunRecord(state_, outcome, first_line);
    fw::SystemClock clock;
    r.time = clock.UtcTimestamp();
    r.host = QSysInfo::machineHostName().toStdString();
    r.port = state_.link.PortPath();
    r.command = command;
    r.file = loaded_file_.toStdString();
    std::string bytes, error;
    if (!loaded_file_.isEmpty() && fw::ReadWholeFile(r.file, &bytes, nullptr)) r.file_sha256 = fw::Sha256Hex(bytes);
    if (!fw::AppendRecord(record_path_.toStdString(), r, &error)) dialogs_.Tell("Error", error);
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
      if (!busy_ && watch_.watching()) RunProgram(false);
    });
  }
  return outcome;
}

fw::Outcome TForm1::RunOperation(const char* command, fw::Outcome (fw::DeviceOperations::*operation)()) {
  return RunDevice(command, [this, operation] { return (state_.operations.*operation)(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!busy_) {
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
  ChecksumLabel->setText(QString::fromStdString(fw::LogChecksum(state_.chip, state_.images, state_.log)));
}

void TForm1::Button4Click() {
  if (RunOperation("read", &fw::DeviceOperations::ReadProgramAndConfig) == fw::Outcome::kDone) ShowChecksum();
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
      fw::KeptContents kept;
      const fw::Outcome read = state_.operations.ReadToKeep({.eeprom = true, .user_ids = false, .program = std::nullopt}, &kept);
      if (read != fw::Outcome::kDone) return read;
      std::copy(kept.eeprom.begin(), kept.eeprom.end(), state_.images.DataImage.begin());
      state_.workspace.ShowImage(state_.workspace.DataView(), fw::kDataImage);
      state_.log.LogEvent(fw::LogCode::kNone, "    the chip's EEPROM is kept in the data view: \"Write Data\" puts it back");
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
  const auto newest = state_.calibration_record.NewestFor(chip);
  QString text = "The OSCCAL word and band-gap bits go into a chip whose OSCCAL word is erased, and are read back. "
                 "Only a chip of the PIC12F629/675 or PIC16F630/676 loses them in an erase.";
  if (newest) {
    text += QString::fromStdString("\n\nThe newest record for the " + chip + ": " +
                                   fw::FactoryValuesText(newest->values, state_.chip.ProgramSize / 2 - 1) + ", read " +
                                   newest->time + " on " + newest->port + "\n(" + state_.calibration_record.path() +
                                   "). They are this chip's only if it is the chip they were read from.");
  } else if (state_.chip.ChipIdWord != 0) {
    text += QString::fromStdString("\n\nThere is no calibration record for the " + chip + ".");
  }
  CalibrationValuesDialog dialog(CalibrationValuesDialog::Use::kRestore, text,
                                 newest ? newest->values.osccal : std::nullopt, this);
  if (dialog.exec() != QDialog::Accepted || dialog.answer().kind != fw::CalibrationAnswer::Kind::kUse) return;
  const fw::OsccalValues values = dialog.answer().values;
  RunDevice("restore", [this, values] { return state_.operations.RestoreCalibration(values); });
}

bool TForm1::ViewKeyDown(int n, std::uint16_t& key) {
  ViewBridge& bridge = bridges_[n];
  bridge.view()->caret = bridge.CoreCaret();
  const bool pass_on = fw::ViewKeyDown(*bridge.view(), key);
  if (!pass_on) bridge.Sync(true);
  return pass_on;
}

bool TForm1::Edit2KeyDown(std::uint16_t& key) {
  fw::IdWordBox& box = state_.workspace.id_box;
  box.caret = static_cast<std::uint32_t>(Edit2->hasSelectedText() ? Edit2->selectionStart()
                                                                    : Edit2->cursorPosition());
  const bool pass_on = fw::IdWordKeyDown(box, key);
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

void TForm1::BuildFileDialogs() {
  // Qt's own dialogs: the same on every desktop, and they keep their state
  // between uses. Neither sets a default extension or changes the process's
  // current directory.
  auto make = [this](const char* name, QFileDialog::AcceptMode mode) {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(name);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setNameFilters(FileFilters());
    dialog->setAcceptMode(mode);
    dialog->setSizeGripEnabled(true);
    return dialog;
  };
  OpenDialog1 = make("OpenDialog1", QFileDialog::AcceptOpen);
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  SaveDialog1 = make("SaveDialog1", QFileDialog::AcceptSave);
  SaveDialog1->setFileMode(QFileDialog::AnyFile);
  SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite);
}

QString TForm1::RunFileDialog(QFileDialog* dialog) {
  const QString last = dialog->property("lastFile").toString();
  if (!last.isEmpty()) dialog->selectFile(last);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
  const QString name = dialog->selectedFiles().first();
  dialog->setProperty("lastFile", name);
  SaveSetting("lastFolder", QFileInfo(name).absolutePath());
  return name;
}

void TForm1::LoadCommand(fw::FileSection section) {
  const QString name = RunFileDialog(OpenDialog1);
  if (name.isEmpty()) return;
  LoadPath(name, section);
}

bool TForm1::LoadPath(const QString& path, fw::FileSection section) {
  const fw::FileReport report = state_.files.LoadFile(path.toStdString(), section);
  SyncFromCore();
  if (!report.done) return false;
  loaded_file_ = path;
  loaded_section_ = section;
  loaded_stamp_ = {QFileInfo(path).size(), QFileInfo(path).lastModified()};
  AddRecent(path);
  if (watch_.watching() && watch_.path() != path) watch_.Watch(path);
  const auto& words = state_.files.ConfigWordsLoaded();
  if (!CheckBox2->isChecked() && (words[0] || words[1] || words[2] || words[3])) {
    const std::string range = "0x" + fw::Hex(state_.chip.ConfigBase, 4) + "-0x" + fw::Hex(state_.chip.ConfigBase + 3, 4);
    state_.log.LogEvent(fw::LogCode::kNone, std::string("    the file sets the user IDs (") + range +
                               "): \"Write Program && Configuration\" writes them only with \"Write the entire "
                               "configuration memory\" checked; \"Program\" writes them as the file sets them");
  }
  ShowChecksum();
  return true;
}

void TForm1::SaveCommand(fw::FileSection section) {
  const QString name = RunFileDialog(SaveDialog1);
  if (name.isEmpty()) return;
  const int filter_index = static_cast<int>(FileFilters().indexOf(SaveDialog1->selectedNameFilter())) + 1;
  state_.files.SaveFile(name.toStdString(), filter_index, section);
  // The views' text is unchanged, but taking the images moved their carets.
  SyncFromCore();
}

void TForm1::About1Click() {
  if (about_box_ == nullptr) return;
  about_box_->show();
  about_box_->raise();
}

void TForm1::LockFuses1Click() {
  TLockFusesForm dialog(state_, this);
  dialog.exec();
  // Only the configuration views can have changed; the others keep their
  // place.
  for (int n : {6, 7}) bridges_[n].Sync(true);
}

void TForm1::GX0450Connection1Click() {
  TImageForm form(state_.chip, picture_program_dir_, FLASHWRIGHT_DATA_DIR, [](const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
  });
  form.exec();
}

void TForm1::SaveLogas1Click() {
  const QString name = RunFileDialog(SaveDialog1);
  if (name.isEmpty()) return;
  SaveLogTo(name);
}

void TForm1::SaveLogTo(const QString& file_name) {
  std::string error;
  const std::string path = file_name.toStdString();
  if (!fw::SaveLogFile(state_.log.Lines(), path, &error)) {
    dialogs_.Tell("Error", error);
    return;
  }
  state_.log.LogEvent(fw::LogCode::kLogSaved, path);
}
