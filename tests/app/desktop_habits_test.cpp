// SPDX-License-Identifier: MIT
// The window kept to a desktop user's habits, on the offscreen platform:
// closing with an edited listing, files dropped on the window, keys, readable
// disabled captions, a place on small screens, whole names as tooltips, the
// home folder in the drive list, a file that is not MIDI, and an edited
// listing kept when a signal ends the program.

#include <signal.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>
#include <QtTest>
#include <memory>

#include "app/app_support.h"
#include "app/folder_model.h"
#include "app/listing_guard.h"
#include "app/listing_recovery.h"
#include "app/termination_signals.h"
#include "app/tform1.h"
#include "app/window_look.h"
#include "test_support.h"
#include "tests/support/other_user.h"

using tonvell::app::ApplicationTitle;
using tonvell::test::ShownBox;
using tonvell::test::WriteFile;

namespace {

QStringList Lines(const QPlainTextEdit* box) {
    return box->toPlainText().split(QLatin1Char('\n'));
}

// A tooltip's text as Qt shows it: as rich text when it looks like markup.
QString ShownTooltip(const QString& tooltip) {
    if (!Qt::mightBeRichText(tooltip)) {
        return tooltip;
    }
    QTextDocument document;
    document.setHtml(tooltip);
    return document.toPlainText();
}

QByteArray NotMidiBytes() {
    return "This is a text file that someone named .mid\n";
}

}  // namespace

class DesktopHabitsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void closingAsksAboutAnEditedListing_data();
    void closingAsksAboutAnEditedListing();
    void droppedFiles_data();
    void droppedFiles();
    void droppedFileAsksAboutAnEditedListingFirst();
    void helpAndSaveKeys();
    void disabledCaptionsAreReadable_data();
    void disabledCaptionsAreReadable();
    void windowStaysReachableOnSmallScreens_data();
    void windowStaysReachableOnSmallScreens();
    void wholeNamesShowAsTooltips_data();
    void wholeNamesShowAsTooltips();
    void userFoldersHeadTheDriveList_data();
    void userFoldersHeadTheDriveList();
    void fileThatIsNotMidiSaysSo_data();
    void fileThatIsNotMidiSaysSo();
    void recoveryFilesNeverReplaceAFile();
    void recoveryNoticeListPlantedByOthers_data();
    void recoveryNoticeListPlantedByOthers();
    void recoveryNoticesNameOnlyRecoveredFiles();
    void recoveryFileNameHoldsNoLineBreak();
    void recoveryFileOfALongName_data();
    void recoveryFileOfALongName();
    // Last: a signal closes the window once per process.
    void signalKeepsTheEditedListingForTheNextStart();

private:
    void Start();
    void OpenSong(const QString& name = QStringLiteral("song.mid"));
    void Edit(const QString& text = QStringLiteral("; my note"));
    bool Drop(QWidget* target, QMimeData* data, bool* accepted);

    std::unique_ptr<QTemporaryDir> dir_;
    QString testFolder_;
    std::unique_ptr<TForm1> form_;
    std::vector<ShownBox> boxes_;
};

void DesktopHabitsTest::init() {
    // The window reads and writes Cfg.ini, and keeps recovered listings, in
    // the folder it starts in.
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    testFolder_ = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    boxes_.clear();
    Start();
}

void DesktopHabitsTest::cleanup() {
    form_.reset();
    QDir::setCurrent(testFolder_);
    dir_.reset();
}

