// SPDX-License-Identifier: MIT
// The profile file on its own: reading and writing keys with the classic
// profile calls' rules, Windows-1251 files from earlier versions, values that
// must survive a write and a read unchanged, and the durable replacement of
// the file.

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>

#include "app/profile_file.h"
#include "test_support.h"

using tonvell::app::ProfileFile;
using tonvell::app::ReplaceFileDurably;
using tonvell::test::ReadFile;
using tonvell::test::WriteFile;

namespace {

std::string Bytes(const QByteArray& bytes) {
    return bytes.toStdString();
}

QByteArray Bytes(const std::string& bytes) {
    return QByteArray::fromStdString(bytes);
}

// "Папка" in Windows-1251 and in UTF-8.
const QByteArray kFolderCp1251("\xCF\xE0\xEF\xEA\xE0");
const QByteArray kFolderUtf8("Папка");

// A file as an earlier Windows version and a user's editor left it: CR LF,
// Windows-1251, comments and another section around ours.
QByteArray WindowsFile() {
    return QByteArray("; ") + kFolderCp1251 + " settings\r\n[Other]\r\nName=" + kFolderCp1251 +
           "\r\n\r\n[Startup]\r\nExeDirectory=C:\\Tools\r\nDataDirectory=D:\\" + kFolderCp1251 +
           "\r\nExtIndex=2\r\n\r\n; end\r\n";
}

std::string FileName(const QTemporaryDir& dir, const char* name) {
    return QFile::encodeName(dir.filePath(QLatin1String(name))).toStdString();
}

QStringList EntriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

class ProfileFileTest : public QObject {
    Q_OBJECT
private slots:
    void readsValues_data();
    void readsValues();
    void readsIntegers_data();
    void readsIntegers();
    void writesOneKeyAndKeepsTheRest_data();
    void writesOneKeyAndKeepsTheRest();
    void valuesSurviveAWriteAndARead_data();
    void valuesSurviveAWriteAndARead();
    void lineBreakIsRefused();
    void encodingIsDecidedOnce();
    void loadTellsMissingFromUnreadable();
    void loadRefusesWhatIsNoSettingsFile_data();
    void loadRefusesWhatIsNoSettingsFile();
    void replacementKeepsLinksAndPermissions();
    void replacementThatFailsLeavesTheOldFile();
};

void ProfileFileTest::readsValues_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QByteArray ours("[Startup]\nDataDirectory=/m\n");
    QTest::newRow("no file") << QByteArray() << "DataDirectory"
                             << "./";
    QTest::newRow("no section") << QByteArray("[Other]\nDataDirectory=/m\n") << "DataDirectory"
                                << "./";
    QTest::newRow("no key") << ours << "ExtIndex"
                            << "./";
    QTest::newRow("found") << ours << "DataDirectory"
                           << "/m";
    QTest::newRow("names in any case")
        << QByteArray("[STARTUP]\ndatadirectory=/m\n") << "DataDirectory"
        << "/m";
    QTest::newRow("blanks around name and value")
        << QByteArray("  [ Startup ]  \n\t DataDirectory \t=  /my folder \t\n") << "DataDirectory"
        << "/my folder";
    QTest::newRow("empty value") << QByteArray("[Startup]\nDataDirectory=\n") << "DataDirectory"
                                 << "";
    QTest::newRow("double quotes dropped")
        << QByteArray("[Startup]\nDataDirectory=\" /m \"\n") << "DataDirectory"
        << " /m ";
    QTest::newRow("single quotes dropped")
        << QByteArray("[Startup]\nDataDirectory='/m'\n") << "DataDirectory"
        << "/m";
    QTest::newRow("unmatched quotes kept")
        << QByteArray("[Startup]\nDataDirectory=\"/m'\n") << "DataDirectory"
        << "\"/m'";
    QTest::newRow("semicolon and equals belong to the value")
        << QByteArray("[Startup]\nDataDirectory=/a;b=c\n") << "DataDirectory"
        << "/a;b=c";
    QTest::newRow("commented key is no key")
        << QByteArray("[Startup]\n;DataDirectory=/old\n") << "DataDirectory"
        << "./";
    QTest::newRow("key before any section is no key")
        << QByteArray("DataDirectory=/x\n[Startup]\n") << "DataDirectory"
        << "./";
    QTest::newRow("first of two keys")
        << QByteArray("[Startup]\nDataDirectory=/a\nDataDirectory=/b\n") << "DataDirectory"
        << "/a";
    QTest::newRow("first section of that name only")
        << QByteArray("[Startup]\nExtIndex=1\n[Startup]\nDataDirectory=/b\n") << "DataDirectory"
        << "./";
    QTest::newRow("CR LF and no final line break")
        << QByteArray("[Startup]\r\nDataDirectory=/m\r\nExtIndex=3") << "DataDirectory"
        << "/m";
    QTest::newRow("UTF-8 with byte-order mark")
        << QByteArray("\xEF\xBB\xBF[Startup]\nDataDirectory=/") + kFolderUtf8 + "\n"
        << "DataDirectory" << QStringLiteral("/Папка");
    QTest::newRow("Windows-1251 file")
        << WindowsFile() << "DataDirectory" << QStringLiteral("D:\\Папка");
    QTest::newRow("lone CR line breaks")
        << QByteArray("[Startup]\rExtIndex=3\rDataDirectory=/m\r") << "DataDirectory"
        << "/m";
    QTest::newRow("header line ended by a lone CR")
        << QByteArray("[Startup]\rDataDirectory=/a\n") << "DataDirectory"
        << "/a";
    QTest::newRow("key after another header ended by a lone CR")
        << QByteArray("[Other]\rDataDirectory=/b\n[Startup]\n") << "DataDirectory"
        << "./";
    QTest::newRow("UTF-8 mark before Windows-1251")
        << QByteArray("\xEF\xBB\xBF[Startup]\r\nDataDirectory=D:\\") + kFolderCp1251 + "\r\n"
        << "DataDirectory" << QStringLiteral("D:\\Папка");
    QTest::newRow("255 characters of a longer value")
        << QByteArray("[Startup]\nDataDirectory=") + QByteArray(300, 'a') + "\n"
        << "DataDirectory" << QString(255, QLatin1Char('a'));
    QTest::newRow("255 Cyrillic characters")
        << QByteArray("[Startup]\nDataDirectory=") + QString(300, QChar(0x0416)).toUtf8() + "\n"
        << "DataDirectory" << QString(255, QChar(0x0416));
}

