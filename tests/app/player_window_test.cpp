// SPDX-License-Identifier: MIT
// The player group of the window driven as a user drives it, on recording
// devices and the offscreen platform: the output list and the instrument
// box, Play and Stop with their buttons, the caret's line, a conversion
// during playback, the end of the listing, and the hidden test button.

#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/played_line_highlight.h"
#include "app/tform1.h"
#include "app/transport_view.h"
#include "output/arrangement_picture.h"
#include "output/listing_formats.h"
#include "playback/listing_player.h"
#include "playback/player_thread.h"
#include "playback/recording_midi_backend.h"
#include "test_support.h"
#include "tests/support/playback_fakes.h"
#include "tests/support/run_until.h"

using tonvell::playback::MidiLogEntry;
using tonvell::playback::MidiShortMessage;
using tonvell::playback::RecordingMidiBackend;
using tonvell::test::ShownBox;

namespace {

using tonvell::test::RunUntil;

const QString kWorkedListing = QStringLiteral(
    "; \n; x.mid\n; \nDWL 8 ;size in bytes\n; \nDB 0Eh, 87h\nDB 51h, F0h\nDB 9Fh ;delay\n"
    "DB 51h, 80h\nDB 00h ;end of block\n");

// A listing that plays for a long time: a note, then a long pause.
const QString kLongListing = QStringLiteral("DB 51h, F0h\nDB FFh ;delay\nDB 51h, 80h\nDB 00h\n");

// Pairs of a note and a short delay: each tick sends one note.
QString StepListing(int notes) {
    QString text;
    for (int i = 0; i < notes; ++i) {
        text += QStringLiteral("DB 51h, F0h\nDB 81h ;delay\n");
    }
    return text + QStringLiteral("DB 00h\n");
}

// Makes every paint of a widget take paintMs, and notes when each was.
class SlowPaint : public QObject {
public:
    SlowPaint(QWidget* widget, int paintMs) : widget_(widget), paintMs_(paintMs) {
        widget_->installEventFilter(this);
    }
    ~SlowPaint() override { widget_->removeEventFilter(this); }
    using Interval =
        std::pair<std::chrono::steady_clock::time_point, std::chrono::steady_clock::time_point>;
    std::vector<Interval> paints;
    std::function<void()> onPaint;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && event->type() == QEvent::Paint) {
            const auto start = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(std::chrono::milliseconds(paintMs_));
            paints.emplace_back(start, std::chrono::steady_clock::now());
            if (onPaint) {
                onPaint();
            }
        }
        return false;
    }

private:
    QWidget* widget_;
    int paintMs_;
};

std::vector<MidiShortMessage> AllNotesOff() {
    std::vector<MidiShortMessage> messages;
    for (std::uint8_t channel = 0; channel < 15; ++channel) {
        messages.push_back({static_cast<std::uint8_t>(0xB0 + channel), 0x7B, 0x00});
    }
    return messages;
}

}  // namespace

class PlayerWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void outputListOrder();
    void instrumentBoxFollowsTheOutput_data();
    void instrumentBoxFollowsTheOutput();
    void playWorkedListingToTheEnd();
    void stopSilencesAndResumesWhereItStopped();
    void caretChoosesTheStartingLine();
    void conversionDuringPlaybackStopsAndRewindsFirst();
    void openFailureLeavesTheWindowIdle();
    void hiddenTestButton();
    void closingDuringPlaybackSilencesFirst();
    void playedLineAfterTicks_data();
    void playedLineAfterTicks();
    void playedLineStaysInViewUntilScrolledAway();
    void playerKeys_data();
    void playerKeys();
    void stopLeavesNoInstrumentForASerialPort();
    void rewindScrollsTheListingToItsTop();
    void savedListingOpensAndPlays_data();
    void savedListingOpensAndPlays();
    void listingFilesThatCannotBeOpened_data();
    void listingFilesThatCannotBeOpened();
    void stepsKeepTheirScheduleWhileTheWindowPaintsSlowly();
    void stopDuringASlowPaintSilencesAtOnce();
    void transportAndLampsDuringPlay();

