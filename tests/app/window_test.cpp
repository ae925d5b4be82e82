// SPDX-License-Identifier: MIT
// The window driven as a user drives it, on the offscreen platform: layout
// and captions, the browser, conversion by mouse, keys and button, the text
// boxes, copy-all, help, message boxes and errors that escape a handler.

#include <sys/stat.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <map>
#include <memory>
#include <stdexcept>

#include "app/app_support.h"
#include "app/folder_model.h"
#include "app/group_box.h"
#include "app/listing_guard.h"
#include "app/tform1.h"
#include "app/tonvell_application.h"
#include "playback/player_thread.h"
#include "test_support.h"

using tonvell::app::ApplicationTitle;
using tonvell::test::ShownBox;

namespace {

const QString kSongListing = QStringLiteral(
    "; \n; %1\n; \nDWL 8 ;size in bytes\n; \nDB 0Eh, 87h\nDB 51h, E0h\nDB 9Fh ;delay\n"
    "DB 51h, 80h\nDB 00h ;end of block\n");

// The box's lines as the user sees them (a block of the listing box holds
// many lines).
QStringList Lines(const QPlainTextEdit* memo) {
    return memo->toPlainText().split(QLatin1Char('\n'));
}

QStringList Lines(const tonvell::app::EventLogView* view) {
    QStringList lines;
    for (int i = 0; i < view->LineCount(); ++i) {
        lines << view->Line(i);
    }
    return lines;
}

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->item(i)->text();
    }
    return items;
}

// Throws from inside the handling of an event, as a faulty handler would.
class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("Ошибка в обработчике");
        }
        return QObject::event(e);
    }
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void windowOpensAtItsDesignAndGrows();
    void growingGivesTheListingMostRoom();
    void smallWindowScrollsToEveryControl();
    void controlsSitAtTheirPlaces_data();
    void controlsSitAtTheirPlaces();
    void designState();
    void fontIsNarrowAndCoversCyrillic();
    void captionsFitTheirControls();
    void reportLinesFitTheirBoxes_data();
    void reportLinesFitTheirBoxes();
    void hiddenControlsNeverAppear();
    void tabVisitsTheControlsInTheirOrder();

    void fileListShowsMidFilesByName();
    void folderListOpensByDoubleClickAndEnter();
    void choosingADriveShowsItsTopFolder();
    void unreadableFolderShowsEmptyLists();
    void choosingByMouseConverts();
    void arrowKeysConvertEachFile();
    void button2WithSelectionConvertsAgain();
    void button2WithoutSelection();
    void refusedAndAcceptedSizes_data();
    void refusedAndAcceptedSizes();
    void refusedFileLeavesNothingToSaveOrPlay_data();
    void refusedFileLeavesNothingToSaveOrPlay();
    void progressLineIsEmptyWhenNoEventIsRead();
    void filesThatAreNoRegularFilesAreNotOpened_data();
    void filesThatAreNoRegularFilesAreNotOpened();
    void editedListingAsksBeforeItIsReplaced_data();
    void editedListingAsksBeforeItIsReplaced();
    void convertingTheSameFileAgainAsksSo();
    void conversionMessagesAreBoxes();
    void floodOfMessagesShowsEachTextOnce();
    void openFileChoosesAndConverts();

    void listingBoxStartsAfreshOnEachConversion();
    void copyAllCopiesTheEditedListing();
    void helpShowsTheTwentySixLines();
    void errorEscapingAHandlerIsShownAndTheWindowGoesOn();
    void channelMapHandlers();

private:
    void OpenSongs();

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    std::vector<ShownBox> boxes_;
};

void WindowTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    boxes_.clear();
    form_ = std::make_unique<TForm1>();
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void WindowTest::cleanup() {
    form_.reset();
    dir_.reset();
}

// A folder with three MIDI files in mixed case, other files and a subfolder.
void WindowTest::OpenSongs() {
    using tonvell::test::WriteFile;
    WriteFile(dir_->filePath(QStringLiteral("b.mid")), tonvell::test::SongFile());
    WriteFile(dir_->filePath(QStringLiteral("A.MID")), tonvell::test::SongFile());
    WriteFile(dir_->filePath(QStringLiteral("c.Mid")), tonvell::test::SongFile());
    WriteFile(dir_->filePath(QStringLiteral("notes.txt")), "text");
    WriteFile(dir_->filePath(QStringLiteral("d.midi")), tonvell::test::SongFile());
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("sub")));
    form_->DirectoryListBox1->SetDirectory(dir_->path());
}

void WindowTest::windowOpensAtItsDesignAndGrows() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("MIDI-to-ZUM converter"));
    QCOMPARE(form_->minimumSize(), QSize(TForm1::kMinimumWidth, TForm1::kMinimumHeight));
    const Qt::WindowFlags flags = form_->windowFlags();
    QVERIFY(flags & Qt::WindowMaximizeButtonHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    // The offscreen platform's screen is 800 pixels wide: the window opens
    // as wide as the screen, at its left edge, with the design height and
    // room for the scroll bar that reaches the rest.
    const QRect screen = form_->screen()->availableGeometry();
    QVERIFY(screen.width() < 1037);
    QCOMPARE(form_->width(), screen.width());
    QVERIFY(form_->height() > 349);
    QVERIFY(form_->geometry().left() >= screen.left());
    QVERIFY(form_->geometry().left() <= screen.left() + 3);
    const auto* vertical = form_->findChild<QScrollBar*>(QStringLiteral("WindowVerticalScrollBar"));
    QVERIFY(vertical && !vertical->isVisible());

    form_->resize(1300, 700);
    QCoreApplication::processEvents();
    QCOMPARE(form_->size(), QSize(1300, 700));
}

void WindowTest::controlsSitAtTheirPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("rect");
    const auto row = [](const char* name, const char* parent, int x, int y, int w, int h) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent)
                            << QRect(x, y, w, h);
    };
    row("DriveComboBox1", "Form1", 16, 16, 149, 19);
    row("DirectoryListBox1", "Form1", 16, 48, 149, 297);
    row("Edit1", "Form1", 168, 16, 209, 21);
    row("FileListBox1", "Form1", 168, 48, 209, 297);
    row("GroupBox2", "Form1", 387, 4, 153, 59);
    row("Memo4", "GroupBox2", 8, 16, 140, 41);
    row("Memo1", "Form1", 388, 72, 153, 249);
    row("Button2", "Form1", 552, 12, 89, 49);
    for (int k = 1; k <= 9; ++k) {
        const QByteArray name = "Label" + QByteArray::number(k + 2);
        row(name.constData(), "Form1", 536, 90 + 24 * (k - 1), 40, 13);
    }
    row("Label12", "Form1", 536, 306, 43, 13);
    row("Label13", "Form1", 570, 72, 48, 13);
    row("Label14", "Form1", 630, 72, 20, 13);
    for (int k = 1; k <= 10; ++k) {
        const QByteArray combo = "ComboBox" + QByteArray::number(k);
        row(combo.constData(), "Form1", 584, 88 + 24 * (k - 1), 41, 21);
        const QByteArray check = "CheckBox" + QByteArray::number(k);
        row(check.constData(), "Form1", 632, 90 + 24 * (k - 1), 17, 17);
    }
    row("GroupBox1", "Form1", 656, 4, 165, 59);
    row("Memo3", "GroupBox1", 8, 16, 153, 41);
    row("Memo2", "Form1", 656, 72, 153, 249);
    row("Button1", "Form1", 656, 328, 73, 17);
    row("Button3", "Form1", 735, 328, 73, 17);
    row("GroupBox3", "Form1", 824, 96, 209, 129);
    row("Label1", "GroupBox3", 8, 16, 193, 13);
    row("ComboBox11", "GroupBox3", 8, 32, 193, 21);
    row("Label15", "GroupBox3", 8, 54, 64, 13);
    row("ComboBox12", "GroupBox3", 8, 68, 193, 21);
    row("Button6", "GroupBox3", 8, 92, 25, 17);
    row("Button4", "GroupBox3", 48, 92, 73, 17);
    row("Button5", "GroupBox3", 128, 92, 73, 17);
    row("Label2", "GroupBox3", 8, 112, 81, 13);
    row("Memo5", "Form1", 916, 8, 45, 37);
    row("Button7", "Form1", 972, 4, 61, 41);
    row("Button8", "Form1", 952, 264, 57, 49);
}

