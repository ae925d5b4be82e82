// SPDX-License-Identifier: MIT
// The browser's lists, the mount filter, the message-box title and the save
// dialog's presets: the window's logic that needs no widget.

#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "app/app_support.h"
#include "app/folder_model.h"
#include "app/save_dialog.h"
#include "test_support.h"

using namespace tonvell::app;

class FolderModelTest : public QObject {
    Q_OBJECT
private slots:
    void applicationTitle_data();
    void applicationTitle();
    void matchingFilesIgnoreCaseAndSortByName();
    void folderRowsShowPathThenSubfolders();
    void unreadableFolderGivesEmptyLists();
    void driveOfPicksLongestRoot_data();
    void driveOfPicksLongestRoot();
    void userDataMountsLeaveOutPseudoFileSystems();
    void nameFiltersFromFilterText();
    void suffixFollowsChosenType_data();
    void suffixFollowsChosenType();
    void proposedSaveName_data();
    void proposedSaveName();
    void helpTextHasItsLines();
};

void FolderModelTest::applicationTitle_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("linux program") << "/usr/bin/tonvell"
                                   << "Tonvell";
    QTest::newRow("windows upper case") << "C:\\Tools\\TONVELL.EXE"
                                        << "Tonvell";
    QTest::newRow("up to the first dot") << "/opt/my.tool.exe"
                                         << "My";
    QTest::newRow("mixed case") << "/x/tOnVeLl"
                                << "Tonvell";
    QTest::newRow("cyrillic") << "/x/зум.exe"
                              << "Зум";
    QTest::newRow("dot first") << "/x/.hidden"
                               << "";
}

void FolderModelTest::applicationTitle() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(ApplicationTitle(path), title);
}

void FolderModelTest::matchingFilesIgnoreCaseAndSortByName() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"b.mid", "A.MID", "c.Mid", "d.midi", "e.mid.txt", "f.txt"}) {
        tonvell::test::WriteFile(dir.filePath(QString::fromUtf8(name)), "x");
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.mid")));
    QCOMPARE(MatchingFiles(dir.path(), QStringLiteral("*.mid")),
             QStringList({"A.MID", "b.mid", "c.Mid"}));
}

void FolderModelTest::folderRowsShowPathThenSubfolders() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QDir base(dir.path());
    QVERIFY(base.mkpath(QStringLiteral("songs/zeta")));
    QVERIFY(base.mkpath(QStringLiteral("songs/Alpha")));
    QVERIFY(base.mkpath(QStringLiteral("songs/beta")));
    tonvell::test::WriteFile(base.filePath(QStringLiteral("songs/file.mid")), "x");
    const QString songs = base.filePath(QStringLiteral("songs"));
    // Only what opens as a folder is one: a link to a folder is, a link to a
    // device, a broken link and a named pipe are not.
    QVERIFY(QFile::link(QStringLiteral("beta"), base.filePath(QStringLiteral("songs/link"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), base.filePath(QStringLiteral("songs/dev"))));
    QVERIFY(QFile::link(QStringLiteral("gone"), base.filePath(QStringLiteral("songs/broken"))));
    QCOMPARE(
        mkfifo(QFile::encodeName(base.filePath(QStringLiteral("songs/pipe"))).constData(), 0600),
        0);

    const std::vector<FolderRow> rows = FolderRows(songs);
    const QStringList parts = QDir::cleanPath(songs).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // Root, each folder down to songs, then the four subfolders.
    QCOMPARE(rows.size(), static_cast<std::size_t>(1 + parts.size() + 4));
    QCOMPARE(rows.front().name, QStringLiteral("/"));
    QCOMPARE(rows.front().level, 0);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const FolderRow& row = rows[static_cast<std::size_t>(i + 1)];
        QCOMPARE(row.name, parts[i]);
        QCOMPARE(row.level, static_cast<int>(i + 1));
        QVERIFY(row.onPath);
    }
    QCOMPARE(rows[parts.size()].path, QDir::cleanPath(songs));
    QStringList children;
    for (std::size_t i = 1 + parts.size(); i < rows.size(); ++i) {
        QVERIFY(!rows[i].onPath);
        QCOMPARE(rows[i].level, static_cast<int>(parts.size() + 1));
        QCOMPARE(rows[i].path, QDir(songs).filePath(rows[i].name));
        children << rows[i].name;
    }
    QCOMPARE(children, QStringList({"Alpha", "beta", "link", "zeta"}));

    const std::vector<FolderRow> rootRows = FolderRows(QStringLiteral("/"));
    QCOMPARE(rootRows.front().path, QStringLiteral("/"));
    QVERIFY(rootRows.size() > 1);
    QCOMPARE(rootRows[1].level, 1);
}

void FolderModelTest::unreadableFolderGivesEmptyLists() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString gone = dir.filePath(QStringLiteral("removed/deeper"));
    QVERIFY(MatchingFiles(gone, QStringLiteral("*.mid")).isEmpty());
    const std::vector<FolderRow> rows = FolderRows(gone);
    QVERIFY(!rows.empty());
    for (const FolderRow& row : rows) {
        QVERIFY(row.onPath);  // the path is shown, no subfolder is invented
    }
    QVERIFY(MatchingFiles(QStringLiteral("/proc/1/fd/none"), QStringLiteral("*.mid")).isEmpty());
}

