// SPDX-License-Identifier: MIT
// The event log's view on its own, on the offscreen platform: it shows the
// lines it holds, drawn as the plain text box it replaces draws them; it
// scrolls to the last line by keys, wheel and scroll bar; a mouse selection
// copies exactly the selected text; clearing empties it; a very long line
// scrolls and copies whole.

#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/event_log_view.h"
#include "app/tonvell_application.h"

using tonvell::app::EventLogView;

namespace {

// A log shaped like the reader's: header lines, then pauses and events,
// Cyrillic and plain ASCII lines, an empty line and a line of digits only.
std::vector<std::string> SampleLog(int lines) {
    std::vector<std::string> log = {" ", "MThd", "6 (длина заголовка)", "0 (формат)", ""};
    for (int i = 0; static_cast<int>(log.size()) < lines; ++i) {
        log.push_back(i % 2 == 0 ? "Пауза " + std::to_string(i * 7) + " тиков"
                                 : "90 " + std::to_string(10 + i % 90) + " 40");
    }
    return log;
}

QStringList ToQt(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) {
        list << QString::fromStdString(line);
    }
    return list;
}

QStringList Lines(const EventLogView& view) {
    QStringList lines;
    for (int i = 0; i < view.LineCount(); ++i) {
        lines << view.Line(i);
    }
    return lines;
}

// The point in the viewport at a column of a line, halfway down the line.
QPoint PointAt(const EventLogView& view, int line, int column) {
    const QPointF origin = view.LineOrigin(line);
    const QFontMetricsF metrics(view.font());
    const qreal x = origin.x() + metrics.horizontalAdvance(view.Line(line).left(column));
    return QPoint(qRound(x), qRound(origin.y() + metrics.height() / 2));
}

void Drag(EventLogView& view, QPoint from, QPoint to) {
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(view.viewport(), to);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
}

QString ClipboardText() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && !mime->hasHtml() ? mime->text() : QStringLiteral("<not plain text>");
}

}  // namespace

class EventLogViewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void showsTheLinesItHolds_data();
    void showsTheLinesItHolds();
    void drawsAsAPlainTextBox_data();
    void drawsAsAPlainTextBox();
    void scrollingReachesTheLastLine_data();
    void scrollingReachesTheLastLine();
    void selectionCopiesTheExactText_data();
    void selectionCopiesTheExactText();
    void dragBelowTheViewScrollsAndSelects();
    void clearingEmptiesTheView();
    void veryLongLineScrollsAndCopiesWhole();

private:
    std::unique_ptr<QWidget> window_;
    EventLogView* view_ = nullptr;
};

void EventLogViewTest::init() {
    window_ = std::make_unique<QWidget>();
    window_->resize(400, 300);
    view_ = new EventLogView(window_.get());
    view_->setGeometry(10, 10, 153, 249);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    view_->setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
}

void EventLogViewTest::cleanup() {
    window_.reset();
    view_ = nullptr;
}

void EventLogViewTest::showsTheLinesItHolds_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("log") << ToQt(SampleLog(50));
    QTest::newRow("one line") << QStringList({"Файл не загружен"});
    QTest::newRow("empty lines") << QStringList({"", "a", "", ""});
    QTest::newRow("no lines") << QStringList();
}

void EventLogViewTest::showsTheLinesItHolds() {
    QFETCH(QStringList, lines);
    std::vector<std::string> log;
    for (const QString& line : lines) {
        log.push_back(line.toStdString());
    }
    // No lines show as one empty line, as an empty text box does.
    const QStringList shown = lines.isEmpty() ? QStringList({""}) : lines;
    view_->SetLines(log);
    QCOMPARE(Lines(*view_), shown);
    QCOMPARE(view_->toPlainText(), lines.join(QLatin1Char('\n')));
    QCOMPARE(view_->FirstVisibleLine(), 0);
    QVERIFY(!view_->HasSelection());

    // The same text set as one string reads back the same.
    view_->clear();
    view_->setPlainText(lines.join(QLatin1Char('\n')));
    QCOMPARE(Lines(*view_), shown);
    QCOMPARE(view_->toPlainText(), lines.join(QLatin1Char('\n')));
}