void WindowTest::controlsSitAtTheirPlaces() {
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, rect);
    auto* control = form_->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->geometry(), rect);
}

// Made larger, the window gives half its extra width to the listing and a
// quarter each to the file list and the event log, its extra height to the
// lists and text boxes; the reports, the player and help keep their size,
// nothing overlaps, and the player stays at the right edge.
void WindowTest::growingGivesTheListingMostRoom() {
    TForm1& f = *form_;
    // Every placed control: those of the window and of its groups.
    QList<QWidget*> placed;
    for (QWidget* parent :
         std::initializer_list<QWidget*>{&f, f.GroupBox1, f.GroupBox2, f.GroupBox3}) {
        for (QWidget* control : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<QScrollBar*>(control) == nullptr) {
                placed << control;
            }
        }
    }
    std::map<const QWidget*, QRect> before;
    for (QWidget* control : placed) {
        before[control] = control->geometry();
    }
    f.resize(1037 + 400, 349 + 200);
    QCoreApplication::processEvents();
    const auto grew = [&before](QWidget* control) {
        const QRect was = before.at(control);
        return QSize(control->width() - was.width(), control->height() - was.height());
    };
    QCOMPARE(grew(f.Memo2), QSize(200, 200));
    QCOMPARE(grew(f.Memo1), QSize(100, 200));
    QCOMPARE(grew(f.FileListBox1), QSize(100, 200));
    QCOMPARE(grew(f.DirectoryListBox1), QSize(0, 200));
    for (QWidget* fixed :
         std::initializer_list<QWidget*>{f.GroupBox1, f.GroupBox2, f.GroupBox3, f.Button1,
                                         f.Button2, f.Button3, f.Button7, f.Memo3, f.Memo4}) {
        QCOMPARE(grew(fixed), QSize(0, 0));
    }
    QCOMPARE(f.width() - f.GroupBox3->geometry().right(), 1037 - (824 + 209 - 1));
    QCOMPARE(f.width() - f.Button7->geometry().right(), 1037 - (972 + 61 - 1));
    QCOMPARE(f.height() - f.Button3->geometry().bottom(), 349 - (328 + 17 - 1));
    QCOMPARE(f.Button1->x(), f.Memo2->x());
    QCOMPARE(f.GroupBox1->x(), f.Memo2->x());
    QCOMPARE(f.GroupBox2->x(), f.Memo1->x() - 1);
    const QList<QWidget*> columns = {f.DirectoryListBox1, f.FileListBox1, f.Memo1, f.Memo2,
                                     f.GroupBox3};
    for (qsizetype i = 0; i + 1 < columns.size(); ++i) {
        QVERIFY2(columns[i]->geometry().right() < columns[i + 1]->x(),
                 qPrintable(columns[i]->objectName()));
    }
    QVERIFY(f.Button2->geometry().right() < f.GroupBox1->x());
    QVERIFY(f.Button2->x() > f.GroupBox2->geometry().right());

    // Back at the design size, every control is at its design place again.
    f.resize(1037, 349);
    QCoreApplication::processEvents();
    for (QWidget* control : placed) {
        QCOMPARE(control->geometry(), before.at(control));
    }
}

// Smaller than the design size, the window keeps the design layout and
// scrolls it: every control can be brought into view, by the scroll bars or
// by moving the focus to it.
void WindowTest::smallWindowScrollsToEveryControl() {
    TForm1& f = *form_;
    f.resize(600, 300);
    QCoreApplication::processEvents();
    const auto* horizontal = f.findChild<QScrollBar*>(QStringLiteral("WindowHorizontalScrollBar"));
    const auto* vertical = f.findChild<QScrollBar*>(QStringLiteral("WindowVerticalScrollBar"));
    QVERIFY(horizontal && vertical);
    QVERIFY(horizontal->isVisible() && vertical->isVisible());
    const QRect view(0, 0, vertical->x(), horizontal->y());
    QCOMPARE(horizontal->maximum(), 1037 - view.width());
    QCOMPARE(vertical->maximum(), 349 - view.height());
    // Design places, scrolled.
    QCOMPARE(f.Memo2->geometry(), QRect(656, 72, 153, 249));
    f.Button5->setEnabled(true);
    f.Button5->setFocus();
    QCoreApplication::processEvents();
    const QRect stop(f.Button5->mapTo(&f, QPoint(0, 0)), f.Button5->size());
    QVERIFY2(view.contains(stop), qPrintable(QStringLiteral("%1,%2").arg(stop.x()).arg(stop.y())));
    QCOMPARE(f.GroupBox3->pos(), QPoint(824, 96) - QPoint(horizontal->value(), vertical->value()));
    f.Button6->setFocus();
    f.DriveComboBox1->setFocus();
    QCoreApplication::processEvents();
    QCOMPARE(f.DriveComboBox1->pos(), QPoint(16, 16));

    // Large enough again: no scroll bars, design places.
    f.resize(1037, 349);
    QCoreApplication::processEvents();
    QVERIFY(!horizontal->isVisible() && !vertical->isVisible());
    QCOMPARE(f.GroupBox3->geometry(), QRect(824, 96, 209, 129));
}

