// SPDX-License-Identifier: MIT
// The picture's window as a musician uses it, on a virtual X server: every
// note can be scrolled to however long the piece, the rulers stay in place,
// time and pitch zoom apart, the whole piece fits, the play-head leads the
// view while playing, a click puts the player there, the player's keys work
// from the picture, the legend names every style, and a refused file says
// why.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>
#include <memory>

#include "app/arrangement_legend.h"
#include "app/arrangement_view.h"
#include "app/arrangement_window.h"
#include "app/tform1.h"
#include "convert/conversion.h"
#include "picture_files.h"
#include "playback/listing_player.h"
#include "playback/player_thread.h"
#include "playback/recording_midi_backend.h"
#include "test_support.h"
#include "tests/support/midi_builder.h"
#include "tests/support/run_until.h"

namespace {

using midi_test::Bytes;
using midi_test::Cat;
using midi_test::Ev;

// 4/4 at 96 ticks a quarter and 120 a minute: 120 bars of quarter notes
// climbing and falling over three octaves, a minute long.
Bytes PieceWithMetre() {
    Bytes events = Ev(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
    for (int i = 0; i < 480; ++i) {
        const auto note = static_cast<std::uint8_t>(48 + (i % 72 < 36 ? i % 36 : 72 - i % 72));
        events = Cat({events, Ev(0, {0x90, note, 100}), Ev(96, {0x80, note, 0})});
    }
    return midi_test::Format0(96, Cat({events, midi_test::EndOfTrack()}));
}

tonvell::Arrangement ArrangementOf(const Bytes& file) {
    tonvell::Arrangement arrangement;
    tonvell::ConvertOptions options;
    options.arrangement = &arrangement;
    tonvell::ConvertBytes(file, "piece.mid", options);
    return arrangement;
}

// Counts the pixels of a widget darker than the ruler's grey: painted text.
int DarkPixels(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            dark += qGray(image.pixel(x, y)) < 0x90 ? 1 : 0;
        }
    }
    return dark;
}

// The main window with a recording MIDI device, the file open and its
// picture shown (F2).
struct OpenWindow {
    QTemporaryDir folder;
    QString previous = QDir::currentPath();
    std::vector<tonvell::test::ShownBox> boxes;
    std::unique_ptr<TForm1> form;
    tonvell::app::ArrangementWindow* picture = nullptr;

    bool Open(const Bytes& file) {
        QDir::setCurrent(folder.path());
        const QString path = folder.filePath(QStringLiteral("piece.mid"));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly)) {
            return false;
        }
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<qint64>(file.size()));
        out.close();
        static tonvell::playback::SteadyClock clock;
        tonvell::playback::SoundBackends backends;
        backends.midi.push_back(std::make_unique<tonvell::playback::RecordingMidiBackend>(
            std::vector<std::string>{"Synth A"}, clock, std::vector<std::size_t>{}));
        form = std::make_unique<TForm1>(std::move(backends));
        form->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes));
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()) || !form->OpenFile(path)) {
            return false;
        }
        form->ComboBox11->setCurrentIndex(form->ComboBox11->findText(QStringLiteral("Synth A")));
        form->ShowArrangementWindow();
        picture = form->ArrangementWindow();
        return picture != nullptr && QTest::qWaitForWindowExposed(picture);
    }
    ~OpenWindow() {
        form.reset();
        QDir::setCurrent(previous);
    }
};

}  // namespace

class ArrangementWindowTest : public QObject {
    Q_OBJECT
private slots:
    void everyNoteCanBeScrolledTo_data();
    void everyNoteCanBeScrolledTo();
    void rulersStayWhenScrolledToTheMiddle();
    void timeAndPitchZoomApart();
    void wholePieceFitsTheView();
    void playHeadLeadsAThirdFromTheLeft();
    void clickPutsThePlayerThere();
    void playerKeysWorkFromThePicture();
    void legendNamesEveryStyle();
    void refusedFileSaysWhy();
};

void ArrangementWindowTest::everyNoteCanBeScrolledTo_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<bool>("widerThanTheScrollRange");
    // The longest note's rest is played (and drawn) as the player plays it,
    // two delay bytes at a time; the largest sparse file still spans more
    // pixels than a scroll bar can count at 1:1.
    QTest::newRow("48-byte file, the longest note") << 0 << false;
    QTest::newRow("largest sparse file") << 1 << true;
}

