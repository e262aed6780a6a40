#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSlider>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSet>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <string>

#include "app/file_watch.h"
#include "app/hex_view.h"
#include "app/view_bridge.h"
#include "chips/chip_menu.h"
#include "operations/app_state.h"

class QtDialogs;
class TStationForm;
class QActionGroup;
class QSplitter;
class QVBoxLayout;
class QHBoxLayout;

// The port box: an editable list of port names, read afresh whenever it
// drops down, so that an adapter plugged in after start-up appears.
class PortBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
  std::function<QStringList()> lister;
  void showPopup() override;
};

// The top panel: its controls in five columns where the window is wide
// enough for them, in three (the operation buttons under the connection and
// the chip) where it is not, so that the window fits an 800 x 600 screen.
class TopPanel : public QWidget {
 public:
  using QWidget::QWidget;
  // Lays the controls out narrow (three columns) or wide (five).
  std::function<void(bool narrow)> arrange;
  // Measures both arrangements; the panel can be as narrow as the narrow one.
  void Measure();
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Fonts and style are final only once the panel is polished: measured again.
  bool event(QEvent* event) override;

 private:
  void Arrange(bool narrow);
  int wide_width_ = 0;  // the least width the five columns take
  QSize narrow_minimum_;
  bool narrow_ = false;
  bool measured_ = false;
};