void WindowTest::designState() {
    QCOMPARE(form_->findChildren<QGroupBox*>().size(), 3);
    TForm1& f = *form_;
    QCOMPARE(f.Edit1->text(), QStringLiteral("*.mid"));
    QVERIFY(!f.Edit1->isEnabled());
    QCOMPARE(Lines(f.Memo4), QStringList({"Нет данных"}));
    QCOMPARE(Lines(f.Memo1), QStringList({"Файл не загружен"}));
    QCOMPARE(Lines(f.Memo3), QStringList({"Нет данных", "", ""}));
    QCOMPARE(Lines(f.Memo2), QStringList({""}));
    QVERIFY(f.Memo3->isReadOnly() && f.Memo4->isReadOnly());
    QVERIFY(!f.Memo2->isReadOnly());
    QCOMPARE(f.Memo2->lineWrapMode(), QPlainTextEdit::NoWrap);
    // The event log is a view with no way to edit it: typing changes nothing.
    QTest::keyClicks(f.Memo1, QStringLiteral("x\b"));
    QCOMPARE(Lines(f.Memo1), QStringList({"Файл не загружен"}));
    for (QAbstractScrollArea* memo :
         std::initializer_list<QAbstractScrollArea*>{f.Memo1, f.Memo2}) {
        QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
    for (QPlainTextEdit* memo : {f.Memo3, f.Memo4}) {
        QCOMPARE(memo->frameShape(), QFrame::NoFrame);
        QCOMPARE(memo->palette().color(QPalette::Base),
                 memo->parentWidget()->palette().color(QPalette::Window));
    }
    QCOMPARE(f.GroupBox2->title(), QStringLiteral("Входной файл:"));
    QCOMPARE(f.GroupBox1->title(), QStringLiteral("Выходной файл:"));
    QCOMPARE(f.GroupBox3->title(), QStringLiteral("Проигрыватель"));
    QCOMPARE(f.Button2->text(), QStringLiteral("Обработать! -->"));
    QCOMPARE(f.Button1->text(), QStringLiteral("Копир.всё"));
    QCOMPARE(f.Button3->text(), QStringLiteral("Сохранить..."));
    QCOMPARE(f.Button6->text(), QStringLiteral("| <--"));
    QCOMPARE(f.Button4->text(), QStringLiteral("Play"));
    QCOMPARE(f.Button5->text(), QStringLiteral("Stop"));
    QCOMPARE(f.Button7->text(), QStringLiteral("?"));
    QCOMPARE(f.Button8->text(), QStringLiteral("Button8"));
    // Nothing to save or play before there is a listing.
    QVERIFY(!f.Button4->isEnabled() && !f.Button5->isEnabled() && f.Button6->isEnabled());
    QVERIFY(!f.Button3->isEnabled() && f.Button1->isEnabled());
    QCOMPARE(f.Label1->text(), QStringLiteral("Выбор устройства для проигрывания"));
    QCOMPARE(f.Label15->text(), QStringLiteral("Инструмент:"));
    QCOMPARE(f.Label2->text(), QStringLiteral("Line:"));
    QVERIFY(!f.Label1->isEnabled() && !f.Label15->isEnabled() && !f.Label2->isEnabled());
    QCOMPARE(f.ChannelLabels[9]->text(), QStringLiteral("Канал10"));
    QCOMPARE(f.ChannelLabels[0]->text(), QStringLiteral("Канал 1"));
    QCOMPARE(f.ChannelLabels[8]->text(), QStringLiteral("Канал 9"));
    QCOMPARE(f.Label13->text(), QStringLiteral("Oscillators"));
    QCOMPARE(f.Label14->text(), QStringLiteral("Trim"));
    QVERIFY(f.Label13->alignment() & Qt::AlignRight);

    QVERIFY(f.ComboBox11->isEditable());
    QCOMPARE(f.ComboBox11->currentText(), QStringLiteral("none"));
    QCOMPARE(f.ComboBox11->itemText(0), QStringLiteral("none"));
    QVERIFY(f.ComboBox12->isEditable());
    QStringList instruments;
    for (int i = 0; i < f.ComboBox12->count(); ++i) {
        instruments << f.ComboBox12->itemText(i);
    }
    QCOMPARE(instruments, QStringList({"00 Piano", "10 Music Box", "16 Organ", "21 Accordion",
                                       "73 Flute", "80 Square Lead", ""}));
    QCOMPARE(f.ComboBox12->currentText(), QStringLiteral("73 Flute"));
    // "none" is chosen, so there is no instrument to choose.
    QVERIFY(!f.ComboBox12->isEnabled());
    f.ComboBox11->setEditText(QStringLiteral("Synth"));
    QVERIFY(f.ComboBox12->isEnabled());
    f.ComboBox11->setEditText(QStringLiteral("COM3"));
    QVERIFY(!f.ComboBox12->isEnabled());

    QCOMPARE(f.Timer1->interval(), 10);
    QVERIFY(!f.Timer1->isActive());
    QCOMPARE(f.SaveDialog1.FilterIndex, 1);
    QCOMPARE(f.SaveDialog1.DefaultExt, QStringLiteral("inc"));
    QCOMPARE(Lines(f.Memo5), tonvell::app::HelpLines());
}

void WindowTest::fontIsNarrowAndCoversCyrillic() {
    const QFont font = form_->Button2->font();
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("DejaVu Sans Condensed"));
    QCOMPARE(font.pointSizeF(), 8.0);
    const QFontMetrics metrics(font);
    for (const QChar c :
         QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя")) {
        QVERIFY2(metrics.inFont(c), qPrintable(QString(c)));
    }
}

void WindowTest::captionsFitTheirControls() {
    QList<QPushButton*> buttons = form_->findChildren<QPushButton*>();
    QVERIFY(buttons.size() >= 8);
    for (QPushButton* button : buttons) {
        if (button->window() != form_.get() || button->objectName().isEmpty()) {
            continue;
        }
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect contents =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QFontMetrics metrics(button->font());
        QVERIFY2(metrics.horizontalAdvance(button->text()) <= contents.width(),
                 qPrintable(button->objectName()));
        QVERIFY2(metrics.height() <= contents.height(), qPrintable(button->objectName()));
    }
    for (QLabel* label : {form_->Label1, form_->Label15, form_->Label2}) {
        const QFontMetrics metrics(label->font());
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->objectName()));
        QVERIFY2(metrics.height() <= label->height(), qPrintable(label->objectName()));
    }
    for (QGroupBox* group : {form_->GroupBox1, form_->GroupBox2, form_->GroupBox3}) {
        auto* framed = qobject_cast<tonvell::app::CaptionedGroupBox*>(group);
        QVERIFY(framed);
        const QRect caption = framed->CaptionRect();
        QVERIFY2(QFontMetrics(group->font()).horizontalAdvance(group->title()) < caption.width(),
                 qPrintable(group->objectName()));
        QVERIFY2(caption.right() < group->width() - 2, qPrintable(group->objectName()));
        // The caption sits on the frame's top line, above every control of
        // the group, and the frame holds them all.
        for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(child->geometry().top() > caption.bottom(), qPrintable(child->objectName()));
            QVERIFY2(framed->FrameRect().adjusted(1, 1, -1, -1).contains(child->geometry()),
                     qPrintable(child->objectName()));
        }
    }
    for (QComboBox* combo : {form_->ComboBox11, form_->ComboBox12}) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = true;
        option.frame = true;
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i) {
            QVERIFY2(
                QFontMetrics(combo->font()).horizontalAdvance(combo->itemText(i)) <= field.width(),
                qPrintable(combo->itemText(i)));
        }
    }
    QVERIFY(QFontMetrics(form_->Edit1->font()).horizontalAdvance(form_->Edit1->text()) <
            form_->Edit1->width() - 8);
}

