// SPDX-License-Identifier: MIT
// The listing's text box holds its lines many to a text block. Every case
// here does the same to that box and to a plain text box filled the usual
// way (a block per line) and expects the same outcome: the text, the caret,
// the selection, the scroll range, the lines as the player reads them.

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QtTest>
#include <array>
#include <memory>

#include "app/listing_box.h"
#include "app/player_window_view.h"

using tonvell::app::ListingBox;

constexpr int kLinesPerBlock = ListingBox::kLinesPerBlock;

namespace {

// Lines shaped like a listing's, of differing lengths.
QString Listing(int lines, bool closingBreak = true) {
    QStringList text;
    for (int i = 0; i < lines; ++i) {
        text << (i % 3 == 0 ? QStringLiteral("DB %1h ;delay").arg(i % 256, 2, 16, QLatin1Char('0'))
                            : QStringLiteral("DB 51h, %1h").arg(i % 256, 2, 16, QLatin1Char('0')));
    }
    return text.join(QLatin1Char('\n')) + (closingBreak && lines > 0 ? "\n" : "");
}

struct Boxes {
    std::unique_ptr<ListingBox> listing = std::make_unique<ListingBox>();
    std::unique_ptr<QPlainTextEdit> reference = std::make_unique<QPlainTextEdit>();

    explicit Boxes(const QString& text) {
        for (QPlainTextEdit* box : Both()) {
            box->setLineWrapMode(QPlainTextEdit::NoWrap);
            box->resize(200, 250);
            box->show();
        }
        listing->Fill(text);
        reference->setPlainText(text);
    }

    // The two boxes, for doing the same to each.
    std::array<QPlainTextEdit*, 2> Both() const { return {listing.get(), reference.get()}; }

    // Lets both boxes lay out and paint what they show.
    void Settle() const {
        QCoreApplication::processEvents();
        listing->viewport()->repaint();
        reference->viewport()->repaint();
    }
};

QPoint PointOfLine(const QPlainTextEdit& box, int line) {
    QTextCursor at(box.document()->findBlockByNumber(line));
    return box.cursorRect(at).center() + QPoint(4, 0);
}

void Press(QWidget* viewport, QEvent::Type type, QPoint pos) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

void TripleClick(QPlainTextEdit& box, QPoint pos) {
    QWidget* viewport = box.viewport();
    Press(viewport, QEvent::MouseButtonPress, pos);
    Press(viewport, QEvent::MouseButtonRelease, pos);
    Press(viewport, QEvent::MouseButtonDblClick, pos);
    Press(viewport, QEvent::MouseButtonRelease, pos);
    Press(viewport, QEvent::MouseButtonPress, pos);
}

}  // namespace

class ListingBoxTest : public QObject {
    Q_OBJECT

private slots:
    void fillKeepsTheTextAndTheBoxState_data();
    void fillKeepsTheTextAndTheBoxState();
    void scrollRangeOutlastsALayoutAfresh_data();
    void scrollRangeOutlastsALayoutAfresh();
    void keysMoveAndEditLineByLine_data();
    void keysMoveAndEditLineByLine();
    void tripleClickSelectsLines_data();
    void tripleClickSelectsLines();
    void playerReadsTheLinesOfTheText_data();
    void playerReadsTheLinesOfTheText();
    void caretCountsTheBytesOfTheSavedListing_data();
    void caretCountsTheBytesOfTheSavedListing();
};

void ListingBoxTest::fillKeepsTheTextAndTheBoxState_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("one line, no break") << QStringLiteral("DB 00h ;end of block");
    QTest::newRow("one block less a line") << Listing(kLinesPerBlock - 1);
    QTest::newRow("one block") << Listing(kLinesPerBlock);
    QTest::newRow("one block and a line") << Listing(kLinesPerBlock + 1);
    QTest::newRow("many blocks, no closing break") << Listing(5 * kLinesPerBlock + 7, false);
    QTest::newRow("empty lines") << QString(3 * kLinesPerBlock, QLatin1Char('\n'));
    QTest::newRow("CR LF breaks") << Listing(kLinesPerBlock + 3).replace("\n", "\r\n");
    QTest::newRow("lone CR") << QStringLiteral("DB 51h\rDB 52h\nDB 53h\n");
    QTest::newRow("Cyrillic") << QStringLiteral("; Мелодия\n; \nDB 00h ;конец\n");
}

