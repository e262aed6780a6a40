// The window's work beyond its buttons' first course, against the
// in-process simulated gateway on the fake clock: keeping the factory
// calibration (the values asked for, a stop from the progress window or
// from closing the window, putting values back).

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <unistd.h>

#include <functional>

#include "app/calibration_dialog.h"
#include "app/main_form.h"
#include "app/progress_form.h"
#include "app/qt_dialogs.h"
#include "fakes.h"
#include "log/production_record.h"
#include "sim/simulated_gateway.h"

namespace {

// Questions answered Yes without a box; everything else as the window has it.
class AnsweringDialogs : public QtDialogs {
 public:
  bool Ask(const std::string& caption, const std::string& text, Buttons) override {
    asked.push_back(caption + ": " + text);
    return true;
  }
  std::vector<std::string> asked;
};

// Calls `hook` with the number of each frame written, before it goes out.
class HookDevice : public fw::SerialDevice {
 public:
  HookDevice(std::unique_ptr<fw::SerialDevice> inner, std::function<void(int)>* hook)
      : inner_(std::move(inner)), hook_(hook) {}
  bool GetState() override { return inner_->GetState(); }
  bool SetState() override { return inner_->SetState(); }
  void Purge() override { inner_->Purge(); }
  bool Write(const std::uint8_t* bytes, std::size_t length) override {
    if (*hook_) (*hook_)(++frames_);
    return inner_->Write(bytes, length);
  }
  int BytesWaiting() override { return inner_->BytesWaiting(); }
  int Read(std::uint8_t* bytes, int length) override { return inner_->Read(bytes, length); }

 private:
  std::unique_ptr<fw::SerialDevice> inner_;
  std::function<void(int)>* hook_;
  int frames_ = 0;
};

struct SimWindow {
  fw::test::FakeClock clock;
  fw::test::FakePause pause;
  AnsweringDialogs dialogs;
  fw::sim::SimulatedGateway gateway;
  std::function<void(int)> hook;
  fw::AppState state;
  TForm1 form;
  std::string record;

  explicit SimWindow(const char* chip)
      : gateway(*fw::FindChipByName(chip), 3, {}, [this] { return pause.elapsed_us; }),
        state(clock, pause, dialogs,
              [this](const std::string&, std::string*) { return std::make_unique<HookDevice>(gateway.Open(), &hook); }),
        form(state, dialogs, {"sim"}, "sim") {
    pause.record = false;
    record = QDir::temp().filePath(QString("flashwright_window_%1.log").arg(getpid())).toStdString();
    std::remove(record.c_str());
    state.calibration_record.SetPath(record);
    form.show();
    form.Button1Click();
    form.ChipMenuItemClick(fw::FindChipByName(chip)->IdWord);
  }
  ~SimWindow() { std::remove(record.c_str()); }
  fw::sim::VirtualChip& chip() { return gateway.chip(); }
  fw::OsccalValues OnChip() {
    return {chip().ProgramWord(chip().program_words() - 1), static_cast<std::uint8_t>((chip().ConfigWord(7) >> 12) & 3)};
  }
  QString LastLine() const { return form.RichEdit5->document()->lastBlock().text(); }
  bool Logged(const QString& start) const { return form.RichEdit5->toPlainText().contains("\n" + start); }
};

constexpr fw::OsccalValues kFactory{0x34A8, 0b10};

// Runs `act` on the next modal dialog of type T once it is up (the work may
// let timers run before it opens the dialog).
template <typename T>
void WhenModal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start(5);
}

