// SPDX-License-Identifier: MIT
// Cfg.ini and the window's life: what start-up restores from the file of the
// start folder, what closing writes back, files written by an earlier Windows
// version, a folder that takes no file, and closing during playback, which
// silences the output before the settings are written.

#include <signal.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/player_window_view.h"
#include "app/termination_signals.h"
#include "app/tform1.h"
#include "app/tonvell_application.h"
#include "convert/cp1251.h"
#include "playback/midi_messages.h"
#include "playback/player_thread.h"
#include "test_support.h"

using tonvell::test::ReadFile;
using tonvell::test::ShownBox;
using tonvell::test::WriteFile;

namespace {

namespace playback = tonvell::playback;

// What reached an output, and whether Cfg.ini had been written by then.
struct Sent {
    QByteArray bytes;
    bool settingsWritten = false;
};

// Watches the settings file of the start folder while outputs receive.
class SettingsWatch {
public:
    explicit SettingsWatch(QString path) : path_(std::move(path)) {}
    void Record(const QByteArray& bytes) { sent_.push_back({bytes, QFile::exists(path_)}); }
    const std::vector<Sent>& Log() const { return sent_; }

private:
    QString path_;
    std::vector<Sent> sent_;
};

class WatchedMidiOutput final : public playback::MidiOutput {
public:
    explicit WatchedMidiOutput(SettingsWatch& watch) : watch_(watch) {}
    void Send(const playback::MidiShortMessage& m) override {
        watch_.Record(QByteArray(reinterpret_cast<const char*>(&m.status), 1) +
                      static_cast<char>(m.data1) + static_cast<char>(m.data2));
    }
    void Reset() override { watch_.Record("reset"); }

private:
    SettingsWatch& watch_;
};

class WatchedMidiBackend final : public playback::MidiBackend {
public:
    WatchedMidiBackend(std::vector<std::string> names, SettingsWatch& watch)
        : names_(std::move(names)), watch_(watch) {}
    std::vector<std::string> DeviceNames() override { return names_; }
    std::unique_ptr<playback::MidiOutput> Open(std::size_t) override {
        return std::make_unique<WatchedMidiOutput>(watch_);
    }

private:
    std::vector<std::string> names_;
    SettingsWatch& watch_;
};

class WatchedSerialLine final : public playback::SerialLine {
public:
    explicit WatchedSerialLine(SettingsWatch& watch) : watch_(watch) {}
    WriteResult WritePair(std::uint8_t first, std::uint8_t second) override {
        watch_.Record(QByteArray(1, static_cast<char>(first)) + static_cast<char>(second));
        return WriteResult::Written;
    }

private:
    SettingsWatch& watch_;
};

// Serial ports that are present; each opens.
class WatchedSerialBackend final : public playback::SerialBackend {
public:
    WatchedSerialBackend(std::vector<std::string> ports, SettingsWatch& watch)
        : ports_(std::move(ports)), watch_(watch) {}
    std::vector<std::string> Probe() override { return ports_; }
    OpenResult Open(const std::string&, std::unique_ptr<playback::SerialLine>& line) override {
        line = std::make_unique<WatchedSerialLine>(watch_);
        return OpenResult::Opened;
    }

private:
    std::vector<std::string> ports_;
    SettingsWatch& watch_;
};

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

// A settings file as an earlier Windows version left it, with a user's
// comments and another program's section around ours: CR LF, Windows-1251.
QByteArray WindowsFile(const QString& folder) {
    const auto cp1251 = [](const QString& text) {
        return QByteArray::fromStdString(tonvell::Utf8ToCp1251(text.toStdString()));
    };
    return cp1251(QStringLiteral("; Настройки\r\n[Печать]\r\nПринтер=Лазерный\r\n\r\n"
                                 "[Startup]\r\nExeDirectory=C:\\Tools\r\nDataDirectory=") +
                  folder +
                  QStringLiteral("\r\nExtIndex=2\r\nSoundDevice=0\r\nSoundDeviceName=none\r\n"
                                 "SoundDeviceTembre=16 Organ\r\n\r\n; конец\r\n"));
}

// A listing that is still playing long after Play: one note, then the
// longest two-byte delay.
const QString kLongListing = QStringLiteral(
    "; \n; x.mid\n; \nDWL 6 ;size in bytes\n; \nDB 51h, F0h\nDB FFh, FFh ;delay\nDB 51h, 80h\n"
    "DB 00h ;end of block\n");

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUpRestores_data();
    void startUpRestores();
    void closingWritesTheSixKeys();
    void typedOutputIsWrittenAndNotFoundNextTime();
    void valuesSurviveARun();
    void windowsFileKeepsItsOtherLines();
    void anotherFolderAnotherFile();
    void unwritableFolderLosesNothing();
    void unusableFileIsLeftAlone_data();
    void unusableFileIsLeftAlone();
    void deletedStartFolderHasNoSettingsFile();
    void closingDuringPlaybackSilencesFirst_data();
    void closingDuringPlaybackSilencesFirst();
    void terminationSignalClosesTheWindow();

private:
    // The window as started in the start folder, on these devices.
    void Start(const std::vector<std::string>& serialPorts = {},
               const std::vector<std::string>& midiDevices = {});
    void Close();
    QString SettingsFile() const { return start_->filePath(QStringLiteral("Cfg.ini")); }

