// SPDX-License-Identifier: MIT
// The arrangement picture: the SVG rendered by a real browser and read back
// pixel by pixel, its XML, the window's painting of the same shapes, and the
// picture's window opened from the main window with its play-head and its
// note on an edited listing.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <memory>

#include "app/arrangement_view.h"
#include "app/arrangement_window.h"
#include "app/tform1.h"
#include "convert/conversion.h"
#include "output/arrangement_picture.h"
#include "output/arrangement_svg.h"
#include "playback/listing_player.h"
#include "playback/recording_midi_backend.h"
#include "test_support.h"
#include "tests/support/bench_midi.h"
#include "tests/support/midi_builder.h"
#include "tests/support/run_until.h"

namespace {

using midi_test::Bytes;
using midi_test::Cat;
using midi_test::Ev;

// 96 ticks per quarter: a tick is 5 ms, half a pixel. Notes 60 to 66 start
// 24 ticks apart on channel 1; note 66 takes voice 0 from note 60 at tick
// 144, and every note ends at tick 384. A drum note (channel 10, note 50)
// lasts from 0 to 384.
Bytes CraftedFile() {
    Bytes events = Ev(0, {0x99, 50, 100});
    for (int i = 0; i < 7; ++i)
        events = Cat({events, Ev(i == 0 ? 0 : 24, {0x90, static_cast<std::uint8_t>(60 + i), 100})});
    events = Cat({events, Ev(240, {0x89, 50, 0})});
    for (int i = 0; i < 7; ++i)
        events = Cat({events, Ev(0, {0x80, static_cast<std::uint8_t>(60 + i), 0})});
    return midi_test::Format0(96, Cat({events, midi_test::EndOfTrack()}));
}

tonvell::Arrangement ArrangementOf(const Bytes& file, std::string_view name = "crafted.mid") {
    tonvell::Arrangement arrangement;
    tonvell::ConvertOptions options;
    options.arrangement = &arrangement;
    tonvell::ConvertBytes(file, name, options);
    return arrangement;
}

QColor Blend(tonvell::Rgb colour, double opacity, QColor under) {
    const QColor c(static_cast<QRgb>(colour));
    const auto mix = [&](int top, int bottom) {
        return static_cast<int>(std::lround(top * opacity + bottom * (1 - opacity)));
    };
    return QColor(mix(c.red(), under.red()), mix(c.green(), under.green()),
                  mix(c.blue(), under.blue()));
}

bool Near(QColor a, QColor b, int tolerance = 4) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace

class ArrangementPictureTest : public QObject {
    Q_OBJECT
private slots:
    void browserDrawsNotesInTheirVoicesColours_data();
    void browserDrawsNotesInTheirVoicesColours();
    void svgIsWellFormedWithOneGroupPerNote_data();
    void svgIsWellFormedWithOneGroupPerNote();
    void viewPaintsTheSameShapes();
    void windowOpensWithF2AndFollowsThePlayer();

private:
    QImage RenderedInBrowser();
    QImage rendered_;
};

// The crafted file's SVG as headless Chromium draws it, made once.
QImage ArrangementPictureTest::RenderedInBrowser() {
    if (!rendered_.isNull())
        return rendered_;
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        return {};
    QTemporaryDir dir;
    const tonvell::ArrangementPicture picture =
        tonvell::LayOutArrangement(ArrangementOf(CraftedFile()));
    const QString svg = dir.filePath(QStringLiteral("crafted.svg"));
    const QString png = dir.filePath(QStringLiteral("crafted.png"));
    QFile out(svg);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    out.write(QByteArray::fromStdString(tonvell::ArrangementSvg(picture)));
    out.close();
    QProcess browser;
    browser.setProcessChannelMode(QProcess::MergedChannels);
    browser.start(chromium,
                  {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                   QStringLiteral("--disable-gpu"), QStringLiteral("--hide-scrollbars"),
                   QStringLiteral("--force-device-scale-factor=1"),
                   QStringLiteral("--user-data-dir=") + dir.filePath(QStringLiteral("profile")),
                   QStringLiteral("--window-size=%1,%2")
                       .arg(static_cast<int>(picture.width))
                       .arg(static_cast<int>(picture.height)),
                   QStringLiteral("--screenshot=") + png, QUrl::fromLocalFile(svg).toString()});
    if (!browser.waitForFinished(180000)) {
        browser.kill();
        browser.waitForFinished();
        return {};
    }
    rendered_.load(png);
    return rendered_;
}

void ArrangementPictureTest::browserDrawsNotesInTheirVoicesColours_data() {
    QTest::addColumn<int>("note");        // index of the note in the arrangement
    QTest::addColumn<double>("seconds");  // where along it to look
    QTest::addColumn<QString>("drawn");   // sounding, lost or outline
    // Note 0 is the drum note; notes 1 to 7 are 60 to 66.
    QTest::newRow("note 60 sounding on voice 0") << 1 << 0.36 << "sounding";
    QTest::newRow("note 60's lost part, faint") << 1 << 1.32 << "lost";
    QTest::newRow("note 61 on voice 1") << 2 << 1.0 << "sounding";
    QTest::newRow("note 65 on voice 5") << 6 << 1.5 << "sounding";
    QTest::newRow("note 66 took voice 0") << 7 << 1.5 << "sounding";
    QTest::newRow("drum note in outline") << 0 << 1.0 << "outline";
}

void ArrangementPictureTest::browserDrawsNotesInTheirVoicesColours() {
    QFETCH(int, note);
    QFETCH(double, seconds);
    QFETCH(QString, drawn);
    const QImage image = RenderedInBrowser();
    if (image.isNull())
        QSKIP("chromium is not installed or did not render (package chromium)");
    const tonvell::Arrangement arrangement = ArrangementOf(CraftedFile());
    const tonvell::ArrangementPicture picture = tonvell::LayOutArrangement(arrangement);
    QCOMPARE(image.width(), static_cast<int>(picture.width));
    const tonvell::ArrangedNote& n = arrangement.notes[static_cast<std::size_t>(note)];
    const int x = static_cast<int>(picture.X(seconds));
    const int y = static_cast<int>(picture.RowTop(n.note) + picture.rowPx / 2);
    const QColor pixel = image.pixelColor(x, y);
    const QColor white(Qt::white);
    if (drawn == QLatin1String("sounding")) {
        QVERIFY2(Near(pixel, QColor(static_cast<QRgb>(tonvell::VoiceColour(n.voice)))),
                 qPrintable(pixel.name()));
    } else if (drawn == QLatin1String("lost")) {
        QVERIFY2(
            Near(pixel, Blend(tonvell::VoiceColour(n.voice), tonvell::kLostPartOpacity, white)),
            qPrintable(pixel.name()));
    } else {
        // Inside the outline the row shows through; its edge is grey.
        QVERIFY2(!Near(pixel, QColor(static_cast<QRgb>(tonvell::kSilentColour)), 40),
                 qPrintable(pixel.name()));
        // The dashed edge along the top, drawn across the pixel rows around it.
        const int top = static_cast<int>(picture.RowTop(n.note) + 1);
        int grey = 0;
        for (int dx = 0; dx < 20; ++dx) {
            int darkest = 255;
            for (int dy = -1; dy <= 1; ++dy)
                darkest = std::min(darkest, image.pixelColor(x + dx, top + dy).red());
            grey += darkest < 0xC0 ? 1 : 0;
        }
        QVERIFY2(grey >= 5, qPrintable(QString::number(grey)));
    }
}

void ArrangementPictureTest::svgIsWellFormedWithOneGroupPerNote_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("crafted, markup in the name")
        << QByteArray(reinterpret_cast<const char*>(CraftedFile().data()),
                      static_cast<qsizetype>(CraftedFile().size()))
        << QByteArray("a&b<c>\"d\xff\x01.mid");
    const auto largest = tonvell::bench::MakeBenchMidi().bytes;
    QTest::newRow("largest accepted file")
        << QByteArray(reinterpret_cast<const char*>(largest.data()),
                      static_cast<qsizetype>(largest.size()))
        << QByteArray("bench.mid");
}

