// SPDX-License-Identifier: MIT
// The system's devices: the serial candidates and the MIDI port names, and a
// real serial line end to end through a socat pair: probing, opening, a
// busy port, the exact bytes of the worked listing, and a far end that goes
// away mid-playback. Without socat these skip; nothing waits unbounded.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "playback/player_thread.h"
#include "playback/qt_serial_backend.h"
#include "playback/rtmidi_backend.h"
#include "playback/sound_port.h"
#include "tests/support/playback_fakes.h"
#include "tests/support/run_until.h"
#include "tests/support/socat_pair.h"

using namespace tonvell::playback;
using tonvell::test::FakeView;
using tonvell::test::LineReader;
using tonvell::test::SocatPair;

namespace {

using tonvell::test::RunUntil;

const char kWorkedListing[] =
    "; \n; x.mid\n; \nDWL 8 ;size in bytes\n; \nDB 0Eh, 87h\nDB 51h, F0h\nDB 9Fh ;delay\n"
    "DB 51h, 80h\nDB 00h ;end of block\n";

const std::vector<std::uint8_t> kSilence = {0x11, 0x80, 0x11, 0x81, 0x11, 0x82,
                                            0x11, 0x83, 0x11, 0x84, 0x11, 0x85};

constexpr int kPlaybackTimeoutMs = 10000;

// The port and the player's thread on the steady clock, as the window has
// them, on the real serial backend; the player's message boxes are shown on
// this thread.
struct Rig {
    explicit Rig(const QString& portPath) {
        qputenv("TONVELL_SERIAL_PORTS", portPath.toLocal8Bit());
        SoundBackends backends;
        backends.serial = MakeQtSerialBackend();
        port = std::make_unique<SoundPort>(view, std::move(backends));
        port->FillOutputList();
        qunsetenv("TONVELL_SERIAL_PORTS");
        player = std::make_unique<PlayerThread>(
            view, *port, clock, [this](const std::string& text, std::function<void()> closed) {
                QMetaObject::invokeMethod(
                    qApp,
                    [this, text, closed = std::move(closed)] {
                        view.ShowMessage(text);
                        closed();
                    },
                    Qt::QueuedConnection);
            });
    }
    // Chooses the listed entry of path (the system's ports are listed too).
    bool Choose(const QString& path) {
        view.Choose(path.toStdString());
        return view.selected > 0;
    }
    FakeView view;
    SteadyClock clock;
    std::unique_ptr<SoundPort> port;
    std::unique_ptr<PlayerThread> player;
};

double MsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

class DevicesTest : public QObject {
    Q_OBJECT
private slots:
    void serialCandidates_data();
    void serialCandidates();
    void stableMidiNames_data();
    void stableMidiNames();
    void noSequencerMeansNoMidiDevicesAndNoText();

