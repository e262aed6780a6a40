#include "app/main_form.h"

#include <QActionGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QSplitter>
#include <QVBoxLayout>

// How the main window is built: its controls, the two pages of views, the
// log and the menus.

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

void TForm1::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(4, 4, 4, 4);

  // Top panel: chip fields, connection, operations, delay, options.
  auto* top = new TopPanel(central);
  top->setObjectName("Panel1");
  CreateTopControls(top);
  LayOutTopPanel(top);
  column->addWidget(top);
  BuildViewsAndLog(central, column);
}

void TForm1::CreateTopControls(QWidget* top) {
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
  // Room for the longest sum, "(edited)" included, from the start: a label
  // never widens the window.
  ChecksumLabel->setFixedWidth(ChecksumLabel->fontMetrics().horizontalAdvance("Checksum: 0xFFFF (edited)") + 8);

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
  TrackBar1->setFixedWidth(72);  // room beside it for its value
  DelayValueLabel = new QLabel(top);
  DelayValueLabel->setObjectName("DelayValueLabel");
  DelayValueLabel->setToolTip("Extra milliseconds after every frame to the gateway");
  const auto show_delay = [this](int value) { DelayValueLabel->setText(QString("%1 ms").arg(value)); };
  show_delay(TrackBar1->value());
  connect(TrackBar1, &QSlider::valueChanged, this, show_delay);
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
  ProgramButton = new QToolButton(top);
  ProgramButton->setObjectName("ProgramButton");
  ProgramButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
}

void TForm1::LayOutTopPanel(TopPanel* top) {
  auto* grid = new QGridLayout(top);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  chip_row_ = new QHBoxLayout;
  chip_row_->addWidget(Label2);
  chip_row_->addWidget(Edit1, 1);
  chip_row_->addWidget(Label16);
  chip_row_->addWidget(Edit2);
  port_row_ = new QHBoxLayout;
  port_row_->addWidget(ComboBox1, 1);
  port_row_->addWidget(Button1);
  port_row_->addWidget(Button2);
  delay_row_ = new QHBoxLayout;
  delay_row_->addWidget(Label1);
  delay_row_->addWidget(TrackBar1);
  delay_row_->addWidget(DelayValueLabel);
  delay_row_->addStretch(1);
  // The checksum of what the page holds, and the one key that programs it.
  sum_row_ = new QHBoxLayout;
  sum_row_->addStretch(1);
  sum_row_->addWidget(ChecksumLabel);
  sum_row_->addWidget(ProgramButton);
  top->arrange = [this, grid](bool narrow) {
    // Everything out of the grid (the rows' layouts kept), then in again.
    for (QLayout* row : {static_cast<QLayout*>(chip_row_), static_cast<QLayout*>(port_row_),
                         static_cast<QLayout*>(delay_row_), static_cast<QLayout*>(sum_row_)}) {
      grid->removeItem(row);
    }
    QWidget* placed[] = {Button3, Button11, Button7, Button4, Button5, Button6, Button8, Button9, Button10,
                         CheckBox1, CheckBox2, KeepEepromCheckBox};
    for (QWidget* w : placed) grid->removeWidget(w);
    for (int c = 0; c < 5; ++c) grid->setColumnStretch(c, 0);
    QHBoxLayout* rows[] = {chip_row_, port_row_, delay_row_};
    QWidget* buttons[3][3] = {{Button3, Button11, Button7}, {Button4, Button5, Button6}, {Button8, Button9, Button10}};
    if (narrow) {
      // The connection and the chip above, the nine operations in three
      // columns under them, the options one a line.
      grid->addLayout(chip_row_, 0, 0, 1, 3);
      grid->addLayout(port_row_, 1, 0, 1, 3);
      grid->addLayout(delay_row_, 2, 0);
      grid->addLayout(sum_row_, 2, 1, 1, 2);
      for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) grid->addWidget(buttons[r][c], 3 + r, c);
      }
      grid->addWidget(CheckBox1, 6, 0, 1, 3);
      grid->addWidget(CheckBox2, 7, 0, 1, 3);
      grid->addWidget(KeepEepromCheckBox, 8, 0, 1, 3);
    } else {
      for (int r = 0; r < 3; ++r) {
        grid->addLayout(rows[r], r, 0, 1, 2);
        for (int c = 0; c < 3; ++c) grid->addWidget(buttons[r][c], r, 2 + c);
      }
      grid->addWidget(CheckBox1, 3, 0, 1, 3);
      grid->addWidget(CheckBox2, 3, 3, 1, 2);
      grid->addWidget(KeepEepromCheckBox, 4, 0, 1, 3);
      grid->addLayout(sum_row_, 4, 3, 1, 2);
    }
  };
  top->Measure();
}