private:
    void Choose(const QString& output);
    void ClickPlay();
    std::vector<MidiShortMessage> Messages() const { return midi_->Messages(); }
    // The player's thread leaves the ticks to Step, which runs one and shows
    // it, as the thread and Timer1 would.
    void HoldTicks() { form_->Player().HoldTicks(); }
    void Step() {
        form_->Player().StepTick();
        form_->Timer1Timer();
    }

    tonvell::test::FakeClock serialClock_;
    tonvell::test::SerialRecord serial_;
    tonvell::playback::SteadyClock clock_;
    RecordingMidiBackend* midi_ = nullptr;
    tonvell::test::FakeSerialBackend* serialDevices_ = nullptr;
    std::vector<ShownBox> boxes_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<QTemporaryDir> startFolder_;
    QString testFolder_;
};

void PlayerWindowTest::init() {
    // The window reads and writes Cfg.ini in the folder it starts in.
    startFolder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(startFolder_->isValid());
    testFolder_ = QDir::currentPath();
    QDir::setCurrent(startFolder_->path());
    serial_ = {};
    boxes_.clear();
    tonvell::playback::SoundBackends backends;
    auto serialBackend = std::make_unique<tonvell::test::FakeSerialBackend>(
        std::vector<std::string>{"/dev/ttyUSB0"}, serial_, serialClock_);
    serialDevices_ = serialBackend.get();
    backends.serial = std::move(serialBackend);
    auto midi = std::make_unique<RecordingMidiBackend>(
        std::vector<std::string>{"Synth A", "Synth B"}, clock_, std::vector<std::size_t>{1});
    midi_ = midi.get();
    backends.midi.push_back(std::move(midi));
    form_ = std::make_unique<TForm1>(std::move(backends));
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void PlayerWindowTest::cleanup() {
    form_.reset();
    QDir::setCurrent(testFolder_);
    startFolder_.reset();
}

void PlayerWindowTest::Choose(const QString& output) {
    const int index = form_->ComboBox11->findText(output);
    QVERIFY(index >= 0);
    form_->ComboBox11->setCurrentIndex(index);
}

void PlayerWindowTest::ClickPlay() {
    QTest::mouseClick(form_->Button4, Qt::LeftButton);
}

void PlayerWindowTest::outputListOrder() {
    QStringList items;
    for (int i = 0; i < form_->ComboBox11->count(); ++i) {
        items << form_->ComboBox11->itemText(i);
    }
    QCOMPARE(items, (QStringList{"none", "/dev/ttyUSB0", "Synth A", "Synth B"}));
    QCOMPARE(form_->ComboBox11->currentText(), QStringLiteral("none"));
    QVERIFY(!form_->ComboBox12->isEnabled());
}

void PlayerWindowTest::instrumentBoxFollowsTheOutput_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("midi device") << "Synth B" << false << true;
    QTest::newRow("serial port") << "/dev/ttyUSB0" << false << false;
    QTest::newRow("none") << "none" << false << false;
    QTest::newRow("typed name") << "my synth" << true << true;
    QTest::newRow("typed port") << "COM7" << true << false;
}

void PlayerWindowTest::instrumentBoxFollowsTheOutput() {
    QFETCH(QString, output);
    QFETCH(bool, typed);
    QFETCH(bool, enabled);
    Choose(QStringLiteral("Synth A"));
    QVERIFY(form_->ComboBox12->isEnabled());
    if (typed) {
        form_->ComboBox11->lineEdit()->selectAll();
        QTest::keyClicks(form_->ComboBox11->lineEdit(), output);
    } else {
        Choose(output);
    }
    QCOMPARE(form_->ComboBox11->currentText(), output);
    QCOMPARE(form_->ComboBox12->isEnabled(), enabled);
}