void ArrangementPictureTest::svgIsWellFormedWithOneGroupPerNote() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, name);
    const Bytes bytes(file.begin(), file.end());
    const tonvell::Arrangement arrangement = ArrangementOf(bytes, name.toStdString());
    QVERIFY(!arrangement.notes.empty());
    const std::string svg = tonvell::ArrangementSvg(arrangement);
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    qsizetype groups = 0;
    qsizetype titles = 0;
    bool inNote = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("g") &&
            xml.attributes().value(QLatin1String("class")) == QLatin1String("note")) {
            ++groups;
            inNote = true;
        } else if (xml.isStartElement() && xml.name() == QLatin1String("title")) {
            QVERIFY(inNote);
            ++titles;
        } else if (xml.isEndElement() && xml.name() == QLatin1String("g")) {
            inNote = false;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(groups, static_cast<qsizetype>(arrangement.notes.size()));
    QCOMPARE(titles, groups);
}

void ArrangementPictureTest::viewPaintsTheSameShapes() {
    const tonvell::Arrangement arrangement = ArrangementOf(CraftedFile());
    tonvell::app::ArrangementWindow window;
    window.ShowArrangement(arrangement);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    tonvell::app::ArrangementView* view = window.View();
    const QImage image = view->viewport()->grab().toImage();
    const auto pixel = [&](std::size_t note, double seconds) {
        const tonvell::ArrangedNote& n = arrangement.notes[note];
        return image.pixelColor(static_cast<int>(view->XOf(seconds)),
                                static_cast<int>(view->RowTop(n.note) + view->RowPx() / 2));
    };
    // Note 60 (index 1): the part that sounds in voice 0's colour, the lost
    // part faint; note 66 (index 7) took its voice; the drum note (index 0)
    // is an outline, its row showing through.
    const QColor voice0(static_cast<QRgb>(tonvell::VoiceColour(0)));
    QVERIFY2(Near(pixel(1, 0.36), voice0), qPrintable(pixel(1, 0.36).name()));
    const QColor lost = Blend(tonvell::VoiceColour(0), tonvell::kLostPartOpacity, Qt::white);
    QVERIFY2(Near(pixel(1, 1.32), lost), qPrintable(pixel(1, 1.32).name()));
    QVERIFY2(Near(pixel(7, 1.5), voice0), qPrintable(pixel(7, 1.5).name()));
    QVERIFY(!Near(pixel(0, 1.0), QColor(static_cast<QRgb>(tonvell::kSilentColour)), 40));
    // Its tooltip is the SVG's title.
    const tonvell::ArrangedNote& cut = arrangement.notes[1];
    const QPointF at(view->XOf(0.36), view->RowTop(cut.note) + 3);
    QCOMPARE(view->NoteUnder(at), 1);
    QVERIFY(QString::fromStdString(tonvell::NoteTitle(arrangement, cut))
                .contains(QStringLiteral("обрезана")));
    // The play-head stands where the player has sent the commands above the
    // cursor's line.
    const int line = arrangement.notes[7].onLine + 1;
    window.FollowPlayer(line, false);
    QCOMPARE(window.PlayHeadSeconds(), arrangement.notes[7].start.seconds);
}