// The widest lines a conversion writes into the two reports: a 250,000-byte
// input and the counts it can give.
void WindowTest::reportLinesFitTheirBoxes_data() {
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("line");
    QTest::newRow("no data") << "Memo4"
                             << "Нет данных";
    QTest::newRow("largest size") << "Memo4"
                                  << "Всего: 250000 байт";
    QTest::newRow("refusal") << "Memo4"
                             << "Файл слишком большой";
    QTest::newRow("progress") << "Memo4"
                              << "Обработано: 100 %";
    QTest::newRow("not opened") << "Memo4"
                                << "Файл не открыт";
    QTest::newRow("cut short") << "Memo4"
                               << "Неожиданный конец файла";
    QTest::newRow("statistics 0") << "Memo3"
                                  << "Всего: 99999 байт, 9999 нот";
    QTest::newRow("statistics 0, largest") << "Memo3"
                                           << "Всего: 999999 байт, 99999 нот";
    QTest::newRow("statistics 1") << "Memo3"
                                  << "Превыш. полифонии: 99999";
    QTest::newRow("statistics 2") << "Memo3"
                                  << "Выключенных нот: 99999";
}

void WindowTest::reportLinesFitTheirBoxes() {
    QFETCH(QString, memo);
    QFETCH(QString, line);
    tonvell::ConversionResult result;
    result.sizeLine = memo == QLatin1String("Memo4") ? line.toStdString() : "Всего: 1 байт";
    result.statistics = {memo == QLatin1String("Memo3") ? line.toStdString() : "x", "", ""};
    form_->ShowConversion(result);
    auto* box = form_->findChild<QPlainTextEdit*>(memo);
    QCOMPARE(Lines(box).value(0), line);
    const qreal margin = box->document()->documentMargin();
    QVERIFY2(
        QFontMetrics(box->font()).horizontalAdvance(line) + 2 * margin <= box->viewport()->width(),
        qPrintable(QStringLiteral("%1 > %2")
                       .arg(QFontMetrics(box->font()).horizontalAdvance(line))
                       .arg(box->viewport()->width())));
    // Three lines of statistics fit the box's height too.
    QVERIFY(3 * QFontMetrics(box->font()).lineSpacing() + 2 * margin <=
            box->viewport()->height() + 1);
    // The box and its group keep their sizes.
    QCOMPARE(form_->GroupBox1->size(), QSize(165, 59));
    QCOMPARE(form_->GroupBox2->size(), QSize(153, 59));
}

void WindowTest::hiddenControlsNeverAppear() {
    const auto checkHidden = [this] {
        for (QWidget* control : form_->HiddenControls()) {
            QVERIFY2(!control->isVisible(), qPrintable(control->objectName()));
        }
    };
    QCOMPARE(form_->HiddenControls().size(), 34);
    checkHidden();
    OpenSongs();
    form_->FileListBox1->setCurrentRow(0);
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    QTest::mouseClick(form_->Button7, Qt::LeftButton);
    QTest::mouseClick(form_->Button2, Qt::LeftButton);
    form_->hide();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    checkHidden();
}

// Tab walks the controls in one fixed order, the channel map's ten lists
// and boxes paired by channel, hidden ones included.
void WindowTest::tabVisitsTheControlsInTheirOrder() {
    QStringList expected = {"Memo1",          "DirectoryListBox1", "FileListBox1", "Edit1",
                            "DriveComboBox1", "Button2",           "Memo2",        "Button1"};
    for (int k = 1; k <= 10; ++k) {
        expected << QStringLiteral("ComboBox%1").arg(k) << QStringLiteral("CheckBox%1").arg(k);
    }
    expected << QStringList{"Memo3",   "Memo4",      "Button3", "Button4", "Button5", "ComboBox11",
                            "Button6", "ComboBox12", "Button7", "Button8", "Memo5"};
    QStringList visited;
    QWidget* control = form_->Memo1;
    do {
        if (expected.contains(control->objectName()) && !visited.contains(control->objectName())) {
            visited << control->objectName();
        }
        control = control->nextInFocusChain();
    } while (control != form_->Memo1);
    QCOMPARE(visited, expected);
}

void WindowTest::fileListShowsMidFilesByName() {
    OpenSongs();
    QCOMPARE(Items(form_->FileListBox1), QStringList({"A.MID", "b.mid", "c.Mid"}));
    QVERIFY(form_->FileListBox1->selectedItems().isEmpty());
    QCOMPARE(form_->FileListBox1->FileName(), QString());
    QCOMPARE(form_->Edit1->text(), QStringLiteral("*.mid"));
    QVERIFY(boxes_.empty());
    QCOMPARE(Lines(form_->Memo1), QStringList({"Файл не загружен"}));  // nothing converted yet
}

void WindowTest::folderListOpensByDoubleClickAndEnter() {
    OpenSongs();
    tonvell::test::WriteFile(dir_->filePath(QStringLiteral("sub/inner.mid")),
                             tonvell::test::SongFile());
    auto* folders = form_->DirectoryListBox1;
    QCOMPARE(folders->Directory(), QDir::cleanPath(dir_->path()));
    QTreeWidgetItem* current = folders->currentItem();
    QVERIFY(current);
    QCOMPARE(current->data(0, Qt::UserRole).toString(), QDir::cleanPath(dir_->path()));
    QCOMPARE(current->childCount(), 1);
    QTreeWidgetItem* sub = current->child(0);
    QCOMPARE(sub->text(0), QStringLiteral("sub"));

    // A single click only points at the folder; a double click opens it.
    const QRect subRect = folders->visualItemRect(sub);
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, subRect.center());
    QCOMPARE(folders->Directory(), QDir::cleanPath(dir_->path()));
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, subRect.center());
    QCOMPARE(folders->Directory(), QDir::cleanPath(dir_->filePath(QStringLiteral("sub"))));
    QCOMPARE(Items(form_->FileListBox1), QStringList({"inner.mid"}));
    QCOMPARE(form_->Edit1->text(), QStringLiteral("*.mid"));

    // Up to the parent with the keys: the row above the current one, Enter.
    folders->setFocus();
    QTest::keyClick(folders, Qt::Key_Up);
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(folders->Directory(), QDir::cleanPath(dir_->path()));
    QCOMPARE(Items(form_->FileListBox1), QStringList({"A.MID", "b.mid", "c.Mid"}));
    // The top row is the root folder.
    QCOMPARE(folders->topLevelItem(0)->data(0, Qt::UserRole).toString(), QStringLiteral("/"));
}

