#include "app/main_form.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/qt_dialogs.h"
#include "log/hex.h"
#include "log/rtf_writer.h"

// The window's files: the memory files' dialogs, loads and saves, and the
// log saved as Rich Text.

const QStringList& TForm1::FileFilters() {
  static const QStringList filters = {"*.hex (*.hex)", "*.eep (*.eep)", "*.bin (*.bin)"};
  return filters;
}


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
  if (Page().hand_edits && !dialogs_.Ask("Warning", "The views hold hand edits that are in no file. Load over them?",
                                   fw::OperatorDialogs::Buttons::kYesNo)) {
    return;
  }
  const QString name = RunFileDialog(OpenDialog1);
  if (name.isEmpty()) return;
  LoadPath(name, section);
}

bool TForm1::LoadPath(const QString& path, fw::FileSection section, fw::FileReport* loaded) {
  const fw::FileReport report = state_.files.LoadFile(path.toStdString(), section);
  if (loaded != nullptr) *loaded = report;
  SyncFromCore();
  // A load that failed changed nothing: the views, their file and their sum
  // are what they were.
  if (!report.done) return false;
  PageState& page = Page();
  page.hand_edits = false;
  page.holds_file = true;
  page.file = path;
  page.section = section;
  AddRecent(path);
  if (watch_.watching() && watch_.path() != path) {
    watch_.Watch(path);
    watch_page_ = state_.workspace.active_page;
  }
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

void TForm1::SaveLogas1Click() {
  // The log is saved as Rich Text, whatever the memory files' filters say.
  QFileDialog dialog(this, "Save Log as");
  dialog.setObjectName("SaveLogDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({"Rich Text (*.rtf)", "All files (*)"});
  dialog.setDefaultSuffix("rtf");
  if (settings_ != nullptr) dialog.setDirectory(settings_->value("lastFolder").toString());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveLogTo(dialog.selectedFiles().first());
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
