// SPDX-License-Identifier: MIT
#pragma once
// The arrangement picture of the current file in a window of its own, which
// can be resized, zoomed and scrolled, with a play-head that follows the
// player. It shows the shapes the SVG writer writes.

#include <QWidget>

#include "convert/arrangement.h"
#include "output/arrangement_picture.h"

class QGraphicsLineItem;
class QGraphicsScene;
class QGraphicsView;
class QLabel;

namespace tonvell::app {

// A scene of the picture's shapes: one item group per note, its tooltip the
// note's title.
QGraphicsScene* BuildArrangementScene(const ArrangementPicture& picture, QObject* parent);

class ArrangementWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ArrangementWindow(QWidget* parent = nullptr);

    // Shows the arrangement of a new conversion; the play-head goes to 0.
    void ShowArrangement(Arrangement arrangement);
    const Arrangement& Shown() const { return arrangement_; }
    // Puts the play-head where the player stands on line (from 0) of the
    // converted listing; when scroll, keeps it in view.
    void FollowPlayer(int line, bool scroll);
    // Says whether the listing box differs from the converted listing.
    void SetListingEdited(bool edited);

    QGraphicsScene* Scene() const { return scene_; }
    QGraphicsView* View() const { return view_; }
    QGraphicsLineItem* PlayHead() const { return playHead_; }
    double PlayHeadSeconds() const { return playHeadSeconds_; }
    const ArrangementPicture& Picture() const { return picture_; }
    bool EditedNoteShown() const;
    // 1 is one scene pixel a screen pixel.
    void Zoom(double factor);
    double ZoomLevel() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ScrollHome();

    Arrangement arrangement_;
    ArrangementPicture picture_;
    QLabel* editedNote_ = nullptr;
    QGraphicsView* view_ = nullptr;
    QGraphicsScene* scene_ = nullptr;
    QGraphicsLineItem* playHead_ = nullptr;
    double playHeadSeconds_ = 0;
    bool shownOnce_ = false;
};

}  // namespace tonvell::app