void EventLogViewTest::drawsAsAPlainTextBox_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("topLine");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("selection");
    QTest::newRow("first page") << 200 << 0 << true << 249 << false;
    QTest::newRow("scrolled one line") << 200 << 1 << true << 249 << false;
    QTest::newRow("middle") << 200 << 97 << false << 249 << false;
    QTest::newRow("last page") << 200 << 1000 << true << 249 << false;
    QTest::newRow("short log") << 5 << 0 << true << 249 << false;
    QTest::newRow("log one line longer than the view") << 18 << 1 << true << 249 << false;
    QTest::newRow("selection") << 200 << 0 << true << 249 << true;
    QTest::newRow("selection without focus") << 200 << 0 << false << 249 << true;
    for (int height = 240; height <= 256; height += 2) {
        const QByteArray name = "last page, height " + QByteArray::number(height);
        QTest::newRow(name.constData()) << 200 << 1000 << true << height << false;
    }
}

// The view draws what the plain text box that showed the log before drew:
// same font, margins, line spacing, frame, background and scroll bars, pixel
// for pixel.
void EventLogViewTest::drawsAsAPlainTextBox() {
    QFETCH(int, lines);
    QFETCH(int, topLine);
    QFETCH(bool, focused);
    QFETCH(int, height);
    QFETCH(bool, selection);
    view_->resize(153, height);
    auto* memo = new QPlainTextEdit(window_.get());
    memo->setGeometry(200, 10, 153, height);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->document()->setDocumentMargin(EventLogView::kMargin);
    memo->setReadOnly(true);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->show();

    const std::vector<std::string> log = SampleLog(lines);
    view_->SetLines(log);
    memo->setPlainText(ToQt(log).join(QLatin1Char('\n')));
    view_->verticalScrollBar()->setValue(topLine);
    memo->verticalScrollBar()->setValue(topLine);
    QCOMPARE(view_->verticalScrollBar()->maximum(), memo->verticalScrollBar()->maximum());
    QCOMPARE(view_->verticalScrollBar()->pageStep(), memo->verticalScrollBar()->pageStep());
    QCOMPARE(view_->verticalScrollBar()->value(), memo->verticalScrollBar()->value());
    if (selection) {
        // From line 2, column 3 to line 6, column 4, an empty line between.
        view_->Select({2, 3}, {6, 4});
        const QStringList lines = Lines(*view_);
        QTextCursor cursor(memo->document());
        cursor.setPosition(lines.mid(0, 2).join(QLatin1Char('\n')).size() + 1 + 3);
        cursor.setPosition(lines.mid(0, 6).join(QLatin1Char('\n')).size() + 1 + 4,
                           QTextCursor::KeepAnchor);
        memo->setTextCursor(cursor);
        QCOMPARE(view_->SelectedText(), memo->textCursor().selection().toPlainText());
    }
    // Each drawn with the focus, or both without it.
    auto* elsewhere = new QLineEdit(window_.get());
    elsewhere->show();
    const auto image = [&](QWidget* box) {
        (focused ? box : elsewhere)->setFocus();
        QCoreApplication::processEvents();
        return box->grab().toImage();
    };
    const QImage drawn = image(view_);
    const QImage expected = image(memo);
    if (drawn != expected) {
        drawn.save(QDir::temp().filePath(QStringLiteral("event_log_view.png")));
        expected.save(QDir::temp().filePath(QStringLiteral("plain_text_edit.png")));
    }
    QVERIFY2(drawn == expected, "images saved in the temporary folder");
}

void EventLogViewTest::scrollingReachesTheLastLine_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("End") << "End";
    QTest::newRow("Ctrl+End") << "Ctrl+End";
    QTest::newRow("Page Down") << "PageDown";
    QTest::newRow("Down arrow") << "Down";
    QTest::newRow("wheel") << "wheel";
    QTest::newRow("scroll bar") << "bar";
}

