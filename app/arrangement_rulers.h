// SPDX-License-Identifier: MIT
#pragma once
// The two rulers pinned beside the arrangement picture: note names at the
// left, bar numbers (or the clock) at the top. They paint what the picture
// shows at its present scroll and zoom.

#include <QWidget>

namespace tonvell::app {

class ArrangementView;

class NoteRuler final : public QWidget {
public:
    static constexpr int kWidth = 46;
    explicit NoteRuler(const ArrangementView& view, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ArrangementView& view_;
};

class BarRuler final : public QWidget {
public:
    static constexpr int kHeight = 20;
    explicit BarRuler(const ArrangementView& view, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ArrangementView& view_;
};

}  // namespace tonvell::app
