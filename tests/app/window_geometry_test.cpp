// SPDX-License-Identifier: MIT
// The window's size on real screens, run on a virtual X server of a given
// size at a given scale (QT_SCALE_FACTOR): it opens at its design size where
// that fits the screen, never larger than the screen, every control within
// reach; made larger, the listing takes the most room; its size comes back
// at the next start.

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/tform1.h"
#include "app/window_layout.h"
#include "test_support.h"

namespace {

const QSize kDesign(1037, 349);

// The part of the window the content shows in: less the scroll bars shown.
QRect View(const TForm1& form) {
    const QScrollBar* horizontal = form.findChild<QScrollBar*>("WindowHorizontalScrollBar");
    const QScrollBar* vertical = form.findChild<QScrollBar*>("WindowVerticalScrollBar");
    return {0, 0, vertical->isVisible() ? vertical->x() : form.width(),
            horizontal->isVisible() ? horizontal->y() : form.height()};
}

QRect InWindow(const QWidget* control, const TForm1& form) {
    return {control->mapTo(&form, QPoint(0, 0)), control->size()};
}

}  // namespace

class WindowGeometryTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void opensWithinTheScreen();
    void everyControlCanBeReached();
    void growingGrowsTheListing();
    void sizeComesBackAtTheNextStart();
    void keptSizeLargerThanTheScreenIsCut();

private:
    void Start();
    QString SettingsFile() const { return start_->filePath(QStringLiteral("Cfg.ini")); }

    QString launchFolder_;
    std::unique_ptr<QTemporaryDir> start_;
    std::vector<tonvell::test::ShownBox> boxes_;
    std::unique_ptr<TForm1> form_;
};

void WindowGeometryTest::init() {
    launchFolder_ = QDir::currentPath();
    start_ = std::make_unique<QTemporaryDir>();
    QVERIFY(start_->isValid());
    Start();
}

void WindowGeometryTest::cleanup() {
    form_.reset();
    QDir::setCurrent(launchFolder_);
    start_.reset();
}

void WindowGeometryTest::Start() {
    form_.reset();
    QVERIFY(QDir::setCurrent(start_->path()));
    form_ = std::make_unique<TForm1>(tonvell::playback::SoundBackends{});
    form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void WindowGeometryTest::opensWithinTheScreen() {
    const QRect area = form_->screen()->availableGeometry();
    qInfo("screen %dx%d, window %dx%d at %d,%d", area.width(), area.height(), form_->width(),
          form_->height(), form_->x(), form_->y());
    QVERIFY(area.contains(form_->frameGeometry()));
    if (area.width() >= kDesign.width() && area.height() >= kDesign.height() + 40) {
        // Room for it: the design size, centred.
        QCOMPARE(form_->size(), kDesign);
        QVERIFY(qAbs(form_->geometry().center().x() - area.center().x()) <= 1);
        QVERIFY(qAbs(form_->geometry().center().y() - area.center().y()) <= 1);
        QCOMPARE(View(*form_), QRect(QPoint(0, 0), kDesign));
    } else {
        QVERIFY(form_->width() < kDesign.width() || form_->height() < kDesign.height());
    }
}

// Each control the user sees can be brought into the view: those that take
// the focus by moving it there (as Tab does), the others by the scroll bars.
void WindowGeometryTest::everyControlCanBeReached() {
    TForm1& f = *form_;
    f.Button5->setEnabled(true);  // Stop, as while playing
    const QList<QWidget*> hidden = f.HiddenControls();
    for (QWidget* control : f.findChildren<QWidget*>()) {
        if (!control->isVisibleTo(&f) || qobject_cast<QScrollBar*>(control->parentWidget()) ||
            control->objectName().isEmpty() || control->objectName().startsWith("qt_") ||
            control->objectName().startsWith("Window") || hidden.contains(control)) {
            continue;
        }
        if (control->focusPolicy() != Qt::NoFocus && control->isEnabled()) {
            control->setFocus();
            QCoreApplication::processEvents();
        } else {
            f.Layout().EnsureVisible(control);
        }
        const QRect place = InWindow(control, f);
        const QRect view = View(f);
        QVERIFY2(
            view.contains(place) ||
                (place.width() > view.width() && view.left() <= place.left() && place.top() >= 0) ||
                (place.height() > view.height() && place.top() >= 0),
            qPrintable(QStringLiteral("%1 at %2,%3 %4x%5, view %6x%7")
                           .arg(control->objectName())
                           .arg(place.x())
                           .arg(place.y())
                           .arg(place.width())
                           .arg(place.height())
                           .arg(view.width())
                           .arg(view.height())));
    }
}

void WindowGeometryTest::growingGrowsTheListing() {
    const QRect area = form_->screen()->availableGeometry();
    if (area.width() < kDesign.width() + 100 || area.height() < kDesign.height() + 100) {
        QSKIP("the screen has no room to make the window larger");
    }
    TForm1& f = *form_;
    const int listing = f.Memo2->width();
    const int log = f.Memo1->width();
    const int files = f.FileListBox1->width();
    const int lines = f.Memo2->height();
    const QRect player = f.GroupBox3->geometry();
    f.resize(area.width(), area.height() - 60);
    QCoreApplication::processEvents();
    QVERIFY(f.Memo2->width() > listing);
    QVERIFY(f.Memo2->width() - listing > f.Memo1->width() - log);
    QVERIFY(f.Memo1->width() > log);
    QVERIFY(f.FileListBox1->width() > files);
    QVERIFY(f.Memo2->height() > lines);
    QCOMPARE(f.GroupBox3->size(), player.size());
    QVERIFY(View(f) == f.rect());
}

// The size is kept in a section of its own after the six keys; a window the
// user never resized writes none.
void WindowGeometryTest::sizeComesBackAtTheNextStart() {
    const QSize opened = form_->size();
    QVERIFY(form_->close());
    QByteArray untouched;
    {
        QFile file(SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        untouched = file.readAll();
        QVERIFY(!untouched.contains("[Window]"));
    }
    Start();
    QCOMPARE(form_->size(), opened);
    const QSize wanted(std::min(opened.width(), 700) - 40, std::min(opened.height(), 340) - 30);
    form_->resize(wanted);
    QCoreApplication::processEvents();
    QVERIFY(form_->close());
    QFile file(SettingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(untouched));
    QCOMPARE(bytes.mid(untouched.size()), QStringLiteral("\n[Window]\nWidth=%1\nHeight=%2\n")
                                              .arg(wanted.width())
                                              .arg(wanted.height())
                                              .toUtf8());
    Start();
    QCOMPARE(form_->size(), wanted);
}

void WindowGeometryTest::keptSizeLargerThanTheScreenIsCut() {
    form_.reset();
    tonvell::test::WriteFile(SettingsFile(), "[Window]\nWidth=9000\nHeight=7000\n");
    Start();
    const QRect area = form_->screen()->availableGeometry();
    QVERIFY(area.contains(form_->frameGeometry()));
    QCOMPARE(form_->width(), area.width());
    // Closed unchanged: the kept size stays, for a larger screen.
    QVERIFY(form_->close());
    QFile file(SettingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("[Window]\nWidth=9000\nHeight=7000\n"));
}

QTEST_MAIN(WindowGeometryTest)
#include "window_geometry_test.moc"
