// SPDX-License-Identifier: MIT
#include "app/arrangement_window.h"

#include <QBoxLayout>
#include <QGraphicsItemGroup>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace tonvell::app {

namespace {

constexpr double kZoomStep = 1.25;
constexpr double kMinZoom = 0.05;
constexpr double kMaxZoom = 8;
constexpr QRgb kPlayHeadColour = 0xFFD00000;

QColor ColourOf(Rgb rgb, double opacity = 1) {
    QColor c(static_cast<QRgb>(rgb));
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

QPen PenOf(const Shape& s) {
    if (s.stroke == kNoColour) {
        return Qt::NoPen;
    }
    QPen pen(ColourOf(s.stroke, s.opacity), s.strokeWidth);
    pen.setCosmetic(false);
    if (s.dashed) {
        pen.setDashPattern({3 / s.strokeWidth, 2 / s.strokeWidth});
    }
    return pen;
}

QBrush BrushOf(const Shape& s) {
    return s.fill == kNoColour ? QBrush(Qt::NoBrush) : QBrush(ColourOf(s.fill, s.opacity));
}

QGraphicsItem* ItemOf(const Shape& s) {
    switch (s.kind) {
        case Shape::Kind::Rect: {
            auto* item = new QGraphicsRectItem(s.x, s.y, s.w, s.h);
            item->setPen(PenOf(s));
            item->setBrush(BrushOf(s));
            return item;
        }
        case Shape::Kind::Line: {
            auto* item = new QGraphicsLineItem(s.x, s.y, s.x + s.w, s.y + s.h);
            item->setPen(PenOf(s));
            return item;
        }
        case Shape::Kind::Text: {
            auto* item = new QGraphicsSimpleTextItem(QString::fromStdString(s.text));
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(static_cast<int>(std::lround(s.fontSize)));
            font.setBold(s.bold);
            item->setFont(font);
            item->setBrush(BrushOf(s));
            // The shape's y is the text's baseline.
            const QFontMetricsF metrics(font);
            double x = s.x;
            if (s.anchor == Shape::Anchor::Middle) {
                x -= item->boundingRect().width() / 2;
            } else if (s.anchor == Shape::Anchor::End) {
                x -= item->boundingRect().width();
            }
            item->setPos(x, s.y - metrics.ascent());
            return item;
        }
    }
    return nullptr;
}

}  // namespace

QGraphicsScene* BuildArrangementScene(const ArrangementPicture& picture, QObject* parent) {
    auto* scene = new QGraphicsScene(0, 0, picture.width, picture.height, parent);
    for (const Shape& s : picture.background) {
        scene->addItem(ItemOf(s));
    }
    for (const NoteShapes& note : picture.notes) {
        auto* group = new QGraphicsItemGroup;
        for (const Shape& s : note.shapes) {
            group->addToGroup(ItemOf(s));
        }
        group->setToolTip(QString::fromStdString(note.title));
        group->setData(0, note.note);
        scene->addItem(group);
    }
    return scene;
}

ArrangementWindow::ArrangementWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Аранжировка"));
    editedNote_ = new QLabel(QStringLiteral(
        "Листинг изменён вручную: картинка показывает пьесу, какой её дало преобразование."));
    editedNote_->setStyleSheet(QStringLiteral("color: #a00000;"));
    editedNote_->setWordWrap(true);
    editedNote_->hide();
    view_ = new QGraphicsView;
    view_->setDragMode(QGraphicsView::ScrollHandDrag);
    view_->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    view_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view_->viewport()->installEventFilter(this);

    auto* zoomIn = new QPushButton(QStringLiteral("+"));
    auto* zoomOut = new QPushButton(QStringLiteral("−"));
    auto* zoomReset = new QPushButton(QStringLiteral("1:1"));
    for (QPushButton* b : {zoomIn, zoomOut, zoomReset}) {
        b->setFixedWidth(40);
    }
    zoomIn->setToolTip(QStringLiteral("Крупнее (Ctrl+колесо)"));
    zoomOut->setToolTip(QStringLiteral("Мельче (Ctrl+колесо)"));
    connect(zoomIn, &QPushButton::clicked, this, [this] { Zoom(kZoomStep); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { Zoom(1 / kZoomStep); });
    connect(zoomReset, &QPushButton::clicked, this, [this] { Zoom(1 / ZoomLevel()); });

    auto* tools = new QHBoxLayout;
    tools->addWidget(zoomOut);
    tools->addWidget(zoomIn);
    tools->addWidget(zoomReset);
    tools->addWidget(editedNote_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(tools);
    layout->addWidget(view_, 1);
    resize(1000, 520);
}

void ArrangementWindow::ShowArrangement(Arrangement arrangement) {
    arrangement_ = std::move(arrangement);
    picture_ = LayOutArrangement(arrangement_);
    QGraphicsScene* old = scene_;
    scene_ = BuildArrangementScene(picture_, this);
    playHead_ = scene_->addLine(picture_.X(0), 0, picture_.X(0), picture_.height,
                                QPen(QColor::fromRgba(kPlayHeadColour), 2));
    playHead_->setZValue(1);
    playHeadSeconds_ = 0;
    view_->setScene(scene_);
    delete old;
    ScrollHome();
    setWindowTitle(QStringLiteral("Аранжировка: ") + QString::fromStdString(arrangement_.fileName));
}

// A new picture starts at its top left: the header, the legend and time 0.
void ArrangementWindow::ScrollHome() {
    view_->horizontalScrollBar()->setValue(view_->horizontalScrollBar()->minimum());
    view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->minimum());
}

void ArrangementWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        ScrollHome();
    }
}

void ArrangementWindow::FollowPlayer(int line, bool scroll) {
    if (playHead_ == nullptr) {
        return;
    }
    playHeadSeconds_ = arrangement_.SecondsAtLine(line);
    const double x = picture_.X(playHeadSeconds_);
    playHead_->setLine(x, 0, x, picture_.height);
    if (scroll && isVisible()) {
        view_->ensureVisible(QRectF(x, view_->mapToScene(0, 0).y(), 1, 1), 120, 0);
    }
}

void ArrangementWindow::SetListingEdited(bool edited) {
    editedNote_->setVisible(edited);
}

bool ArrangementWindow::EditedNoteShown() const {
    return !editedNote_->isHidden();
}

double ArrangementWindow::ZoomLevel() const {
    return view_->transform().m11();
}

void ArrangementWindow::Zoom(double factor) {
    const double level = std::clamp(ZoomLevel() * factor, kMinZoom, kMaxZoom);
    view_->setTransform(QTransform::fromScale(level, level));
}

bool ArrangementWindow::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl and the wheel zoom about the mouse; the wheel alone scrolls, and
    // Shift and the wheel scroll sideways, as the view does anyway.
    if (watched == view_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            Zoom(wheel->angleDelta().y() > 0 ? kZoomStep : 1 / kZoomStep);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tonvell::app
