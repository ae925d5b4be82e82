// SPDX-License-Identifier: MIT
#pragma once
// The arrangement picture of the current file in a window of its own: the
// file's name and statistics, the legend, and the picture with its rulers,
// zoomed in time and in pitch and scrolled, with a play-head that follows
// the player. It shows the shapes the SVG writer writes.

#include <QWidget>

#include "convert/arrangement.h"
#include "convert/conversion.h"

class QLabel;

namespace tonvell::app {

class ArrangementLegend;
class ArrangementView;

class ArrangementWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ArrangementWindow(QWidget* parent = nullptr);

    // Shows the arrangement of a new conversion; the play-head goes to 0.
    void ShowArrangement(Arrangement arrangement);
    // Shows the arrangement a conversion built, or, for a file refused or
    // not read, the reason there is no picture.
    void ShowConversion(const ConversionResult& result, Arrangement arrangement,
                        const QString& fileName);
    // Shows no picture but the reason there is none.
    void ShowRefusal(const QString& fileName, const QString& reason);
    const Arrangement& Shown() const { return arrangement_; }
    // Puts the play-head where the player stands on line (from 0) of the
    // converted listing; while playing, keeps it a third from the left.
    void FollowPlayer(int line, bool playing);
    // Says whether the listing box differs from the converted listing.
    void SetListingEdited(bool edited);

    ArrangementView* View() const { return view_; }
    ArrangementLegend* Legend() const { return legend_; }
    double PlayHeadSeconds() const;
    bool EditedNoteShown() const;
    QString RefusalShown() const;
    // The listing line (from 0) at which the player stands to play from the
    // moment on: the line of the first command at or after it. The inverse
    // of Arrangement::SecondsAtLine.
    int LineAtSeconds(double seconds) const;

signals:
    // The keys of the main window's player, pressed in this window.
    void PlayRequested();
    void StopRequested();
    void RewindRequested();
    // A click on the picture while the player is idle: the line to put the
    // player on.
    void LineChosen(int line);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildTools();
    void BindPlayerKeys();

    Arrangement arrangement_;
    QWidget* tools_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* statistics_ = nullptr;
    QLabel* editedNote_ = nullptr;
    QLabel* refusal_ = nullptr;
    ArrangementLegend* legend_ = nullptr;
    ArrangementView* view_ = nullptr;
    bool playing_ = false;
    bool shownOnce_ = false;
};

}  // namespace tonvell::app