void ProfileFileTest::readsValues() {
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const ProfileFile profile(Bytes(file));
    const std::string value = profile.ReadString("Startup", key.toStdString(), "./");
    QCOMPARE(QString::fromStdString(value), expected);
}

void ProfileFileTest::readsIntegers_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");
    QTest::newRow("no key") << QByteArray("[Startup]\n") << 1;
    QTest::newRow("empty value") << QByteArray("[Startup]\nExtIndex=\n") << 1;
    QTest::newRow("3") << QByteArray("[Startup]\nExtIndex=3\n") << 3;
    QTest::newRow("7 out of range, unchanged") << QByteArray("[Startup]\nExtIndex=7\n") << 7;
    QTest::newRow("leading digits") << QByteArray("[Startup]\nExtIndex=12abc\n") << 12;
    QTest::newRow("blanks first") << QByteArray("[Startup]\nExtIndex=  4 \n") << 4;
    QTest::newRow("no digits") << QByteArray("[Startup]\nExtIndex=abc\n") << 0;
    QTest::newRow("minus sign is no digit") << QByteArray("[Startup]\nExtIndex=-1\n") << 0;
    QTest::newRow("too large") << QByteArray("[Startup]\nExtIndex=99999999999999999999\n")
                               << INT_MAX;
}

void ProfileFileTest::readsIntegers() {
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    QCOMPARE(ProfileFile(Bytes(file)).ReadInt("Startup", "ExtIndex", 1), expected);
}