void EventLogViewTest::scrollingReachesTheLastLine() {
    QFETCH(QString, how);
    const std::vector<std::string> log = SampleLog(1000);
    view_->SetLines(log);
    QScrollBar* bar = view_->verticalScrollBar();
    // Repeats the step until the view stops moving, as a user holding it would.
    for (int step = 0; step < 2000; ++step) {
        const int before = bar->value();
        if (how == QLatin1String("End")) {
            QTest::keyClick(view_, Qt::Key_End);
        } else if (how == QLatin1String("Ctrl+End")) {
            QTest::keyClick(view_, Qt::Key_End, Qt::ControlModifier);
        } else if (how == QLatin1String("PageDown")) {
            QTest::keyClick(view_, Qt::Key_PageDown);
        } else if (how == QLatin1String("Down")) {
            QTest::keyClick(view_, Qt::Key_Down);
        } else if (how == QLatin1String("wheel")) {
            const QPoint at = view_->viewport()->rect().center();
            QWheelEvent wheel(at, view_->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view_->viewport(), &wheel);
        } else {
            // The slider dragged down to the bottom of its groove.
            QStyleOptionSlider option;
            option.initFrom(bar);
            option.orientation = Qt::Vertical;
            option.minimum = bar->minimum();
            option.maximum = bar->maximum();
            option.sliderPosition = option.sliderValue = bar->value();
            option.pageStep = bar->pageStep();
            option.singleStep = bar->singleStep();
            const QPoint handle =
                bar->style()
                    ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar)
                    .center();
            QTest::mousePress(bar, Qt::LeftButton, {}, handle);
            QTest::mouseMove(bar, QPoint(handle.x(), bar->height() + 50));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(handle.x(), bar->height() + 50));
        }
        if (bar->value() == before) {
            break;
        }
    }
    const int last = static_cast<int>(log.size()) - 1;
    QCOMPARE(view_->LastVisibleLine(), last);
    // The last line is whole on screen and the mouse finds it there.
    const qreal bottom = view_->LineOrigin(last).y() + QFontMetricsF(view_->font()).height();
    QVERIFY(bottom <= view_->viewport()->height());
    QCOMPARE(view_->PositionAt(PointAt(*view_, last, 0)).line, last);
    QCOMPARE(view_->Line(view_->PositionAt(PointAt(*view_, last, 0)).line),
             QString::fromStdString(log.back()));

    QTest::keyClick(view_, Qt::Key_Home);
    QCOMPARE(view_->FirstVisibleLine(), 0);
}

void EventLogViewTest::selectionCopiesTheExactText_data() {
    QTest::addColumn<int>("fromLine");
    QTest::addColumn<int>("fromColumn");
    QTest::addColumn<int>("toLine");
    QTest::addColumn<int>("toColumn");
    QTest::addColumn<QString>("expected");
    // Lines 2 and 3: "6 (длина заголовка)", "0 (формат)"; line 4 is empty.
    QTest::newRow("inside a line") << 2 << 3 << 2 << 8 << "длина";
    QTest::newRow("across lines") << 2 << 9 << 3 << 2 << "заголовка)\n0 ";
    QTest::newRow("backwards") << 3 << 2 << 2 << 9 << "заголовка)\n0 ";
    QTest::newRow("over an empty line") << 3 << 3 << 5 << 5 << "формат)\n\nПауза";
    QTest::newRow("from a line's start") << 1 << 0 << 2 << 1 << "MThd\n6";
}

