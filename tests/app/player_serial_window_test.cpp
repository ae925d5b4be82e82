// SPDX-License-Identifier: MIT
// The real window on a virtual X server, playing to an instrument on a
// serial line: socat makes the line, TONVELL_SERIAL_PORTS lists one end, the
// worked listing is pasted into the listing box, the port is chosen in the
// output list, "| <--" and "Play" are clicked; the test reads the other end.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/tform1.h"
#include "playback/listing_player.h"
#include "test_support.h"
#include "tests/support/run_until.h"
#include "tests/support/socat_pair.h"

namespace {

using tonvell::test::RunUntil;

const QString kWorkedListing = QStringLiteral(
    "; \n; x.mid\n; \nDWL 8 ;size in bytes\n; \nDB 0Eh, 87h\nDB 51h, F0h\nDB 9Fh ;delay\n"
    "DB 51h, 80h\nDB 00h ;end of block\n");

const std::vector<std::uint8_t> kExpected = {0x51, 0xF0, 0x51, 0x80, 0x11, 0x80, 0x11, 0x81,
                                             0x11, 0x82, 0x11, 0x83, 0x11, 0x84, 0x11, 0x85};

}  // namespace

class PlayerSerialWindowTest : public QObject {
    Q_OBJECT
private slots:
    void pastedListingPlaysOnTheSerialLine();
};

void PlayerSerialWindowTest::pastedListingPlaysOnTheSerialLine() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        QSKIP("needs a real X server (run under xvfb-run)");
    }
    tonvell::test::SocatPair line;
    QString why;
    if (!line.Start(why)) {
        QSKIP(qPrintable(why));
    }
    tonvell::test::LineReader far(line.FarEnd());
    QVERIFY(far.Opened());

    qputenv("TONVELL_SERIAL_PORTS", line.NearLink().toLocal8Bit());
    std::vector<tonvell::test::ShownBox> boxes;
    TForm1 form;
    form.SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QGuiApplication::clipboard()->setText(kWorkedListing);
    form.Memo2->setFocus();
    QTest::keyClick(form.Memo2, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form.Memo2->toPlainText(), kWorkedListing);
    // The caret stands after the pasted text, and so does the player: back
    // to the top.
    QCOMPARE(form.Label2->text(), QStringLiteral("Line: 11"));
    QTest::mouseClick(form.Button6, Qt::LeftButton);
    QCOMPARE(form.Label2->text(), QStringLiteral("Line: 1"));

    const int port = form.ComboBox11->findText(line.NearEnd());
    QVERIFY2(port > 0, qPrintable(line.NearEnd()));
    form.ComboBox11->setFocus();
    form.ComboBox11->setCurrentIndex(port);
    QVERIFY(!form.ComboBox12->isEnabled());

    QTest::mouseClick(form.Button4, Qt::LeftButton);
    QVERIFY(form.Button5->isEnabled());
    QVERIFY(RunUntil([&] { return !form.Button5->isEnabled(); }));
    QVERIFY(far.WaitFor(kExpected.size(), std::chrono::seconds(5)));
    QCOMPARE(far.Values(), kExpected);
    QCOMPARE(form.Label2->text(), QStringLiteral("Line: 1"));
    QVERIFY(boxes.empty());
    const auto bytes = far.Bytes();
    qInfo("51 80 came %.2f ms after 51 F0 (480 ms written)",
          std::chrono::duration<double, std::milli>(bytes[2].time - bytes[0].time).count());
}

QTEST_MAIN(PlayerSerialWindowTest)
#include "player_serial_window_test.moc"