void PlayerWindowTest::playWorkedListingToTheEnd() {
    form_->Memo2->setPlainText(kWorkedListing);
    Choose(QStringLiteral("Synth A"));
    form_->ComboBox12->setCurrentText(QStringLiteral("80 Square Lead"));
    ClickPlay();
    QVERIFY(!form_->Button4->isEnabled());
    QVERIFY(form_->Button5->isEnabled());
    QVERIFY(!form_->ComboBox11->isEnabled());
    QVERIFY(!form_->ComboBox12->isEnabled());
    QVERIFY(form_->Timer1->isActive());
    QVERIFY(RunUntil([&] { return !form_->Button5->isEnabled(); }));

    std::vector<MidiShortMessage> expected;
    for (std::uint8_t channel = 0; channel < 15; ++channel) {
        expected.push_back({static_cast<std::uint8_t>(0xC0 + channel), 80, 0});
    }
    for (const MidiShortMessage& m : std::vector<MidiShortMessage>{
             {0xB0, 0x78, 0x00}, {0x90, 0x3C, 0x70}, {0xB0, 0x78, 0x00}, {0x90, 0x3C, 0x00}}) {
        expected.push_back(m);
    }
    for (const MidiShortMessage& m : AllNotesOff()) {
        expected.push_back(m);
    }
    QCOMPARE(Messages(), expected);
    QCOMPARE(midi_->Log().back().kind, MidiLogEntry::Kind::Closed);
    QCOMPARE(form_->Label2->text(), QStringLiteral("Line: 1"));
    QVERIFY(form_->Button4->isEnabled());
    QVERIFY(form_->ComboBox11->isEnabled());
    QVERIFY(form_->ComboBox12->isEnabled());
    QVERIFY(!form_->Timer1->isActive());
    QVERIFY(boxes_.empty());
}

void PlayerWindowTest::stopSilencesAndResumesWhereItStopped() {
    form_->Memo2->setPlainText(kLongListing);
    Choose(QStringLiteral("Synth A"));
    form_->ComboBox12->setCurrentText(QString());  // the device keeps its instrument
    ClickPlay();
    QVERIFY(RunUntil([&] { return Messages().size() >= 2; }));
    QTest::mouseClick(form_->Button5, Qt::LeftButton);
    QVERIFY(!form_->Button5->isEnabled());
    QVERIFY(form_->Button4->isEnabled());
    QVERIFY(!form_->Timer1->isActive());
    std::vector<MidiShortMessage> expected = {{0xB0, 0x78, 0x00}, {0x90, 0x3C, 0x70}};
    for (const MidiShortMessage& m : AllNotesOff()) {
        expected.push_back(m);
    }
    QCOMPARE(Messages(), expected);
    QCOMPARE(midi_->Log().back().kind, MidiLogEntry::Kind::Closed);
    // The player holds the note's end across the delay and sends it first.
    QCOMPARE(form_->Player().ParseState(), tonvell::playback::ListingPlayer::State::HoldingCommand);
    midi_->ClearLog();
    ClickPlay();
    QVERIFY(RunUntil([&] { return !form_->Button5->isEnabled(); }));
    const std::vector<MidiShortMessage> resumed = Messages();
    QVERIFY(resumed.size() >= 2);
    QCOMPARE(resumed[1], (MidiShortMessage{0x90, 0x3C, 0x00}));
}

