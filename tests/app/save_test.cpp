// SPDX-License-Identifier: MIT
// Saving the listing box: the dialog's presets from the file list, each file
// type through the dialog's answer, the real dialog driven as a user drives
// it, and each failure with its message and nothing lost.

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/app_support.h"
#include "app/tform1.h"
#include "test_support.h"
#include "tests/support/faulty_file_system.h"

using tonvell::app::SaveDialogState;
using tonvell::test::ReadFile;
using tonvell::test::ReadOnlyFolder;
using tonvell::test::ScriptedSaveDialog;
using tonvell::test::ShownBox;
using tonvell::test::WhenModal;
using tonvell::test::WriteFile;

namespace {

// The listing of the writers' worked example, as the user left it in the box
// (one name in Cyrillic).
const QString kListing = QStringLiteral(
    "; \n; песня.mid\n; \nDWL 7 ;size in bytes\n; \nDB 80h ;delay\nDB 51h, F0h\nDB 83h ;delay\n"
    "DB 51h, 80h\nDB 00h ;end of block\n");

QByteArray IncBytes() {
    QByteArray bytes =
        QByteArray("; \r\n; ") + QByteArray("\xEF\xE5\xF1\xED\xFF") +
        QByteArray(
            ".mid\r\n; \r\nDWL 7 ;size in bytes\r\n; \r\nDB 80h ;delay\r\n"
            "DB 51h, F0h\r\nDB 83h ;delay\r\nDB 51h, 80h\r\nDB 00h ;end of block\r\n");
    return bytes;
}

const QByteArray kZumBytes("\x80\x51\xF0\x83\x51\x80\x00", 7);

QByteArray TxtBytes() {
    return QByteArray("// ") + QByteArray("\xEF\xE5\xF1\xED\xFF") +
           QByteArray(".mid\r\n//7 ;size in bytes\r\n0x80,0x51,0xF0,0x83,0x51,0x80,0x00,");
}

// Replaces the soft file-size limit for one scope; writes past it fail with
// EFBIG instead of a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    sighandler_t oldHandler_{};
};

}  // namespace

class SaveTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void savesEachType_data();
    void savesEachType();
    void dialogIsPresetFromTheFileList();
    void cancelWritesNothingAndKeepsTheType();
    void realDialogSavesTheChosenType();
    void realDialogAsksBeforeReplacing();
    void realQuestionBeforeAnEditedListingIsReplaced_data();
    void realQuestionBeforeAnEditedListingIsReplaced();
    void failuresShowTheirMessageAndLoseNothing_data();
    void failuresShowTheirMessageAndLoseNothing();

private:
    void Answer(ScriptedSaveDialog::Answer answer) {
        form_->SetSaveDialogRunner(std::make_unique<ScriptedSaveDialog>(std::move(answer), seen_));
    }
    QStringList FolderEntries() const {
        return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    std::vector<ShownBox> boxes_;
    SaveDialogState seen_;
};

void SaveTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    boxes_.clear();
    seen_ = {};
    form_ = std::make_unique<TForm1>();
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->Memo2->setPlainText(kListing);
}

void SaveTest::cleanup() {
    form_.reset();
    dir_.reset();
}

void SaveTest::savesEachType_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("1 listing") << 1 << "song.inc" << IncBytes();
    QTest::newRow("2 data block") << 2 << "song.zum" << kZumBytes;
    QTest::newRow("3 constants") << 3 << "song.txt" << TxtBytes();
    // The chosen type, not the typed extension, picks the writer.
    QTest::newRow("3 named .inc") << 3 << "song.inc" << TxtBytes();
    // "Все файлы" goes by the extension typed.
    QTest::newRow("4 .zum") << 4 << "song.zum" << kZumBytes;
    QTest::newRow("4 .txt") << 4 << "song.txt" << TxtBytes();
    QTest::newRow("4 other") << 4 << "song.dat" << IncBytes();
    QTest::newRow("1 named .zum") << 1 << "song.zum" << IncBytes();
    // A type out of range, as a settings file can hold it, goes by the extension too.
    QTest::newRow("7 .zum") << 7 << "song.zum" << kZumBytes;
    QTest::newRow("cyrillic name") << 2 << "мелодия.zum" << kZumBytes;
}