void DesktopHabitsTest::Start() {
    form_ = std::make_unique<TForm1>();
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void DesktopHabitsTest::OpenSong(const QString& name) {
    WriteFile(dir_->filePath(name), tonvell::test::SongFile());
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    QVERIFY(form_->FileListBox1->SelectFile(name));
    QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; ") + name);
}

void DesktopHabitsTest::Edit(const QString& text) {
    form_->Memo2->setFocus();
    form_->Memo2->moveCursor(QTextCursor::End);
    QTest::keyClicks(form_->Memo2, text);
    QVERIFY(tonvell::app::ListingEdited(*form_->Memo2));
}

// Drags data over target and drops it there when the drag is taken; the
// window sees the drop as it would from a file manager.
bool DesktopHabitsTest::Drop(QWidget* target, QMimeData* data, bool* accepted) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    *accepted = enter.isAccepted();
    if (!*accepted) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    // A drop from elsewhere is a copy: a move would delete it at its source.
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

void DesktopHabitsTest::closingAsksAboutAnEditedListing_data() {
    QTest::addColumn<bool>("edited");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("dialog");  // after Save: confirmed, cancelled, refused
    QTest::addColumn<bool>("closes");
    const int cancel = QMessageBox::Cancel;
    QTest::newRow("not edited") << false << cancel << "" << true;
    QTest::newRow("Cancel") << true << cancel << "" << false;
    QTest::newRow("Discard") << true << int(QMessageBox::Discard) << "" << true;
    QTest::newRow("Save") << true << int(QMessageBox::Save) << "confirmed" << true;
    QTest::newRow("Save, dialog cancelled")
        << true << int(QMessageBox::Save) << "cancelled" << false;
    QTest::newRow("Save refused") << true << int(QMessageBox::Save) << "refused" << false;
}

void DesktopHabitsTest::closingAsksAboutAnEditedListing() {
    QFETCH(bool, edited);
    QFETCH(int, answer);
    QFETCH(QString, dialog);
    QFETCH(bool, closes);
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(
        boxes_, static_cast<QMessageBox::StandardButton>(answer)));
    const QString saved = dialog == QLatin1String("refused")
                              ? dir_->filePath(QStringLiteral("missing/song.inc"))
                              : dir_->filePath(QStringLiteral("song.inc"));
    tonvell::app::SaveDialogState seen;
    form_->SetSaveDialogRunner(std::make_unique<tonvell::test::ScriptedSaveDialog>(
        tonvell::test::ScriptedSaveDialog::Answer{dialog != QLatin1String("cancelled"), saved, 1},
        seen));
    OpenSong();
    if (edited) {
        Edit();
    }
    const QString shown = form_->Memo2->toPlainText();

    QCOMPARE(form_->close(), closes);

    const QString settings = dir_->filePath(QStringLiteral("Cfg.ini"));
    QCOMPARE(form_->isVisible(), !closes);
    QCOMPARE(QFile::exists(settings), closes);
    if (!edited) {
        QVERIFY(boxes_.empty());
        return;
    }
    QVERIFY(!boxes_.empty());
    QCOMPARE(boxes_[0].title, ApplicationTitle());
    QCOMPARE(boxes_[0].text, tonvell::app::ListingEditedOnCloseQuestion());
    QCOMPARE(boxes_[0].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (!closes) {
        // Nothing changed: the listing, its edits and the question next time.
        QCOMPARE(form_->Memo2->toPlainText(), shown);
        QVERIFY(tonvell::app::ListingEdited(*form_->Memo2));
    }
    if (dialog == QLatin1String("confirmed")) {
        QCOMPARE(seen.FileName, QStringLiteral("song"));
        QVERIFY(tonvell::test::ReadFile(saved).contains("; my note"));
    }
    if (dialog == QLatin1String("refused")) {
        QCOMPARE(boxes_.size(), std::size_t{2});
        QVERIFY(boxes_[1].error);
        QVERIFY(boxes_[1].text.startsWith(QStringLiteral("Cannot create file")));
    }
}

void DesktopHabitsTest::droppedFiles_data() {
    QTest::addColumn<QString>("target");  // Memo2, FileListBox1, Memo1
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("listingLine");  // line 2 of the listing afterwards
    const QStringList song{QStringLiteral("drop/dropped.MID")};
    QTest::newRow("MIDI file on the listing") << "Memo2" << song << "" << true << "; dropped.MID";
    QTest::newRow("MIDI file on the file list")
        << "FileListBox1" << song << "" << true << "; dropped.MID";
    QTest::newRow("MIDI file on the event log") << "Memo1" << song << "" << true << "; dropped.MID";
    QTest::newRow("MIDI file on the output list")
        << "ComboBox11" << song << "" << true << "; dropped.MID";
    QTest::newRow("another kind of file")
        << "Memo2" << QStringList{QStringLiteral("drop/notes.odt")} << "" << false << "; song.mid";
    QTest::newRow("a saved listing")
        << "Memo1" << QStringList{QStringLiteral("drop/saved.inc")} << "" << true << "; saved.mid";
    QTest::newRow("two MIDI files")
        << "Memo2" << QStringList{QStringLiteral("drop/dropped.MID"), QStringLiteral("song.mid")}
        << "" << false << "; song.mid";
    QTest::newRow("a folder named .mid")
        << "Memo2" << QStringList{QStringLiteral("drop/folder.mid")} << "" << false << "; song.mid";
    QTest::newRow("text on the listing")
        << "Memo2" << QStringList{} << "DB 51h, F0h" << true << "; song.mid";
    QTest::newRow("text on the file list")
        << "FileListBox1" << QStringList{} << "DB 51h, F0h" << false << "; song.mid";
}

void DesktopHabitsTest::droppedFiles() {
    QFETCH(QString, target);
    QFETCH(QStringList, files);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QString, listingLine);
    OpenSong();
    QDir(dir_->path()).mkpath(QStringLiteral("drop/folder.mid"));
    WriteFile(dir_->filePath(QStringLiteral("drop/dropped.MID")), tonvell::test::SongFile());
    WriteFile(dir_->filePath(QStringLiteral("drop/notes.odt")), "notes");
    WriteFile(dir_->filePath(QStringLiteral("drop/saved.inc")), "; \r\n; saved.mid\r\nDB 00h\r\n");
    const QString before = form_->Memo2->toPlainText();

    auto* data = new QMimeData;  // owned by the test's scope below
    const std::unique_ptr<QMimeData> owner(data);
    QList<QUrl> urls;
    for (const QString& file : files) {
        urls << QUrl::fromLocalFile(dir_->filePath(file));
    }
    if (!urls.isEmpty()) {
        data->setUrls(urls);  // file managers offer the paths as text too
    }
    if (!text.isEmpty()) {
        data->setText(text);
    }
    QWidget* widget = form_->findChild<QWidget*>(target);
    QVERIFY(widget);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
        widget = area->viewport();
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
        widget = list->lineEdit();
    }
    bool taken = false;
    const bool copied = Drop(widget, data, &taken);
    QCOMPARE(taken, accepted);
    if (accepted) {
        QVERIFY(copied);
    }
    QCoreApplication::processEvents();
    QCOMPARE(Lines(form_->Memo2).value(1), listingLine);
    if (accepted && !files.isEmpty() && files.first().endsWith(QStringLiteral(".inc"))) {
        // Read into the listing box; the browser stays where it was.
        QCOMPARE(form_->DirectoryListBox1->Directory(), QDir::cleanPath(dir_->path()));
    } else if (accepted && !files.isEmpty()) {
        // Opened as the program's argument opens a file: its folder shown,
        // the file chosen.
        QCOMPARE(form_->DirectoryListBox1->Directory(), dir_->filePath(QStringLiteral("drop")));
        QCOMPARE(form_->FileListBox1->FileName(),
                 dir_->filePath(QStringLiteral("drop/dropped.MID")));
    } else if (accepted) {
        QVERIFY(form_->Memo2->toPlainText().contains(text));
    } else {
        QCOMPARE(form_->Memo2->toPlainText(), before);
        QVERIFY(!form_->Memo2->toPlainText().contains(QStringLiteral("file://")));
    }
    QVERIFY(boxes_.empty());
}

