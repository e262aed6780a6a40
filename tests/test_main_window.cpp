#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>

#include "app/about_box.h"
#include "app/image_form.h"
#include "app/lock_fuses_form.h"
#include "app/main_form.h"
#include "app/progress_form.h"
#include "app/device_opener.h"
#include "app/qt_dialogs.h"
#include "app/view_bridge.h"
#include "app/virtual_keys.h"
#include "fakes.h"
#include "link/pause.h"
#include "pty_peer.h"

namespace {

// The real progress window, but message boxes recorded instead of shown.
class RecordingDialogs : public QtDialogs {
 public:
  void Tell(const std::string& caption, const std::string& text) override {
    told.push_back(caption + ": " + text);
  }
  bool Ask(const std::string& caption, const std::string& text, Buttons buttons) override {
    return real_questions ? QtDialogs::Ask(caption, text, buttons) : true;
  }
  std::vector<std::string> told;
  bool real_questions = false;
};

struct Rig {
  fw::test::FakeClock clock;
  fw::test::FakePause pause;
  fw::test::ScriptedPort port;
  RecordingDialogs dialogs;
  fw::AppState state{clock, pause, dialogs, port.Opener()};
  TForm1 form{state, dialogs, {"ttyS0", "ttyS1"}, "ttyS0"};
  Rig() { port.AnswerLikeGateway(); }

  // The window up and active, with a PIC16F684 selected.
  bool ShowWithPic16F684() {
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form)) return false;
    form.ChipMenuItemClick(0x1080);
    return true;
  }

  // Focuses a view and puts its caret at a widget position.
  static void PlaceCaret(HexView* view, int position) {
    view->setFocus();
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(position);
    view->setTextCursor(cursor);
  }

  QStringList LogLines() const {
    const QString text = form.RichEdit5->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split('\n');
  }
};