void SaveTest::savesEachType() {
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = dir_->filePath(name);
    WriteFile(path, "an older file, longer than any of the new ones: ........................");
    Answer({true, path, type});
    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    QVERIFY(boxes_.empty());
    QCOMPARE(ReadFile(path), bytes);
    QCOMPARE(form_->SaveDialog1.FilterIndex, type);
    QCOMPARE(form_->Memo2->toPlainText(), kListing);
    QCOMPARE(FolderEntries(), QStringList({name}));  // no temporary file left behind
}

void SaveTest::dialogIsPresetFromTheFileList() {
    WriteFile(dir_->filePath(QStringLiteral("a.b.mid")), tonvell::test::SongFile());
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("other")));
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("a.b.mid")));
    form_->SaveDialog1.FilterIndex = 2;
    Answer({false, {}, 1});
    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    QCOMPARE(seen_.InitialDir, QDir::cleanPath(dir_->path()));
    QCOMPARE(seen_.FileName, QStringLiteral("a.b"));
    QCOMPARE(seen_.FilterIndex, 2);
    QCOMPARE(seen_.DefaultExt, QStringLiteral("inc"));

    // Another folder leaves the list without a choice: no name, no folder.
    form_->DirectoryListBox1->SetDirectory(dir_->filePath(QStringLiteral("other")));
    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    QCOMPARE(seen_.InitialDir, QString());
    QCOMPARE(seen_.FileName, QString());
    QVERIFY(boxes_.empty());
}

void SaveTest::cancelWritesNothingAndKeepsTheType() {
    form_->SaveDialog1.FilterIndex = 3;
    Answer({false, dir_->filePath(QStringLiteral("x.inc")), 1});
    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    QCOMPARE(form_->SaveDialog1.FilterIndex, 3);
    QVERIFY(FolderEntries().isEmpty());
    QVERIFY(boxes_.empty());
}

void SaveTest::realDialogSavesTheChosenType() {
    WriteFile(dir_->filePath(QStringLiteral("tune.mid")), tonvell::test::SongFile());
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("tune.mid")));
    form_->Memo2->setPlainText(kListing);
    form_->SaveDialog1.FilterIndex = 2;
    form_->SetSaveDialogRunner(std::make_unique<tonvell::app::QtSaveDialogRunner>(true));

    QStringList filters;
    QStringList shownTypes;
    QString shownFilter;
    QString shownFolder;
    QString proposed;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        shownFolder = dialog->directory().absolutePath();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        proposed = name ? name->text() : QString();
        // The user picks the constants type with the keys and types a name
        // without extension.
        if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            for (int i = 0; i < types->count(); ++i) {
                shownTypes << types->itemText(i);
            }
            shownFilter = types->currentText();
            QTest::keyClick(types, Qt::Key_Down);
        }
        if (name) {
            name->setText(QStringLiteral("melody"));
        }
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    QTest::mouseClick(form_->Button3, Qt::LeftButton);

    QCOMPARE(filters, QStringList({"Файлы *.inc (*.inc)", "Файлы *.zum (*.zum)",
                                   "Файлы *.txt (*.txt)", "Все файлы (*)"}));
    // Shown as the filter texts say, without Qt's appended patterns.
    QCOMPARE(shownTypes, QStringList({"Файлы *.inc", "Файлы *.zum", "Файлы *.txt", "Все файлы"}));
    QCOMPARE(shownFilter, QStringLiteral("Файлы *.zum"));
    QCOMPARE(shownFolder, QDir::cleanPath(dir_->path()));
    QCOMPARE(proposed, QStringLiteral("tune"));
    QCOMPARE(form_->SaveDialog1.FilterIndex, 3);
    QCOMPARE(ReadFile(dir_->filePath(QStringLiteral("melody.txt"))), TxtBytes());
    QVERIFY(boxes_.empty());
}