void ProfileFileTest::writesOneKeyAndKeepsTheRest_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("new file") << QByteArray() << "ExtIndex"
                              << "3" << QByteArray("[Startup]\nExtIndex=3\n");
    QTest::newRow("value replaced, spelling and spacing kept")
        << QByteArray("; c\n[startup]\n  EXTINDEX = 1  \nX=y\n") << "ExtIndex"
        << "3" << QByteArray("; c\n[startup]\n  EXTINDEX = 3\nX=y\n");
    QTest::newRow("key added at the end of its section")
        << QByteArray("[Startup]\nA=1\n\n; next\n[Other]\nB=2\n") << "ExtIndex"
        << "3" << QByteArray("[Startup]\nA=1\nExtIndex=3\n\n; next\n[Other]\nB=2\n");
    QTest::newRow("key added after a last line without line break")
        << QByteArray("[Startup]\nA=1") << "ExtIndex"
        << "3" << QByteArray("[Startup]\nA=1\nExtIndex=3\n");
    QTest::newRow("section added after the others")
        << QByteArray("[Other]\r\nB=2") << "ExtIndex"
        << "3" << QByteArray("[Other]\r\nB=2\r\n\r\n[Startup]\r\nExtIndex=3\r\n");
    QTest::newRow("Windows-1251 stays Windows-1251")
        << WindowsFile() << "DataDirectory" << QStringLiteral("E:\\Папка")
        << QByteArray(WindowsFile()).replace("D:\\", "E:\\");
    QTest::newRow("value Windows-1251 cannot hold: the file becomes UTF-8")
        << WindowsFile() << "ExtIndex" << QStringLiteral("日本")
        << QByteArray("; ") + kFolderUtf8 + " settings\r\n[Other]\r\nName=" + kFolderUtf8 +
               "\r\n\r\n[Startup]\r\nExeDirectory=C:\\Tools\r\nDataDirectory=D:\\" + kFolderUtf8 +
               "\r\nExtIndex=日本\r\n\r\n; end\r\n";
    QTest::newRow("key added after a last line ended by a lone CR")
        << QByteArray("[Startup]\nA=1\r") << "ExtIndex"
        << "3" << QByteArray("[Startup]\nA=1\rExtIndex=3\n");
    QTest::newRow("CR-only file keeps its line breaks")
        << QByteArray("[Startup]\rA=1\r") << "ExtIndex"
        << "3" << QByteArray("[Startup]\rA=1\rExtIndex=3\r");
    QTest::newRow("section added to a CR-only file")
        << QByteArray("[Other]\rB=2\r") << "ExtIndex"
        << "3" << QByteArray("[Other]\rB=2\r\r[Startup]\rExtIndex=3\r");
    QTest::newRow("UTF-8 mark before Windows-1251: key replaced in place")
        << QByteArray("\xEF\xBB\xBF[Startup]\r\nDataDirectory=D:\\") + kFolderCp1251 +
               "\r\nExtIndex=1\r\n"
        << "ExtIndex"
        << "3"
        << QByteArray("\xEF\xBB\xBF[Startup]\r\nDataDirectory=D:\\") + kFolderCp1251 +
               "\r\nExtIndex=3\r\n";
    QTest::newRow("UTF-8 mark before Windows-1251 that becomes UTF-8")
        << QByteArray("\xEF\xBB\xBF[Startup]\r\nDataDirectory=D:\\") + kFolderCp1251 + "\r\n"
        << "ExtIndex" << QStringLiteral("日本")
        << QByteArray("\xEF\xBB\xBF[Startup]\r\nDataDirectory=D:\\") + kFolderUtf8 +
               "\r\nExtIndex=日本\r\n";
    QTest::newRow("blanks at the ends are quoted")
        << QByteArray("[Startup]\n") << "DataDirectory"
        << " /m " << QByteArray("[Startup]\nDataDirectory=\" /m \"\n");
    QTest::newRow("quotes around are quoted")
        << QByteArray("[Startup]\n") << "DataDirectory"
        << "'/m'" << QByteArray("[Startup]\nDataDirectory=\"'/m'\"\n");
}

void ProfileFileTest::writesOneKeyAndKeepsTheRest() {
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    ProfileFile profile(Bytes(before));
    QVERIFY(profile.WriteString("Startup", key.toStdString(), value.toStdString()));
    QCOMPARE(Bytes(profile.Bytes()), after);
    QCOMPARE(QString::fromStdString(profile.ReadString("Startup", key.toStdString(), "")), value);
}

void ProfileFileTest::valuesSurviveAWriteAndARead_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("value");
    const QString values[] = {
        QStringLiteral("C:\\Tools\\Midi\\"),
        QStringLiteral("/home/u/a,b, c"),
        QStringLiteral("/home/u/\"quoted\" name"),
        QStringLiteral("\"/home/u/all quoted\""),
        QStringLiteral("'"),
        QStringLiteral("/home/u/Музыка/Ёлка"),
        QStringLiteral("  two blanks around  "),
        QStringLiteral("a;b=c#d[e]"),
        QString(),
    };
    for (const QString& value : values) {
        QTest::addRow("UTF-8: %s", qPrintable(value)) << QByteArray() << value;
        QTest::addRow("Windows-1251: %s", qPrintable(value)) << WindowsFile() << value;
    }
}

void ProfileFileTest::valuesSurviveAWriteAndARead() {
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    ProfileFile profile(Bytes(file));
    QVERIFY(profile.WriteString("Startup", "DataDirectory", value.toStdString()));
    QCOMPARE(QString::fromStdString(profile.ReadString("Startup", "DataDirectory", "./")), value);
    // The other lines of the file stay as they were.
    QCOMPARE(QString::fromStdString(profile.ReadString("Startup", "ExeDirectory", "")),
             file.isEmpty() ? QString() : QStringLiteral("C:\\Tools"));
}

void ProfileFileTest::lineBreakIsRefused() {
    for (const char* value : {"/a\nb", "/a\r\n[Other]", "/a\rb"}) {
        ProfileFile profile(Bytes(WindowsFile()));
        QVERIFY(!profile.WriteString("Startup", "DataDirectory", value));
        QCOMPARE(Bytes(profile.Bytes()), WindowsFile());
    }
}

