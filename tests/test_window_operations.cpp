// The window's work beyond its buttons' first course, against the
// in-process simulated gateway on the fake clock: keeping the factory
// calibration (the values asked for, a stop from the progress window or
// from closing the window, putting values back).

#include <QApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QSettings>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <unistd.h>

#include <functional>

#include "app/calibration_dialog.h"
#include "app/lock_fuses_form.h"
#include "app/main_form.h"
#include "app/progress_form.h"
#include "app/qt_dialogs.h"
#include "app/station_form.h"
#include "fakes.h"
#include "production/production_record.h"
#include "sim/simulated_gateway.h"

namespace {

// Questions answered Yes without a box; everything else as the window has it.
class AnsweringDialogs : public QtDialogs {
 public:
  bool Ask(const std::string& caption, const std::string& text, Buttons) override {
    if (QuestionsAnswered()) return true;
    asked.push_back(caption + ": " + text);
    return true;
  }
  bool AskProgram(const std::string& text, bool* dont_ask_again) override {
    asked.push_back("Program: " + text);
    *dont_ask_again = tick_dont_ask;
    return true;
  }
  void Tell(const std::string& caption, const std::string& text) override { told.push_back(caption + ": " + text); }
  std::vector<std::string> asked, told;
  bool tick_dont_ask = false;
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

  explicit SimWindow(const char* chip, QSettings* settings = nullptr)
      : gateway(*fw::FindChipByName(chip), 3, {}, [this] { return pause.elapsed_us; }),
        state(clock, pause, dialogs,
              [this](const std::string&, std::string*) { return std::make_unique<HookDevice>(gateway.Open(), &hook); }),
        form(state, dialogs, {"sim"}, "sim") {
    form.SetSettings(settings);
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
  int Count(const QString& start) const { return form.RichEdit5->toPlainText().count("\n" + start); }
};

// A firmware file: words at 0, the configuration word 0x3FF4, EEPROM bytes.
QString WriteFirmware(const QString& path, int variant) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  const QString word = QString("%1").arg(variant, 2, 16, QChar('0')).toUpper();
  const int sum = (0x100 - ((2 + variant + 0x28) & 0xFF)) & 0xFF;
  file.write(QString(":02000000%1%2%3\n").arg(word).arg("28").arg(sum, 2, 16, QChar('0')).toUpper().toLatin1());
  file.write(":02400E00F43F7D\n:044200004100420037\n:00000001FF\n");
  file.close();
  return path;
}

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

// A file that stops at a record the reader cannot take, on line 3.
QString WriteBrokenFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(":02000000FF23DC\n:0200020083167F\n:02000400G09001\n:00000001FF\n");
  file.close();
  return path;
}

}  // namespace

class WindowOperationsTest : public QObject {
  Q_OBJECT