    QString launchFolder_;
    std::unique_ptr<QTemporaryDir> start_;
    std::unique_ptr<SettingsWatch> watch_;
    std::vector<ShownBox> boxes_;
    std::unique_ptr<TForm1> form_;
};

void SettingsTest::init() {
    launchFolder_ = QDir::currentPath();
    start_ = std::make_unique<QTemporaryDir>();
    QVERIFY(start_->isValid());
    QVERIFY(QDir(start_->path()).mkdir(QStringLiteral("sub")));
    watch_ = std::make_unique<SettingsWatch>(SettingsFile());
    boxes_.clear();
}

void SettingsTest::cleanup() {
    form_.reset();
    QDir::setCurrent(launchFolder_);
    start_.reset();
}

void SettingsTest::Start(const std::vector<std::string>& serialPorts,
                         const std::vector<std::string>& midiDevices) {
    form_.reset();
    QVERIFY(QDir::setCurrent(start_->path()));
    playback::SoundBackends backends;
    backends.serial = std::make_unique<WatchedSerialBackend>(serialPorts, *watch_);
    backends.midi.push_back(std::make_unique<WatchedMidiBackend>(midiDevices, *watch_));
    form_ = std::make_unique<TForm1>(std::move(backends));
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void SettingsTest::Close() {
    QVERIFY(form_->close());
    QVERIFY(!form_->isVisible());
}

void SettingsTest::startUpRestores_data() {
    QTest::addColumn<QByteArray>("file");      // "%1" stands for the start folder
    QTest::addColumn<QStringList>("devices");  // "/dev/…" are serial ports
    QTest::addColumn<QString>("folder");       // relative to the start folder
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("outputIndex");
    QTest::addColumn<QString>("instrument");
    QTest::addColumn<bool>("instrumentEnabled");

    const QStringList devices = {"/dev/ttyUSB0", "Synth A", "Synth B"};
    QTest::newRow("first run: no file; None is not none")
        << QByteArray() << devices << "." << 1 << "none" << 0 << "73 Flute" << false;
    QTest::newRow("restored folder, type 3")
        << QByteArray("[Startup]\nDataDirectory=%1/sub\nExtIndex=3\n") << devices << "sub" << 3
        << "none" << 0 << "73 Flute" << false;
    QTest::newRow("relative folder, type 7 unchanged")
        << QByteArray("[Startup]\nDataDirectory=sub\nExtIndex=7\n") << devices << "sub" << 7
        << "none" << 0 << "73 Flute" << false;
    QTest::newRow("folder gone: the start folder")
        << QByteArray("[Startup]\nDataDirectory=%1/gone\n") << devices << "." << 1 << "none" << 0
        << "73 Flute" << false;
    QTest::newRow("serial port present")
        << QByteArray("[Startup]\nSoundDeviceName=/dev/ttyUSB0\n") << devices << "." << 1
        << "/dev/ttyUSB0" << 1 << "73 Flute" << false;
    QTest::newRow("serial port absent")
        << QByteArray("[Startup]\nSoundDeviceName=/dev/ttyUSB0\n")
        << QStringList({"Synth A", "Synth B"}) << "." << 1 << "none" << 0 << "73 Flute" << false;
    QTest::newRow("MIDI device and its instrument")
        << QByteArray("[startup]\nsounddevicename=Synth B\nSoundDeviceTembre=80 Square Lead\n")
        << devices << "." << 1 << "Synth B" << 3 << "80 Square Lead" << true;
    QTest::newRow("device names match exactly")
        << QByteArray("[Startup]\nSoundDeviceName=synth b\n") << devices << "." << 1 << "none" << 0
        << "73 Flute" << false;
    QTest::newRow("instrument text restored into a disabled box")
        << QByteArray("[Startup]\nSoundDeviceTembre=Моя флейта\n") << devices << "." << 1 << "none"
        << 0 << "Моя флейта" << false;
    QTest::newRow("instrument text restored into an enabled box")
        << QByteArray("[Startup]\nSoundDeviceName=Synth A\nSoundDeviceTembre=42\n") << devices
        << "." << 1 << "Synth A" << 2 << "42" << true;
    QTest::newRow("Windows-written file") << WindowsFile(QStringLiteral("%1/sub")) << devices
                                          << "sub" << 2 << "none" << 0 << "16 Organ" << false;
}

void SettingsTest::startUpRestores() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, devices);
    QFETCH(QString, folder);
    QFETCH(int, type);
    QFETCH(QString, output);
    QFETCH(int, outputIndex);
    QFETCH(QString, instrument);
    QFETCH(bool, instrumentEnabled);
    if (!file.isEmpty()) {
        WriteFile(SettingsFile(), file.replace("%1", QFile::encodeName(start_->path())));
    }
    std::vector<std::string> serial;
    std::vector<std::string> midi;
    for (const QString& device : devices) {
        (device.startsWith(QLatin1String("/dev/")) ? serial : midi).push_back(device.toStdString());
    }
    Start(serial, midi);

    QCOMPARE(form_->StartFolder, QDir::cleanPath(start_->path()));
    QCOMPARE(form_->DirectoryListBox1->Directory(), QDir::cleanPath(start_->filePath(folder)));
    QCOMPARE(form_->FileListBox1->Directory(), QDir::cleanPath(start_->filePath(folder)));
    QCOMPARE(form_->SaveDialog1.FilterIndex, type);
    QCOMPARE(form_->ComboBox11->count(), static_cast<int>(devices.size()) + 1);
    QCOMPARE(form_->ComboBox11->currentText(), output);
    QCOMPARE(form_->ComboBox11->currentIndex(), outputIndex);
    QCOMPARE(form_->ComboBox12->currentText(), instrument);
    QCOMPARE(form_->ComboBox12->isEnabled(), instrumentEnabled);
    QVERIFY(boxes_.empty());
    // Start-up only reads.
    QCOMPARE(QFile::exists(SettingsFile()), !file.isEmpty());
}