void WindowTest::choosingADriveShowsItsTopFolder() {
    OpenSongs();
    auto* drives = form_->DriveComboBox1;
    QVERIFY(drives->count() >= 1);
    // The user's home folder first, then the root folder among the drives.
    QVERIFY(tonvell::test::HomeHeadsTheDriveList(*drives));
    QVERIFY(drives->Drives().contains(QStringLiteral("/")));
    QCOMPARE(drives->currentText(), tonvell::app::DriveOf(dir_->path(), drives->Drives()));
    drives->SetDrives({QStringLiteral("/"), QDir::cleanPath(dir_->path())});
    drives->ShowDriveOf(dir_->filePath(QStringLiteral("sub")));
    QCOMPARE(drives->currentText(), QDir::cleanPath(dir_->path()));
    emit drives->activated(0);
    QCOMPARE(form_->DirectoryListBox1->Directory(), QStringLiteral("/"));
    QCOMPARE(drives->currentText(), QStringLiteral("/"));
    emit drives->activated(1);
    QCOMPARE(form_->DirectoryListBox1->Directory(), QDir::cleanPath(dir_->path()));
    QCOMPARE(Items(form_->FileListBox1), QStringList({"A.MID", "b.mid", "c.Mid"}));
}

void WindowTest::unreadableFolderShowsEmptyLists() {
    OpenSongs();
    form_->FileListBox1->setCurrentRow(0);
    const QString gone = dir_->filePath(QStringLiteral("sub"));
    form_->DirectoryListBox1->SetDirectory(gone);
    QVERIFY(QDir(gone).removeRecursively());
    form_->DirectoryListBox1->SetDirectory(gone);
    QCOMPARE(form_->FileListBox1->count(), 0);
    QCOMPARE(form_->DirectoryListBox1->currentItem()->childCount(), 0);
    QCOMPARE(form_->Edit1->text(), QStringLiteral("*.mid"));
    QTest::mouseClick(form_->Button2, Qt::LeftButton);
    QCOMPARE(Lines(form_->Memo4).value(0), QStringLiteral("Файл не открыт"));
}

void WindowTest::choosingByMouseConverts() {
    OpenSongs();
    auto* files = form_->FileListBox1;
    const QRect rect = files->visualItemRect(files->item(1));
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(files->FileName(), QDir(dir_->path()).filePath(QStringLiteral("b.mid")));
    QCOMPARE(form_->Edit1->text(), QStringLiteral("b.mid"));
    QCOMPARE(form_->Memo2->toPlainText(), kSongListing.arg(QStringLiteral("b.mid")));
    QCOMPARE(Lines(form_->Memo4), QStringList({"Всего: 41 байт", "Обработано: 91 %"}));
    QCOMPARE(Lines(form_->Memo3),
             QStringList({"Всего: 8 байт, 1 нот", "Превыш. полифонии: 0", "Выключенных нот: 0"}));
    const QStringList log = Lines(form_->Memo1);
    QCOMPARE(log.mid(0, 8),
             QStringList({" ", "MThd", "6 (длина заголовка)", "0 (формат)", "1 (число треков)",
                          "96 (тиков на четверть)", "MTrk", "19 (длина трека)"}));
    QVERIFY(log.contains(QStringLiteral("Пауза 96 тиков")));
    QVERIFY(boxes_.empty());
}

void WindowTest::arrowKeysConvertEachFile() {
    OpenSongs();
    auto* files = form_->FileListBox1;
    files->setFocus();
    // Focus alone chooses nothing.
    QCOMPARE(files->FileName(), QString());
    const QStringList expected = {"A.MID", "b.mid", "c.Mid"};
    for (const QString& name : expected) {
        form_->Memo2->setPlainText(QStringLiteral("stale"));
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(form_->Edit1->text(), name);
        QCOMPARE(form_->Memo2->toPlainText(), kSongListing.arg(name));
    }
    QTest::keyClick(files, Qt::Key_Up);
    QCOMPARE(form_->Edit1->text(), QStringLiteral("b.mid"));
    QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; b.mid"));
}

void WindowTest::button2WithSelectionConvertsAgain() {
    OpenSongs();
    form_->FileListBox1->setCurrentRow(2);
    form_->Memo2->setPlainText(QStringLiteral("edited"));
    form_->Memo1->setPlainText(QStringLiteral("edited"));
    QTest::mouseClick(form_->Button2, Qt::LeftButton);
    QCOMPARE(form_->Memo2->toPlainText(), kSongListing.arg(QStringLiteral("c.Mid")));
    QCOMPARE(Lines(form_->Memo1).value(1), QStringLiteral("MThd"));
}

void WindowTest::button2WithoutSelection() {
    OpenSongs();
    form_->FileListBox1->setCurrentRow(0);
    QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; A.MID"));
    // Another folder leaves the list without a choice.
    form_->DirectoryListBox1->SetDirectory(dir_->filePath(QStringLiteral("sub")));
    QCOMPARE(form_->FileListBox1->FileName(), QString());
    QTest::mouseClick(form_->Button2, Qt::LeftButton);
    QCOMPARE(Lines(form_->Memo4), QStringList({"Файл не открыт", ""}));
    QCOMPARE(form_->Memo1->toPlainText(), QString());
    QCOMPARE(form_->Memo2->toPlainText(), QString());
    QCOMPARE(Lines(form_->Memo3), QStringList({"", "", ""}));
    QVERIFY(boxes_.empty());
}

void WindowTest::refusedAndAcceptedSizes_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("report");
    QTest::newRow("one byte too many")
        << 250001 << QStringList({"Всего: 250001 байт", "Файл слишком большой"});
    QTest::newRow("largest accepted")
        << 250000 << QStringList({"Всего: 250000 байт", "Обработано: 100 %"});
}

void WindowTest::refusedAndAcceptedSizes() {
    QFETCH(int, size);
    QFETCH(QStringList, report);
    // A track of note-ons on channel 1 under running status, up to the size.
    QByteArray events("\x00\x90", 2);
    while (events.size() + 22 + 4 + 3 <= size) {
        events += QByteArray("\x00\x3C\x40", 3);
    }
    QByteArray file = tonvell::test::Format0(96, events);
    file.append(QByteArray(size - file.size(), '\0'));
    QCOMPARE(file.size(), size);
    tonvell::test::WriteFile(dir_->filePath(QStringLiteral("big.mid")), file);
    OpenSongs();
    form_->FileListBox1->setCurrentRow(0);  // a good conversion first
    QVERIFY(!form_->Memo2->toPlainText().isEmpty());
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("big.mid")));
    QCOMPARE(Lines(form_->Memo4), report);
    if (size > 250000) {
        // The limit is named where the events would be; no box stops a walk
        // through a folder of large files.
        QCOMPARE(Lines(form_->Memo1), QStringList({"Файл не загружен",
                                                   "The file is too large: 250 001 bytes. "
                                                   "Files of at most 250 000 bytes are read."}));
        QCOMPARE(form_->Memo2->toPlainText(), QString());
        QCOMPARE(Lines(form_->Memo3), QStringList({"", "", ""}));
        QVERIFY(!form_->Button3->isEnabled() && !form_->Button4->isEnabled());
        QVERIFY(boxes_.empty());
    } else {
        QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; big.mid"));
        QVERIFY(Lines(form_->Memo3).value(0).startsWith(QStringLiteral("Всего: ")));
    }
}