// Answers the next calibration dialog: types the values and presses
// `button` (0 keep or restore, 1 erase without, 2 cancel); `text` and
// `offered` get what it said and offered.
void AnswerCalibration(const QString& osccal, const QString& bg, int button, QString* text, QString* offered) {
  WhenModal<CalibrationValuesDialog>([=](CalibrationValuesDialog* dialog) {
    *text = dialog->TextLabel->text();
    *offered = dialog->OsccalEdit->text() + " " + dialog->BandGapEdit->text();
    dialog->OsccalEdit->setText(osccal);
    dialog->BandGapEdit->setText(bg);
    QPushButton* buttons[] = {dialog->UseButton, dialog->LoseButton, dialog->CancelButton};
    buttons[button]->click();
    if (dialog->isVisible()) {
      // Not taken: the dialog says why and stays; the right values then.
      QVERIFY(dialog->ProblemLabel->isVisible());
      dialog->OsccalEdit->setText("34B4");
      dialog->BandGapEdit->setText("01");
      dialog->UseButton->click();
    }
  });
}

}  // namespace

class WindowOperationsTest : public QObject {
  Q_OBJECT

 private slots:
  void keepsTheCalibrationByDefault() {
    SimWindow w("PIC16F630");
    QVERIFY(w.form.CheckBox1->isChecked());
    w.form.Button11Click();
    QCOMPARE(w.OnChip(), kFactory);
    QVERIFY(w.Logged("    OSCCAL word & BG-bits has been restored"));
  }

  void asksForTheValuesOfAProtectedChip() {
    SimWindow w("PIC12F675");
    w.chip().SetConfigWord(7, 0x2F7F);  // code protection on
    QString text, offered;
    // A value that is no calibration is not taken: the dialog stays.
    AnswerCalibration("3FFF", "10", 0, &text, &offered);
    w.form.Button11Click();
    QVERIFY(text.contains("reads 0000"));
    QCOMPARE(w.OnChip(), (fw::OsccalValues{0x34B4, 0b01}));
    QCOMPARE(w.LastLine(), QString("       Finished"));

    // Cancel there stops before anything is erased.
    w.chip().SetConfigWord(7, 0x2F7F);
    AnswerCalibration("", "", 2, &text, &offered);
    w.form.Button11Click();
    QCOMPARE(w.LastLine(), QString("Operation cancelled"));
    QVERIFY(w.chip().CodeProtected());
    QCOMPARE(offered, QString("34B4 01"));  // the newest record is offered
  }

  void theProgressWindowsCancelWaitsForTheValues() {
    SimWindow w("PIC16F630");
    bool cancel_shown = false, gate_held = true;
    w.hook = [&](int frame) {
      if (frame != 3000) return;
      TLBar* bar = w.dialogs.CurrentProgress();
      cancel_shown = bar != nullptr && bar->CancelButton != nullptr && bar->CancelButton->isVisible();
      if (!cancel_shown) return;
      // While the work runs, the main window takes no click.
      const int lines = w.form.RichEdit5->document()->blockCount();
      QTest::mouseClick(w.form.Button4, Qt::LeftButton);
      gate_held = w.form.RichEdit5->document()->blockCount() == lines;
      bar->CancelButton->click();
    };
    w.form.Button5Click();
    QVERIFY(cancel_shown);
    QVERIFY(gate_held);
    QCOMPARE(w.LastLine(), QString("Operation cancelled"));
    QVERIFY(w.Logged("    OSCCAL word & BG-bits has been restored"));
    QCOMPARE(w.OnChip(), kFactory);
  }

  void closingDuringAWriteAsksThenStopsSafely() {
    SimWindow w("PIC16F676");
    w.hook = [&](int frame) {
      if (frame == 3000) w.form.close();
    };
    w.form.Button5Click();
    QCOMPARE(w.dialogs.asked.back().rfind("Warning: An operation is running.", 0), std::size_t{0});
    QVERIFY(!w.form.isVisible());
    QCOMPARE(w.OnChip(), kFactory);
    QVERIFY(w.Logged("Operation cancelled"));
    QVERIFY(!w.gateway.gateway().vpp_on());
  }