void ArrangementWindowTest::everyNoteCanBeScrolledTo() {
    QFETCH(int, which);
    QFETCH(bool, widerThanTheScrollRange);
    const tonvell::Arrangement arrangement = ArrangementOf(
        which == 0 ? tonvell::test::LongestNoteFile() : tonvell::test::LargestSparseFile());
    QVERIFY(!arrangement.notes.empty());
    tonvell::app::ArrangementWindow window;
    window.ShowArrangement(arrangement);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    tonvell::app::ArrangementView* view = window.View();
    QCOMPARE(view->LastSeconds() * tonvell::app::ArrangementView::kPxPerSecond > INT_MAX,
             widerThanTheScrollRange);
    // The last note to start, reached by End.
    std::int32_t last = 0;
    for (std::size_t i = 0; i < arrangement.notes.size(); ++i) {
        if (arrangement.notes[i].start.seconds >=
            arrangement.notes[static_cast<std::size_t>(last)].start.seconds)
            last = static_cast<std::int32_t>(i);
    }
    view->setFocus();
    QTest::keyClick(view, Qt::Key_End);
    QVERIFY(view->horizontalScrollBar()->value() > 0);
    const std::vector<std::int32_t> shown = view->NotesInView();
    QVERIFY2(std::find(shown.begin(), shown.end(), last) != shown.end(),
             qPrintable(QString::number(shown.size())));
    const tonvell::ArrangedNote& n = arrangement.notes[static_cast<std::size_t>(last)];
    const int width = view->viewport()->width();
    QVERIFY2(view->XOf(n.start.seconds) < width && view->XOf(n.end.seconds) >= 0,
             qPrintable(QString::number(view->XOf(n.start.seconds))));
    // The end of the piece is in view too.
    QVERIFY(view->XOf(view->LastSeconds()) <= width);
}

void ArrangementWindowTest::rulersStayWhenScrolledToTheMiddle() {
    const tonvell::Arrangement arrangement = ArrangementOf(PieceWithMetre());
    tonvell::app::ArrangementWindow window;
    window.ShowArrangement(arrangement);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    tonvell::app::ArrangementView* view = window.View();
    view->ZoomPitch(2);
    QWidget* notes = view->NoteRulerWidget();
    QWidget* bars = view->BarRulerWidget();
    const QRect notesAt = notes->geometry();
    const QRect barsAt = bars->geometry();
    for (QScrollBar* bar : {view->horizontalScrollBar(), view->verticalScrollBar()}) {
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum() / 2);
    }
    QCOMPARE(notes->geometry(), notesAt);
    QCOMPARE(bars->geometry(), barsAt);
    QVERIFY(notes->isVisible() && bars->isVisible());
    QVERIFY(notes->geometry().right() < view->viewport()->geometry().left());
    QVERIFY(bars->geometry().bottom() < view->viewport()->geometry().top());
    // Names and numbers are painted there mid-piece.
    QVERIFY(DarkPixels(notes) > 20);
    QVERIFY(DarkPixels(bars) > 20);
    QVERIFY(view->Grid().HasBars());
    // The legend is outside the scrolled area.
    QVERIFY(!view->isAncestorOf(window.Legend()));
    QVERIFY(window.Legend()->isVisible());
}

void ArrangementWindowTest::timeAndPitchZoomApart() {
    const tonvell::Arrangement arrangement = ArrangementOf(PieceWithMetre());
    tonvell::app::ArrangementWindow window;
    window.ShowArrangement(arrangement);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    tonvell::app::ArrangementView* view = window.View();
    const double time = view->PxPerSecond();
    const double pitch = view->RowPx();
    const QPoint middle = view->viewport()->rect().center();
    const auto wheel = [&](Qt::KeyboardModifiers mods) {
        QWheelEvent event(middle, view->viewport()->mapToGlobal(middle), QPoint(), QPoint(0, 120),
                          Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &event);
    };
    wheel(Qt::ControlModifier);
    QVERIFY(view->PxPerSecond() > time);
    QCOMPARE(view->RowPx(), pitch);
    wheel(Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(view->RowPx() > pitch);
    const double zoomedTime = view->PxPerSecond();
    // The buttons' keys click them, which takes a moment.
    QTest::keyClick(view, Qt::Key_Minus);
    QTRY_VERIFY(view->PxPerSecond() < zoomedTime);
    const double zoomedPitch = view->RowPx();
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    QTRY_VERIFY(view->RowPx() < zoomedPitch);
    QTest::keyClick(view, Qt::Key_1);
    QTRY_COMPARE(view->PxPerSecond(), tonvell::app::ArrangementView::kPxPerSecond);
    QCOMPARE(view->RowPx(), tonvell::app::ArrangementView::kRowPx);
}

void ArrangementWindowTest::wholePieceFitsTheView() {
    const tonvell::Arrangement arrangement = ArrangementOf(PieceWithMetre());
    tonvell::app::ArrangementWindow window;
    window.ShowArrangement(arrangement);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    tonvell::app::ArrangementView* view = window.View();
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);
    auto* whole = window.findChild<QPushButton*>(QStringLiteral("wholePiece"));
    QVERIFY(whole != nullptr);
    QTest::mouseClick(whole, Qt::LeftButton);
    QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(view->verticalScrollBar()->maximum(), 0);
    QCOMPARE(view->NotesInView().size(), arrangement.notes.size());
    QVERIFY(view->XOf(view->LastSeconds()) <= view->viewport()->width());
}