void TopPanel::Arrange(bool narrow) {
  narrow_ = narrow;
  if (arrange) arrange(narrow);
  if (layout() != nullptr) layout()->activate();
  updateGeometry();
}

void TopPanel::Measure() {
  // Both arrangements measured once, with the fonts and style they will be
  // shown in.
  Arrange(true);
  narrow_minimum_ = layout()->totalMinimumSize();
  Arrange(false);
  wide_width_ = layout()->totalMinimumSize().width();
  measured_ = true;
}

QSize TopPanel::minimumSizeHint() const {
  if (!measured_) return QWidget::minimumSizeHint();
  // As narrow as three columns allow, as high as the arrangement shown needs.
  return {narrow_minimum_.width(), layout()->totalMinimumSize().height()};
}

bool TopPanel::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::FontChange:
    case QEvent::StyleChange:
      if (measured_) {
        Measure();
        Arrange(width() < wide_width_);
      }
      break;
    default:
      break;
  }
  return handled;
}

void TopPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const bool narrow = width() < wide_width_;
  if (measured_ && narrow != narrow_) Arrange(narrow);
}

void TForm1::BuildViewsAndLog(QWidget* central, QVBoxLayout* column) {
  // The two pages of memory views.
  PageControl1 = new QTabWidget(central);
  PageControl1->setObjectName("PageControl1");
  TabSheet1 = BuildPage(1, RichEdit1, RichEdit3, RichEdit6);
  TabSheet1->setObjectName("TabSheet1");
  TabSheet2 = BuildPage(2, RichEdit2, RichEdit4, RichEdit7);
  TabSheet2->setObjectName("TabSheet2");
  PageControl1->addTab(TabSheet1, "Page1");
  PageControl1->addTab(TabSheet2, "Page2");
  PageControl1->setMinimumHeight(150);

  // The log, below the pages: the operator drags the line between them.
  auto* log_pane = new QWidget(central);
  auto* log_column = new QVBoxLayout(log_pane);
  log_column->setContentsMargins(0, 0, 0, 0);
  Label7 = MakeLabel(log_pane, "Label7", "Log:");
  RichEdit5 = new QPlainTextEdit(log_pane);
  RichEdit5->setObjectName("RichEdit5");
  RichEdit5->setReadOnly(true);
  // Long lines wrap: a path or a reason is read whole without scrolling.
  RichEdit5->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  RichEdit5->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit5->setFont(ViewFont());
  RichEdit5->setStyleSheet("QPlainTextEdit { background: #FFFBF0; }");
  RichEdit5->setMinimumHeight(50);
  log_column->addWidget(Label7);
  log_column->addWidget(RichEdit5, 1);
  LogSplitter = new QSplitter(Qt::Vertical, central);
  LogSplitter->setObjectName("LogSplitter");
  LogSplitter->addWidget(PageControl1);
  LogSplitter->addWidget(log_pane);
  LogSplitter->setStretchFactor(0, 3);
  LogSplitter->setStretchFactor(1, 1);
  LogSplitter->setChildrenCollapsible(false);
  LogSplitter->setSizes({440, 150});  // about eight lines of log to start with
  column->addWidget(LogSplitter, 1);
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

  QMenu* file = bar->addMenu("&File");
  file->setObjectName("File1");
  auto item = [this, &add, file](const char* name, const char* caption, void (TForm1::*handler)()) {
    connect(add(file, name, caption), &QAction::triggered, this, handler);
  };
  item("LoadAllfromFile1", "&Load All from File...", &TForm1::LoadAllfromFile1Click);
  item("SaveAlltoFile1", "&Save All to File...", &TForm1::SaveAlltoFile1Click);
  file->addSeparator();
  item("LoadProgramfromFile1", "Load &Program from File...", &TForm1::LoadProgramfromFile1Click);
  item("SaveProgramtoFile1", "Save P&rogram to File...", &TForm1::SaveProgramtoFile1Click);
  file->addSeparator();
  item("LoadConfigfromFile1", "Load &Config from File...", &TForm1::LoadConfigfromFile1Click);
  item("SaveConfigtoFile1", "Save Con&fig to File...", &TForm1::SaveConfigtoFile1Click);
  file->addSeparator();
  item("Open1", "Load &Data from File...", &TForm1::Open1Click);
  item("Save1", "Save D&ata to File...", &TForm1::Save1Click);
  file->addSeparator();
  connect(add(file, "SaveLogas1", "Save Lo&g as..."), &QAction::triggered, this,
          &TForm1::SaveLogas1Click);
  RecordAction = add(file, "RecordEveryOperation1", "Record e&very operation to...");
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
  QAction* exit = add(file, "Exit1", "E&xit");
  exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(exit, &QAction::triggered, this, &TForm1::Exit1Click);
  // The desktop's own keys for opening and saving a whole chip's file.
  findChild<QAction*>("LoadAllfromFile1")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  findChild<QAction*>("SaveAlltoFile1")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));

  QMenu* edit = bar->addMenu("&Edit");
  edit->setObjectName("Edit3");
  connect(add(edit, "LockFuses1", "Configuration &word..."), &QAction::triggered, this,
          &TForm1::LockFuses1Click);
  edit->addSeparator();
  QAction* restore = add(edit, "RestoreCalibration1", "&Restore calibration values...");
  connect(restore, &QAction::triggered, this, &TForm1::RestoreCalibrationClick);
  // Only a connected link can put values back.
  connect(edit, &QMenu::aboutToShow, this, [this, restore] { restore->setEnabled(state_.link.PortValid()); });

  QMenu* chips = bar->addMenu("&Chip Select");
  chips->setObjectName("ChipSelect1");
  QAction* find = add(chips, "FindChip1", "&Find a chip by name...");
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  connect(find, &QAction::triggered, this, &TForm1::FindChipClick);
  chips->addSeparator();
  BuildChipMenu(chips, fw::ChipSelectMenu());

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("Help1");
  connect(add(help, "About1", "&About Program"), &QAction::triggered, this, &TForm1::About1Click);
  connect(add(help, "GX0450Connection1", "&How to connect..."), &QAction::triggered, this,
          &TForm1::GX0450Connection1Click);
}