void PlayerWindowTest::caretChoosesTheStartingLine() {
    form_->Memo2->setPlainText(kWorkedListing);
    form_->Memo2->setFocus();
    form_->Memo2->moveCursor(QTextCursor::Start);
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(form_->Memo2, Qt::Key_Down);
    }
    QCOMPARE(form_->Label2->text(), QStringLiteral("Line: 5"));
    QTest::keyClick(form_->Memo2, Qt::Key_End);
    QCOMPARE(form_->Label2->text(), QStringLiteral("Line: 5"));
    QCOMPARE(form_->Player().LineIndex(), 4);
    // A click on the box while playing leaves the cursor alone.
    Choose(QStringLiteral("none"));
    ClickPlay();
    form_->Memo2->moveCursor(QTextCursor::Start);
    QTest::mouseClick(form_->Memo2->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(form_->Player().LineIndex(), 4);
    QTest::mouseClick(form_->Button5, Qt::LeftButton);
}

void PlayerWindowTest::conversionDuringPlaybackStopsAndRewindsFirst() {
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("song.mid"));
    tonvell::test::WriteFile(song, tonvell::test::SongFile());
    form_->Memo2->setPlainText(kLongListing);
    Choose(QStringLiteral("/dev/ttyUSB0"));
    ClickPlay();
    // Read through the player's position: the thread writes the record.
    QVERIFY(RunUntil([&] { return form_->Player().Position().soundingLine >= 0; }));
    QVERIFY(form_->OpenFile(song));
    QVERIFY(!form_->Button5->isEnabled());
    QVERIFY(!form_->Timer1->isActive());
    QCOMPARE(serial_.bytes, (std::vector<std::uint8_t>{0x51, 0xF0, 0x11, 0x80, 0x11, 0x81, 0x11,
                                                       0x82, 0x11, 0x83, 0x11, 0x84, 0x11, 0x85}));
    QCOMPARE(serial_.closed, 1);
    QCOMPARE(form_->Label2->text(), QStringLiteral("Line: 1"));
    QCOMPARE(form_->Player().LineIndex(), 0);
    QVERIFY(form_->Memo2->toPlainText().contains(QStringLiteral("DB 51h, E0h")));
}

void PlayerWindowTest::openFailureLeavesTheWindowIdle() {
    form_->Memo2->setPlainText(kWorkedListing);
    Choose(QStringLiteral("Synth B"));  // refuses to open
    ClickPlay();
    QCOMPARE(boxes_.size(), std::size_t(1));
    QCOMPARE(boxes_[0].text, QStringLiteral("MIDI Device is busy or absent."));
    QVERIFY(form_->Button4->isEnabled());
    QVERIFY(!form_->Button5->isEnabled());
    QVERIFY(!form_->Timer1->isActive());
}

void PlayerWindowTest::hiddenTestButton() {
    Choose(QStringLiteral("Synth A"));
    form_->ComboBox12->setCurrentText(QString());
    form_->Button8Click();
    QCOMPARE(Messages(), (std::vector<MidiShortMessage>{{0x90, 0x45, 0x7F}}));
    QCOMPARE(midi_->Log().back().kind, MidiLogEntry::Kind::Closed);
    Choose(QStringLiteral("Synth B"));
    form_->Button8Click();
    QCOMPARE(boxes_.size(), std::size_t(2));
    QCOMPARE(boxes_[1].text, QStringLiteral("Неуд"));
}

void PlayerWindowTest::closingDuringPlaybackSilencesFirst() {
    form_->Memo2->setPlainText(kLongListing);
    Choose(QStringLiteral("Synth A"));
    ClickPlay();
    QVERIFY(RunUntil([&] { return Messages().size() >= 2 + 15; }));
    form_->close();
    QVERIFY(!form_->Player().Playing());
    const std::vector<MidiShortMessage> sent = Messages();
    const std::vector<MidiShortMessage> off = AllNotesOff();
    QVERIFY(sent.size() >= off.size());
    QVERIFY(
        std::equal(off.begin(), off.end(), sent.end() - static_cast<std::ptrdiff_t>(off.size())));
    QCOMPARE(midi_->Log().back().kind, MidiLogEntry::Kind::Closed);
}

