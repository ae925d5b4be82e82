// SPDX-License-Identifier: MIT
#pragma once
// The musician's choice of what the six voices play: a check box per MIDI
// channel (with the channel's number of notes and the names the file gives
// it), the transposition, which notes to keep when all voices sound, and a
// way back to the defaults. The panel only shows and collects the choices;
// the window converts again when they change.

#include <QWidget>
#include <array>

#include "convert/channel_summary.h"
#include "convert/note_choices.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tonvell::app {

class ArrangerChoices : public QWidget {
    Q_OBJECT
public:
    explicit ArrangerChoices(QWidget* parent = nullptr);

    NoteChoices Choices() const;
    // Shows choices without announcing a change.
    void SetChoices(const NoteChoices& choices);
    // Shows what each channel of the converted file holds, and the
    // conversion's line of note-ons passed over (empty when none was).
    void ShowChannels(const ChannelSummary& summary, const QString& passedOver = {});

    QCheckBox* ChannelBox(int channel) const { return channelBoxes_[channel]; }
    QLabel* ChannelNotes(int channel) const { return noteCounts_[channel]; }
    QLabel* ChannelNames(int channel) const { return names_[channel]; }
    QSpinBox* TransposeBox() const { return transpose_; }
    QComboBox* KeepBox() const { return keep_; }
    QPushButton* DefaultsButton() const { return defaults_; }
    QLabel* PassedOver() const { return passedOver_; }

signals:
    // The user changed a choice (not SetChoices).
    void ChoicesChanged();

private:
    void BuildChannels(QGridLayout* grid);

    std::array<QCheckBox*, kChannelCount> channelBoxes_{};
    std::array<QLabel*, kChannelCount> noteCounts_{};
    std::array<QLabel*, kChannelCount> names_{};
    QSpinBox* transpose_ = nullptr;
    QComboBox* keep_ = nullptr;
    QPushButton* defaults_ = nullptr;
    QLabel* passedOver_ = nullptr;
};

// The panel in its own window beside owner, which it stays above; shown
// when its window is.
ArrangerChoices* NewArrangerChoicesWindow(QWidget* owner);

// The choices kept in the settings file, section NoteChoices; the defaults
// for a missing file, section or key, or a value that does not read.
NoteChoices ReadNoteChoices(const QString& path);

// Writes the section's three keys, keeping the rest of the file. Choices at
// their defaults are written only into a file that has the section already,
// so that a settings file stays as it was until a choice is made. False when
// the file could not be written.
bool WriteNoteChoices(const QString& path, const NoteChoices& choices);

}  // namespace tonvell::app