void DesktopHabitsTest::droppedFileAsksAboutAnEditedListingFirst() {
    OpenSong();
    Edit();
    const QString shown = form_->Memo2->toPlainText();
    const QString other = dir_->filePath(QStringLiteral("drop/other.mid"));
    QDir(dir_->path()).mkpath(QStringLiteral("drop"));
    WriteFile(other, tonvell::test::SongFile());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(other)});

    // Cancel: nothing moves, not even the browser.
    bool taken = false;
    QVERIFY(Drop(form_->Memo2->viewport(), &data, &taken));
    QCOMPARE(boxes_.size(), std::size_t{1});
    QCOMPARE(boxes_[0].text, tonvell::app::ListingEditedQuestion());
    QCOMPARE(form_->Memo2->toPlainText(), shown);
    QCOMPARE(form_->DirectoryListBox1->Directory(), QDir::cleanPath(dir_->path()));
    QCOMPARE(form_->FileListBox1->FileName(), dir_->filePath(QStringLiteral("song.mid")));

    // Discard: asked once, and the dropped file opens.
    boxes_.clear();
    form_->SetMessageBoxes(
        std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_, QMessageBox::Discard));
    QVERIFY(Drop(form_->Memo2->viewport(), &data, &taken));
    QCOMPARE(boxes_.size(), std::size_t{1});
    QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; other.mid"));
    QCOMPARE(form_->FileListBox1->FileName(), other);
}