// A file that gives no result leaves nothing that looks like one: the report
// says what it is, the event log why, the listing and statistics are empty,
// and saving and playing (buttons and keys) wait for a listing.
void WindowTest::refusedFileLeavesNothingToSaveOrPlay_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text") << QByteArray("This is a text file\n") << "Not a MIDI file"
                          << "not a MIDI file";
    QTest::newRow("three bytes of a header") << QByteArray("MTh") << "Not a MIDI file"
                                             << "not a MIDI file";
    QTest::newRow("empty") << QByteArray() << "The file is empty"
                           << "The file is empty (0 bytes)";
    QTest::newRow("too large") << QByteArray(1000000, 'x') << "Файл слишком большой"
                               << "1 000 000 bytes. Files of at most 250 000 bytes";
}

void WindowTest::refusedFileLeavesNothingToSaveOrPlay() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, report);
    QFETCH(QString, reason);
    tonvell::test::WriteFile(dir_->filePath(QStringLiteral("x.mid")), bytes);
    OpenSongs();
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("A.MID")));
    QVERIFY(form_->Button3->isEnabled() && form_->Button4->isEnabled());
    boxes_.clear();
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("x.mid")));

    QCOMPARE(Lines(form_->Memo4),
             QStringList({QStringLiteral("Всего: %1 байт").arg(bytes.size()), report}));
    const QStringList log = Lines(form_->Memo1);
    QCOMPARE(log.value(0), QStringLiteral("Файл не загружен"));
    QVERIFY2(log.join(QLatin1Char(' ')).contains(reason), qPrintable(log.join('|')));
    QCOMPARE(form_->Memo2->toPlainText(), QString());
    QCOMPARE(Lines(form_->Memo3), QStringList({"", "", ""}));
    QVERIFY(!form_->Button3->isEnabled() && !form_->Button4->isEnabled());
    // A box says why, except for size, which the log names.
    QCOMPARE(boxes_.size(), std::size_t{bytes.size() > 250000 ? 0U : 1U});
    if (!boxes_.empty()) {
        QVERIFY(boxes_[0].text.contains(reason));
    }
    // The keys do nothing either: no dialog, no playback.
    class NoDialog final : public tonvell::app::SaveDialogRunner {
    public:
        bool Execute(tonvell::app::SaveDialogState&, QWidget*) override {
            throw std::runtime_error("a save dialog was opened");
        }
    };
    form_->SetSaveDialogRunner(std::make_unique<NoDialog>());
    boxes_.clear();
    QTest::keyClick(form_.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(form_.get(), Qt::Key_F5);
    QVERIFY(boxes_.empty());
    QVERIFY(!form_->Player().Playing());

    // A listing typed in can be saved and played again.
    form_->Memo2->setPlainText(QStringLiteral("DB 00h"));
    QVERIFY(form_->Button3->isEnabled() && form_->Button4->isEnabled());
}

void WindowTest::progressLineIsEmptyWhenNoEventIsRead() {
    OpenSongs();
    // A track of no bytes: the walk reads nothing.
    tonvell::test::WriteFile(dir_->filePath(QStringLiteral("empty.mid")),
                             QByteArray("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\0", 22));
    tonvell::test::WriteFile(dir_->filePath(QStringLiteral("large.mid")), QByteArray(250001, '\0'));
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    // Line 1 never keeps what the previous file, converted or refused, left.
    for (const char* previous : {"A.MID", "large.mid"}) {
        QVERIFY(form_->FileListBox1->SelectFile(QLatin1String(previous)));
        QVERIFY(!Lines(form_->Memo4).value(1).isEmpty());
        QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("empty.mid")));
        QCOMPARE(Lines(form_->Memo4), QStringList({"Всего: 22 байт", ""}));
        QCOMPARE(Lines(form_->Memo2).value(3), QStringLiteral("DWL 1 ;size in bytes"));
    }
}

void WindowTest::filesThatAreNoRegularFilesAreNotOpened_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("linkTo");  // empty: a named pipe of that name
    QTest::newRow("named pipe") << "pipe.mid"
                                << "";
    QTest::newRow("link to a named pipe") << "link.mid"
                                          << "pipe.mid";
    QTest::newRow("link to a device that never ends") << "zero.mid"
                                                      << "/dev/zero";
}

// Opening a named pipe for reading waits for a writer, and a device may
// never end: the window opens neither and says the file is not opened.
void WindowTest::filesThatAreNoRegularFilesAreNotOpened() {
    QFETCH(QString, name);
    QFETCH(QString, linkTo);
    OpenSongs();
    QCOMPARE(
        mkfifo(QFile::encodeName(dir_->filePath(QStringLiteral("pipe.mid"))).constData(), 0600), 0);
    if (!linkTo.isEmpty()) {
        QVERIFY(QFile::link(linkTo, dir_->filePath(name)));
    }
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    form_->FileListBox1->setCurrentRow(0);
    QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; A.MID"));
    // As the program does with a file given on its command line.
    const QString path = dir_->filePath(name);
    if (!form_->OpenFile(path)) {
        form_->ConvertFile(path);
    }
    QCOMPARE(Lines(form_->Memo4), QStringList({"Файл не открыт", ""}));
    QCOMPARE(form_->Memo1->toPlainText(), QString());
    QCOMPARE(form_->Memo2->toPlainText(), QString());
    QVERIFY(boxes_.empty());
}

void WindowTest::editedListingAsksBeforeItIsReplaced_data() {
    QTest::addColumn<QString>("how");         // mouse, arrow, button2 (nothing chosen)
    QTest::addColumn<QString>("edit");        // none, typed, copied, undone
    QTest::addColumn<int>("answer");          // to the question
    QTest::addColumn<bool>("saveConfirmed");  // in the save dialog, after "Save"
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("replaced");
    const int cancel = QMessageBox::Cancel;
    const int discard = QMessageBox::Discard;
    const int save = QMessageBox::Save;
    for (const char* how : {"mouse", "arrow", "button2"}) {
        const QByteArray h(how);
        QTest::newRow(h + ", not edited") << how << "none" << cancel << false << false << true;
        QTest::newRow(h + ", Cancel") << how << "typed" << cancel << false << true << false;
        QTest::newRow(h + ", Discard") << how << "typed" << discard << false << true << true;
    }
    QTest::newRow("arrow, copied after the edit") << "arrow"
                                                  << "copied" << cancel << false << false << true;
    QTest::newRow("arrow, edit undone") << "arrow"
                                        << "undone" << cancel << false << false << true;
    QTest::newRow("arrow, Save") << "arrow"
                                 << "typed" << save << true << true << true;
    QTest::newRow("mouse, Save, dialog cancelled") << "mouse"
                                                   << "typed" << save << false << true << false;
}