void ListingBoxTest::fillKeepsTheTextAndTheBoxState() {
    QFETCH(QString, text);
    Boxes boxes(text);
    boxes.listing->insertPlainText(QStringLiteral("edited"));  // a refill forgets this
    boxes.listing->Fill(text);
    boxes.Settle();
    QCOMPARE(boxes.listing->toPlainText(), boxes.reference->toPlainText());
    QCOMPARE(boxes.listing->textCursor().position(), 0);
    QVERIFY(!boxes.listing->textCursor().hasSelection());
    QVERIFY(!boxes.listing->document()->isModified());
    QVERIFY(!boxes.listing->document()->isUndoAvailable());
    // The scroll bar spans every line before the lines below are laid out.
    QCOMPARE(boxes.listing->verticalScrollBar()->maximum(),
             boxes.reference->verticalScrollBar()->maximum());
    QCOMPARE(boxes.listing->document()->characterCount(),
             boxes.reference->document()->characterCount());
}

void ListingBoxTest::scrollRangeOutlastsALayoutAfresh_data() {
    QTest::addColumn<bool>("newFont");
    QTest::newRow("wider box") << false;
    QTest::newRow("larger font") << true;
}

// A new width or font lays the box out afresh, which takes every block for
// one line until it is laid out again.
void ListingBoxTest::scrollRangeOutlastsALayoutAfresh() {
    QFETCH(bool, newFont);
    Boxes boxes(Listing(10 * kLinesPerBlock));
    boxes.Settle();
    for (QPlainTextEdit* box : boxes.Both()) {
        if (newFont) {
            QFont font = box->font();
            font.setPointSize(font.pointSize() + 5);
            box->setFont(font);
        } else {
            box->resize(320, 300);
        }
    }
    boxes.Settle();
    QCOMPARE(boxes.listing->verticalScrollBar()->maximum(),
             boxes.reference->verticalScrollBar()->maximum());
    // The last line is where the reference shows it.
    for (QPlainTextEdit* box : boxes.Both()) {
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    }
    boxes.Settle();
    const QPoint corner(5, boxes.reference->viewport()->height() - 8);
    QCOMPARE(boxes.listing->cursorForPosition(corner).position(),
             boxes.reference->cursorForPosition(corner).position());
}

void ListingBoxTest::keysMoveAndEditLineByLine_data() {
    QTest::addColumn<QStringList>("keys");
    const int last = kLinesPerBlock - 1;  // the last line of the first block
    QTest::newRow("down across a block") << QStringList{QString("Down*%1").arg(kLinesPerBlock + 5)};
    QTest::newRow("end of a line inside a block") << QStringList{"Down*5", "End"};
    QTest::newRow("right past a line's end") << QStringList{"Down*5", "End", "Right"};
    QTest::newRow("right past a block's end")
        << QStringList{QString("Down*%1").arg(last), "End", "Right"};
    QTest::newRow("up from the end")
        << QStringList{"Ctrl+End", QString("Up*%1").arg(kLinesPerBlock + 2)};
    QTest::newRow("page down") << QStringList{"PgDown*3", "Home"};
    QTest::newRow("select lines downwards") << QStringList{"Down*3", "Shift+Down*4"};
    QTest::newRow("select to a line's end") << QStringList{"Down*7", "Shift+End"};
    QTest::newRow("backspace joins two lines") << QStringList{"Down*6", "Backspace"};
    QTest::newRow("backspace joins two blocks")
        << QStringList{QString("Down*%1").arg(kLinesPerBlock), "Backspace"};
    QTest::newRow("delete at a line's end") << QStringList{"Down*9", "End", "Delete"};
    QTest::newRow("enter splits a line") << QStringList{"Down*2", "Right*3", "Return"};
    QTest::newRow("typing, then undo") << QStringList{"Down*4", "X", "Ctrl+Z"};
    QTest::newRow("select all, delete") << QStringList{"Ctrl+A", "Delete"};
}

void ListingBoxTest::keysMoveAndEditLineByLine() {
    QFETCH(QStringList, keys);
    Boxes boxes(Listing(3 * kLinesPerBlock));
    boxes.Settle();
    for (QPlainTextEdit* box : boxes.Both()) {
        for (const QString& step : keys) {
            const QStringList keyAndCount = step.split(QLatin1Char('*'));
            const int count = keyAndCount.size() > 1 ? keyAndCount[1].toInt() : 1;
            for (int i = 0; i < count; ++i) {
                QTest::keySequence(box, QKeySequence(keyAndCount[0]));
            }
        }
    }
    boxes.Settle();
    QCOMPARE(boxes.listing->textCursor().position(), boxes.reference->textCursor().position());
    QCOMPARE(boxes.listing->textCursor().anchor(), boxes.reference->textCursor().anchor());
    QCOMPARE(boxes.listing->toPlainText(), boxes.reference->toPlainText());
}