void DesktopHabitsTest::helpAndSaveKeys() {
    OpenSong();
    tonvell::app::SaveDialogState seen;
    form_->SetSaveDialogRunner(std::make_unique<tonvell::test::ScriptedSaveDialog>(
        tonvell::test::ScriptedSaveDialog::Answer{false, {}, 1}, seen));
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    // From the listing box, where the user works.
    QTest::keyClick(form_->Memo2, Qt::Key_F1);
    QCOMPARE(boxes_.size(), std::size_t{1});
    QCOMPARE(boxes_[0].text.split(QStringLiteral("\n")).value(0), QStringLiteral("Tonvell v0.11"));
    QTest::keyClick(form_->Memo2, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(seen.FileName, QStringLiteral("song"));
    // The captions keep their text.
    QCOMPARE(form_->Button7->text(), QStringLiteral("?"));
    QCOMPARE(form_->Button3->text(), QStringLiteral("Сохранить..."));
}

void DesktopHabitsTest::disabledCaptionsAreReadable_data() {
    QTest::addColumn<QColor>("window");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("disabled");
    QTest::newRow("light, grey #BEBEBE")
        << QColor(0xEF, 0xEF, 0xEF) << QColor(Qt::black) << QColor(0xBE, 0xBE, 0xBE);
    QTest::newRow("dark") << QColor(0x2A, 0x2A, 0x2A) << QColor(0xE6, 0xE6, 0xE6)
                          << QColor(0x55, 0x55, 0x55);
    QTest::newRow("already readable")
        << QColor(Qt::white) << QColor(Qt::black) << QColor(0x55, 0x55, 0x55);
    QTest::newRow("faint own text")
        << QColor(0x80, 0x80, 0x80) << QColor(0x90, 0x90, 0x90) << QColor(0x88, 0x88, 0x88);
}

void DesktopHabitsTest::disabledCaptionsAreReadable() {
    QFETCH(QColor, window);
    QFETCH(QColor, text);
    QFETCH(QColor, disabled);
    QPalette palette;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::Button, window);
        palette.setColor(group, QPalette::Base, window);
        for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
            palette.setColor(group, role, group == QPalette::Disabled ? disabled : text);
        }
    }
    QVERIFY(tonvell::app::ContrastRatio(QColor(0xBE, 0xBE, 0xBE), QColor(0xEF, 0xEF, 0xEF)) < 1.7);

    form_->setPalette(tonvell::app::WithReadableDisabledText(palette));
    for (QLabel* label : {form_->Label1, form_->Label15, form_->Label2}) {
        QVERIFY(!label->isEnabled());
        const QPalette shown = label->palette();
        // As drawn on the screen: 8 bits a channel.
        const QColor grey(shown.color(QPalette::Disabled, QPalette::WindowText).rgb());
        QVERIFY2(tonvell::app::ContrastRatio(
                     grey, shown.color(QPalette::Disabled, QPalette::Window)) >= 4.5,
                 qPrintable(grey.name()));
        // Still told apart from enabled text where the palette leaves room.
        if (tonvell::app::ContrastRatio(text, window) > 6) {
            QVERIFY2(grey != text, qPrintable(grey.name()));
        }
    }
    const QColor stop(
        form_->Button5->palette().color(QPalette::Disabled, QPalette::ButtonText).rgb());
    QVERIFY(tonvell::app::ContrastRatio(stop, window) >= 4.5);
    // A grey that already read well is left as it was.
    if (tonvell::app::ContrastRatio(disabled, window) >= 4.5) {
        QCOMPARE(form_->Label2->palette().color(QPalette::Disabled, QPalette::WindowText).rgb(),
                 disabled.rgb());
    }
}