 private slots:
  // Ordinary paths through the window against what reaches the chip: the
  // file the question names is the file written, and nothing reports done
  // what the chip does not hold.
  void theWindowWritesWhatItNames() {
    const QString dir = QDir::tempPath();
    const QString good = WriteFirmware(dir + QString("/fw_named_good_%1.hex").arg(getpid()), 1);  // 2801, 3FF4
    const QString other = WriteFirmware(dir + QString("/fw_named_other_%1.hex").arg(getpid()), 2);
    const QString broken = WriteBrokenFile(dir + QString("/fw_named_broken_%1.hex").arg(getpid()));
    const auto type_into = [](HexView* view, int at, const char* keys) {
      QTextCursor c = view->textCursor();
      c.setPosition(at);
      view->setTextCursor(c);
      QTest::keyClicks(view, keys);
    };
    const struct Path {
      const char* name;
      std::function<void(SimWindow&)> steps;
      std::uint16_t word0, config;
      std::uint8_t eeprom16;    // EEPROM byte 0x10 afterwards
      QString asked;            // in the last question; empty: none asked
      QString last_line;        // the start of the log's last line
    } paths[] = {
        {"Program after a load that failed",
         [&](SimWindow& w) {
           QVERIFY(w.form.LoadPath(good, fw::sectAll));
           QVERIFY(!w.form.LoadPath(broken, fw::sectAll));
           QVERIFY(w.Logged("    nothing was loaded: the views keep what they held"));
           w.form.ProgramClick();
         },
         0x2801, 0x3FF4, 0xFF, "with " + QFileInfo(good).fileName() + "?", "Checksum: 0x"},
        {"Write after a load that failed",
         [&](SimWindow& w) {
           QVERIFY(w.form.LoadPath(good, fw::sectAll));
           QVERIFY(!w.form.LoadPath(broken, fw::sectAll));
           w.form.Button5Click();
         },
         0x2801, 0x3FF4, 0x12, "Warning: Previous data in the Program", "Checksum: 0x"},
        {"Program after a load on the other page",
         [&](SimWindow& w) {
           QVERIFY(w.form.LoadPath(good, fw::sectAll));
           const QString sum = w.form.ChecksumLabel->text();
           w.form.PageControl1->setCurrentIndex(1);
           QVERIFY(w.form.LoadPath(other, fw::sectAll));
           QVERIFY(w.form.ChecksumLabel->text() != sum);
           w.form.PageControl1->setCurrentIndex(0);
           QCOMPARE(w.form.ChecksumLabel->text(), sum);  // the label is the page's
           w.form.ProgramClick();
         },
         0x2801, 0x3FF4, 0xFF, "with " + QFileInfo(good).fileName() + "?", "Checksum: 0x"},
        {"Program after a change in the configuration word dialog",
         [&](SimWindow& w) {
           QVERIFY(w.form.LoadPath(good, fw::sectAll));
           WhenModal<TLockFusesForm>([](TLockFusesForm* dialog) {
             dialog->CheckBoxes[3]->toggle();  // WDTE
             dialog->OKButton->click();
           });
           w.form.LockFuses1Click();
           QVERIFY(w.form.ChecksumLabel->text().endsWith("(edited)"));
           QVERIFY(w.form.HandEdits());
           w.form.ProgramClick();
         },
         0x2801, 0x3FF4, 0xFF, "hand edits that are not in the file", "Checksum: 0x"},
        {"Write after a change in the configuration word dialog",
         [&](SimWindow& w) {
           QVERIFY(w.form.LoadPath(good, fw::sectAll));
           WhenModal<TLockFusesForm>([](TLockFusesForm* dialog) {
             dialog->CheckBoxes[3]->toggle();
             dialog->OKButton->click();
           });
           w.form.LockFuses1Click();
           w.form.Button5Click();  // the views, as the button says
         },
         0x2801, 0x3FFC, 0x12, "Warning: Previous data in the Program", "Checksum: 0x"},
        {"Write Data over an EEPROM used before",
         [&](SimWindow& w) {
           QVERIFY(w.form.LoadPath(good, fw::sectAll));
           w.form.Button9Click();
           w.form.Button10Click();
           QVERIFY(w.Logged("       Finished. No differences found."));
         },
         0x3FFF, 0x3FFF, 0xFF, "Warning: Previous data in the Data memory", "End time"},
        {"Autosearch over hand edits asks first",
         [&](SimWindow& w) {
           QVERIFY(w.form.LoadPath(good, fw::sectAll));
           type_into(w.form.RichEdit1, 10, "1");
           w.form.Button3Click();
           QVERIFY(w.form.LoadedFile().isEmpty());  // the views are blank: no file stands for them
         },
         0x3FFF, 0x3FFF, 0x12, "hand edits that are in no file. Autosearch", "Selected chip is  PIC16F684"},
    };
    for (const Path& p : paths) {
      qInfo("%s", p.name);
      SimWindow w("PIC16F684");
      w.chip().SetDataByte(0x10, 0x12);  // an EEPROM used before
      p.steps(w);
      QCOMPARE(w.chip().ProgramWord(0), p.word0);
      QCOMPARE(w.chip().ConfigWord(7), p.config);
      QCOMPARE(w.chip().DataByte(0x10), p.eeprom16);
      QVERIFY2(!w.dialogs.asked.empty() && QString::fromStdString(w.dialogs.asked.back()).contains(p.asked),
               w.dialogs.asked.empty() ? "nothing asked" : w.dialogs.asked.back().c_str());
      QVERIFY2(w.LastLine().startsWith(p.last_line), qPrintable(w.LastLine()));
      QVERIFY2(w.chip().notes().empty(), w.chip().notes().empty() ? "" : w.chip().notes().front().c_str());
    }
    for (const QString& f : {good, other, broken}) QFile::remove(f);
  }

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