  void aLoadShowsTheChecksumAndSaysWhatIsNotWritten() {
    SimWindow w("PIC16F684");
    const QString path = QDir::temp().filePath(QString("flashwright_window_%1.hex").arg(getpid()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // A word at 0, the user IDs 1 2 3 4, the configuration word 0x3FF4.
    file.write(":020000000128D5\n:084000000100020003000400AE\n:02400E00F43F7D\n:00000001FF\n");
    file.close();
    QVERIFY(w.form.LoadPath(path, fw::sectAll));
    QVERIFY(w.Logged("    the file sets the user IDs (0x2000-0x2003): they are written only with"));
    QCOMPARE(w.LastLine(), w.form.ChecksumLabel->text());
    QVERIFY(w.form.ChecksumLabel->text().startsWith("Checksum: 0x"));
    // Written without the entire configuration, the IDs stay erased and the
    // window's verify does not take them; with it, both do.
    w.form.Button5Click();
    QCOMPARE(w.chip().ConfigWord(0), std::uint16_t{0x3FFF});
    w.form.Button6Click();
    QVERIFY(w.Logged("       Finished. No differences found."));
    w.form.CheckBox2->setChecked(true);
    w.form.Button5Click();
    QCOMPARE(w.chip().ConfigWord(3), std::uint16_t{4});
    const QString sum = w.form.ChecksumLabel->text();
    w.form.Button4Click();
    QCOMPARE(w.form.ChecksumLabel->text(), sum);
    QFile::remove(path);
  }

  void keepTheEepromAndRecordEveryOperation() {
    SimWindow w("PIC16F684");
    w.chip().SetDataByte(3, 0x42);
    const QString record = QDir::temp().filePath(QString("flashwright_window_%1.jsonl").arg(getpid()));
    QFile::remove(record);
    w.form.RecordTo(record);
    w.form.KeepEepromCheckBox->setChecked(true);
    w.form.Button5Click();
    QCOMPARE(w.state.images.DataImage[3], std::uint8_t{0x42});
    QVERIFY(w.Logged("    the chip's EEPROM is kept in the data view"));
    w.form.Button9Click();
    w.form.Button10Click();
    QCOMPARE(w.LastLine(), QString("End time: 9:5:7"));
    QVERIFY(w.Logged("       Finished. No differences found."));
    QCOMPARE(w.chip().DataByte(3), std::uint8_t{0x42});
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    const auto write = fw::ParseRecordLine(lines[0].toStdString());
    QVERIFY(write.has_value());
    QCOMPARE(QString::fromStdString(write->command), QString("write"));
    QCOMPARE(QString::fromStdString(write->outcome), QString("done"));
    QCOMPARE(QString::fromStdString(write->calibration), QString("0x2008 = 2D4A"));
    QCOMPARE(QString::fromStdString(fw::ParseRecordLine(lines[2].toStdString())->command), QString("verify-data"));
    w.form.RecordTo({});
    QFile::remove(record);
  }

  void restoreCalibrationValuesFromTheRecord() {
    SimWindow w("PIC16F630");
    w.form.Button11Click();  // recorded: 34A8, 10
    w.chip().SetProgramWord(w.chip().program_words() - 1, 0x3FFF);
    w.chip().SetConfigWord(7, 0x3FFF);
    QString text, offered;
    AnswerCalibration("34A8", "10", 0, &text, &offered);
    QAction* item = w.form.findChild<QAction*>("RestoreCalibration1");
    QVERIFY(item != nullptr);
    item->trigger();
    QCOMPARE(offered, QString("34A8 10"));
    QVERIFY(text.contains("The newest record for the PIC16F630: 0x03FF = 34A8, BG bits = 10"));
    QCOMPARE(w.OnChip(), kFactory);
    QVERIFY(w.Logged("    OSCCAL word & BG-bits has been restored: 0x03FF = 34A8, BG bits = 10"));
  }
};

QTEST_MAIN(WindowOperationsTest)
#include "test_window_operations.moc"