void WindowTest::editedListingAsksBeforeItIsReplaced() {
    QFETCH(QString, how);
    QFETCH(QString, edit);
    QFETCH(int, answer);
    QFETCH(bool, saveConfirmed);
    QFETCH(bool, asks);
    QFETCH(bool, replaced);
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(
        boxes_, static_cast<QMessageBox::StandardButton>(answer)));
    tonvell::app::SaveDialogState seen;
    const QString saved = dir_->filePath(QStringLiteral("saved.inc"));
    form_->SetSaveDialogRunner(std::make_unique<tonvell::test::ScriptedSaveDialog>(
        tonvell::test::ScriptedSaveDialog::Answer{saveConfirmed, saved, 1}, seen));
    OpenSongs();
    auto* files = form_->FileListBox1;
    QVERIFY(files->SelectFile(QStringLiteral("A.MID")));
    const QString converted = form_->Memo2->toPlainText();
    QCOMPARE(converted, kSongListing.arg(QStringLiteral("A.MID")));
    if (how == QLatin1String("button2")) {
        form_->DirectoryListBox1->SetDirectory(dir_->path());  // the list is left without a choice
    }

    if (edit != QLatin1String("none")) {
        form_->Memo2->setFocus();
        form_->Memo2->moveCursor(QTextCursor::End);
        QTest::keyClicks(form_->Memo2, QStringLiteral("; my note"));
    }
    if (edit == QLatin1String("copied")) {
        QTest::mouseClick(form_->Button1, Qt::LeftButton);
    } else if (edit == QLatin1String("undone")) {
        while (form_->Memo2->document()->isUndoAvailable()) {
            form_->Memo2->undo();
        }
    }
    const QString shown = form_->Memo2->toPlainText();

    if (how == QLatin1String("mouse")) {
        const QRect rect = files->visualItemRect(files->item(1));
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, rect.center());
    } else if (how == QLatin1String("arrow")) {
        files->setFocus();
        QTest::keyClick(files, Qt::Key_Down);
    } else {
        QTest::mouseClick(form_->Button2, Qt::LeftButton);
    }
    QCoreApplication::processEvents();

    QCOMPARE(boxes_.size(), std::size_t{asks ? 1u : 0u});
    if (asks) {
        QCOMPARE(boxes_[0].title, ApplicationTitle());
        QCOMPARE(boxes_[0].text, tonvell::app::ListingEditedQuestion());
        QCOMPARE(boxes_[0].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    }
    const bool chooses = how != QLatin1String("button2");
    if (replaced) {
        QCOMPARE(form_->Memo2->toPlainText(),
                 chooses ? kSongListing.arg(QStringLiteral("b.mid")) : QString());
        QCOMPARE(files->FileName(), chooses ? dir_->filePath(QStringLiteral("b.mid")) : QString());
    } else {
        // The listing stays, and the file it came from stays chosen.
        QCOMPARE(form_->Memo2->toPlainText(), shown);
        QCOMPARE(files->FileName(), chooses ? dir_->filePath(QStringLiteral("A.MID")) : QString());
        QCOMPARE(form_->Edit1->text(), chooses ? QStringLiteral("A.MID") : QStringLiteral("*.mid"));
        // Asked again next time: the edits are still unsaved.
        boxes_.clear();
        QTest::mouseClick(form_->Button2, Qt::LeftButton);
        QCOMPARE(boxes_.size(), std::size_t{1});
        QCOMPARE(form_->Memo2->toPlainText(), shown);
    }
    if (answer == QMessageBox::Save && asks) {
        // The dialog proposed the file the listing came from.
        QCOMPARE(seen.FileName, QStringLiteral("A"));
        QCOMPARE(QFile::exists(saved), saveConfirmed);
        if (saveConfirmed) {
            QVERIFY(tonvell::test::ReadFile(saved).contains("; my note"));
        }
    }
    // A conversion leaves the listing unedited: browsing on asks nothing.
    if (replaced && chooses) {
        boxes_.clear();
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; c.Mid"));
        QVERIFY(boxes_.empty());
    }
}

// "Обработать! -->" on the file the edited listing came from asks about
// converting it again, not about another file; Discard converts it afresh.
void WindowTest::convertingTheSameFileAgainAsksSo() {
    form_->SetMessageBoxes(
        std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_, QMessageBox::Discard));
    OpenSongs();
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("A.MID")));
    form_->Memo2->setFocus();
    form_->Memo2->moveCursor(QTextCursor::End);
    QTest::keyClicks(form_->Memo2, QStringLiteral("; my note"));
    QTest::mouseClick(form_->Button2, Qt::LeftButton);
    QCOMPARE(boxes_.size(), std::size_t{1});
    QCOMPARE(boxes_[0].text, tonvell::app::ListingEditedOnReconvertQuestion());
    QVERIFY(boxes_[0].text.contains(QStringLiteral("converting the file again")));
    QCOMPARE(form_->Memo2->toPlainText(), kSongListing.arg(QStringLiteral("A.MID")));
}

void WindowTest::conversionMessagesAreBoxes() {
    tonvell::test::WriteFile(dir_->filePath(QStringLiteral("long.mid")),
                             tonvell::test::LongDeltaFile());
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("long.mid")));
    // The delta time read is over two million ticks: a rest longer than one
    // delay holds, which plays shorter, is told too.
    QCOMPARE(boxes_.size(), std::size_t{2});
    QVERIFY(!boxes_[0].error);
    QCOMPARE(boxes_[0].title, ApplicationTitle());
    QVERIFY(!boxes_[0].title.isEmpty());
    QCOMPARE(boxes_[0].text, QStringLiteral("Time field is too long"));
    QVERIFY(!boxes_[1].error);
    QCOMPARE(boxes_[1].text, QStringLiteral("Пауза длиннее 16384 единиц проиграется короче"));
    // The conversion went on after the box.
    QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; long.mid"));
}

void WindowTest::floodOfMessagesShowsEachTextOnce() {
    const QByteArray flood = tonvell::test::FloodFile();
    QVERIFY(flood.size() <= 250000);
    tonvell::test::WriteFile(dir_->filePath(QStringLiteral("flood.mid")), flood);
    form_->DirectoryListBox1->SetDirectory(dir_->path());
    QVERIFY(form_->FileListBox1->SelectFile(QStringLiteral("flood.mid")));
    QCOMPARE(boxes_.size(), std::size_t{2});
    QCOMPARE(boxes_[0].text, QStringLiteral("Time field is too long"));
    QCOMPARE(boxes_[1].text, QStringLiteral("Field too long"));
    // Converting it again shows them again, once each.
    form_->Button2->click();
    QCOMPARE(boxes_.size(), std::size_t{4});
    QCOMPARE(boxes_[2].text, QStringLiteral("Time field is too long"));
}

void WindowTest::openFileChoosesAndConverts() {
    OpenSongs();
    form_->DirectoryListBox1->SetDirectory(QStringLiteral("/"));
    QVERIFY(form_->OpenFile(dir_->filePath(QStringLiteral("c.Mid"))));
    QCOMPARE(form_->DirectoryListBox1->Directory(), QDir::cleanPath(dir_->path()));
    QCOMPARE(form_->FileListBox1->FileName(), QDir(dir_->path()).filePath(QStringLiteral("c.Mid")));
    QCOMPARE(form_->Edit1->text(), QStringLiteral("c.Mid"));
    QCOMPARE(form_->Memo2->toPlainText(), kSongListing.arg(QStringLiteral("c.Mid")));
    QVERIFY(!form_->OpenFile(dir_->filePath(QStringLiteral("d.midi"))));
}