void DesktopHabitsTest::windowStaysReachableOnSmallScreens_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QRect>("expected");
    const int titleBar = 20;
    QTest::newRow("1920 x 1040, scale 1")
        << QRect(0, 0, 1920, 1040) << QRect((1920 - 1037) / 2, (1040 - 349) / 2, 1037, 349);
    QTest::newRow("1600 x 900 at scale 2: 800 x 450")
        << QRect(0, 0, 800, 450) << QRect(0, 50, 1037, 349);
    QTest::newRow("second screen right of the first")
        << QRect(1920, 0, 800, 600) << QRect(1920, 125, 1037, 349);
    QTest::newRow("panel on top, short screen")
        << QRect(0, 30, 1024, 360) << QRect(0, 30 + titleBar, 1037, 349);
}

void DesktopHabitsTest::windowStaysReachableOnSmallScreens() {
    QFETCH(QRect, area);
    QFETCH(QRect, expected);
    const QRect place = tonvell::app::PlaceOnScreen(QSize(1037, 349), area, 20);
    QCOMPARE(place, expected);
    QVERIFY(place.left() >= area.left());
    QVERIFY(place.top() - 20 >= area.top());
}

void DesktopHabitsTest::wholeNamesShowAsTooltips_data() {
    // Both longer than the list is wide.
    QTest::addColumn<QString>("name");
    QTest::newRow("long name") << QStringLiteral(
        "Концерт для фортепиано с оркестром номер два, часть третья.mid");
    QTest::newRow("name that looks like markup")
        << QStringLiteral("<h1><font color=red>HUGE<br>two lines &amp; more.mid");
}

// A name shows in its tooltip exactly as it is: not cut, and never read as
// markup, whatever it holds.
void DesktopHabitsTest::wholeNamesShowAsTooltips() {
    QFETCH(QString, name);
    OpenSong(name);
    auto* item = form_->FileListBox1->currentItem();
    QVERIFY(item);
    QCOMPARE(ShownTooltip(item->toolTip()), name);
    QVERIFY(form_->FileListBox1->fontMetrics().horizontalAdvance(name) >
            form_->FileListBox1->viewport()->width());
    QCOMPARE(ShownTooltip(form_->Edit1->toolTip()), name);
    QCOMPARE(ShownTooltip(form_->DriveComboBox1->toolTip()), form_->DriveComboBox1->currentText());
    const auto* folder = form_->DirectoryListBox1->currentItem();
    QVERIFY(folder);
    QCOMPARE(ShownTooltip(folder->toolTip(0)), folder->data(0, Qt::UserRole).toString());
}