void PlayerWindowTest::playedLineAfterTicks_data() {
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("line");
    QTest::newRow("Play, no tick yet: where it starts") << 0 << 0;
    QTest::newRow("1 tick: the first note") << 1 << 0;
    QTest::newRow("2 ticks") << 2 << 2;
    QTest::newRow("5 ticks") << 5 << 8;
}

// The timer is stopped and the ticks are run one by one, as the timer would.
void PlayerWindowTest::playedLineAfterTicks() {
    QFETCH(int, ticks);
    QFETCH(int, line);
    form_->Memo2->setPlainText(StepListing(8));
    // The user's caret and selection, which playing leaves alone.
    QTextCursor selection(form_->Memo2->document());
    selection.setPosition(3);
    selection.setPosition(20, QTextCursor::KeepAnchor);
    form_->Memo2->setTextCursor(selection);
    Choose(QStringLiteral("Synth A"));
    HoldTicks();
    ClickPlay();
    for (int i = 0; i < ticks; ++i) {
        Step();
    }
    QVERIFY(form_->Player().Playing());
    QCOMPARE(form_->PlayedLine().Line(), line);
    const QList<QTextEdit::ExtraSelection> marks = form_->Memo2->extraSelections();
    QCOMPARE(marks.size(), qsizetype{1});
    // The line with its break, so that the mark spans the box.
    QCOMPARE(marks[0].cursor.selection().toPlainText(),
             form_->Memo2->toPlainText().split(QLatin1Char('\n')).value(line) + u'\n');
    QCOMPARE(form_->Memo2->textCursor().selectionStart(), 3);
    QCOMPARE(form_->Memo2->textCursor().selectionEnd(), 20);

    // Stopping ends the mark.
    QTest::mouseClick(form_->Button5, Qt::LeftButton);
    QCOMPARE(form_->PlayedLine().Line(), -1);
    QVERIFY(form_->Memo2->extraSelections().isEmpty());
}

void PlayerWindowTest::playedLineStaysInViewUntilScrolledAway() {
    form_->Memo2->setPlainText(StepListing(200));
    QScrollBar* bar = form_->Memo2->verticalScrollBar();
    QCOMPARE(bar->value(), 0);
    Choose(QStringLiteral("Synth A"));
    HoldTicks();
    ClickPlay();
    const int shown =
        form_->Memo2->viewport()->height() / form_->Memo2->fontMetrics().lineSpacing();
    const auto inView = [&] {
        const int line = form_->PlayedLine().Line();
        return line >= bar->value() && line < bar->value() + shown;
    };
    for (int i = 0; i < 40; ++i) {
        Step();
        QVERIFY2(inView(), qPrintable(QString::number(form_->PlayedLine().Line())));
    }
    QVERIFY(bar->value() > 0);
    QCOMPARE(form_->Memo2->textCursor().position(), 0);

    // Scrolled back to the top by hand: the box stays there while playing on.
    bar->setValue(0);
    QVERIFY(!form_->PlayedLine().Following());
    for (int i = 0; i < 5; ++i) {
        Step();
    }
    QCOMPARE(bar->value(), 0);
    QVERIFY(form_->PlayedLine().Line() > shown);

    // The next Play follows again.
    QTest::mouseClick(form_->Button5, Qt::LeftButton);
    ClickPlay();
    Step();
    QVERIFY(form_->PlayedLine().Following());
    QVERIFY(inView());
}

void PlayerWindowTest::playerKeys_data() {
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<bool>("playing");  // afterwards, having played before
    QTest::addColumn<int>("line");      // Label2's number afterwards
    QTest::newRow("F5 plays") << QKeyCombination(Qt::Key_F5) << true << -1;
    QTest::newRow("Esc stops") << QKeyCombination(Qt::Key_Escape) << false << -1;
    QTest::newRow("Shift+F5 stops") << QKeyCombination(Qt::SHIFT, Qt::Key_F5) << false << -1;
    QTest::newRow("Ctrl+Home rewinds") << QKeyCombination(Qt::CTRL, Qt::Key_Home) << false << 1;
}