  void programWritesTheFileNotHandEditsAndTheLabelTellsTheTruth() {
    SimWindow w("PIC16F684");
    const QString path = WriteFirmware(QDir::temp().filePath(QString("fw_edits_%1.hex").arg(getpid())), 1);
    QVERIFY(w.form.LoadPath(path, fw::sectAll));
    const QString file_sum = w.form.ChecksumLabel->text();
    // A hand edit: the first word becomes 0x0234.
    auto* view = w.form.RichEdit1;
    QTextCursor at = view->textCursor();
    at.setPosition(10);
    view->setTextCursor(at);
    QTest::keyClicks(view, "0234");
    QVERIFY(w.form.ChecksumLabel->text().endsWith("(edited)"));
    QVERIFY(w.form.ChecksumLabel->text() != file_sum + " (edited)");
    w.form.ProgramClick();
    QVERIFY(QString::fromStdString(w.dialogs.asked.back()).contains("hand edits that are not in the file"));
    QVERIFY(w.Logged("    the hand edits are dropped:"));
    QCOMPARE(w.chip().ProgramWord(0), std::uint16_t{0x2801});  // the file's word, not the edit
    QCOMPARE(w.form.ChecksumLabel->text(), file_sum);
    // Another chip: no sum stands beside it; a failed load likewise.
    w.form.ChipMenuItemClick(fw::FindChipByName("PIC16F630")->IdWord);
    QCOMPARE(w.form.ChecksumLabel->text(), QString("Checksum: -"));
    w.form.ChipMenuItemClick(fw::FindChipByName("PIC16F684")->IdWord);
    QVERIFY(w.form.LoadPath(path, fw::sectAll));
    const QString loaded = w.form.ChecksumLabel->text();
    QVERIFY(!w.form.LoadPath(path + ".missing", fw::sectAll));
    QCOMPARE(w.form.ChecksumLabel->text(), loaded);  // a load that failed changed nothing
    QFile::remove(path);
  }