void DesktopHabitsTest::userFoldersHeadTheDriveList_data() {
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("music");
    QTest::addColumn<QStringList>("expected");
    // Folders are made under the test's folder; "@" stands for it.
    QTest::newRow("home and music") << "@/home"
                                    << "@/home/Music" << QStringList{"@/home", "@/home/Music", "/"};
    QTest::newRow("no music folder") << "@/home"
                                     << "@/home/Missing" << QStringList{"@/home", "/"};
    QTest::newRow("music is home") << "@/home"
                                   << "@/home" << QStringList{"@/home", "/"};
    QTest::newRow("home is the root") << "/"
                                      << "" << QStringList{"/"};
}

void DesktopHabitsTest::userFoldersHeadTheDriveList() {
    QFETCH(QString, home);
    QFETCH(QString, music);
    QFETCH(QStringList, expected);
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("home/Music")));
    const QString root = QDir::cleanPath(dir_->path());
    home.replace(QLatin1Char('@'), root);
    music.replace(QLatin1Char('@'), root);
    expected.replaceInStrings(QStringLiteral("@"), root);
    QCOMPARE(tonvell::app::WithUserFolders({QStringLiteral("/")}, home, music), expected);
    // The window's list starts with the user's home folder.
    QVERIFY(tonvell::test::HomeHeadsTheDriveList(*form_->DriveComboBox1));
}

void DesktopHabitsTest::fileThatIsNotMidiSaysSo_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("says");
    QTest::newRow("text") << NotMidiBytes() << true;
    QTest::newRow("three bytes of a header") << QByteArray("MTh") << true;
    QTest::newRow("MIDI") << tonvell::test::SongFile() << false;
}

void DesktopHabitsTest::fileThatIsNotMidiSaysSo() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, says);
    WriteFile(dir_->filePath(QStringLiteral("x.mid")), bytes);
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("x.mid")));
    const bool first = !boxes_.empty() && boxes_[0].text.contains(QStringLiteral("MThd")) &&
                       boxes_[0].text.contains(QStringLiteral("not a MIDI file"));
    QCOMPARE(first, says);
    // The input report is written as for any file.
    QVERIFY(Lines(form_->Memo4).value(0).startsWith(QStringLiteral("Всего: ")));
}

void DesktopHabitsTest::recoveryFilesNeverReplaceAFile() {
    const QString folder = dir_->path();
    WriteFile(dir_->filePath(QStringLiteral("song.recovered.txt")), "old");
    const QString kept =
        tonvell::app::WriteRecoveredListing(folder, QStringLiteral("/music/song.mid"), "new");
    QCOMPARE(QFileInfo(kept).fileName(), QStringLiteral("song.recovered-2.txt"));
    QCOMPARE(tonvell::test::ReadFile(dir_->filePath(QStringLiteral("song.recovered.txt"))),
             QByteArray("old"));
    QCOMPARE(tonvell::test::ReadFile(kept), QByteArray("new"));
    // A link at the name is no free name either.
    QVERIFY(QFile::link(dir_->filePath(QStringLiteral("elsewhere")),
                        dir_->filePath(QStringLiteral("listing.recovered.txt"))));
    const QString unnamed = tonvell::app::WriteRecoveredListing(folder, QString(), "text");
    QCOMPARE(QFileInfo(unnamed).fileName(), QStringLiteral("listing.recovered-2.txt"));
    QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("elsewhere"))));
    // Each is announced once.
    QCOMPARE(tonvell::app::TakeRecoveryNotices(folder), (QStringList{kept, unnamed}));
    QCOMPARE(tonvell::app::TakeRecoveryNotices(folder), QStringList());
}

void DesktopHabitsTest::recoveryNoticeListPlantedByOthers_data() {
    QTest::addColumn<QString>("planted");
    QTest::newRow("link to a file") << "link";
    QTest::newRow("named pipe") << "pipe";
    QTest::newRow("another user's list") << "file";
}