void SettingsTest::closingWritesTheSixKeys() {
    Start({"/dev/ttyS0"}, {"Synth A"});
    form_->DirectoryListBox1->SetDirectory(start_->filePath(QStringLiteral("sub")));
    form_->SaveDialog1.FilterIndex = 3;
    form_->ComboBox11->setCurrentIndex(2);
    form_->ComboBox12->setEditText(QStringLiteral("21 Accordion"));
    Close();
    const QByteArray start = QFile::encodeName(QDir::cleanPath(start_->path()));
    QCOMPARE(ReadFile(SettingsFile()),
             "[Startup]\nExeDirectory=" + start + "\nDataDirectory=" + start +
                 "/sub\nExtIndex=3\nSoundDevice=2\nSoundDeviceName=Synth A\n"
                 "SoundDeviceTembre=21 Accordion\n");
    QVERIFY(boxes_.empty());
}

void SettingsTest::typedOutputIsWrittenAndNotFoundNextTime() {
    Start({}, {"Synth A"});
    form_->ComboBox11->setCurrentIndex(1);
    form_->ComboBox11->setEditText(QStringLiteral("Мой синтезатор"));
    Close();
    const QByteArray written = ReadFile(SettingsFile());
    QVERIFY(written.contains("\nSoundDevice=-1\n"));
    QVERIFY(written.contains(Utf8(QStringLiteral("\nSoundDeviceName=Мой синтезатор\n"))));

    Start({}, {"Synth A"});
    QCOMPARE(form_->ComboBox11->currentIndex(), 0);
    QCOMPARE(form_->ComboBox11->currentText(), QStringLiteral("none"));
    QVERIFY(!form_->ComboBox12->isEnabled());
}

void SettingsTest::valuesSurviveARun() {
    // Backslashes, commas, quotes, blanks and Cyrillic in a folder name and an
    // instrument text.
    const QString name = QStringLiteral(" a\\b, \"c\" 'd' Папка ");
    QVERIFY(QDir(start_->path()).mkdir(name));
    const QString folder = QDir::cleanPath(start_->filePath(name));
    const QString instrument = QStringLiteral("\"10\" Шкатулка, C:\\");
    Start();
    form_->DirectoryListBox1->SetDirectory(folder);
    form_->ComboBox12->setEditText(instrument);
    Close();

    Start();
    QCOMPARE(form_->DirectoryListBox1->Directory(), folder);
    QCOMPARE(form_->ComboBox12->currentText(), instrument);
    // And a second close writes the same file again.
    const QByteArray first = ReadFile(SettingsFile());
    Close();
    QCOMPARE(ReadFile(SettingsFile()), first);
}

