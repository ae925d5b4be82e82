// SPDX-License-Identifier: MIT
#include "app/window_layout.h"

#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace tonvell::app {

namespace {

int Share(float share, int extra) {
    return static_cast<int>(std::lround(share * static_cast<float>(extra)));
}

int BarExtent(const QWidget& window) {
    return window.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &window);
}

}  // namespace

QRect GrownRect(const QRect& design, const Growth& growth, QSize extra) {
    return QRect(QPoint(design.left() + Share(growth.left, extra.width()),
                        design.top() + Share(growth.top, extra.height())),
                 QPoint(design.right() + Share(growth.right, extra.width()),
                        design.bottom() + Share(growth.bottom, extra.height())));
}

QSize OpeningSize(QSize wanted, QSize minimum, const QRect& area, int titleBar, int scrollBar) {
    const QSize room(area.width(), area.height() - titleBar);
    QSize size = wanted.boundedTo(room);
    if (size.width() < wanted.width()) {
        size.rheight() = std::min(size.height() + scrollBar, room.height());
    }
    if (size.height() < wanted.height()) {
        size.rwidth() = std::min(size.width() + scrollBar, room.width());
    }
    return size.expandedTo(minimum);
}

WindowLayout::WindowLayout(QWidget& window, QSize design)
    : window_(window),
      design_(design),
      horizontal_(new QScrollBar(Qt::Horizontal, &window)),
      vertical_(new QScrollBar(Qt::Vertical, &window)) {
    for (QScrollBar* bar : {horizontal_, vertical_}) {
        bar->setObjectName(bar == horizontal_ ? QStringLiteral("WindowHorizontalScrollBar")
                                              : QStringLiteral("WindowVerticalScrollBar"));
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
        QObject::connect(bar, &QScrollBar::valueChanged, &window, [this] { Arrange(); });
    }
}

void WindowLayout::SetTable(std::vector<Placement> table) {
    table_ = std::move(table);
    Arrange();
}

void WindowLayout::Add(const std::vector<Placement>& rows) {
    table_.insert(table_.end(), rows.begin(), rows.end());
    Arrange();
}

QSize WindowLayout::ContentSize(bool& horizontalBar, bool& verticalBar) const {
    const int extent = BarExtent(window_);
    const QSize window = window_.size();
    horizontalBar = window.width() < design_.width();
    verticalBar = window.height() < design_.height();
    // One bar takes room from the other axis, which may then need its own.
    verticalBar = verticalBar || (horizontalBar && window.height() - extent < design_.height());
    horizontalBar = horizontalBar || (verticalBar && window.width() - extent < design_.width());
    return QSize(window.width() - (verticalBar ? extent : 0),
                 window.height() - (horizontalBar ? extent : 0));
}

void WindowLayout::Arrange() {
    bool horizontalBar = false;
    bool verticalBar = false;
    const QSize viewport = ContentSize(horizontalBar, verticalBar);
    const QSize content = viewport.expandedTo(design_);
    const int extent = BarExtent(window_);

    const auto setBar = [](QScrollBar* bar, bool shown, int range, int page, const QRect& place) {
        const QSignalBlocker quiet(bar);
        bar->setRange(0, shown ? range : 0);
        bar->setPageStep(page);
        bar->setSingleStep(20);
        bar->setGeometry(place);
        bar->setVisible(shown);
        if (shown) {
            bar->raise();
        }
    };
    setBar(horizontal_, horizontalBar, content.width() - viewport.width(), viewport.width(),
           QRect(0, viewport.height(), viewport.width(), extent));
    setBar(vertical_, verticalBar, content.height() - viewport.height(), viewport.height(),
           QRect(viewport.width(), 0, extent, viewport.height()));

    const QSize extra = content - design_;
    const QPoint scrolled = ScrollPosition();
    for (const Placement& row : table_) {
        QWidget* parent = row.control->parentWidget();
        if (parent == &window_) {
            row.control->setGeometry(
                GrownRect(row.design, row.growth, extra).translated(-scrolled));
            continue;
        }
        // Inside a group: the group's own growth is what its controls follow.
        const auto group = std::find_if(table_.begin(), table_.end(), [parent](const Placement& p) {
            return p.control == parent;
        });
        const QSize groupExtra =
            group == table_.end() ? QSize(0, 0) : parent->size() - group->design.size();
        row.control->setGeometry(GrownRect(row.design, row.growth, groupExtra));
    }
}

QPoint WindowLayout::ScrollPosition() const {
    return {horizontal_->isVisibleTo(&window_) ? horizontal_->value() : 0,
            vertical_->isVisibleTo(&window_) ? vertical_->value() : 0};
}

void WindowLayout::EnsureVisible(const QWidget* control) {
    if (control == nullptr || !window_.isAncestorOf(control)) {
        return;
    }
    const QRect place(control->mapTo(&window_, QPoint(0, 0)), control->size());
    bool horizontalBar = false;
    bool verticalBar = false;
    const QSize viewport = ContentSize(horizontalBar, verticalBar);
    const auto bring = [](QScrollBar* bar, bool shown, int start, int length, int room) {
        if (!shown) {
            return;
        }
        // The control's start in view with a margin around it, and as much
        // of it as fits.
        constexpr int kMargin = 16;
        const int end = start + std::min(length, room - 2 * kMargin);
        if (start < kMargin) {
            bar->setValue(bar->value() + start - kMargin);
        } else if (end > room - kMargin) {
            bar->setValue(bar->value() + end - room + kMargin);
        }
    };
    bring(horizontal_, horizontalBar, place.left(), place.width(), viewport.width());
    bring(vertical_, verticalBar, place.top(), place.height(), viewport.height());
}

}  // namespace tonvell::app