// Each conversion leaves the listing's box as a freshly filled box: caret at
// the start, nothing selected, not modified, no edit to undo, at the top left.
void WindowTest::listingBoxStartsAfreshOnEachConversion() {
    OpenSongs();
    form_->FileListBox1->setCurrentRow(0);
    QPlainTextEdit* memo = form_->Memo2;
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo,
                     QStringLiteral("DB 01h, 80h ;a long line that scrolls the box sideways"));
    QTest::keyClick(memo, Qt::Key_Left, Qt::ShiftModifier);
    QVERIFY(memo->textCursor().hasSelection());
    QVERIFY(memo->document()->isModified() && memo->document()->isUndoAvailable());
    QVERIFY(memo->horizontalScrollBar()->value() > 0);

    // The user discards the edits when asked.
    form_->SetMessageBoxes(
        std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_, QMessageBox::Discard));
    QTest::keyClick(form_->FileListBox1, Qt::Key_Down);
    const QString listing = kSongListing.arg(QStringLiteral("b.mid"));
    QCOMPARE(memo->toPlainText(), listing);
    QCOMPARE(memo->textCursor().position(), 0);
    QVERIFY(!memo->textCursor().hasSelection());
    QVERIFY(!memo->document()->isModified());
    QVERIFY(!memo->document()->isUndoAvailable());
    QCOMPARE(memo->horizontalScrollBar()->value(), 0);
    QCOMPARE(memo->verticalScrollBar()->value(), 0);
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(memo->toPlainText(), listing);
}

void WindowTest::copyAllCopiesTheEditedListing() {
    OpenSongs();
    form_->FileListBox1->setCurrentRow(1);
    QPlainTextEdit* memo = form_->Memo2;
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);
    for (const QChar c : QStringLiteral("; мой комментарий")) {
        QTest::sendKeyEvent(QTest::Click, memo, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    const QString edited = memo->toPlainText();
    QVERIFY(edited.endsWith(QStringLiteral("; мой комментарий")));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QCOMPARE(mime->text(), edited);
    QVERIFY(!mime->hasHtml());
    // The whole listing stays selected, and drawn so, after the focus left it.
    QVERIFY(!memo->hasFocus());
    const QTextCursor cursor = memo->textCursor();
    QCOMPARE(cursor.selectionStart(), 0);
    QCOMPARE(cursor.selectionEnd(), edited.size());
    QCOMPARE(memo->palette().color(QPalette::Inactive, QPalette::Highlight),
             memo->palette().color(QPalette::Active, QPalette::Highlight));
    QCOMPARE(memo->toPlainText(), edited);
}

void WindowTest::helpShowsTheTwentySixLines() {
    QTest::mouseClick(form_->Button7, Qt::LeftButton);
    QCOMPARE(boxes_.size(), std::size_t{1});
    QVERIFY(!boxes_[0].error);
    QCOMPARE(boxes_[0].title, ApplicationTitle());
    QString expected;
    for (const QString& line : tonvell::app::HelpLines()) {
        expected += line + QLatin1Char('\n');
    }
    QCOMPARE(boxes_[0].text, expected);
    QCOMPARE(boxes_[0].text.count(QLatin1Char('\n')), 26);
}

void WindowTest::errorEscapingAHandlerIsShownAndTheWindowGoesOn() {
    // From a button's handler.
    class FailingDialog final : public tonvell::app::SaveDialogRunner {
    public:
        bool Execute(tonvell::app::SaveDialogState&, QWidget*) override {
            throw std::runtime_error("Диалог не открылся");
        }
    };
    form_->SetSaveDialogRunner(std::make_unique<FailingDialog>());
    form_->Memo2->setPlainText(QStringLiteral("DB 00h"));
    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    QCOMPARE(boxes_.size(), std::size_t{1});
    QVERIFY(boxes_[0].error);
    QCOMPARE(boxes_[0].title, ApplicationTitle());
    QCOMPARE(boxes_[0].text, QStringLiteral("Диалог не открылся"));
    QVERIFY(!form_->Button3->isDown());

    // From any other event, through the application.
    ThrowingObject target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(boxes_.size(), std::size_t{2});
    QVERIFY(boxes_[1].error);
    QCOMPARE(boxes_[1].text, QStringLiteral("Ошибка в обработчике"));

    // The window goes on.
    OpenSongs();
    form_->FileListBox1->setCurrentRow(0);
    QCOMPARE(Lines(form_->Memo2).value(1), QStringLiteral("; A.MID"));
}

void WindowTest::channelMapHandlers() {
    TForm1& f = *form_;
    for (int k = 0; k < 10; ++k) {
        const QComboBox* box = f.OscillatorBoxes[k];
        // The array's place and the numbered name agree: tests and tools
        // find the controls by that name.
        QCOMPARE(box->objectName(), QStringLiteral("ComboBox%1").arg(k + 1));
        QCOMPARE(f.TrimBoxes[k]->objectName(), QStringLiteral("CheckBox%1").arg(k + 1));
        QCOMPARE(f.ChannelLabels[k]->objectName(), QStringLiteral("Label%1").arg(k + 3));
        QCOMPARE(box->property("Tag").toInt(), k);
        QCOMPARE(f.TrimBoxes[k]->property("Tag").toInt(), k);
        QCOMPARE(box->count(), 9);
        QCOMPARE(box->currentText(), k < 4 ? QStringLiteral("1") : QString());
    }
    QVERIFY(f.TrimBoxes[3]->isChecked() && !f.TrimBoxes[4]->isChecked());
    QCOMPARE(f.TrimBoxes[6]->text(), QStringLiteral("CheckBox1"));

    f.OscillatorBoxes[5]->setCurrentIndex(3);
    f.ComboBox1Change(f.OscillatorBoxes[5]);
    QCOMPARE(f.ChannelMap().Oscillator(5), 3);
    f.OscillatorBoxes[1]->setCurrentIndex(0);
    f.ComboBox1Change(f.OscillatorBoxes[1]);
    QCOMPARE(f.ChannelMap().Oscillator(1), 0);
    QCOMPARE(f.OscillatorBoxes[1]->currentIndex(), -1);
    f.TrimBoxes[0]->setChecked(false);
    f.CheckBox1Click(f.TrimBoxes[0]);
    QVERIFY(!f.ChannelMap().Trim(0));

    // Through the controls' signals: every list reaches its own channel,
    // and of the trim boxes only the first is wired.
    for (int k = 0; k < 10; ++k) {
        f.OscillatorBoxes[k]->setCurrentIndex(k % 8 + 1);
        emit f.OscillatorBoxes[k]->activated(k % 8 + 1);
    }
    for (int k = 0; k < 10; ++k) {
        QCOMPARE(f.ChannelMap().Oscillator(k), k % 8 + 1);
    }
    f.TrimBoxes[0]->click();
    QVERIFY(f.ChannelMap().Trim(0));
    f.TrimBoxes[1]->click();
    QVERIFY(!f.TrimBoxes[1]->isChecked());
    QVERIFY(f.ChannelMap().Trim(1));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    tonvell::app::TonvellApplication app(argc, argv);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