void SettingsTest::windowsFileKeepsItsOtherLines() {
    const QString folder = QDir::cleanPath(start_->filePath(QStringLiteral("Музыка")));
    QVERIFY(QDir().mkdir(folder));
    const QByteArray before = WindowsFile(folder);
    WriteFile(SettingsFile(), before);
    Start({}, {"Synth A"});
    QCOMPARE(form_->DirectoryListBox1->Directory(), folder);
    form_->ComboBox11->setCurrentIndex(1);
    Close();

    // Only the values of the six keys change; the file stays Windows-1251
    // with CR LF, its other section and its comments byte for byte.
    QByteArray expected = WindowsFile(folder);
    expected.replace("ExeDirectory=C:\\Tools",
                     "ExeDirectory=" + QFile::encodeName(QDir::cleanPath(start_->path())));
    expected.replace("SoundDevice=0", "SoundDevice=1");
    expected.replace("SoundDeviceName=none", "SoundDeviceName=Synth A");
    QCOMPARE(ReadFile(SettingsFile()), expected);
}

void SettingsTest::anotherFolderAnotherFile() {
    WriteFile(SettingsFile(), "[Startup]\nExtIndex=2\n");
    QTemporaryDir other;
    WriteFile(other.filePath(QStringLiteral("Cfg.ini")), "[Startup]\nExtIndex=4\n");
    Start();
    QCOMPARE(form_->SaveDialog1.FilterIndex, 2);
    form_.reset();

    QVERIFY(QDir::setCurrent(other.path()));
    TForm1 there{playback::SoundBackends{}};
    QCOMPARE(there.StartFolder, QDir::cleanPath(other.path()));
    QCOMPARE(there.SaveDialog1.FilterIndex, 4);
    there.SaveDialog1.FilterIndex = 3;
    there.show();
    QVERIFY(there.close());
    QVERIFY(ReadFile(other.filePath(QStringLiteral("Cfg.ini"))).contains("\nExtIndex=3\n"));
    QCOMPARE(ReadFile(SettingsFile()), QByteArray("[Startup]\nExtIndex=2\n"));
}

void SettingsTest::unwritableFolderLosesNothing() {
    const QString locked = start_->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    const QString file = locked + QStringLiteral("/Cfg.ini");
    const tonvell::test::ReadOnlyFolder readOnly(locked, file, "[Startup]\r\nExtIndex=3\r\n");
    if (!readOnly.ready()) {
        QSKIP("no read-only folder can be made here");
    }
    form_.reset();
    QVERIFY(QDir::setCurrent(locked));
    TForm1 window{playback::SoundBackends{}};
    window.SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    QCOMPARE(window.SaveDialog1.FilterIndex, 3);
    window.SaveDialog1.FilterIndex = 2;
    window.show();
    QVERIFY(window.close());
    QVERIFY(boxes_.empty());  // not reported
    QCOMPARE(ReadFile(file), QByteArray("[Startup]\r\nExtIndex=3\r\n"));
    QCOMPARE(QDir(locked).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"Cfg.ini"}));
}

void SettingsTest::unusableFileIsLeftAlone_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("type");  // what start-up restores
    QTest::newRow("folder named Cfg.ini") << "folder" << 1;
    QTest::newRow("named pipe without a writer") << "fifo" << 1;
    QTest::newRow("link to an endless device") << "/dev/zero" << 1;
    QTest::newRow("over 1 MB") << "large" << 1;
    QTest::newRow("read-only file") << "read-only" << 3;
}