void TForm1::BuildChipMenu(QMenu* parent, const std::vector<fw::ChipMenuNode>& nodes) {
  if (chip_items_ == nullptr) {
    chip_items_ = new QActionGroup(this);
    chip_items_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  }
  for (const fw::ChipMenuNode& node : nodes) {
    if (node.IsItem()) {
      QAction* action = parent->addAction(QString::fromStdString(node.caption));
      action->setObjectName(QString::fromStdString(node.name));
      action->setCheckable(true);
      action->setData(node.id_word);
      chip_items_->addAction(action);
      const std::uint16_t id_word = node.id_word;
      connect(action, &QAction::triggered, this, [this, id_word] { ChipMenuItemClick(id_word); });
    } else {
      // "PIC12..." and "PIC16..." take the digits that tell them apart.
      QString caption = QString::fromStdString(node.caption);
      if (caption == "PIC12...") caption = "PIC&12...";
      if (caption == "PIC16...") caption = "PIC1&6...";
      BuildChipMenu(parent->addMenu(caption), node.children);
    }
  }
}

void TForm1::MarkSelectedChip() {
  const fw::LookupResult found = fw::LookupChip(state_.chip.ChipIdWord);
  for (QAction* action : chip_items_->actions()) {
    const auto id = static_cast<std::uint16_t>(action->data().toUInt());
    action->setChecked(found.entry != nullptr && fw::LookupChip(id).entry == found.entry);
  }
}