    void probeListsTheVirtualLineOnly();
    void openResults_data();
    void openResults();
    void secondOpenOfAHeldPortIsBusy();
    void portLockedByAnotherProgramIsBusy();
    void workedListingEndToEnd();
    void farEndGoneGivesOneBoxAndStops();
};

void DevicesTest::serialCandidates_data() {
    QTest::addColumn<std::vector<std::string>>("system");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<std::vector<std::string>>("expected");
    using V = std::vector<std::string>;
    QTest::newRow("system ports sorted")
        << V{"/dev/ttyUSB0", "/dev/ttyACM0"} << QString() << V{"/dev/ttyACM0", "/dev/ttyUSB0"};
    QTest::newRow("variable joins them")
        << V{"/dev/ttyS0"} << "/dev/pts/7::/dev/ttyS0:" << V{"/dev/pts/7", "/dev/ttyS0"};
    QTest::newRow("not a device path") << V{} << "relative/tty:/missing/link" << V{};
    QTest::newRow("link to /dev/null") << V{} << "LINK" << V{"/dev/null"};
}

void DevicesTest::serialCandidates() {
    QFETCH(std::vector<std::string>, system);
    QFETCH(QString, extra);
    QFETCH(std::vector<std::string>, expected);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tty"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), link));
    extra.replace(QStringLiteral("LINK"), link);
    QCOMPARE(SerialCandidates(system, extra.toStdString()), expected);
}

void DevicesTest::stableMidiNames_data() {
    QTest::addColumn<std::vector<std::string>>("raw");
    QTest::addColumn<std::vector<std::string>>("shown");
    using V = std::vector<std::string>;
    QTest::newRow("client and port dropped")
        << V{"Midi Through:Midi Through Port-0 14:0",
             "FLUID Synth (123):Synth input port (123:0) "
             "128:0"}
        << V{"Midi Through:Midi Through Port-0", "FLUID Synth (123):Synth input port (123:0)"};
    QTest::newRow("same names kept apart")
        << V{"USB MIDI:USB MIDI MIDI 1 20:0", "USB MIDI:USB MIDI MIDI 1 24:0",
             "USB MIDI:USB MIDI MIDI 1 28:0"}
        << V{"USB MIDI:USB MIDI MIDI 1", "USB MIDI:USB MIDI MIDI 1 #2",
             "USB MIDI:USB MIDI MIDI 1 #3"};
    QTest::newRow("no numbers") << V{"Microsoft GS Wavetable Synth"}
                                << V{"Microsoft GS Wavetable Synth"};
}

void DevicesTest::stableMidiNames() {
    QFETCH(std::vector<std::string>, raw);
    QFETCH(std::vector<std::string>, shown);
    QCOMPARE(StableMidiPortNames(raw), shown);
}

void DevicesTest::noSequencerMeansNoMidiDevicesAndNoText() {
    if (std::filesystem::exists("/dev/snd/seq")) {
        QSKIP("this machine has a MIDI sequencer");
    }
    // Standard error goes to a file while the devices are listed and opened.
    std::fflush(stderr);
    char path[] = "/tmp/tonvell-stderr-XXXXXX";
    const int capture = ::mkstemp(path);
    QVERIFY(capture >= 0);
    const int saved = ::dup(2);
    ::dup2(capture, 2);
    const auto backend = MakeRtMidiBackend();
    const std::vector<std::string> names = backend->DeviceNames();
    const bool opened = backend->Open(0) != nullptr;
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    const off_t written = ::lseek(capture, 0, SEEK_END);
    ::close(capture);
    ::unlink(path);
    QVERIFY(names.empty());
    QVERIFY(!opened);
    QCOMPARE(written, off_t(0));
}

void DevicesTest::probeListsTheVirtualLineOnly() {
    SocatPair line;
    QString why;
    if (!line.Start(why)) {
        QSKIP(qPrintable(why));
    }
    const std::string missing = "/dev/tonvell-no-such-port";
    qputenv("TONVELL_SERIAL_PORTS",
            (line.NearLink() + ":/dev/null:" + QString::fromStdString(missing)).toLocal8Bit());
    const std::vector<std::string> probed = MakeQtSerialBackend()->Probe();
    qunsetenv("TONVELL_SERIAL_PORTS");
    QVERIFY(std::find(probed.begin(), probed.end(), line.NearEnd().toStdString()) != probed.end());
    QVERIFY(std::find(probed.begin(), probed.end(), "/dev/null") == probed.end());
    QVERIFY(std::find(probed.begin(), probed.end(), missing) == probed.end());
    // The probe let go of the port.
    std::unique_ptr<SerialLine> opened;
    QCOMPARE(MakeQtSerialBackend()->Open(line.NearEnd().toStdString(), opened),
             SerialBackend::OpenResult::Opened);
}

void DevicesTest::openResults_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("result");
    QTest::newRow("virtual line") << "NEAR" << int(SerialBackend::OpenResult::Opened);
    QTest::newRow("absent") << "/dev/tonvell-no-such-port"
                            << int(SerialBackend::OpenResult::BusyOrAbsent);
    QTest::newRow("not a serial line")
        << "/dev/null" << int(SerialBackend::OpenResult::SettingsNotRead);
}

void DevicesTest::openResults() {
    QFETCH(QString, path);
    QFETCH(int, result);
    SocatPair line;
    QString why;
    if (path == QLatin1String("NEAR")) {
        if (!line.Start(why)) {
            QSKIP(qPrintable(why));
        }
        path = line.NearEnd();
    }
    std::unique_ptr<SerialLine> opened;
    QCOMPARE(int(MakeQtSerialBackend()->Open(path.toStdString(), opened)), result);
    QCOMPARE(opened != nullptr, result == int(SerialBackend::OpenResult::Opened));
}