bool DeviceControlsEnabled(TForm1& f, bool enabled) {
  for (QWidget* w : {static_cast<QWidget*>(f.Button2), static_cast<QWidget*>(f.Button3),
                     static_cast<QWidget*>(f.Button4), static_cast<QWidget*>(f.Button5),
                     static_cast<QWidget*>(f.Button6), static_cast<QWidget*>(f.Button7),
                     static_cast<QWidget*>(f.Button8), static_cast<QWidget*>(f.Button9),
                     static_cast<QWidget*>(f.Button10), static_cast<QWidget*>(f.Button11),
                     static_cast<QWidget*>(f.CheckBox1), static_cast<QWidget*>(f.CheckBox2)}) {
    if (w->isEnabled() != enabled) return false;
  }
  return f.Button1->isEnabled() == !enabled;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsDisconnectedWithTheDesignedTexts() {
    Rig rig;
    QVERIFY(DeviceControlsEnabled(rig.form, false));
    QCOMPARE(rig.form.windowTitle(), QString("Flashwright"));
    QCOMPARE(rig.form.Edit1->text(), QString("None"));
    QCOMPARE(rig.form.Edit2->text(), QString("3FFF"));
    QCOMPARE(rig.form.Label10->text(), QString("Configuration Memory Map: ?"));
    QCOMPARE(rig.form.Button4->text(), QString("Read Program && Configuration"));
    QCOMPARE(rig.form.ComboBox1->currentText(), QString("ttyS0"));
    QCOMPARE(rig.form.TrackBar1->minimum(), 0);
    QCOMPARE(rig.form.TrackBar1->maximum(), 5);
    QCOMPARE(rig.form.PageControl1->tabText(0), QString("Page1"));
    QCOMPARE(rig.form.PageControl1->tabText(1), QString("Page2"));
    QStringList menus;
    for (QAction* a : rig.form.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Chip Select", "&Help"}));  // Alt+F and the others
    QStringList file;
    for (QAction* a : rig.form.menuBar()->actions()[0]->menu()->actions()) {
      if (!a->isSeparator()) file << QString(a->text()).remove('&');  // every item has its mnemonic
    }
    QCOMPARE(file, (QStringList{"Load All from File...", "Save All to File...",
                                "Load Program from File...", "Save Program to File...",
                                "Load Config from File...", "Save Config to File...",
                                "Load Data from File...", "Save Data to File...",
                                "Recent files", "Save Log as...", "Record every operation to...", "Exit"}));
    QVERIFY(rig.LogLines().isEmpty());
  }

  void connectFailureLeavesTheDisconnectedSet() {
    Rig rig;
    rig.port.present = false;
    QTest::mouseClick(rig.form.Button1, Qt::LeftButton);
    QVERIFY(DeviceControlsEnabled(rig.form, false));
    QCOMPARE(rig.LogLines(), QStringList{"Error. The COM-port is not available"});
  }

  void connectDisconnectAndPortChanges() {
    Rig rig;
    rig.form.ComboBox1->setCurrentText("ttyS1");  // while disconnected: nothing logged
    QVERIFY(rig.LogLines().isEmpty());
    QTest::mouseClick(rig.form.Button1, Qt::LeftButton);
    QVERIFY(DeviceControlsEnabled(rig.form, true));
    QCOMPARE(rig.LogLines(), QStringList{"The COM-port is open: /dev/ttyS1"});

    rig.form.ComboBox1->setCurrentText("ttyS0");  // while connected: disconnects
    QVERIFY(DeviceControlsEnabled(rig.form, false));
    QVERIFY(!rig.state.link.PortValid());
    QCOMPARE(rig.LogLines().last(), QString("The COM-port is closed"));

    QTest::mouseClick(rig.form.Button1, Qt::LeftButton);
    QTest::mouseClick(rig.form.Button2, Qt::LeftButton);
    QVERIFY(DeviceControlsEnabled(rig.form, false));
    QCOMPARE(rig.LogLines(), (QStringList{"The COM-port is open: /dev/ttyS1",
                                          "The COM-port is closed",
                                          "The COM-port is open: /dev/ttyS0",
                                          "The COM-port is closed"}));
  }

  void aLinkFailureKeepsTheConnectedSetUntilDisconnect() {
    Rig rig;
    QTest::mouseClick(rig.form.Button1, Qt::LeftButton);
    rig.state.link.ClosePort();  // what a failing gateway step does
    QVERIFY(DeviceControlsEnabled(rig.form, true));
    rig.form.ComboBox1->setCurrentText("ttyS1");  // the link is already closed: no Disconnect
    QVERIFY(DeviceControlsEnabled(rig.form, true));
    QCOMPARE(rig.LogLines().size(), 1);
    QTest::mouseClick(rig.form.Button2, Qt::LeftButton);
    QVERIFY(DeviceControlsEnabled(rig.form, false));
    QCOMPARE(rig.LogLines().last(), QString("The COM-port is closed"));
  }

  void delayBarSetsTheDelay() {
    Rig rig;
    rig.form.TrackBar1->setValue(5);
    QCOMPARE(rig.state.link.DelayValue, 5);
    rig.form.TrackBar1->setValue(9);
    QCOMPARE(rig.state.link.DelayValue, 5);
  }

  void exitDisconnectsOnlyWhenConnected() {
    {
      Rig rig;
      rig.form.show();
      rig.form.Exit1Click();
      QVERIFY(!rig.form.isVisible());
      QVERIFY(rig.LogLines().isEmpty());
    }
    {
      Rig rig;
      rig.form.show();
      QTest::mouseClick(rig.form.Button1, Qt::LeftButton);
      rig.form.Exit1Click();
      QVERIFY(!rig.form.isVisible());
      QCOMPARE(rig.LogLines().last(), QString("The COM-port is closed"));
      QVERIFY(!rig.state.link.PortValid());
    }
  }

  void typedCharactersAreSwallowed() {
    Rig rig;
    rig.form.show();
    rig.form.RichEdit1->setPlainText("00000000: 3FFF");
    for (QWidget* w : {static_cast<QWidget*>(rig.form.RichEdit1),
                       static_cast<QWidget*>(rig.form.RichEdit4),
                       static_cast<QWidget*>(rig.form.Edit2)}) {
      QTest::keyClicks(w, "zq ");  // no hex digits: nothing to write, only the caret moves
      QTest::keyClick(w, Qt::Key_Return);
      QTest::keyClick(w, Qt::Key_Backspace);
    }
    QCOMPARE(rig.form.RichEdit1->toPlainText(), QString("00000000: 3FFF"));
    QCOMPARE(rig.form.RichEdit4->toPlainText(), QString());
    QCOMPARE(rig.form.Edit2->text(), QString("3FFF"));
  }

  void saveLogWritesAFileOrShowsAnError() {
    Rig rig;
    rig.state.log.LogEvent(fw::LogCode::kPortClosed, "");
    const QString path = QDir::temp().filePath("flashwright_gui_log.rtf");
    rig.form.SaveLogTo(path);
    QVERIFY(QFile::exists(path));
    QCOMPARE(rig.LogLines().last(), "Log saved to file: " + path);
    QFile::remove(path);

    const int before = rig.LogLines().size();
    rig.form.SaveLogTo("/nonexistent-dir/for/sure/log.rtf");
    QCOMPARE(rig.LogLines().size(), before);
    QCOMPARE(rig.dialogs.told.size(), size_t{1});
    QVERIFY(rig.dialogs.told[0].rfind("Error: ", 0) == 0);
  }

  void progressWindowIsFreshEachTimeAndCapsAtFull() {
    Rig rig;
    rig.dialogs.ProgressOpen();
    TLBar* first = rig.dialogs.CurrentProgress();
    QVERIFY(first != nullptr);
    QCOMPARE(first->ProgressBar1->value(), 0);
    rig.dialogs.ProgressSet(250);
    QCOMPARE(first->ProgressBar1->value(), 100);
    QPointer<TLBar> watch(first);
    rig.dialogs.ProgressClose();
    QVERIFY(watch.isNull());
    rig.dialogs.ProgressOpen();
    QVERIFY(rig.dialogs.CurrentProgress() != nullptr);
    QCOMPARE(rig.dialogs.CurrentProgress()->ProgressBar1->value(), 0);
    QCOMPARE(rig.dialogs.CurrentProgress()->size(), QSize(TLBar::kWidth, TLBar::kBar));
    rig.dialogs.ProgressClose();
    QVERIFY(rig.dialogs.CurrentProgress() == nullptr);
  }

  void chipMenuSelectsAndFillsTheViews() {
    Rig rig;
    int items = 0;
    for (QAction* a : rig.form.findChildren<QAction*>()) {
      if (a->objectName().startsWith("PIC1")) ++items;
    }
    QCOMPARE(items, static_cast<int>(fw::KnownChips().size()));
    QAction* item = rig.form.findChild<QAction*>("PIC16F6301");
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(), QString("PIC16F630"));
    item->trigger();
    QCOMPARE(rig.form.Edit1->text(), QString("PIC16F630"));
    QCOMPARE(rig.form.Edit2->text(), QString("10C0"));
    QVERIFY(rig.form.Label10->text().startsWith("0x2000..0x2003 - User ID"));
    QCOMPARE(rig.form.RichEdit1->document()->blockCount(), 128);
    QCOMPARE(rig.form.RichEdit4->document()->blockCount(), 8);
    QCOMPARE(rig.form.RichEdit7->document()->blockCount(), 4);
    const QString config = rig.form.RichEdit6->document()->firstBlock().text();
    QCOMPARE(config.mid(40, 9), QString("10C0 31FF"));
    QCOMPARE(config.mid(56, 2), QString(QChar(0xFF)) + "?");
    QCOMPARE(config.mid(68, 4), QString(QChar(0xC0)) + QChar(0x1F) + QChar(0xFF) + "1");
    QCOMPARE(rig.LogLines().last(), QString("Selected chip is  PIC16F630"));
    rig.form.findChild<QAction*>("PIC16F6361")->trigger();
    QCOMPARE(rig.form.Edit1->text(), QString("PIC16F636 / PIC16F639"));
  }

  void typingIntoAViewEditsInPlace() {
    Rig rig;
    rig.form.show();
    rig.form.findChild<QAction*>("PIC16F6841")->trigger();
    HexView* view = rig.form.RichEdit1;
    Rig::PlaceCaret(view, 73 + 10);  // line 1, first digit: 73 widget positions a line
    QTest::keyClicks(view, "12z4");
    QTextBlock line = view->document()->findBlockByNumber(1);
    QCOMPARE(line.text().mid(0, 14), QString("00000008: 12F4"));
    QCOMPARE(line.text().at(56), QChar(0xF4));
    QCOMPARE(line.text().at(57), QChar(0x1F));
    QCOMPARE(view->textCursor().position(), 73 + 14);
    QTest::keyClick(view, Qt::Key_Backspace);
    QCOMPARE(view->document()->findBlockByNumber(1).text().mid(10, 4), QString("12FF"));
    QCOMPARE(view->textCursor().position(), 73 + 13);
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(view->textCursor().position(), 73 + 14);
    QTest::keyClick(view, Qt::Key_5, Qt::KeypadModifier);
    QCOMPARE(view->textCursor().position(), 73 + 16);  // at a blank: the next word's first digit (5 is cut to 3)
    QTest::keyClick(view, Qt::Key_2, Qt::KeypadModifier);
    QCOMPARE(view->document()->findBlockByNumber(1).text().mid(15, 4), QString("32FF"));
    // The core holds the same text, with its CR LF line breaks.
    QCOMPARE(rig.state.workspace.view(1).text().substr(74 + 10, 4), std::string("12FF"));
    rig.state.workspace.TakeImage(1, fw::kProgramImage);
    QCOMPARE(fw::WordAt(rig.state.images.ProgramImage, 8), std::uint16_t{0x12FF});
    QCOMPARE(fw::WordAt(rig.state.images.ProgramImage, 9), std::uint16_t{0x32FF});

    // The data view: a byte view of 82 positions, 81 in the widget.
    HexView* data = rig.form.RichEdit3;
    Rig::PlaceCaret(data, 81 * 2 + 64);
    QTest::keyClicks(data, "Hi");
    QCOMPARE(data->document()->findBlockByNumber(2).text().mid(10, 5), QString("48 49"));
    QCOMPARE(data->document()->findBlockByNumber(2).text().mid(64, 2), QString("HI"));
  }

  void idWordBoxTakesHexDigitsOnly() {
    Rig rig;
    rig.form.show();
    rig.form.findChild<QAction*>("PIC16F6301")->trigger();
    rig.form.Edit2->setFocus();
    rig.form.Edit2->setCursorPosition(0);
    QTest::keyClick(rig.form.Edit2, Qt::Key_9);
    QCOMPARE(rig.form.Edit2->text(), QString("30C0"));
    QCOMPARE(rig.form.Edit2->cursorPosition(), 1);
    QTest::keyClicks(rig.form.Edit2, "x");
    QCOMPARE(rig.form.Edit2->text(), QString("30C0"));
    QCOMPARE(rig.form.Edit2->cursorPosition(), 2);
  }

  void connectsToAPseudoTerminalPeer() {
    fw::test::PtyPeer peer(fw::test::PtyPeer::Mode::kAnswer);
    fw::test::FakeClock clock;
    fw::RealPause pause;
    RecordingDialogs dialogs;
    DeviceOpenerForApp opener;
    fw::AppState state(clock, pause, dialogs, opener.Opener());
    TForm1 form(state, dialogs, {}, QString::fromStdString(peer.path()));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QVERIFY(form.Button2->isEnabled());
    QCOMPARE(form.RichEdit5->toPlainText(),
             "The COM-port is open: " + QString::fromStdString(peer.path()));
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QVERIFY(form.Button1->isEnabled());
  }

  void qtKeysBecomeWindowsVirtualKeys() {
    // Key, modifiers, the XKB key code xcb reports (0: none), the virtual key.
    const struct {
      int key;
      Qt::KeyboardModifiers mods;
      quint32 scan;
      std::uint16_t vk;
    } keys[] = {
        {Qt::Key_A, Qt::NoModifier, 0, 0x41},
        {Qt::Key_A, Qt::ShiftModifier, 0, 0x41},
        {Qt::Key_7, Qt::NoModifier, 0, 0x37},
        {Qt::Key_7, Qt::KeypadModifier, 79, 0x67},
        {Qt::Key_Ampersand, Qt::ShiftModifier, 16, 0x37},  // US: Shift+7
        {Qt::Key_Ampersand, Qt::NoModifier, 10, 0x31},     // AZERTY: the "1" key
        {Qt::Key_ParenLeft, Qt::ShiftModifier, 17, 0x38},  // QWERTZ: Shift+8
        {Qt::Key_Agrave, Qt::NoModifier, 19, 0x30},        // AZERTY: the "0" key
        {Qt::Key_A, Qt::NoModifier, 24, 0x41},             // AZERTY: A where US has Q
        {Qt::Key_Comma, Qt::NoModifier, 58, 0xBC},         // AZERTY: "," where US has M
        {0x0424, Qt::NoModifier, 38, 0x41},                // Russian: the key of US "A"
        {Qt::Key_Exclam, Qt::ShiftModifier, 0, 0},         // no place known: no digit
        {Qt::Key_Backspace, Qt::NoModifier, 0, 0x08},
        {Qt::Key_Delete, Qt::NoModifier, 0, 0x2E},
        {Qt::Key_Tab, Qt::NoModifier, 0, 0x09},
        {Qt::Key_Backtab, Qt::ShiftModifier, 0, 0x09},
        {Qt::Key_Return, Qt::NoModifier, 0, 0x0D},
        {Qt::Key_Enter, Qt::KeypadModifier, 0, 0x0D},
        {Qt::Key_Space, Qt::NoModifier, 0, 0x20},
        {Qt::Key_Shift, Qt::NoModifier, 0, 0x10},
        {Qt::Key_Control, Qt::NoModifier, 0, 0x11},
        {Qt::Key_Alt, Qt::NoModifier, 0, 0x12},
        {Qt::Key_Left, Qt::NoModifier, 0, 0x25},
        {Qt::Key_Down, Qt::NoModifier, 0, 0x28},
        {Qt::Key_Home, Qt::NoModifier, 0, 0x24},
        {Qt::Key_PageDown, Qt::NoModifier, 0, 0x22},
        {Qt::Key_F1, Qt::NoModifier, 0, 0x70},
        {Qt::Key_F12, Qt::NoModifier, 0, 0x7B},
        {Qt::Key_Asterisk, Qt::KeypadModifier, 63, 0x6A},
    };
    for (const auto& k : keys) {
      const QKeyEvent event(QEvent::KeyPress, k.key, k.mods, k.scan, 0, 0);
      QCOMPARE(VirtualKeyOf(event), k.vk);
    }
  }

  void viewBytesShowInWindows1252() {
    const char bytes[] = {'\x80', '\x81', '\x8D', '\x9F', '\xA0', '\xFF', '\x1F', 'A'};
    const QString shown = ViewLineToQString(bytes, sizeof bytes);
    QCOMPARE(shown.at(0), QChar(0x20AC));
    QCOMPARE(shown.at(1), QChar(0x0081));  // undefined in Windows-1252: Latin-1
    QCOMPARE(shown.at(2), QChar(0x008D));
    QCOMPARE(shown.at(3), QChar(0x0178));
    QCOMPARE(shown.at(4), QChar(0x00A0));
    QCOMPARE(shown.at(5), QChar(0x00FF));
    QCOMPARE(shown.at(6), QChar(0x001F));
    QCOMPARE(shown.at(7), QChar('A'));
    QCOMPARE(ViewTextToQString("ab\r\ncd"), QString("ab\ncd"));
    // Every byte keeps its cell in the character column (the soft hyphen 0xAD
    // would be drawn with no width).
    const QFontMetricsF metrics(ViewFont());
    for (int b = 0x1F; b <= 0xFF; ++b) {
      const char c = static_cast<char>(b);
      const QString cell = "0" + ViewLineToQString(&c, 1) + "0";
      QCOMPARE(metrics.horizontalAdvance(cell), 3 * metrics.horizontalAdvance('0'));
    }
  }

  void modifierKeysAloneTypeNothingAndCapitalsTypeOnce() {
    Rig rig;
    rig.form.show();
    rig.form.findChild<QAction*>("PIC16F6841")->trigger();
    HexView* view = rig.form.RichEdit1;
    Rig::PlaceCaret(view, 56);
    QTest::keyClick(view, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_H, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_I, Qt::ShiftModifier);
    // H (0x48) in the low byte; I (0x49) in the high byte is cut to 0x3F.
    QCOMPARE(view->document()->firstBlock().text().mid(10, 4), QString("3F48"));
    QCOMPARE(view->document()->firstBlock().text().mid(56, 2), QString("H?"));
    QCOMPARE(rig.form.ChecksumLabel->text().endsWith("(edited)"), true);
    // Ctrl+C and Ctrl+A are shortcuts: the word stays as it was.
    Rig::PlaceCaret(view, 10);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->document()->firstBlock().text().mid(10, 4), QString("3F48"));
  }

  void fileMenuLoadsAndSavesThroughItsDialogs() {
    Rig rig;
    rig.form.show();
    rig.form.ChipMenuItemClick(0x10C0);  // PIC16F630
    QTemporaryDir dir;
    const QString hex = dir.filePath("prog.hex");
    QFile file(hex);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(":0400000001020304F2\r\n:00000001FF");
    file.close();
    // Answers the next file dialog with a name and, if given, a file type.
    QString offered_filter, offered_name;
    auto answer = [&](const QString& name, const QString& filter) {
      QTimer::singleShot(0, [&, name, filter] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        offered_filter = dialog->selectedNameFilter();
        offered_name = dialog->selectedFiles().value(0);
        if (name.isEmpty()) return static_cast<QDialog*>(dialog)->reject();
        if (!filter.isEmpty()) dialog->selectNameFilter(filter);
        dialog->selectFile(name);
        QMetaObject::invokeMethod(dialog, "accept");
      });
    };
    auto trigger = [&](const char* item) { rig.form.findChild<QAction*>(item)->trigger(); };

    answer(hex, {});
    trigger("LoadProgramfromFile1");
    QVERIFY(rig.form.RichEdit1->toPlainText().startsWith("00000000: 0201 0403 3FFF"));
    QCOMPARE(rig.LogLines().mid(1), (QStringList{"Loading program from file: " + hex, "Operation complete",
                                                 rig.form.ChecksumLabel->text()}));
    QVERIFY(rig.form.ChecksumLabel->text().startsWith("Checksum: 0x"));

    answer(dir.filePath("copy"), "*.bin (*.bin)");
    trigger("SaveProgramtoFile1");
    QCOMPARE(QFileInfo(dir.filePath("copy.bin")).size(), qint64{16384});
    QCOMPARE(rig.LogLines().last(), QString("Operation complete"));

    answer({}, {});  // the last name and file type are offered again; cancelled
    trigger("SaveAlltoFile1");
    QCOMPARE(offered_filter, QString("*.bin (*.bin)"));
    QCOMPARE(offered_name, dir.filePath("copy"));
    QCOMPARE(rig.LogLines().last(), QString("Operation complete"));
  }

  void deviceButtonsAskFirstAndReadWarnsOfAnotherChip() {
    fw::test::FakeClock clock;
    fw::test::FakePause pause;
    RecordingDialogs dialogs;
    dialogs.real_questions = true;
    DeviceOpenerForApp opener;
    fw::AppState state(clock, pause, dialogs, opener.Opener());
    TForm1 form(state, dialogs, DemoPortNames(), "demo:PIC16F676");
    form.show();
    form.Button1Click();
    form.ChipMenuItemClick(0x10C0);  // a PIC16F630 selected, a PIC16F676 on the lines
    const QString page = form.RichEdit1->toPlainText();
    for (QPushButton* button : {form.Button5, form.Button9, form.Button11}) {
      QString caption;
      bool warning_icon = false, negative_default = false;
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        caption = box->windowTitle();
        warning_icon = box->icon() == QMessageBox::Warning;
        QAbstractButton* no = box->button(button == form.Button11 ? QMessageBox::Cancel : QMessageBox::No);
        negative_default = no != nullptr && box->defaultButton() == no;
        box->defaultButton()->click();
      });
      const int lines = form.RichEdit5->document()->blockCount();
      button->click();
      QCOMPARE(caption, QString("Warning"));
      QVERIFY(warning_icon && negative_default);
      QCOMPARE(form.RichEdit5->document()->blockCount(), lines + 1);
      QCOMPARE(form.RichEdit5->document()->lastBlock().text(), QString("Operation cancelled"));
    }
    QCOMPARE(form.RichEdit1->toPlainText(), page);
    form.Button4->click();
    QCOMPARE(dialogs.told, std::vector<std::string>{"Warning: The read ChipID does not match the selected one!"});
    QVERIFY(form.RichEdit6->toPlainText().startsWith("00002000: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 10E3"));
    QCOMPARE(form.RichEdit5->document()->lastBlock().previous().text(), QString("End time: 9:5:7"));
    QCOMPARE(form.RichEdit5->document()->lastBlock().text(), QString("Checksum: 0xBE00"));  // DS41191's blank value
  }

  // Keys as a French keyboard and a hurried operator give them: AltGr
  // combinations are characters, Home and Ctrl+A leave the caret where the
  // next digit is written, a digit that cannot go in is said, Tab leaves.
  void keysThatTypeWhatTheyShow() {
    Rig rig;
    QVERIFY(rig.ShowWithPic16F684());
    // The window opens where Enter connects.
    QVERIFY(QApplication::focusWidget() == rig.form.ComboBox1 ||
            QApplication::focusWidget() == rig.form.ComboBox1->lineEdit());
    // The Chip Select item of the chip selected is marked, and only it.
    int marked = 0;
    for (QAction* item : rig.form.findChildren<QAction*>()) marked += item->isCheckable() && item->isChecked() &&
                                                                  item->objectName().startsWith("PIC");
    QCOMPARE(marked, 1);
    QVERIFY(rig.form.findChild<QAction*>("PIC16F6841")->isChecked());
    HexView* view = rig.form.RichEdit1;
    auto line0 = [view] { return view->document()->firstBlock().text(); };
    const struct {
      const char* name;
      std::function<void()> before;
      QKeyEvent key;
      QString line;  // the start of line 0 afterwards
    } cases[] = {
        {"AltGr+é (~) on X11", [&] { Rig::PlaceCaret(view, 10); },
         QKeyEvent(QEvent::KeyPress, Qt::Key_AsciiTilde, Qt::GroupSwitchModifier, 11, 0, 0, "~"),
         "00000000: 3FFF"},
        {"AltGr+à (@) on Windows", [&] { Rig::PlaceCaret(view, 10); },
         QKeyEvent(QEvent::KeyPress, Qt::Key_At, Qt::ControlModifier | Qt::AltModifier, 19, 0, 0, "@"),
         "00000000: 3FFF"},
        {"AltGr+\" (#) in the characters", [&] { Rig::PlaceCaret(view, 56); },
         QKeyEvent(QEvent::KeyPress, Qt::Key_NumberSign, Qt::GroupSwitchModifier, 12, 0, 0, "#"),
         "00000000: 3F23"},
        {"Home, then a digit", [&] { Rig::PlaceCaret(view, 30); QTest::keyClick(view, Qt::Key_Home); },
         QKeyEvent(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, 11, 0, 0, "2"), "00000000: 2FFF"},
        {"Ctrl+A, then a digit", [&] { Rig::PlaceCaret(view, 30); QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier); },
         QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, 10, 0, 0, "1"), "00000000: 1FFF"},
    };
    for (const auto& c : cases) {
      qInfo("%s", c.name);
      rig.form.ChipMenuItemClick(0x1080);
      c.before();
      QKeyEvent key(c.key.type(), c.key.key(), c.key.modifiers(), c.key.nativeScanCode(), 0, 0, c.key.text());
      QApplication::sendEvent(view, &key);
      QVERIFY2(line0().startsWith(c.line), qPrintable(line0()));
    }
    // A first digit above 3 is written as 3, and the window says so.
    rig.form.ChipMenuItemClick(0x1080);
    Rig::PlaceCaret(view, 10);
    QTest::keyClicks(view, "ABCD");
    QVERIFY(line0().startsWith("00000000: 3BCD"));
    QVERIFY2(rig.form.statusBar()->currentMessage().contains("A was written as 3"),
             qPrintable(rig.form.statusBar()->currentMessage()));
    // The device ID in the configuration view takes no key.
    HexView* config = rig.form.RichEdit6;
    Rig::PlaceCaret(config, 40);
    QTest::keyClicks(config, "12");
    QCOMPARE(config->document()->firstBlock().text().mid(40, 4), QString("1080"));
    QVERIFY(rig.form.statusBar()->currentMessage().startsWith("0x2006 is the device ID"));
    // Tab leaves a view from its digits, and types in its characters.
    Rig::PlaceCaret(view, 12);
    QTest::keyClick(view, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != view);
    Rig::PlaceCaret(view, 58);
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view);
  }

  void keysSelectionsTabAndFocusAsAnOperatorMeetsThem() {
    Rig rig;
    QVERIFY(rig.ShowWithPic16F684());
    HexView* view = rig.form.RichEdit1;
    auto line0 = [view] { return view->document()->firstBlock().text(); };
    // AZERTY's "1" key types "&", QWERTZ's Shift+8 types "(": still 1 and 8.
    Rig::PlaceCaret(view, 10);
    QKeyEvent one(QEvent::KeyPress, Qt::Key_Ampersand, Qt::NoModifier, 10, 0, 0, "&");
    QKeyEvent eight(QEvent::KeyPress, Qt::Key_ParenLeft, Qt::ShiftModifier, 17, 0, 0, "(");
    QApplication::sendEvent(view, &one);
    QApplication::sendEvent(view, &eight);
    QVERIFY(line0().startsWith("00000000: 18FF 3FFF"));
    // Typing over a double-clicked word starts at its first digit.
    QTextCursor word = view->textCursor();
    word.setPosition(15);
    word.setPosition(19, QTextCursor::KeepAnchor);
    view->setTextCursor(word);
    QTest::keyClicks(view, "25");
    QVERIFY(line0().startsWith("00000000: 18FF 25FF 3FFF"));
    // Tab belongs to the view: in a character column it stores 0x1F.
    Rig::PlaceCaret(view, 56);
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view);
    QVERIFY(line0().startsWith("00000000: 181F 25FF"));
    QCOMPARE(view->contextMenuPolicy(), Qt::NoContextMenu);
    // Copies between images and views give the focus back; Connect puts it
    // on the program view, away from the port box.
    rig.form.ChipMenuItemClick(0x1080);
    QCOMPARE(QApplication::focusWidget(), view);
    rig.form.ComboBox1->setFocus();
    QTest::mouseClick(rig.form.Button1, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), view);
    // The window fits an 800 x 600 screen with its title bar: the controls
    // go into three columns where five do not fit.
    QVERIFY2(rig.form.minimumSizeHint().width() <= 780, QByteArray::number(rig.form.minimumSizeHint().width()));
    QVERIFY2(rig.form.minimumSizeHint().height() <= 560, QByteArray::number(rig.form.minimumSizeHint().height()));
  }

  void configDialogPictureWindowAndAboutBox() {
    Rig rig;
    rig.form.show();
    rig.form.ChipMenuItemClick(0x2080);  // PIC16F887
    {
      TLockFusesForm dialog(rig.state, &rig.form);
      QVERIFY(dialog.GroupBoxes[3]->isVisibleTo(&dialog));
      QCOMPARE(dialog.GroupBoxes[3]->title(), QString("bits 8..13 W2"));
      QCOMPARE(dialog.CheckBoxes[6]->text(), QString("!CP"));
      QVERIFY(dialog.CheckBoxes[6]->toolTip().startsWith("!CP: code protection"));
      QVERIFY(!dialog.CheckBoxes[16]->isVisibleTo(&dialog));
      QCOMPARE(dialog.OKButton->width(), 441);
      dialog.CheckBoxes[6]->setChecked(true);
      dialog.OKButtonClick();
      rig.form.SyncFromCore();  // as LockFuses1Click does when the dialog closes
      QVERIFY(rig.form.RichEdit6->toPlainText().startsWith("00002000: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 2080 3FBF"));
    }
    QStringList said;
    auto say = [&said](const QString& caption, const QString&) { said << caption; };
    {  // Found beside the program; stretched to the window on every resize.
      TImageForm picture(rig.state.chip, FLASHWRIGHT_PROGRAM_DIR, "/nonexistent", say);
      QVERIFY(said.isEmpty());
      QVERIFY(picture.shown_file.endsWith("/pictures/PIC16F882.jpg"));
      picture.show();
      picture.resize(700, 500);
      QTRY_COMPARE(picture.Image1->geometry(), QRect(0, 0, 700, 500));
    }
    TImageForm missing(rig.state.chip, "/nonexistent", "/nonexistent", say);
    QCOMPARE(said, QStringList{"Error"});
    QVERIFY(missing.Image1->pixmap().isNull());
    rig.state.chip.ChipIdWord = 0;
    TImageForm none(rig.state.chip, FLASHWRIGHT_PROGRAM_DIR, "/nonexistent", say);
    QCOMPARE(said.size(), 1);  // no chip: an empty window and no message
    QVERIFY(none.Image1->pixmap().isNull());

    std::vector<QUrl> opened;
    TAboutBox about(QUrl::fromLocalFile("/doc/README.md"), [&opened](const QUrl& url) { opened.push_back(url); });
    about.show();
    for (LinkLabel* link : {about.Label5, about.Label7, about.Label11}) {
      QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
      QTest::mouseClick(link, Qt::LeftButton);
    }
    QCOMPARE(opened, (std::vector<QUrl>{QUrl("file:///doc/README.md#wiring-the-gateway"),
                                        QUrl("file:///doc/README.md"),
                                        QUrl("file:///doc/README.md#getting-help")}));
    QTest::mouseClick(about.OKButton, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    rig.form.SetAboutBox(&about);
    rig.form.About1Click();
    QVERIFY(about.isVisible());
  }

  void autosearchOnTheDemoGateway() {
    fw::test::FakeClock clock;
    fw::test::FakePause pause;
    RecordingDialogs dialogs;
    DeviceOpenerForApp opener;
    fw::AppState state(clock, pause, dialogs, opener.Opener());
    TForm1 form(state, dialogs, DemoPortNames(), "demo:PIC16F887");
    QVERIFY(form.ComboBox1->findText("demo:PIC16F684") >= 0);
    form.Button1Click();
    QVERIFY(form.Button3->isEnabled());
    form.Button3Click();
    QCOMPARE(form.Edit1->text(), QString("PIC16F887"));
    QCOMPARE(form.Edit2->text(), QString("2083"));
    QCOMPARE(form.RichEdit1->document()->blockCount(), 1024);
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