// What stands at the notice list's name when the window keeps a listing is
// neither followed, nor waited on, nor written unless it is the user's own
// regular file; the listing is kept all the same. As the superuser, the
// link and pipe are another user's, as one planted in a shared folder is.
void DesktopHabitsTest::recoveryNoticeListPlantedByOthers() {
    QFETCH(QString, planted);
    const auto nobody = tonvell_test::OtherUserForTests();
    if (planted == QLatin1String("file") && !nobody) {
        QSKIP("a file of another user needs the superuser");
    }
    const QString folder = dir_->path();
    const QString list = dir_->filePath(QStringLiteral(".tonvell-recovered"));
    const QString victim = dir_->filePath(QStringLiteral("victim"));
    WriteFile(victim, "old");
    WriteFile(dir_->filePath(QStringLiteral("earlier.recovered.txt")), "kept earlier");
    if (planted == QLatin1String("link")) {
        QVERIFY(QFile::link(victim, list));
    } else if (planted == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(list).constData(), 0666), 0);
    } else {
        WriteFile(list, "earlier.recovered.txt\n");
    }
    if (nobody) {
        QVERIFY(tonvell_test::GiveTo(QFile::encodeName(list).toStdString(), *nobody));
    }
    const QString kept = tonvell::app::WriteRecoveredListing(
        folder, QStringLiteral("/music/x$(id>pwned).mid"), "new");
    QCOMPARE(tonvell::test::ReadFile(kept), QByteArray("new"));
    QCOMPARE(tonvell::test::ReadFile(victim), QByteArray("old"));
    if (planted == QLatin1String("file")) {
        QCOMPARE(tonvell::test::ReadFile(list), QByteArray("earlier.recovered.txt\n"));
    }
    // Nothing another user wrote is announced.
    QCOMPARE(tonvell::app::TakeRecoveryNotices(folder), QStringList());
}

// A list of the user's own that names files this program did not write for
// the user (as a list planted before the start would) announces none of
// them; lists of earlier versions held whole paths.
void DesktopHabitsTest::recoveryNoticesNameOnlyRecoveredFiles() {
    const QDir dir(dir_->path());
    WriteFile(dir.filePath(QStringLiteral("please-open-me.sh")), "echo");
    WriteFile(dir.filePath(QStringLiteral("good.recovered.txt")), "listing");
    WriteFile(dir.filePath(QStringLiteral("old.recovered-2.txt")), "listing");
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("please-open-me.sh")),
                        dir.filePath(QStringLiteral("link.recovered.txt"))));
    QCOMPARE(
        ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.recovered.txt"))).constData(),
                 0666),
        0);
    QVERIFY(dir.mkdir(QStringLiteral("folder.recovered.txt")));
    QByteArray list =
        "/etc/hostname\nplease-open-me.sh\n../x.recovered.txt\nlink.recovered.txt\n"
        "pipe.recovered.txt\nfolder.recovered.txt\nmissing.recovered.txt\n"
        "good.recovered.txt\n\x1b[2Jgood.recovered.txt\n" +
        QFile::encodeName(dir.filePath(QStringLiteral("old.recovered-2.txt"))) + "\n";
    if (const auto nobody = tonvell_test::OtherUserForTests()) {
        const QString theirs = dir.filePath(QStringLiteral("theirs.recovered.txt"));
        WriteFile(theirs, "not the user's");
        QVERIFY(tonvell_test::GiveTo(QFile::encodeName(theirs).toStdString(), *nobody));
        list += "theirs.recovered.txt\n";
    }
    WriteFile(dir.filePath(QStringLiteral(".tonvell-recovered")), list);
    QCOMPARE(tonvell::app::TakeRecoveryNotices(dir.path()),
             (QStringList{dir.filePath(QStringLiteral("good.recovered.txt")),
                          dir.filePath(QStringLiteral("old.recovered-2.txt"))}));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral(".tonvell-recovered"))));
}