// A settings file that cannot be read, is no plain file, is far too large or
// was made read-only: start-up neither waits nor shows a box, and closing
// leaves it as it was.
void SettingsTest::unusableFileIsLeftAlone() {
    QFETCH(QString, kind);
    QFETCH(int, type);
    const QString path = SettingsFile();
    const QByteArray large = QByteArray("[Startup]\nExtIndex=3\n") + QByteArray(1 << 20, '\n');
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(start_->path()).mkdir(QStringLiteral("Cfg.ini")));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("large")) {
        WriteFile(path, large);
    } else if (kind == QLatin1String("read-only")) {
        WriteFile(path, "[Startup]\r\nExtIndex=3\r\n");
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    } else {
        QVERIFY(QFile::link(kind, path));
    }
    Start();
    QCOMPARE(form_->SaveDialog1.FilterIndex, type);
    form_->SaveDialog1.FilterIndex = 2;
    Close();
    QVERIFY(boxes_.empty());
    const QFileInfo info(path);
    if (kind == QLatin1String("folder")) {
        QVERIFY(info.isDir());
    } else if (kind == QLatin1String("fifo")) {
        QVERIFY(info.isFile() == false && info.exists() && !info.isSymLink());
    } else if (kind == QLatin1String("large")) {
        QCOMPARE(ReadFile(path), large);
    } else if (kind == QLatin1String("read-only")) {
        QCOMPARE(ReadFile(path), QByteArray("[Startup]\r\nExtIndex=3\r\n"));
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QCOMPARE(status.st_mode & 07777, 0444u);
    } else {
        QCOMPARE(info.symLinkTarget(), kind);
    }
    QCOMPARE(QDir(start_->path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList({"Cfg.ini", "sub"}));
}

// Started in a folder that was deleted since (a terminal left in a removed
// folder): the defaults, and no file is written anywhere, least of all at the
// root of the file system.
void SettingsTest::deletedStartFolderHasNoSettingsFile() {
    const bool rootHadOne = QFile::exists(QStringLiteral("/Cfg.ini"));
    form_.reset();
    QTemporaryDir removed;
    QVERIFY(QDir::setCurrent(removed.path()));
    QVERIFY(removed.remove());
    TForm1 window{playback::SoundBackends{}};
    window.SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    QCOMPARE(window.StartFolder, QString());
    QCOMPARE(window.SaveDialog1.FilterIndex, 1);
    window.SaveDialog1.FilterIndex = 3;
    window.show();
    QVERIFY(window.close());
    QVERIFY(boxes_.empty());
    QCOMPARE(QFile::exists(QStringLiteral("/Cfg.ini")), rootHadOne);
}

void SettingsTest::closingDuringPlaybackSilencesFirst_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<QByteArray>("silencing");
    QByteArray allNotesOff;
    for (int channel = 0; channel < playback::midi::kChannelsUsed; ++channel) {
        allNotesOff += static_cast<char>(0xB0 + channel);
        allNotesOff += static_cast<char>(0x7B);
        allNotesOff += '\0';
    }
    QTest::newRow("MIDI device: All Notes Off, then reset")
        << "Synth A" << allNotesOff + QByteArray("reset");
    QTest::newRow("serial port: six voices off")
        << "/dev/ttyS0" << QByteArray("\x11\x80\x11\x81\x11\x82\x11\x83\x11\x84\x11\x85");
}

void SettingsTest::closingDuringPlaybackSilencesFirst() {
    QFETCH(QString, output);
    QFETCH(QByteArray, silencing);
    Start({"/dev/ttyS0"}, {"Synth A"});
    form_->ComboBox11->setCurrentIndex(form_->ComboBox11->findText(output));
    form_->Memo2->setPlainText(kLongListing);
    form_->Button4Click();
    QVERIFY(form_->Player().Playing());
    const std::size_t beforeClose = watch_->Log().size();
    QVERIFY(!QFile::exists(SettingsFile()));

    Close();
    QByteArray sentAtClose;
    for (std::size_t i = beforeClose; i < watch_->Log().size(); ++i) {
        sentAtClose += watch_->Log()[i].bytes;
        QVERIFY2(!watch_->Log()[i].settingsWritten, "settings written before the silencing");
    }
    QCOMPARE(sentAtClose, silencing);
    QVERIFY(!form_->Player().Playing());
    QVERIFY(ReadFile(SettingsFile()).contains(Utf8("\nSoundDeviceName=" + output + "\n")));
}

void SettingsTest::terminationSignalClosesTheWindow() {
    QVERIFY(QDir::setCurrent(start_->path()));
    TForm1 window{playback::SoundBackends{}};
    tonvell::app::CloseOnTerminationSignals(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The signal comes while the help box is open: the box is put away
    // first, then the window closes as the user would close it.
    bool boxWasUp = false;
    tonvell::test::WhenModal<QMessageBox>([&boxWasUp](QMessageBox*) {
        boxWasUp = true;
        ::raise(SIGTERM);
    });
    QTest::mouseClick(window.Button7, Qt::LeftButton);
    QVERIFY(boxWasUp);
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(ReadFile(SettingsFile()).startsWith("[Startup]\nExeDirectory="));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    tonvell::app::TonvellApplication app(argc, argv);
    SettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "settings_test.moc"