void PlayerWindowTest::playerKeys() {
    QFETCH(QKeyCombination, key);
    QFETCH(bool, playing);
    QFETCH(int, line);
    form_->Memo2->setPlainText(StepListing(200));
    Choose(QStringLiteral("Synth A"));
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    HoldTicks();
    if (key.key() != Qt::Key_F5 || key.keyboardModifiers() != Qt::NoModifier) {
        ClickPlay();
        for (int i = 0; i < 5; ++i) {
            Step();
        }
    }
    // Pressed with the focus on a button of the player group.
    form_->Button6->setFocus();
    QTest::keyClick(form_->Button6, key.key(), key.keyboardModifiers());
    QCOMPARE(form_->Player().Playing(), playing);
    if (line > 0) {
        QCOMPARE(form_->Label2->text(), QStringLiteral("Line: %1").arg(line));
    }
    QCOMPARE(form_->Button4->text(), QStringLiteral("Play"));
    QCOMPARE(form_->Button5->text(), QStringLiteral("Stop"));
    QTest::mouseClick(form_->Button5, Qt::LeftButton);
}

// The instrument box stays off while a serial port is chosen: the
// instrument chooses its own sound.
void PlayerWindowTest::stopLeavesNoInstrumentForASerialPort() {
    form_->Memo2->setPlainText(kLongListing);
    Choose(QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(!form_->ComboBox12->isEnabled());
    ClickPlay();
    QVERIFY(form_->Player().Playing());
    QTest::mouseClick(form_->Button5, Qt::LeftButton);
    QVERIFY(!form_->Player().Playing());
    QVERIFY(form_->ComboBox11->isEnabled());
    QVERIFY(!form_->ComboBox12->isEnabled());
    // A MIDI device chosen after it has one again.
    Choose(QStringLiteral("Synth A"));
    QVERIFY(form_->ComboBox12->isEnabled());
}

// Ctrl+Home pressed on the rewind button, and the button itself, bring the
// listing back to its first line in view.
void PlayerWindowTest::rewindScrollsTheListingToItsTop() {
    form_->Memo2->setPlainText(StepListing(300));
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QScrollBar* bar = form_->Memo2->verticalScrollBar();
    for (const bool byKey : {true, false}) {
        bar->setValue(bar->maximum());
        QVERIFY(bar->value() > 0);
        form_->Button6->setFocus();
        if (byKey) {
            QTest::keyClick(form_->Button6, Qt::Key_Home, Qt::ControlModifier);
        } else {
            QTest::mouseClick(form_->Button6, Qt::LeftButton);
        }
        QCOMPARE(bar->value(), 0);
        QCOMPARE(form_->Label2->text(), QStringLiteral("Line: 1"));
    }
    QVERIFY(form_->Button4->toolTip().contains(QStringLiteral("F5")));
    QVERIFY(form_->Button6->toolTip().contains(QStringLiteral("Ctrl+Home")));
}

// A listing saved as .inc or .txt (Windows-1251), or kept after a signal
// (UTF-8), opens by Ctrl+O and plays as the listing it was made from.
void PlayerWindowTest::savedListingOpensAndPlays_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("asTyped");  // the box holds the listing exactly
    const QString cyrillic = QStringLiteral("; Мелодия\n") + kWorkedListing;
    QTest::newRow(".inc, Windows-1251")
        << "song.inc" << QByteArray::fromStdString(tonvell::RenderInc(cyrillic.toStdString()))
        << true;
    QTest::newRow(".txt, constants")
        << "song.txt" << QByteArray::fromStdString(tonvell::RenderTxt(cyrillic.toStdString()))
        << false;
    QTest::newRow("kept after a signal, UTF-8")
        << "song.recovered.txt" << cyrillic.toUtf8() << true;
}