  void aCutShortWriteSaysWhatTheChipHoldsAndWhyInWords() {
    SimWindow w("PIC16F684");
    w.hook = [&](int frame) {
      if (frame == 400) w.dialogs.RequestStop();
    };
    w.form.Button5Click();
    QVERIFY(w.Logged("    the chip now holds: program memory erased, written from 0x0000 to 0x"));
    QVERIFY(w.Logged("Operation cancelled"));
    // A gateway that goes away: the step's line, then what happened in words.
    SimWindow gone("PIC16F684");
    gone.hook = [&](int frame) {
      if (frame == 300) gone.gateway.gateway().SetFault({fw::sim::Fault::Kind::kHangup, 1});
    };
    gone.form.Button4Click();
    QVERIFY(gone.Logged("       Finished with fail."));
    QVERIFY(gone.Logged("    the port /dev/sim is gone (unplugged?)") ||
            gone.Logged("    the gateway on /dev/sim stopped answering"));
    QVERIFY(gone.form.OperationStatus->text().startsWith("Last: read, failed"));
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
    QVERIFY(w.Logged("    the file sets the user IDs (0x2000-0x2003): \"Write Program && Configuration\" writes them only with"));
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
    QVERIFY(w.Logged("    the chip's EEPROM is kept in place of the file's"));
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

  void aStationProgramsEachChipPutIn() {
    SimWindow w("PIC16F684");
    const QString path = WriteFirmware(QDir::temp().filePath(QString("fw_station_%1.hex").arg(getpid())), 1);
    const QString record = QDir::temp().filePath(QString("fw_station_%1.jsonl").arg(getpid()));
    QFile::remove(record);
    w.form.StationClick();
    auto* station = w.form.findChild<TStationForm*>("StationForm");
    QVERIFY(station != nullptr);
    station->StartClick();
    QVERIFY(!station->Running());
    QVERIFY(station->ReasonLabel->text().startsWith("Load the file to produce first"));
    QVERIFY(w.form.LoadPath(path, fw::sectAll));
    station->RecordEdit->setText(record);
    station->SerialStartEdit->setText("0100");
    station->SerialPlaceEdit->setText("eeprom:0x10:2");
    station->StartClick();
    QVERIFY(station->Running());
    QCOMPARE(station->VerdictLabel->text(), QString("PASS"));  // the chip already in the socket
    QCOMPARE(w.chip().DataByte(0x11), std::uint8_t{100});   // decimal, leading zero and all
    station->Poll();
    QCOMPARE(station->HistoryTable->rowCount(), 1);          // never twice without taking it out
    fw::sim::VirtualChip& chip = w.chip();
    w.gateway.gateway().SetChip(nullptr);
    station->Poll();
    w.gateway.gateway().SetChip(&chip);
    station->Poll();
    QCOMPARE(station->HistoryTable->rowCount(), 2);
    QCOMPARE(w.chip().DataByte(0x11), std::uint8_t{101});
    QVERIFY(station->CountsLabel->text().contains("Passed 2   Failed 0   Yield 100.0 %"));
    QVERIFY(station->SerialLabel->text().startsWith("Serial: 101"));
    QTest::keyClick(station, Qt::Key_F5);                    // the chip in the socket, now
    QCOMPARE(station->HistoryTable->rowCount(), 3);
    station->StopClick();
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(fw::ParseRecordLine(lines[1].toStdString())->serial, std::optional<std::uint64_t>(101));
    QCOMPARE(QString::fromStdString(fw::ParseRecordLine(lines[2].toStdString())->serial_state), QString("used"));
    station->close();
    QFile::remove(record);
    QFile::remove(path);
  }

  void theStationsKeysRefusalAndSerialShown() {
    SimWindow w("PIC16F684");
    const QString path = QDir::temp().filePath(QString("fw_station_ids_%1.hex").arg(getpid()));
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      // The file sets the user IDs: the serial numbers cannot go there.
      file.write(":02000000012BD2\n:024000000100BD\n:02400E00F43F7D\n:00000001FF\n");
    }
    QVERIFY(w.form.LoadPath(path, fw::sectAll));
    const QString serials = QDir::temp().filePath(QString("fw_station_serials_%1").arg(getpid()));
    QFile::remove(serials);
    w.form.StationClick();
    auto* station = w.form.findChild<TStationForm*>("StationForm");
    station->SerialFileEdit->setText(serials);
    station->SerialStartEdit->setText("500");
    station->SerialPlaceEdit->setText("ids");
    const std::uint16_t before = w.chip().ConfigWord(0);
    station->StartClick();
    QVERIFY(!station->Running());
    QVERIFY2(station->ReasonLabel->text().startsWith("serial number refused: the file already sets"),
             qPrintable(station->ReasonLabel->text()));
    QVERIFY(station->CountsLabel->text().contains("Passed 0   Failed 0"));
    QCOMPARE(w.chip().ConfigWord(0), before);

    // In the EEPROM it goes; the focus on Stop, Space still programs.
    station->SerialPlaceEdit->setText("eeprom:0x20:2");
    QStringList shown;
    w.hook = [&](int) {
      const QString text = station->SerialLabel->text();
      if (shown.isEmpty() || shown.back() != text) shown << text;
    };
    station->StartClick();
    QVERIFY(station->Running());
    QCOMPARE(station->VerdictLabel->text(), QString("PASS"));
    QVERIFY(shown.contains("Serial: 500 (writing)"));
    QVERIFY(!shown.contains("Serial: 501 (writing)"));
    station->StartButton->setFocus();
    QCOMPARE(station->StartButton->text(), QString("S&top"));
    QTest::keyClick(station->StartButton, Qt::Key_Space);
    QVERIFY(station->Running());
    QCOMPARE(station->HistoryTable->rowCount(), 2);
    QVERIFY(shown.contains("Serial: 501 (writing)"));
    QCOMPARE(w.chip().DataByte(0x21), std::uint8_t{501 & 0xFF});
    station->StopClick();
    // Stopped, Space presses the focused button as anywhere else.
    station->StartButton->setFocus();
    QTest::keyClick(station->StartButton, Qt::Key_Space);
    QVERIFY(station->Running());
    station->StopClick();
    station->close();
    QFile::remove(path);
    QFile::remove(serials);
  }