void FolderModelTest::driveOfPicksLongestRoot_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("drive");
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("home mount") << "/home/user/music"
                                << "/home";
    QTest::newRow("the mount itself") << "/home"
                                      << "/home";
    QTest::newRow("prefix is not a parent") << "/homework/x"
                                            << "/";
    QTest::newRow("media") << "/media/usb stick/songs"
                           << "/media/usb stick";
}

void FolderModelTest::driveOfPicksLongestRoot() {
    QFETCH(QString, folder);
    QFETCH(QString, drive);
    QCOMPARE(DriveOf(folder, {"/", "/home", "/media/usb stick"}), drive);
}

void FolderModelTest::userDataMountsLeaveOutPseudoFileSystems() {
    const char table[] =
        "overlay / overlay rw,relatime 0 0\n"
        "proc /proc proc rw,nosuid 0 0\n"
        "tmpfs /dev tmpfs rw 0 0\n"
        "devpts /dev/pts devpts rw 0 0\n"
        "sysfs /sys sysfs ro 0 0\n"
        "cgroup /sys/fs/cgroup cgroup2 ro 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sda1 /boot/efi vfat rw 0 0\n"
        "/dev/sdb1 /run/media/user/USB\\040STICK vfat rw 0 0\n"
        "/dev/sdc1 /mnt/music ext4 rw 0 0\n"
        "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "binfmt_misc /proc/sys/fs/binfmt_misc binfmt_misc rw 0 0\n"
        "broken-line-without-fields\n";
    QCOMPARE(UserDataMounts(table),
             QStringList({"/", "/home", "/mnt/music", "/run/media/user/USB STICK", "/tmp"}));
    QCOMPARE(UserDataMounts(""), QStringList({"/"}));
    const QStringList machine = MachineDrives();
    QVERIFY(!machine.isEmpty());
    QCOMPARE(machine.first(), QStringLiteral("/"));
    QVERIFY(!machine.contains(QStringLiteral("/proc")));
}

void FolderModelTest::nameFiltersFromFilterText() {
    QCOMPARE(NameFilters(SaveDialogState{}.Filter),
             QStringList({"Файлы *.inc (*.inc)", "Файлы *.zum (*.zum)", "Файлы *.txt (*.txt)",
                          "Все файлы (*)"}));
    QCOMPARE(SaveDialogState{}.FilterIndex, 1);
    QCOMPARE(SaveDialogState{}.DefaultExt, QStringLiteral("inc"));
}

void FolderModelTest::suffixFollowsChosenType_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("inc") << "Файлы *.inc (*.inc)"
                         << "inc";
    QTest::newRow("zum") << "Файлы *.zum (*.zum)"
                         << "zum";
    QTest::newRow("txt") << "Файлы *.txt (*.txt)"
                         << "txt";
    QTest::newRow("all files") << "Все файлы (*)"
                               << "inc";
}

void FolderModelTest::suffixFollowsChosenType() {
    QFETCH(QString, filter);
    QFETCH(QString, suffix);
    QCOMPARE(SuffixFor(filter, QStringLiteral("inc")), suffix);
}

void FolderModelTest::proposedSaveName_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << "/m/song.mid"
                           << "song"
                           << "/m";
    QTest::newRow("two dots") << "/m/a.b.mid"
                              << "a.b"
                              << "/m";
    QTest::newRow("only extension") << "/m/.mid"
                                    << ""
                                    << "/m";
    QTest::newRow("no dot") << "/m/song"
                            << "song"
                            << "/m";
    QTest::newRow("root folder") << "/song.mid"
                                 << "song"
                                 << "/";
    QTest::newRow("nothing chosen") << ""
                                    << ""
                                    << "";
}

void FolderModelTest::proposedSaveName() {
    QFETCH(QString, input);
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QCOMPARE(ProposedSaveName(input), name);
    QCOMPARE(InitialSaveFolder(input), folder);
}

void FolderModelTest::helpTextHasItsLines() {
    const QStringList& lines = HelpLines();
    QCOMPARE(lines.size(), 26);
    QCOMPARE(lines[0], QStringLiteral("Tonvell v0.11"));
    QCOMPARE(lines[3], QStringLiteral("в файлы   *.zum,  *.inc, *.txt."));
    QVERIFY(lines[9].endsWith(QStringLiteral("игнорируются. ")));
    QCOMPARE(lines[21], QStringLiteral("5. Действие кнопки \"Обработать\" эквивалентно выбору"));
    QCOMPARE(lines[24],
             QStringLiteral("6. После преобразования используйте кнопку \"Сохранить...\"  для"));
    for (int empty : {1, 4, 7, 10, 14, 20, 23}) {
        QVERIFY2(lines[empty].isEmpty(), qPrintable(QString::number(empty)));
    }
}

QTEST_GUILESS_MAIN(FolderModelTest)
#include "folder_model_test.moc"
