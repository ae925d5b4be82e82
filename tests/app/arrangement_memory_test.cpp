// SPDX-License-Identifier: MIT
// The picture window's peak memory for files whose pictures are huge. Each
// row runs in a process of its own (see CMakeLists.txt), so the process's
// peak resident size is that of one window showing one picture: the window,
// its listing, F2, the piece scrolled to its end and shown whole.

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/arrangement_view.h"
#include "app/arrangement_window.h"
#include "app/tform1.h"
#include "picture_files.h"
#include "test_support.h"
#include "tests/support/bench_midi.h"

namespace {

constexpr long kBoundKiB = 300 * 1024;

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;  // KiB on Linux
}

}  // namespace

class ArrangementMemoryTest : public QObject {
    Q_OBJECT
private slots:
    void peakMemoryStaysBounded_data();
    void peakMemoryStaysBounded();
};

void ArrangementMemoryTest::peakMemoryStaysBounded_data() {
    QTest::addColumn<QByteArray>("file");
    const auto bytes = [](const midi_test::Bytes& b) {
        return QByteArray(reinterpret_cast<const char*>(b.data()),
                          static_cast<qsizetype>(b.size()));
    };
    QTest::newRow("48 bytes") << bytes(tonvell::test::LongestNoteFile());
    QTest::newRow("250000 bytes") << bytes(tonvell::test::LargestSparseFile());
    QTest::newRow("dense") << bytes(tonvell::bench::MakeBenchMidi().bytes);
}

void ArrangementMemoryTest::peakMemoryStaysBounded() {
    QFETCH(QByteArray, file);
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    const QString path = folder.filePath(QStringLiteral("huge.mid"));
    {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    std::vector<tonvell::test::ShownBox> boxes;
    auto form = std::make_unique<TForm1>(tonvell::playback::SoundBackends{});
    form->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(form->OpenFile(path));
    form->ShowArrangementWindow();
    tonvell::app::ArrangementWindow* picture = form->ArrangementWindow();
    QVERIFY(picture != nullptr && picture->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(picture));
    QVERIFY(!picture->Shown().notes.empty());
    tonvell::app::ArrangementView* view = picture->View();
    view->grab();
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    view->grab();
    view->ShowWholePiece();
    view->grab();
    const long peak = PeakKiB();
    qInfo("peak resident size: %ld KiB", peak);
    QVERIFY2(peak < kBoundKiB, qPrintable(QString::number(peak)));
    form.reset();
    QDir::setCurrent(previous);
}

QTEST_MAIN(ArrangementMemoryTest)
#include "arrangement_memory_test.moc"