  void theChipFinderAndAPlaceFromAnotherScreen() {
    SimWindow w("PIC12F629");
    QStringList names;
    bool nothing_said = false;
    QString current;
    WhenModal<QDialog>([&](QDialog* dialog) {
      auto* filter = dialog->findChild<QLineEdit*>("ChipFilter");
      auto* list = dialog->findChild<QListWidget*>("ChipList");
      auto* none = dialog->findChild<QLabel*>("NoChipMatches");
      for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
      filter->setText("zz9");
      nothing_said = !none->isHidden() && none->text().contains("zz9");
      filter->setText("pic16f 684");  // blanks and letter case do not count
      current = list->currentItem()->text();
      dialog->accept();
    });
    w.form.FindChipClick();
    QCOMPARE(names.size(), static_cast<qsizetype>(fw::KnownChips().size()));
    QCOMPARE(names.front(), QString("PIC10F200"));
    QVERIFY(names.indexOf("PIC12F683") < names.indexOf("PIC12F1501"));
    QVERIFY(nothing_said);
    QCOMPARE(current, QString("PIC16F684"));
    QCOMPARE(QString::fromStdString(w.state.chip.ChipName), QString("PIC16F684"));

    // A place kept from a screen that is no longer there comes onto this
    // one, title bar and all.
    const QString ini = QDir::temp().filePath(QString("fw_geometry_%1.ini").arg(getpid()));
    QFile::remove(ini);
    {
      QSettings settings(ini, QSettings::IniFormat);
      w.form.move(-3000, -2500);
      settings.setValue("geometry", w.form.saveGeometry());
    }
    QSettings settings(ini, QSettings::IniFormat);
    SimWindow again("PIC16F684", &settings);
    QApplication::processEvents();
    const QRect room = again.form.screen()->availableGeometry();
    QVERIFY2(room.contains(again.form.frameGeometry().topLeft() + QPoint(0, 0)),
             qPrintable(QString("%1,%2").arg(again.form.frameGeometry().x()).arg(again.form.frameGeometry().y())));
    QVERIFY(again.form.frameGeometry().bottom() <= room.bottom());
    QFile::remove(ini);
  }

