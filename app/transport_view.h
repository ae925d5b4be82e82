// SPDX-License-Identifier: MIT
#pragma once
// Where playback stands, beside the player group: the time played and the
// piece's whole length (m:ss), the bar, and six lamps in the voice colours
// of the arrangement picture, each lit with the name of the note its voice
// sounds now.

#include <QWidget>
#include <array>
#include <cstdint>

namespace tonvell::app {

class TransportView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kVoices = 6;

    explicit TransportView(QWidget* parent = nullptr);

    void SetTimes(double elapsedSeconds, double totalSeconds);
    // bar from 1; 0 when the piece gives no metre or the listing was edited.
    void SetBar(int bar);
    // The command byte (note) each voice sounds; 0 when it is silent.
    void SetVoices(const std::array<std::uint8_t, kVoices>& notes);

    QString TimeText() const;
    QString BarText() const;
    // The name of the note voice sounds ("C4"), empty when it is silent.
    QString VoiceText(int voice) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Describe();

    double elapsed_ = 0;
    double total_ = 0;
    int bar_ = 0;
    std::array<std::uint8_t, kVoices> notes_{};
};

// "m:ss", the seconds rounded down.
QString MinutesAndSeconds(double seconds);

}  // namespace tonvell::app