void EventLogViewTest::selectionCopiesTheExactText() {
    QFETCH(int, fromLine);
    QFETCH(int, fromColumn);
    QFETCH(int, toLine);
    QFETCH(int, toColumn);
    QFETCH(QString, expected);
    view_->SetLines(SampleLog(100));
    Drag(*view_, PointAt(*view_, fromLine, fromColumn), PointAt(*view_, toLine, toColumn));
    QCOMPARE(view_->SelectedText(), expected);
    QTest::keyClick(view_, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(ClipboardText(), expected);

    // Shift and a click moves the selection's far end; the end where the
    // drag began stays.
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::ShiftModifier, PointAt(*view_, 1, 1));
    const QString joined = view_->toPlainText();
    const auto offset = [&](int line, int column) {
        return Lines(*view_).mid(0, line).join(QLatin1Char('\n')).size() + (line > 0) + column;
    };
    const qsizetype from = offset(1, 1);
    const qsizetype to = offset(fromLine, fromColumn);
    QCOMPARE(view_->SelectedText(), joined.mid(std::min(from, to), std::abs(to - from)));

    // A double click selects the word under the mouse.
    QTest::mouseDClick(view_->viewport(), Qt::LeftButton, {}, PointAt(*view_, 2, 5));
    QCOMPARE(view_->SelectedText(), QStringLiteral("длина"));

    // Select-all and copy give the whole log.
    QTest::keyClick(view_, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(view_, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(ClipboardText(), joined);
}

void EventLogViewTest::dragBelowTheViewScrollsAndSelects() {
    view_->SetLines(SampleLog(300));
    QTest::mousePress(view_->viewport(), Qt::LeftButton, {}, PointAt(*view_, 1, 0));
    const QPoint below(20, view_->viewport()->height() + 20);
    QTest::mouseMove(view_->viewport(), below);
    // The view scrolls on its own while the mouse is held below it.
    QTRY_VERIFY(view_->FirstVisibleLine() >= 40);
    QTest::mouseMove(view_->viewport(), QPoint(20, view_->viewport()->height() / 2));
    QTest::mouseRelease(view_->viewport(), Qt::LeftButton, {},
                        QPoint(20, view_->viewport()->height() / 2));
    const int top = view_->FirstVisibleLine();
    QCoreApplication::processEvents();
    QCOMPARE(view_->FirstVisibleLine(), top);  // and stops once the mouse is back
    const QStringList selected = view_->SelectedText().split(QLatin1Char('\n'));
    QVERIFY(selected.size() > 40);
    QCOMPARE(selected.first(), QStringLiteral("MThd"));
    QCOMPARE(selected.mid(1, selected.size() - 2), Lines(*view_).mid(2, selected.size() - 2));
}

void EventLogViewTest::clearingEmptiesTheView() {
    view_->SetLines(SampleLog(500));
    view_->selectAll();
    QTest::keyClick(view_, Qt::Key_End);
    QVERIFY(view_->verticalScrollBar()->value() > 0);
    view_->clear();
    QCOMPARE(Lines(*view_), QStringList({""}));
    QCOMPARE(view_->toPlainText(), QString());
    QVERIFY(!view_->HasSelection());
    QCOMPARE(view_->verticalScrollBar()->maximum(), 0);
    QCOMPARE(view_->horizontalScrollBar()->maximum(), 0);
    // Nothing to copy: the clipboard keeps what it had.
    QTest::keyClick(view_, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(view_, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(ClipboardText(), QStringLiteral("before"));

    // A conversion with no log clears it likewise.
    view_->SetLines(SampleLog(500));
    view_->SetLines({});
    QCOMPARE(Lines(*view_), QStringList({""}));
    QCOMPARE(view_->verticalScrollBar()->maximum(), 0);
}

void EventLogViewTest::veryLongLineScrollsAndCopiesWhole() {
    std::string longLine;
    for (int i = 0; longLine.size() < 200000; ++i) {
        longLine += std::to_string(i) + (i % 3 == 0 ? " тиков " : " ");
    }
    std::vector<std::string> log = SampleLog(40);
    // Far down, where the first measurement need not see it.
    log[30] = longLine;
    view_->SetLines(log);
    const QString line = QString::fromStdString(longLine);
    QCOMPARE(view_->Line(30), line);

    // Scroll down to it, then right to its end.
    view_->verticalScrollBar()->setValue(25);
    QCoreApplication::processEvents();
    QScrollBar* bar = view_->horizontalScrollBar();
    const qreal width = QFontMetricsF(view_->font()).horizontalAdvance(line);
    QVERIFY(bar->maximum() >= width - view_->viewport()->width());
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, PointAt(*view_, 30, 0));
    bar->setValue(bar->maximum());
    QCoreApplication::processEvents();
    const QPoint end = PointAt(*view_, 30, static_cast<int>(line.size()));
    QVERIFY(view_->viewport()->rect().contains(end));
    QCOMPARE(view_->PositionAt(end), (EventLogView::Position{30, static_cast<int>(line.size())}));
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::ShiftModifier, end);
    QCOMPARE(view_->SelectedText(), line);
    QTest::keyClick(view_, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(ClipboardText(), line);
    QVERIFY(!view_->grab().isNull());
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    tonvell::app::TonvellApplication app(argc, argv);
    EventLogViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "event_log_view_test.moc"