  void programWithOneKeyAndAFileThatProgramsItself() {
    SimWindow w("PIC16F684");
    const QString path = WriteFirmware(QDir::temp().filePath(QString("fw_program_%1.hex").arg(getpid())), 1);
    QVERIFY(w.form.LoadPath(path, fw::sectAll));
    QVERIFY(w.form.ProgramAction->isEnabled());
    QCOMPARE(w.form.ProgramAction->shortcut(), QKeySequence(Qt::Key_F5));
    w.dialogs.tick_dont_ask = true;
    w.form.ProgramClick();
    QCOMPARE(w.dialogs.asked.size(), std::size_t{1});  // one question for the whole run
    QVERIFY(w.Logged("Trying to write the program memory & config word"));
    QVERIFY(w.Logged("Trying to write the data memory"));
    QVERIFY(w.Logged("Trying to verify the data memory"));
    QVERIFY(w.Logged("Program: PASS, the PIC16F684 is written and verified"));
    QVERIFY(w.LastLine().startsWith("Checksum: 0x"));
    QCOMPARE(w.chip().ProgramWord(0), std::uint16_t{0x2801});
    QCOMPARE(w.chip().DataByte(1), std::uint8_t{0x42});
    QVERIFY(w.form.OperationStatus->text().startsWith("Program: PASS"));
    QVERIFY(w.form.LinkStatus->text().startsWith("Connected: "));

    // A rebuild is reloaded first; "don't ask again" holds for this file.
    QTest::qWait(20);
    WriteFirmware(path, 2);
    w.form.ProgramClick();
    QCOMPARE(w.dialogs.asked.size(), std::size_t{1});
    QCOMPARE(w.chip().ProgramWord(0), std::uint16_t{0x2802});

    // Watched: a build replaced by rename, one written in place, two in
    // quick succession; each programmed once.
    w.form.FileWatcher().SetSettleMs(50);
    w.form.WatchAction->setChecked(true);
    const int runs = w.Count("Program: PASS");
    const QString next = path + ".new";
    WriteFirmware(next, 3);
    QVERIFY(QFile::remove(path) && QFile::rename(next, path));
    QTRY_COMPARE_WITH_TIMEOUT(w.Count("Program: PASS"), runs + 1, 5000);
    QCOMPARE(w.chip().ProgramWord(0), std::uint16_t{0x2803});
    QTest::qWait(20);
    WriteFirmware(path, 4);
    WriteFirmware(path, 5);
    QTRY_COMPARE_WITH_TIMEOUT(w.Count("Program: PASS"), runs + 2, 5000);
    QTest::qWait(300);
    QCOMPARE(w.Count("Program: PASS"), runs + 2);
    QCOMPARE(w.chip().ProgramWord(0), std::uint16_t{0x2805});
    // A file that fails to load is reported and nothing is written.
    QTest::qWait(20);
    QFile bad(path);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(":0200000001\n");
    bad.close();
    QTRY_VERIFY_WITH_TIMEOUT(w.Logged("Program: " + path + " did not load; nothing written"), 5000);
    // A build for another chip (its configuration beyond this one's memory)
    // goes on in no part.
    QTest::qWait(20);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(":020000000A0BE9\n:020000040001F9\n:02000E00E43FCD\n:00000001FF\n");
    bad.close();
    QTRY_VERIFY_WITH_TIMEOUT(w.Logged("Program: " + path + " holds 2 bytes outside the memory of the PIC16F684 "
                                      "(built for another chip?); nothing written"),
                             5000);
    QCOMPARE(w.chip().ProgramWord(0), std::uint16_t{0x2805});
    // Deleted: the watch stops, with one line.
    QFile::remove(path);
    QTRY_VERIFY_WITH_TIMEOUT(!w.form.WatchAction->isChecked(), 5000);
    QCOMPARE(w.Count("    " + path + " is gone"), 1);
  }

  void aVerifyDifferenceIsShownWhereItIs() {
    SimWindow w("PIC16F684");
    const QString path = WriteFirmware(QDir::temp().filePath(QString("fw_diff_%1.hex").arg(getpid())), 1);
    QVERIFY(w.form.LoadPath(path, fw::sectAll));
    w.form.Button5Click();
    w.chip().SetProgramWord(0x0012, 0x2ABE);  // the chip differs from the view
    w.form.Button6Click();
    QVERIFY(w.Logged("       Finished with fail. Address: 0x0012"));
    QCOMPARE(w.LastLine(), QString("    file 0x3FFF, chip 0x2ABE"));
    QCOMPARE(w.form.RichEdit1->textCursor().selectedText(), QString("3FFF"));
    QCOMPARE(w.form.RichEdit1->textCursor().block().text().left(8), QString("00000010"));
    QFile::remove(path);
  }