void SaveTest::realDialogAsksBeforeReplacing() {
    const QString target = dir_->filePath(QStringLiteral("old.inc"));
    WriteFile(target, "old");
    form_->SetSaveDialogRunner(std::make_unique<tonvell::app::QtSaveDialogRunner>(true));
    form_->SaveDialog1.FilterIndex = 1;

    const auto typeNameAndAccept = [target](QFileDialog* dialog) {
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(target);  // typed as a full path
        }
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    };
    // First answer "No": the dialog stays, and the user then cancels it.
    bool asked = false;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        WhenModal<QMessageBox>([&, dialog](QMessageBox* question) {
            asked = true;
            question->button(QMessageBox::No)->click();
            QTimer::singleShot(50, dialog, [dialog] { dialog->reject(); });
        });
        typeNameAndAccept(dialog);
    });
    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    QVERIFY(asked);
    QCOMPARE(ReadFile(target), QByteArray("old"));

    // Then "Yes": the file is replaced.
    asked = false;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        WhenModal<QMessageBox>([&](QMessageBox* question) {
            asked = true;
            question->button(QMessageBox::Yes)->click();
        });
        typeNameAndAccept(dialog);
    });
    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    QVERIFY(asked);
    QCOMPARE(ReadFile(target), IncBytes());
    QVERIFY(boxes_.empty());
}

void SaveTest::realQuestionBeforeAnEditedListingIsReplaced_data() {
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<int>("answer");
    for (const bool byKey : {false, true}) {
        const QByteArray how = byKey ? "arrow key" : "mouse";
        QTest::newRow(how + ", Cancel") << byKey << int(QMessageBox::Cancel);
        QTest::newRow(how + ", Discard") << byKey << int(QMessageBox::Discard);
    }
}

// The real question box, answered by clicking its buttons while the file
// list is in the middle of handling the click or key.
void SaveTest::realQuestionBeforeAnEditedListingIsReplaced() {
    QFETCH(bool, byKey);
    QFETCH(int, answer);
    form_->SetMessageBoxes(std::make_unique<tonvell::app::QtMessageBoxes>(form_.get()));
    for (const char* name : {"a.mid", "b.mid"}) {
        WriteFile(dir_->filePath(QLatin1String(name)), tonvell::test::SongFile());
    }
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    auto* files = form_->FileListBox1;
    QVERIFY(files->SelectFile(QStringLiteral("a.mid")));
    form_->Memo2->setFocus();
    form_->Memo2->moveCursor(QTextCursor::End);
    QTest::keyClicks(form_->Memo2, QStringLiteral("; my note"));
    const QString edited = form_->Memo2->toPlainText();

    bool asked = false;
    WhenModal<QMessageBox>([&](QMessageBox* question) {
        asked = true;
        question->button(static_cast<QMessageBox::StandardButton>(answer))->click();
    });
    if (byKey) {
        files->setFocus();
        QTest::keyClick(files, Qt::Key_Down);
    } else {
        const QRect rect = files->visualItemRect(files->item(1));
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QTRY_VERIFY(asked);
    QCoreApplication::processEvents();
    const QString chosen = answer == QMessageBox::Cancel ? "a.mid" : "b.mid";
    QTRY_COMPARE(files->FileName(), dir_->filePath(chosen));
    QCOMPARE(form_->Edit1->text(), chosen);
    QCOMPARE(files->selectedItems().size(), qsizetype{1});
    if (answer == QMessageBox::Cancel) {
        QCOMPARE(form_->Memo2->toPlainText(), edited);
    } else {
        QVERIFY(form_->Memo2->toPlainText().contains(QStringLiteral("; b.mid")));
    }
    QVERIFY(boxes_.empty());
}

void SaveTest::failuresShowTheirMessageAndLoseNothing_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    for (int type = 1; type <= 3; ++type) {
        const QByteArray suffix = " type " + QByteArray::number(type);
        QTest::newRow("folder missing" + suffix) << "missing" << type << "Cannot create file %1";
        QTest::newRow("read-only folder" + suffix) << "readonly" << type << "Cannot create file %1";
        QTest::newRow("disk full" + suffix) << "devfull" << type << "Cannot write file %1";
        QTest::newRow("size limit" + suffix) << "limit" << type << "Cannot write file %1";
        // The target is writable but its folder takes no new file: the save
        // is refused rather than written into the old file.
        QTest::newRow("folder takes no new file" + suffix)
            << "nonewfile" << type << "Cannot create file %1";
        QTest::newRow("disk fills up" + suffix)
            << "injectedwrite" << type << "Cannot write file %1";
        // A file the user made read-only is kept, in a folder that takes new
        // files, as copying over it would be refused.
        QTest::newRow("read-only file" + suffix)
            << "readonlyfile" << type << "Cannot create file %1";
    }
}