void PlayerWindowTest::savedListingOpensAndPlays() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, asTyped);
    const QString cyrillic = QStringLiteral("; Мелодия\n") + kWorkedListing;
    // What the listing sends, typed into the box.
    form_->Memo2->setPlainText(cyrillic);
    Choose(QStringLiteral("Synth A"));
    ClickPlay();
    QVERIFY(RunUntil([&] { return !form_->Button5->isEnabled(); }));
    const std::vector<MidiShortMessage> typed = Messages();
    midi_->ClearLog();

    const QString path = startFolder_->filePath(name);
    tonvell::test::WriteFile(path, bytes);
    form_->Memo2->clear();
    form_->SetOpenDialog([path] { return path; });
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QTest::keyClick(form_.get(), Qt::Key_O, Qt::ControlModifier);
    if (asTyped) {
        QCOMPARE(form_->Memo2->toPlainText(), cyrillic);
    } else {
        QVERIFY(form_->Memo2->toPlainText().startsWith(QStringLiteral("; Мелодия\n")));
    }
    QVERIFY(form_->Button3->isEnabled() && form_->Button4->isEnabled());
    QVERIFY(boxes_.empty());
    ClickPlay();
    QVERIFY(RunUntil([&] { return !form_->Button5->isEnabled(); }));
    QCOMPARE(Messages(), typed);
    // Not edited since it was read: nothing to ask before another file.
    QVERIFY(form_->OpenListingFile(path));
    QVERIFY(boxes_.empty());
}

void PlayerWindowTest::listingFilesThatCannotBeOpened_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("named pipe") << "fifo";
    QTest::newRow("larger than a listing can be") << "large";
    QTest::newRow("missing") << "missing";
}

// Refused with a message, without waiting on a pipe; the listing stays.
void PlayerWindowTest::listingFilesThatCannotBeOpened() {
    QFETCH(QString, kind);
    const QString path = startFolder_->filePath(QStringLiteral("x.inc"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(startFolder_->path()).mkdir(QStringLiteral("x.inc")));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("large")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(16 * 1024 * 1024 + 1));
    }
    form_->Memo2->setPlainText(kWorkedListing);
    QVERIFY(form_->OpenListingFile(path));
    QCOMPARE(boxes_.size(), std::size_t{1});
    QVERIFY(boxes_[0].error);
    QCOMPARE(form_->Memo2->toPlainText(), kWorkedListing);
}

// Each paint of the listing takes 90 ms, three notes' worth, as a slow
// machine or a huge listing might. The notes go out all the same: in the
// listing's order, and while the window paints.
void PlayerWindowTest::stepsKeepTheirScheduleWhileTheWindowPaintsSlowly() {
    form_->Memo2->setPlainText(StepListing(30));
    Choose(QStringLiteral("Synth A"));
    form_->ComboBox12->setCurrentText(QString());
    SlowPaint slow(form_->Memo2->viewport(), 90);
    ClickPlay();
    QVERIFY(RunUntil([&] { return !form_->Button5->isEnabled(); }, 30000));
    const std::vector<MidiLogEntry> log = midi_->Log();
    int notes = 0;
    int duringPaint = 0;
    for (const MidiLogEntry& entry : log) {
        if (entry.kind != MidiLogEntry::Kind::Message || entry.message.status != 0x90) {
            continue;
        }
        QCOMPARE(entry.message, (MidiShortMessage{0x90, 0x3C, 0x70}));
        ++notes;
        const auto at = std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(entry.time));
        for (const auto& [start, end] : slow.paints) {
            duringPaint += start < at && at < end ? 1 : 0;
        }
    }
    QCOMPARE(notes, 30);
    QVERIFY(slow.paints.size() >= 2);
    QVERIFY(duringPaint > 0);
    QCOMPARE(form_->Label2->text(), QStringLiteral("Line: 1"));
}