void ArrangementWindowTest::playHeadLeadsAThirdFromTheLeft() {
    const tonvell::Arrangement arrangement = ArrangementOf(PieceWithMetre());
    tonvell::app::ArrangementWindow window;
    window.ShowArrangement(arrangement);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    tonvell::app::ArrangementView* view = window.View();
    const int line = arrangement.notes[200].onLine + 1;
    window.FollowPlayer(line, true);
    const double third = view->viewport()->width() / 3.0;
    QVERIFY2(std::abs(view->XOf(window.PlayHeadSeconds()) - third) < 2,
             qPrintable(QString::number(view->XOf(window.PlayHeadSeconds()))));
    // Idle, the view stays where the user put it.
    view->horizontalScrollBar()->setValue(0);
    window.FollowPlayer(arrangement.notes[300].onLine + 1, false);
    QCOMPARE(view->horizontalScrollBar()->value(), 0);
}

void ArrangementWindowTest::clickPutsThePlayerThere() {
    OpenWindow w;
    QVERIFY(w.Open(PieceWithMetre()));
    tonvell::app::ArrangementView* view = w.picture->View();
    const tonvell::Arrangement& arrangement = w.picture->Shown();
    // A click in the middle of note 10 (it starts at 5 s): the player goes to
    // the first command from that moment on, note 11's.
    const tonvell::ArrangedNote& note = arrangement.notes[10];
    const double seconds = note.start.seconds + 0.25;
    view->ScrollToSeconds(seconds);
    const QPoint at(static_cast<int>(std::lround(view->XOf(seconds))),
                    static_cast<int>(view->RowTop(note.note) + 2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    const int line = w.picture->LineAtSeconds(view->SecondsAt(at.x()));
    QCOMPARE(w.form->Player().LineIndex(), line);
    QCOMPARE(line, arrangement.notes[10].offLine);
    QVERIFY(arrangement.SecondsAtLine(line) <= seconds);
    QCOMPARE(w.picture->PlayHeadSeconds(), arrangement.SecondsAtLine(line));
    // The listing's caret shows the line.
    QCOMPARE(w.form->Memo2->textCursor().position(),
             w.form->Memo2->document()->toPlainText().indexOf(
                 w.form->Memo2->document()->toPlainText().section(QLatin1Char('\n'), line, line)));
    // While playing a click leaves the player alone.
    QTest::mouseClick(w.form->Button4, Qt::LeftButton);
    QVERIFY(w.form->Player().Playing());
    view->horizontalScrollBar()->setValue(0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(view->viewport()->width() - 5, 10));
    QVERIFY(w.form->Player().Playing());
    QTest::mouseClick(w.form->Button5, Qt::LeftButton);
}

void ArrangementWindowTest::playerKeysWorkFromThePicture() {
    OpenWindow w;
    QVERIFY(w.Open(PieceWithMetre()));
    tonvell::app::ArrangementView* view = w.picture->View();
    w.picture->activateWindow();
    view->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(w.picture));
    QTest::keyClick(view, Qt::Key_F5);
    QVERIFY(w.form->Player().Playing());
    QVERIFY(tonvell::test::RunUntil([&] { return w.form->Player().LineIndex() > 3; }));
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!w.form->Player().Playing());
    QVERIFY(w.picture->isVisible());  // Esc stops the player, not the window
    QVERIFY(w.form->Player().LineIndex() > 0);
    QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(w.form->Player().LineIndex(), 0);
    QCOMPARE(w.picture->PlayHeadSeconds(), 0.0);
}

void ArrangementWindowTest::legendNamesEveryStyle() {
    tonvell::app::ArrangementWindow window;
    const QStringList entries = window.Legend()->Entries();
    QStringList expected;
    for (int v = 0; v < 6; ++v)
        expected << QStringLiteral("voice %1").arg(v);
    expected << QStringLiteral("lost part") << QStringLiteral("voice taken by another note")
             << QStringLiteral("never sounds: voice taken at once")
             << QStringLiteral("never sounds: channels 10–16");
    QCOMPARE(entries, expected);
}

void ArrangementWindowTest::refusedFileSaysWhy() {
    OpenWindow w;
    QVERIFY(w.Open(PieceWithMetre()));
    QVERIFY(w.picture->RefusalShown().isEmpty());
    const QString big = w.folder.filePath(QStringLiteral("big.mid"));
    QFile out(big);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(QByteArray(static_cast<qsizetype>(tonvell::kMaxInputBytes) + 1, 'x'));
    out.close();
    w.form->ConvertFile(big);
    const QString refusal = w.picture->RefusalShown();
    QVERIFY2(refusal.contains(QStringLiteral("big.mid")) &&
                 refusal.contains(QLocale().toString(tonvell::kMaxInputBytes)),
             qPrintable(refusal));
    QCOMPARE(w.picture->windowTitle(), QStringLiteral("Arrangement: big.mid"));
    QVERIFY(!w.picture->View()->isVisible());
    QVERIFY(w.picture->Shown().notes.empty());
    // The next file brings the picture back.
    w.form->ConvertFile(w.folder.filePath(QStringLiteral("piece.mid")));
    QVERIFY(w.picture->RefusalShown().isEmpty());
    QVERIFY(w.picture->View()->isVisible());
}

QTEST_MAIN(ArrangementWindowTest)
#include "arrangement_window_test.moc"