  void settingsRecentFilesDropsAndAFileGivenAtStart() {
    const QString ini = QDir::temp().filePath(QString("flashwright_settings_%1.ini").arg(getpid()));
    QFile::remove(ini);
    const QString a = WriteFirmware(QDir::temp().filePath(QString("fw_a_%1.hex").arg(getpid())), 1);
    const QString b = WriteFirmware(QDir::temp().filePath(QString("fw_b_%1.hex").arg(getpid())), 2);
    QSize kept;
    {
      QSettings settings(ini, QSettings::IniFormat);
      SimWindow w("PIC16F684", &settings);
      w.form.TrackBar1->setValue(3);
      w.form.CheckBox2->setChecked(true);
      QVERIFY(w.form.LoadPath(a, fw::sectAll));
      // Dropped on the window, a file loads as "Load All".
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(b)});
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&w.form, &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&w.form, &drop);
      QVERIFY(w.Logged("Loading program, config and data from file: " + b));
      // The chip and the window's place and size are kept for the next run.
      w.form.ChipMenuItemClick(fw::FindChipByName("PIC16F630")->IdWord);
      w.form.resize(w.form.minimumSizeHint().width() + 10, 700);
      kept = w.form.size();
      w.form.close();
    }
    QSettings settings(ini, QSettings::IniFormat);
    SimWindow again("PIC16F684", &settings);
    QVERIFY(again.form.RichEdit5->toPlainText().contains("Selected chip is  PIC16F630"));
    QCOMPARE(again.form.size(), kept);
    // Recent files show their folder; Enter in the port box connects.
    QVERIFY(again.form.RecentMenu->actions().at(0)->text().contains(QDir::toNativeSeparators(QDir::tempPath())));
    again.form.Button2Click();
    QVERIFY(!again.state.link.PortValid());
    QTest::keyClick(again.form.ComboBox1, Qt::Key_Return);
    QVERIFY(again.state.link.PortValid());
    QCOMPARE(again.form.RecentFiles(), (QStringList{b, a}));
    QCOMPARE(again.form.RecentMenu->actions().size(), 2);
    QCOMPARE(again.form.TrackBar1->value(), 3);
    QVERIFY(again.form.CheckBox2->isChecked());
    QCOMPARE(again.form.ComboBox1->currentText(), QString("sim"));
    again.form.RecentMenu->actions().at(1)->trigger();
    QVERIFY(again.Logged("Loading program, config and data from file: " + a));

    // A file named at start waits for a chip.
    AnsweringDialogs dialogs;
    fw::test::FakeClock clock;
    fw::test::FakePause pause;
    fw::AppState state(clock, pause, dialogs, nullptr);
    TForm1 form(state, dialogs, {"x"}, "x");
    form.OpenAtStart(a);
    QVERIFY(!form.RichEdit5->toPlainText().contains("Loading"));
    form.ChipMenuItemClick(0x1080);
    QVERIFY(form.RichEdit5->toPlainText().contains("Loading program, config and data from file: " + a));
    for (const QString& f : {ini, a, b}) QFile::remove(f);
  }

  void viewsOpenAtTheirTopLeft() {
    SimWindow w("PIC16F887");
    w.form.resize(1024, 700);
    QApplication::processEvents();
    for (HexView* view : {w.form.RichEdit1, w.form.RichEdit3, w.form.RichEdit6}) {
      QCOMPARE(view->horizontalScrollBar()->value(), 0);
      QCOMPARE(view->verticalScrollBar()->value(), 0);
      QCOMPARE(view->textCursor().position(), 0);
    }
    w.form.Button4Click();
    QApplication::processEvents();
    QCOMPARE(w.form.RichEdit3->horizontalScrollBar()->value(), 0);
    QCOMPARE(w.form.RichEdit1->verticalScrollBar()->value(), 0);
    // A failure that closes the link: the status bar says how to open it again.
    w.state.link.ClosePort();
    w.form.Button4Click();
    QVERIFY(w.form.LinkStatus->text().contains("Disconnect, then Connect"));
  }

  void restoreCalibrationValuesFromTheRecord() {
    SimWindow w("PIC16F630");
    w.form.Button11Click();  // recorded: 34A8, 10, and closed once put back
    w.chip().SetProgramWord(w.chip().program_words() - 1, 0x3FFF);
    w.chip().SetConfigWord(7, 0x3FFF);
    QString text, offered;
    AnswerCalibration("34A8", "10", 0, &text, &offered);
    QAction* item = w.form.findChild<QAction*>("RestoreCalibration1");
    QVERIFY(item != nullptr);
    item->trigger();
    QCOMPARE(offered, QString(" "));  // values already back on a chip are never offered
    // An erase that failed after it erased leaves its entry open: offered.
    std::string error;
    QVERIFY(w.state.calibration_record.Append({"2026-12-09T10:00:00Z", "PIC16F630", "ttyUSB0", {kFactory, {}}, "read"},
                                              &error));
    AnswerCalibration("34A8", "10", 0, &text, &offered);
    item->trigger();
    QCOMPARE(offered, QString("34A8 10"));
    QVERIFY(text.contains("0x03FF = 34A8, BG bits = 10, 2026-12-09T10:00:00Z on ttyUSB0"));
    QCOMPARE(w.OnChip(), kFactory);
    QVERIFY(w.Logged("    OSCCAL word & BG-bits have been restored: 0x03FF = 34A8, BG bits = 10"));
  }
};

QTEST_MAIN(WindowOperationsTest)
#include "test_window_operations.moc"