// The main window. It owns no logic of its own beyond the enabled states: the
// handlers call the core and show what the core holds.
class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  TForm1(fw::AppState& state, QtDialogs& dialogs, const QStringList& ports,
         const QString& initial_port, QWidget* parent = nullptr);
  // The application state the window works on.
  fw::AppState& State() { return state_; }

  // Where the port box's list comes from when it drops down.
  void SetPortLister(std::function<QStringList()> lister) { ComboBox1->lister = std::move(lister); }

  void EnableDeviceControls();
  void DisableDeviceControls();

  // Handlers, named after their components.
  void Button1Click();
  void Button2Click();
  void ComboBox1Change();
  void TrackBar1Change();
  void Exit1Click();
  void SaveLogas1Click();
  // "About Program" shows the about box made at start-up, not modal;
  // "Configuration word..." and "How to connect..." make their window anew
  // and show it modally.
  void About1Click();
  void LockFuses1Click();
  void GX0450Connection1Click();
  void SetAboutBox(QDialog* about_box) { about_box_ = about_box; }
  // Where the pictures lie beside the program (its own folder by default).
  void SetPictureProgramDir(const QString& dir) { picture_program_dir_ = dir; }
  // The File menu: each runs its dialog, then the core's file command.
  void LoadAllfromFile1Click() { LoadCommand(fw::sectAll); }
  void SaveAlltoFile1Click() { SaveCommand(fw::sectAll); }
  void LoadProgramfromFile1Click() { LoadCommand(fw::sectProgram); }
  void SaveProgramtoFile1Click() { SaveCommand(fw::sectProgram); }
  void LoadConfigfromFile1Click() { LoadCommand(fw::sectConfig); }
  void SaveConfigtoFile1Click() { SaveCommand(fw::sectConfig); }
  void Open1Click() { LoadCommand(fw::sectData); }
  void Save1Click() { SaveCommand(fw::sectData); }
  void Button3Click();
  // A load as the File menu's commands do it after their dialog: the file,
  // the log lines, the views and the checksum. False when it did not load.
  bool LoadPath(const QString& path, fw::FileSection section, fw::FileReport* loaded = nullptr);
  // The device buttons: each runs its operation on the active page's views,
  // with CheckBox1 (keep calibration) and CheckBox2 (entire configuration)
  // as the options of the erase and the write.
  void Button4Click();
  void Button8Click();
  void Button5Click();
  void Button9Click();
  void Button6Click();
  void Button10Click();
  void Button11Click();
  void Button7Click();
  // "Restore calibration values..." (Edit menu): the F629 family's OSCCAL
  // word and band-gap bits back into a chip that lost them, pre-filled from
  // the newest calibration record for the selected chip.
  void RestoreCalibrationClick();
  // Whether a device operation runs (its progress window is up), and how the
  // last one ended.
  bool Busy() const { return busy_; }
  fw::Outcome LastOutcome() const { return last_outcome_; }
  // The production station's work: run as a device operation (busy, the
  // questions answered, Cancel stopping it safely), without the window's
  // own record of every operation.
  void RunForStation(const char* command, const std::function<void()>& work);
  // "Production station..." (Edit menu).
  void StationClick();
  // The file the active page's views were loaded from (empty: none), whether
  // they hold hand edits, and the write options the window shows.
  const QString& LoadedFile() const { return Page().file; }
  bool HandEdits() const { return Page().hand_edits; }
  // Whether either page holds hand edits.
  bool AnyHandEdits() const { return pages_[0].hand_edits || pages_[1].hand_edits; }
  bool KeepCalibration() const { return CheckBox1->isChecked(); }
  bool EntireConfiguration() const { return CheckBox2->isChecked(); }
  bool KeepEeprom() const { return KeepEepromCheckBox->isChecked(); }
  // "Program" (Edit menu, F5, the button beside the chip's name): loads the
  // active page's file again as it is on disk (hand edits are dropped, on
  // Yes only), writes program and configuration, the EEPROM where the chip
  // has one, and verifies both, after one question (none once "don't ask
  // again for this file" is ticked); ends with one result line and the
  // checksum. Without a file, the views as they are.
  void ProgramClick();
  // Reloads the active page's file for a run that produces it (the station):
  // hand edits are dropped only after a question. False, logged, when the
  // file did not load or the operator kept the edits.
  bool ReloadForRun(const char* run);
  // "Program when the file changes" (Edit menu): a new build of the loaded
  // file is loaded and programmed without a click.
  void ProgramWhenChanged(bool on);
  // The file given on the command line: loaded as "Load All" does once a
  // chip is selected or found.
  void OpenAtStart(const QString& path);
  // Where the operator's choices are kept between runs (port, delays value,
  // check boxes, last folder, recent files); null: nowhere (tests).
  void SetSettings(QSettings* settings);
  FileWatch& FileWatcher() { return watch_; }
  // The last eight files loaded, newest first.
  const QStringList& RecentFiles() const { return recent_; }
  // The status bar's two parts: the link, and the last or running operation.
  QLabel* LinkStatus = nullptr;
  QLabel* OperationStatus = nullptr;
  QToolButton* ProgramButton = nullptr;
  QAction* ProgramAction = nullptr;
  QAction* WatchAction = nullptr;
  QAction* StationAction = nullptr;
  QSplitter* LogSplitter = nullptr;
  QLabel* DelayValueLabel = nullptr;
  // "Find a chip by name..." (Chip Select, Ctrl+K): the catalogue filtered
  // as the operator types, beside the menus.
  void FindChipClick();
  // The window's icon, drawn.
  static QIcon AppIcon();
  QMenu* RecentMenu = nullptr;

  // "Record every operation to..." (File menu): every device operation
  // appends a line to the production record at `path` (empty: none).
  void RecordTo(const QString& path);
  const QString& RecordPath() const { return record_path_; }
  // Every "Chip Select" item calls this with its entry's ID word; the items
  // are generated from one table (PIC16F6301 for "PIC16F630", ...).
  void ChipMenuItemClick(std::uint16_t id_word);

  // Key-down handlers of the views and the ID word box, taking Windows
  // virtual-key codes; true lets the widget handle the key (the arrows).
  bool RichEdit1KeyDown(std::uint16_t& key, unsigned held = 0) { return ViewKeyDown(1, key, held); }
  bool RichEdit2KeyDown(std::uint16_t& key, unsigned held = 0) { return ViewKeyDown(2, key, held); }
  bool RichEdit3KeyDown(std::uint16_t& key, unsigned held = 0) { return ViewKeyDown(3, key, held); }
  bool RichEdit4KeyDown(std::uint16_t& key, unsigned held = 0) { return ViewKeyDown(4, key, held); }
  bool RichEdit6KeyDown(std::uint16_t& key, unsigned held = 0) { return ViewKeyDown(6, key, held); }
  bool RichEdit7KeyDown(std::uint16_t& key, unsigned held = 0) { return ViewKeyDown(7, key, held); }
  bool Edit2KeyDown(std::uint16_t& key, unsigned modifiers = 0);
  // The key-press handler of Edit2 and the six views: no typed character
  // ever reaches them; their key-down handlers make every change.
  void RichEditsKeyPress(char& key) { key = 0; }

  // Shows what the core holds: view texts, chip name, ID word, map caption.
  void SyncFromCore();
  // Saves the log to `file_name` (the dialog's answer); split out so that the
  // save can be driven without a dialog.
  void SaveLogTo(const QString& file_name);

  // Controls, by their designed names.
  QLabel* Label2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label16 = nullptr;
  IdWordEdit* Edit2 = nullptr;
  // Beside the chip's name: the checksum of the images after the last load,
  // read or write.
  QLabel* ChecksumLabel = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  PortBox* ComboBox1 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button8 = nullptr;
  QPushButton* Button9 = nullptr;
  QPushButton* Button10 = nullptr;
  QPushButton* Button11 = nullptr;
  QLabel* Label1 = nullptr;
  QSlider* TrackBar1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  // "Keep the chip's EEPROM when writing": the write of program and
  // configuration reads the chip's EEPROM into the data view first, so that
  // "Write Data" puts it back and "Verify Data" checks it.
  QCheckBox* KeepEepromCheckBox = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  HexView* RichEdit1 = nullptr;
  HexView* RichEdit2 = nullptr;
  HexView* RichEdit3 = nullptr;
  HexView* RichEdit4 = nullptr;
  HexView* RichEdit6 = nullptr;
  HexView* RichEdit7 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label7 = nullptr;
  QPlainTextEdit* RichEdit5 = nullptr;
  // One of each for the window's life, so that the last name and file type
  // are offered again.
  QFileDialog* OpenDialog1 = nullptr;
  QFileDialog* SaveDialog1 = nullptr;

  // The file dialogs' three file types, in filter-index order.
  static const QStringList& FileFilters();

 private:
  void BuildControls();
  // The top panel's widgets, then their places; the views and the log below.
  void CreateTopControls(QWidget* top);
  void LayOutTopPanel(TopPanel* top);
  QHBoxLayout* chip_row_ = nullptr;
  QHBoxLayout* port_row_ = nullptr;
  QHBoxLayout* delay_row_ = nullptr;
  QHBoxLayout* sum_row_ = nullptr;
  void BuildViewsAndLog(QWidget* central, QVBoxLayout* column);
  void BuildMenus();
  QWidget* BuildPage(int page, HexView*& program, HexView*& data, HexView*& config);
  void SetDeviceControls(bool connected);
  void BuildChipMenu(QMenu* parent, const std::vector<fw::ChipMenuNode>& nodes);
  // The Chip Select item of the selected chip is shown checked.
  void MarkSelectedChip();
  QActionGroup* chip_items_ = nullptr;
  bool ViewKeyDown(int n, std::uint16_t& key, unsigned modifiers = 0);
  void BuildFileDialogs();
  // Runs a file dialog with the last name chosen in it; empty if cancelled.
  QString RunFileDialog(QFileDialog* dialog);
  // Runs a device operation and shows what it left in the views.
  fw::Outcome RunOperation(const char* command, fw::Outcome (fw::DeviceOperations::*operation)());
  // `command` names it in the production record ("write", "read", ...).
  fw::Outcome RunDevice(const char* command, const std::function<fw::Outcome()>& operation);
  // Closing the window while an operation runs asks first, then stops the
  // operation where that loses nothing, and closes after it.
  void closeEvent(QCloseEvent* event) override;
  // A .hex, .eep or .bin file dropped on the window loads as "Load All".
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void BuildDailyWork(QMenu* file, QMenu* edit);
  void RunProgram(bool asked);
  void AddRecent(const QString& path);
  void ShowRecent();
  void SaveSetting(const QString& key, const QVariant& value);
  void UpdateLinkStatus();
  // After a verify that found a difference: the word shown and selected.
  void ShowDifference();
  // A chip is now selected: the file given at start loads.
  void ChipSelected();
  void LoadCommand(fw::FileSection section);
  // The checksum line in the log and beside the chip's name.
  void ShowChecksum();
  // Another chip: both pages are blank, with no file and no sum.
  void ForgetPages();
  // A key or the configuration dialog changed a view: the label sums the
  // views, marked as edited.
  void HandEdited();
  // Before something blanks both pages: asks where hand edits would go;
  // false to stay.
  bool MayDropEdits(const char* what);
  // A message in the status bar with a beep: a key did not do what it names.
  void SayRefused(const std::string& text);
  // The window fits the screen it is on: a restored or grown size never
  // passes the available geometry.
  void FitToScreen();
  void SaveCommand(fw::FileSection section);

  ViewBridge bridges_[8];

  fw::AppState& state_;
  QtDialogs& dialogs_;
  QDialog* about_box_ = nullptr;
  QString picture_program_dir_;
  bool busy_ = false;
  fw::Outcome last_outcome_ = fw::Outcome::kDone;
  FileWatch watch_;
  bool change_pending_ = false;  // the watched file changed during an operation
  // What each page holds: its file, whether the views are that file as
  // loaded, hand edits, and the checksum label beside the chip's name.
  struct PageState {
    QString file;  // the file the views were loaded from; empty: none
    fw::FileSection section = fw::sectAll;
    bool holds_file = false;  // the views are the file as loaded, nothing since
    bool hand_edits = false;  // typed or set in the dialog since the last load or read
    QString checksum = "Checksum: -";
  };
  PageState pages_[2];
  PageState& Page() { return pages_[state_.workspace.active_page == 1 ? 1 : 0]; }
  const PageState& Page() const { return pages_[state_.workspace.active_page == 1 ? 1 : 0]; }
  int watch_page_ = 0;  // the page whose file is watched
  QSet<QString> no_questions_;  // files whose Program asks no more
  QStringList recent_;
  QSettings* settings_ = nullptr;
  TStationForm* station_ = nullptr;
  QString start_file_;
  QString running_;  // the operation running, for the status bar
  QElapsedTimer running_since_;
  QTimer running_timer_;
  // The operator's time with a question open, left out of the operation's.
  QElapsedTimer question_since_;
  qint64 question_ms_ = 0;
  bool question_open_ = false;
  qint64 OperationMs() const {
    return running_since_.elapsed() - question_ms_ - (question_open_ ? question_since_.elapsed() : 0);
  }
  QString record_path_;
  QAction* RecordAction = nullptr;
  bool close_when_done_ = false;
};