// A MIDI file's name may hold line breaks and other control characters; the
// recovery file's name does not, so no line of the list or the notice is
// made of part of a name.
void DesktopHabitsTest::recoveryFileNameHoldsNoLineBreak() {
    const QString source = QStringLiteral("/music/a\nb\rc\x1b[2J\u2028d\u0085e.mid");
    const QString kept = tonvell::app::WriteRecoveredListing(dir_->path(), source, "new");
    QCOMPARE(QFileInfo(kept).fileName(), QStringLiteral("a_b_c_[2J_d_e.recovered.txt"));
    const QStringList files = tonvell::app::TakeRecoveryNotices(dir_->path());
    QCOMPARE(files, QStringList{kept});
    QCOMPARE(tonvell::app::RecoveryNoticeText(files).count(QLatin1Char('\n')), 1);
}

void DesktopHabitsTest::recoveryFileOfALongName_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("245 bytes") << QString(241, QLatin1Char('n')) + QStringLiteral(".mid");
    QTest::newRow("255 bytes, two-byte letters")
        << QString(125, QChar(0x0436)) + QStringLiteral("a.mid");
    QTest::newRow("255 bytes, four-byte characters")
        << QStringLiteral("ab").repeated(1) + QString::fromUcs4(U"\U0001D11E").repeated(62) +
               QStringLiteral("x.mid");
}

// A name near the longest a folder takes still gets its recovery file: the
// name loses its last whole characters, never part of one.
void DesktopHabitsTest::recoveryFileOfALongName() {
    QFETCH(QString, name);
    QVERIFY(QFile::encodeName(name).size() >= 245 && QFile::encodeName(name).size() <= 255);
    const QString source = dir_->filePath(name);
    for (const QByteArray& text : {QByteArray("first"), QByteArray("second")}) {
        const QString kept = tonvell::app::WriteRecoveredListing(dir_->path(), source, text);
        QVERIFY(!kept.isEmpty());
        QCOMPARE(tonvell::test::ReadFile(kept), text);
        const QByteArray bytes = QFile::encodeName(QFileInfo(kept).fileName());
        QVERIFY(bytes.size() <= 255);
        QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
        QVERIFY(!QString::fromUtf8(bytes).contains(QChar::ReplacementCharacter));
        QVERIFY(name.startsWith(
            QFileInfo(kept).fileName().section(QStringLiteral(".recovered"), 0, 0)));
    }
    QCOMPARE(tonvell::app::TakeRecoveryNotices(dir_->path()).size(), 2);
}

void DesktopHabitsTest::signalKeepsTheEditedListingForTheNextStart() {
    OpenSong();
    Edit();
    // Text the listing's 8-bit encoding lacks is kept too.
    form_->Memo2->insertPlainText(QStringLiteral(" Привет ♪"));
    const QString shown = form_->Memo2->toPlainText();
    tonvell::app::CloseOnTerminationSignals(form_.get());
    ::raise(SIGTERM);
    QTRY_VERIFY_WITH_TIMEOUT(!form_->isVisible(), 5000);
    // Nobody was asked; the settings were written as on every close.
    QVERIFY(boxes_.empty());
    QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("Cfg.ini"))));
    const QString kept = dir_->filePath(QStringLiteral("song.recovered.txt"));
    QCOMPARE(QString::fromUtf8(tonvell::test::ReadFile(kept)), shown);

    // The next start in the same folder names the file, once.
    form_.reset();
    Start();
    QTRY_VERIFY_WITH_TIMEOUT(!boxes_.empty(), 5000);
    QCOMPARE(boxes_.size(), std::size_t{1});
    QVERIFY(boxes_[0].text.contains(kept));
    form_.reset();
    boxes_.clear();
    Start();
    QCoreApplication::processEvents();
    QVERIFY(boxes_.empty());
}

QTEST_MAIN(DesktopHabitsTest)
#include "desktop_habits_test.moc"