// Windows-1251 whose only byte that is no valid UTF-8 is in the value
// replaced: another value reads the same before and after.
void ProfileFileTest::encodingIsDecidedOnce() {
    // "Рђ" in Windows-1251 is D0 90, which is also the UTF-8 of "А".
    ProfileFile profile(
        Bytes(QByteArray("[Startup]\nDataDirectory=\xCF\nSoundDeviceTembre=\xD0\x90\n")));
    const std::string before = profile.ReadString("Startup", "SoundDeviceTembre", "");
    QCOMPARE(QString::fromStdString(before), QStringLiteral("Рђ"));
    QVERIFY(profile.WriteString("Startup", "DataDirectory", "/m"));
    QCOMPARE(profile.ReadString("Startup", "SoundDeviceTembre", ""), before);
    QCOMPARE(profile.ReadString("Startup", "DataDirectory", ""), std::string("/m"));
}

void ProfileFileTest::loadRefusesWhatIsNoSettingsFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("named pipe without a writer") << "fifo";
    QTest::newRow("endless device") << "/dev/zero";
    QTest::newRow("over 1 MB of blank lines") << "large";
}

// Nothing a settings file could not be is read, and nothing waits.
void ProfileFileTest::loadRefusesWhatIsNoSettingsFile() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Cfg.ini"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Cfg.ini")));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("large")) {
        WriteFile(path, QByteArray("[Startup]\nExtIndex=3\n") +
                            QByteArray(static_cast<int>(tonvell::app::kProfileFileLimit), '\n'));
    } else {
        QVERIFY(QFile::link(kind, path));
    }
    QVERIFY(!ProfileFile::Load(FileName(dir, "Cfg.ini")));
}

void ProfileFileTest::loadTellsMissingFromUnreadable() {
    QTemporaryDir dir;
    const auto missing = ProfileFile::Load(FileName(dir, "Cfg.ini"));
    QVERIFY(missing && missing->Bytes().empty());
    WriteFile(dir.filePath(QStringLiteral("Cfg.ini")), WindowsFile());
    QCOMPARE(Bytes(ProfileFile::Load(FileName(dir, "Cfg.ini"))->Bytes()), WindowsFile());
    if (::geteuid() != 0) {
        QFile::setPermissions(dir.filePath(QStringLiteral("Cfg.ini")), QFile::WriteOwner);
        QVERIFY(!ProfileFile::Load(FileName(dir, "Cfg.ini")));
    }
}

void ProfileFileTest::replacementKeepsLinksAndPermissions() {
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.ini"));
    WriteFile(real, "old");
    QVERIFY(::chmod(QFile::encodeName(real).constData(), 0640) == 0);
    QVERIFY(QFile::link(real, dir.filePath(QStringLiteral("Cfg.ini"))));

    QVERIFY(ReplaceFileDurably(FileName(dir, "Cfg.ini"), "new"));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("Cfg.ini"))).isSymLink());
    QCOMPARE(ReadFile(real), QByteArray("new"));
    struct stat info {};
    QVERIFY(::stat(QFile::encodeName(real).constData(), &info) == 0);
    QCOMPARE(info.st_mode & 07777, 0640u);
    QCOMPARE(EntriesOf(dir.path()), QStringList({"Cfg.ini", "real.ini"}));

    // A new file.
    QVERIFY(ReplaceFileDurably(FileName(dir, "new.ini"), "fresh"));
    QCOMPARE(ReadFile(dir.filePath(QStringLiteral("new.ini"))), QByteArray("fresh"));
}

void ProfileFileTest::replacementThatFailsLeavesTheOldFile() {
    QTemporaryDir dir;
    // A folder in place of the file is never replaced.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Cfg.ini")));
    QVERIFY(!ReplaceFileDurably(FileName(dir, "Cfg.ini"), "new"));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("Cfg.ini"))).isDir());
    QVERIFY(!ReplaceFileDurably(FileName(dir, "missing/Cfg.ini"), "new"));
    QCOMPARE(EntriesOf(dir.path()), QStringList({"Cfg.ini"}));

    // A folder that takes no new files: the old file is not written in place.
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    const QString old = locked + QStringLiteral("/Cfg.ini");
    const tonvell::test::ReadOnlyFolder readOnly(locked, old, WindowsFile());
    if (!readOnly.ready()) {
        QSKIP("no read-only folder can be made here");
    }
    QVERIFY(!ReplaceFileDurably(QFile::encodeName(old).toStdString(), "new"));
    QCOMPARE(ReadFile(old), WindowsFile());
    QCOMPARE(EntriesOf(locked), QStringList({"Cfg.ini"}));
}

QTEST_GUILESS_MAIN(ProfileFileTest)
#include "profile_file_test.moc"