void ArrangementPictureTest::windowOpensWithF2AndFollowsThePlayer() {
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    const QString path = folder.filePath(QStringLiteral("crafted.mid"));
    {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        const Bytes file = CraftedFile();
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<qint64>(file.size()));
    }
    std::vector<tonvell::test::ShownBox> boxes;
    tonvell::playback::SteadyClock clock;
    tonvell::playback::SoundBackends backends;
    backends.midi.push_back(std::make_unique<tonvell::playback::RecordingMidiBackend>(
        std::vector<std::string>{"Synth A"}, clock, std::vector<std::size_t>{}));
    auto form = std::make_unique<TForm1>(std::move(backends));
    form->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(form->OpenFile(path));
    QVERIFY(form->ArrangementWindow() == nullptr);  // nothing built until asked

    QTest::keyClick(form.get(), Qt::Key_F2);
    tonvell::app::ArrangementWindow* picture = form->ArrangementWindow();
    QVERIFY(picture != nullptr);
    QVERIFY(picture->isVisible());
    QCOMPARE(picture->Shown().notes.size(), std::size_t{8});
    QVERIFY(!picture->EditedNoteShown());
    QCOMPARE(picture->PlayHeadSeconds(), 0.0);

    // Playing moves the play-head along with the player's cursor.
    form->ComboBox11->setCurrentIndex(form->ComboBox11->findText(QStringLiteral("Synth A")));
    QTest::mouseClick(form->Button4, Qt::LeftButton);
    QVERIFY(tonvell::test::RunUntil([&] { return picture->PlayHeadSeconds() > 0.1; }));
    QTest::mouseClick(form->Button5, Qt::LeftButton);

    // A hand edit of the listing is told in the picture's window; a new
    // conversion shows the new file's picture without the note.
    form->Memo2->moveCursor(QTextCursor::End);
    form->Memo2->insertPlainText(QStringLiteral("DB 51h, E0h\n"));
    QVERIFY(picture->EditedNoteShown());
    form->ConvertFile(path);
    QVERIFY(!picture->EditedNoteShown());
    QCOMPARE(picture->PlayHeadSeconds(), 0.0);
    QCOMPARE(picture->Shown().statistics[2], std::string("Выключенных нот: 1"));
    form.reset();
    QDir::setCurrent(previous);
}

QTEST_MAIN(ArrangementPictureTest)
#include "arrangement_picture_test.moc"