void SaveTest::failuresShowTheirMessageAndLoseNothing() {
    QFETCH(QString, kind);
    QFETCH(int, type);
    QFETCH(QString, message);
    const QByteArray oldBytes("the file saved last time\r\n");
    QString path;
    QString folder = dir_->path();
    std::unique_ptr<FileSizeLimit> limit;
    std::unique_ptr<ReadOnlyFolder> readOnly;
    using tonvell_test::FaultyFileSystem;
    FaultyFileSystem faulty(kind == QLatin1String("nonewfile") ? FaultyFileSystem::Step::CreateNew
                            : kind == QLatin1String("injectedwrite")
                                ? FaultyFileSystem::Step::Write
                                : FaultyFileSystem::Step::None);
    form_->SetSaveFileSystem(faulty);
    if (kind == QLatin1String("missing")) {
        path = dir_->filePath(QStringLiteral("no such folder/song.inc"));
    } else if (kind == QLatin1String("readonly")) {
        folder = dir_->filePath(QStringLiteral("locked"));
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("locked")));
        path = folder + QStringLiteral("/song.inc");
        readOnly = std::make_unique<ReadOnlyFolder>(folder, path, oldBytes);
        if (!readOnly->ready()) {
            QSKIP("no read-only folder can be made here");
        }
    } else if (kind == QLatin1String("devfull")) {
        path = QStringLiteral("/dev/full");
    } else {
        path = dir_->filePath(QStringLiteral("song.inc"));
        WriteFile(path, oldBytes);
        if (kind == QLatin1String("readonlyfile")) {
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        }
        if (kind == QLatin1String("limit")) {
            limit = std::make_unique<FileSizeLimit>(10);  // smaller than any listing's file
        }
    }
    // A listing long enough for every writer to pass the limit.
    QString listing = kListing;
    for (int i = 0; i < 20; ++i) {
        listing += QStringLiteral("DB 51h, F0h\n");
    }
    form_->Memo2->setPlainText(listing);
    const QStringList before =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    Answer({true, path, type});
    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    limit.reset();

    QCOMPARE(boxes_.size(), std::size_t{1});
    QVERIFY(boxes_[0].error);
    QCOMPARE(boxes_[0].title, tonvell::app::ApplicationTitle());
    QCOMPARE(boxes_[0].text, message.arg(path));
    QCOMPARE(form_->Memo2->toPlainText(), listing);
    if (kind != QLatin1String("missing") && kind != QLatin1String("devfull")) {
        QCOMPARE(ReadFile(path), oldBytes);
    }
    if (kind != QLatin1String("devfull")) {
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 before);
    }
    // The window goes on and saves once the way is clear.
    if (kind == QLatin1String("limit")) {
        boxes_.clear();
        QTest::mouseClick(form_->Button3, Qt::LeftButton);
        QVERIFY(boxes_.empty());
        QVERIFY(ReadFile(path) != oldBytes);
    }
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    SaveTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "save_test.moc"