// The user stops while the window paints slowly: once the paint is over, Stop
// silences the device at once, and nothing sounds after it.
void PlayerWindowTest::stopDuringASlowPaintSilencesAtOnce() {
    form_->Memo2->setPlainText(StepListing(200));
    Choose(QStringLiteral("Synth A"));
    form_->ComboBox12->setCurrentText(QString());
    SlowPaint slow(form_->Memo2->viewport(), 60);
    ClickPlay();
    QVERIFY(RunUntil([&] { return Messages().size() >= 6; }));
    bool clicked = false;
    slow.onPaint = [&] {
        if (!clicked) {
            clicked = true;
            QMetaObject::invokeMethod(form_->Button5, &QPushButton::click, Qt::QueuedConnection);
        }
    };
    form_->Memo2->viewport()->update();
    QVERIFY(RunUntil([&] { return !form_->Button5->isEnabled(); }));
    const std::vector<MidiShortMessage> atStop = Messages();
    const std::vector<MidiShortMessage> off = AllNotesOff();
    QVERIFY(atStop.size() >= off.size());
    QVERIFY(
        std::equal(off.begin(), off.end(), atStop.end() - static_cast<std::ptrdiff_t>(off.size())));
    QCOMPARE(midi_->Log().back().kind, MidiLogEntry::Kind::Closed);
    QTest::qWait(100);
    QCOMPARE(Messages().size(), atStop.size());
}

// Two voices sound, then one, then none; the time moves by the listing's
// delays (two of 129 units of 15 ms: 3.87 s in all).
void PlayerWindowTest::transportAndLampsDuringPlay() {
    form_->Memo2->setPlainText(QStringLiteral(
        "DB 51h, F0h\nDB 55h, F1h\nDB 80h, 81h ;delay\nDB 51h, 80h\nDB 80h, 81h ;delay\n"
        "DB 55h, 81h\nDB 00h\n"));
    Choose(QStringLiteral("Synth A"));
    tonvell::app::TransportView* transport = form_->Transport();
    QVERIFY(transport != nullptr);
    QVERIFY(transport->isVisible());
    const auto lamps = [&] {
        QStringList notes;
        for (int v = 0; v < tonvell::app::TransportView::kVoices; ++v) {
            notes << transport->VoiceText(v);
        }
        return notes;
    };
    const QString c = QString::fromStdString(tonvell::NoteName(60));
    const QString e = QString::fromStdString(tonvell::NoteName(64));
    HoldTicks();
    form_->Button6Click();
    ClickPlay();
    QCOMPARE(transport->TimeText(), QStringLiteral("0:00 / 0:03"));
    QCOMPARE(lamps(), QStringList(6));

    Step();
    QCOMPARE(lamps(), (QStringList{c, e, {}, {}, {}, {}}));
    QCOMPARE(transport->TimeText(), QStringLiteral("0:00 / 0:03"));
    Step();
    QCOMPARE(lamps(), (QStringList{{}, e, {}, {}, {}, {}}));
    QCOMPARE(transport->TimeText(), QStringLiteral("0:01 / 0:03"));
    QVERIFY(transport->toolTip().contains(e));
    Step();
    QVERIFY(!form_->Player().Playing());
    QCOMPARE(lamps(), QStringList(6));
    QCOMPARE(transport->TimeText(), QStringLiteral("0:00 / 0:03"));
    QCOMPARE(transport->BarText(), QString());  // no picture: the metre is not known

    // Typed in while idle: the new length shows once the typing pauses.
    form_->Memo2->setFocus();
    form_->Memo2->moveCursor(QTextCursor::Start);
    QTest::keyClicks(form_->Memo2, QStringLiteral("DB 80h, 81h"));
    QTest::keyClick(form_->Memo2, Qt::Key_Return);
    QVERIFY(RunUntil([&] { return transport->TimeText().endsWith(QStringLiteral("/ 0:05")); }));
}

QTEST_MAIN(PlayerWindowTest)
#include "player_window_test.moc"