void DevicesTest::secondOpenOfAHeldPortIsBusy() {
    SocatPair line;
    QString why;
    if (!line.Start(why)) {
        QSKIP(qPrintable(why));
    }
    Rig rig(line.NearLink());
    QVERIFY(rig.Choose(line.NearEnd()));
    // Another program holds the port.
    std::unique_ptr<SerialLine> held;
    QCOMPARE(MakeQtSerialBackend()->Open(line.NearEnd().toStdString(), held),
             SerialBackend::OpenResult::Opened);
    QCOMPARE(rig.port->OpenSoundPort(), PortOpenResult::Failed);
    QCOMPARE(rig.view.messages, std::vector<std::string>{"COM port is busy or absent."});
    QVERIFY(rig.port->State() == PortState::NothingOpen());
    // Once it lets go, the port opens.
    held.reset();
    QCOMPARE(rig.port->OpenSoundPort(), PortOpenResult::Ready);
}

// A program that holds the port with a lock on the device file, as serial
// libraries' exclusive mode does, keeps Tonvell out; and Tonvell's own hold
// keeps such a program out.
void DevicesTest::portLockedByAnotherProgramIsBusy() {
    SocatPair line;
    QString why;
    if (!line.Start(why)) {
        QSKIP(qPrintable(why));
    }
    const QByteArray path = QFile::encodeName(line.NearEnd());
    const int other = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    std::unique_ptr<SerialLine> opened;
    QCOMPARE(MakeQtSerialBackend()->Open(path.toStdString(), opened),
             SerialBackend::OpenResult::BusyOrAbsent);
    QVERIFY(!opened);
    qputenv("TONVELL_SERIAL_PORTS", path);
    const std::vector<std::string> probed = MakeQtSerialBackend()->Probe();
    qunsetenv("TONVELL_SERIAL_PORTS");
    QVERIFY(std::find(probed.begin(), probed.end(), path.toStdString()) == probed.end());

    QCOMPARE(::flock(other, LOCK_UN), 0);
    QCOMPARE(MakeQtSerialBackend()->Open(path.toStdString(), opened),
             SerialBackend::OpenResult::Opened);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), -1);
    opened.reset();
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
}

void DevicesTest::workedListingEndToEnd() {
    SocatPair line;
    QString why;
    if (!line.Start(why)) {
        QSKIP(qPrintable(why));
    }
    LineReader far(line.FarEnd());
    QVERIFY(far.Opened());
    Rig rig(line.NearLink());
    QVERIFY(rig.Choose(line.NearEnd()));
    rig.view.SetListing(kWorkedListing);
    rig.player->Rewind();
    rig.player->Play();
    QVERIFY(rig.player->Playing());
    QVERIFY(RunUntil([&] { return !rig.player->Playing(); }));
    QVERIFY(far.WaitFor(16, std::chrono::milliseconds(kPlaybackTimeoutMs)));
    QCOMPARE(far.Values(), Concat({0x51, 0xF0, 0x51, 0x80}, kSilence));
    QVERIFY(rig.view.messages.empty());
    QCOMPARE(rig.player->Position().label, std::string("Line: 1"));
    // The timing is measured by the benchmark, not asserted here: on a
    // shared machine the reader thread itself may wake late.
    const auto bytes = far.Bytes();
    qInfo("51 80 came %.2f ms after 51 F0 (480 ms written)",
          MsBetween(bytes[0].time, bytes[2].time));
}

void DevicesTest::farEndGoneGivesOneBoxAndStops() {
    SocatPair line;
    QString why;
    if (!line.Start(why)) {
        QSKIP(qPrintable(why));
    }
    auto far = std::make_unique<LineReader>(line.FarEnd());
    Rig rig(line.NearLink());
    QVERIFY(rig.Choose(line.NearEnd()));
    std::string listing;
    for (int i = 0; i < 20; ++i) {
        listing += "DB 51h, F0h\nDB 86h ;delay\nDB 51h, 80h\nDB 86h ;delay\n";
    }
    rig.view.SetListing(listing + "DB 00h\n");
    rig.player->Rewind();
    rig.player->Play();
    QVERIFY(RunUntil([&] { return far->Values().size() >= 2; }));
    far.reset();
    line.Stop();  // the device is unplugged
    QVERIFY(RunUntil([&] { return !rig.player->Playing(); }));
    QCOMPARE(rig.view.messages, std::vector<std::string>{"----"});
    QCOMPARE(rig.player->Position().controls, PlayerControls{});
}

QTEST_GUILESS_MAIN(DevicesTest)
#include "devices_test.moc"