void ListingBoxTest::tripleClickSelectsLines_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("dragTo");  // -1: no drag
    QTest::newRow("a line") << 2 << -1;
    QTest::newRow("the first line") << 0 << -1;
    QTest::newRow("dragged down") << 2 << 6;
    QTest::newRow("dragged up") << 7 << 3;
}

void ListingBoxTest::tripleClickSelectsLines() {
    QFETCH(int, line);
    QFETCH(int, dragTo);
    Boxes boxes(Listing(kLinesPerBlock));
    boxes.Settle();
    const QPoint at = PointOfLine(*boxes.reference, line);
    for (QPlainTextEdit* box : boxes.Both()) {
        TripleClick(*box, at);
        if (dragTo >= 0) {
            Press(box->viewport(), QEvent::MouseMove, PointOfLine(*boxes.reference, dragTo));
        }
        Press(box->viewport(), QEvent::MouseButtonRelease, at);
    }
    QVERIFY(boxes.reference->textCursor().hasSelection());
    QCOMPARE(boxes.listing->textCursor().selection().toPlainText(),
             boxes.reference->textCursor().selection().toPlainText());
    QCOMPARE(boxes.listing->textCursor().selectionStart(),
             boxes.reference->textCursor().selectionStart());
    QCOMPARE(boxes.listing->textCursor().selectionEnd(),
             boxes.reference->textCursor().selectionEnd());
}

void ListingBoxTest::playerReadsTheLinesOfTheText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("no closing break") << Listing(2 * kLinesPerBlock + 1, false);
    QTest::newRow("closing break") << Listing(2 * kLinesPerBlock + 1);
    QTest::newRow("Cyrillic and empty lines") << QStringLiteral("; Мелодия\n\n\nDB 51h, F0h ;ля\n");
}

void ListingBoxTest::playerReadsTheLinesOfTheText() {
    QFETCH(QString, text);
    Boxes boxes(text);
    tonvell::app::PlayerControlsOfWindow controls;
    controls.listing = boxes.listing.get();
    const tonvell::app::PlayerWindowView listing(controls);
    controls.listing = boxes.reference.get();
    const tonvell::app::PlayerWindowView reference(controls);
    QCOMPARE(listing.LineCount(), reference.LineCount());
    for (int line = 0; line <= reference.LineCount(); ++line) {
        QCOMPARE(listing.Line(line), reference.Line(line));
    }
    // The caret at the start, the middle and the end of every line.
    for (int position = 0; position < boxes.reference->document()->characterCount(); ++position) {
        for (QPlainTextEdit* box : boxes.Both()) {
            QTextCursor caret = box->textCursor();
            caret.setPosition(position);
            box->setTextCursor(caret);
        }
        QCOMPARE(listing.CaretPosition(), reference.CaretPosition());
    }
    // An edit is read at the next question.
    boxes.listing->appendPlainText(QStringLiteral("DB 00h"));
    boxes.reference->appendPlainText(QStringLiteral("DB 00h"));
    QCOMPARE(listing.LineCount(), reference.LineCount());
    QCOMPARE(listing.Line(listing.LineCount() - 1), reference.Line(reference.LineCount() - 1));
}

void ListingBoxTest::caretCountsTheBytesOfTheSavedListing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");     // in the text box's characters
    QTest::addColumn<int>("expected");  // in bytes of the listing as saved
    const QString cyrillic = QStringLiteral("; Мелодия\nDB 51h\n");
    QTest::newRow("start") << cyrillic << 0 << 0;
    QTest::newRow("end of a Cyrillic line") << cyrillic << 9 << 9;
    QTest::newRow("a line break counts two") << cyrillic << 10 << 11;
    QTest::newRow("inside the next line") << cyrillic << 13 << 14;
    QTest::newRow("after the closing break") << cyrillic << 17 << 19;
    // A character Windows-1251 lacks is saved as one "?", one taking two
    // UTF-16 units (outside the basic plane) too.
    QTest::newRow("note sign") << QStringLiteral("; \u266A\nDB\n") << 5 << 6;
    QTest::newRow("outside the basic plane") << QStringLiteral("; \U0001F3B5\nDB\n") << 6 << 6;
}

// The player starts at the caret's byte in the listing as it is saved.
void ListingBoxTest::caretCountsTheBytesOfTheSavedListing() {
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, expected);
    Boxes boxes(text);
    tonvell::app::PlayerControlsOfWindow controls;
    controls.listing = boxes.listing.get();
    const tonvell::app::PlayerWindowView view(controls);
    QTextCursor cursor = boxes.listing->textCursor();
    cursor.setPosition(caret);
    boxes.listing->setTextCursor(cursor);
    QCOMPARE(view.CaretPosition(), expected);
}

QTEST_MAIN(ListingBoxTest)
#include "listing_box_test.moc"
