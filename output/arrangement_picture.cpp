// SPDX-License-Identifier: MIT
#include "output/arrangement_picture.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "output/fixed_decimal.h"

namespace tonvell {

namespace {

constexpr double kPxPerSecond = 100;  // a five-minute piece is 30,000 px wide
constexpr double kRowPx = 7;          // one semitone
constexpr double kLeft = 56;          // room for the note names
constexpr double kRight = 24;
constexpr double kRowsTop = 92;  // below the header, legend and bar numbers
constexpr double kBottom = 12;
constexpr double kLegendWidth = 930;
constexpr double kMinNotePx = 1.5;  // the shortest note stays visible
constexpr double kMinLabelGap = 28;
constexpr std::size_t kMaxGridLines = 200000;

constexpr Rgb kText = 0x000000;

constexpr std::array<const char*, 12> kToneNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                    "F#", "G",  "G#", "A",  "A#", "B"};

// Seconds with three decimals, whatever the locale.
std::string Seconds(double seconds) {
    std::string text;
    AppendFixed(text, seconds, 3);
    return text;
}

// The smallest whole number at or above x, for x >= 0 (std::ceil, without
// the maths library: see fixed_decimal.h). From 2^52 up every double is whole.
double Ceiling(double x) {
    if (!(x >= 0 && x < 4503599627370496.0)) {
        return x;
    }
    const auto whole = static_cast<double>(static_cast<std::uint64_t>(x));
    return whole < x ? whole + 1 : whole;
}

Shape Rect(double x, double y, double w, double h, Rgb fill) {
    Shape s;
    s.x = x;
    s.y = y;
    s.w = w;
    s.h = h;
    s.fill = fill;
    return s;
}

Shape Line(double x, double y, double w, double h, Rgb stroke, double width = 1) {
    Shape s;
    s.kind = Shape::Kind::Line;
    s.x = x;
    s.y = y;
    s.w = w;
    s.h = h;
    s.stroke = stroke;
    s.strokeWidth = width;
    return s;
}

Shape Text(double x, double y, std::string text, double size = 11,
           Shape::Anchor anchor = Shape::Anchor::Start, Rgb colour = kText) {
    Shape s;
    s.kind = Shape::Kind::Text;
    s.x = x;
    s.y = y;
    s.text = std::move(text);
    s.fontSize = size;
    s.anchor = anchor;
    s.fill = colour;
    return s;
}

Shape Outline(double x, double y, double w, double h, Rgb stroke) {
    Shape s = Rect(x, y, w, h, kNoColour);
    s.stroke = stroke;
    return s;
}

void AddHeader(const Arrangement& a, std::vector<Shape>& out) {
    Shape title = Text(10, 20, a.fileName, 14);
    title.bold = true;
    out.push_back(std::move(title));
    std::string statistics;
    for (const std::string& line : a.statistics) {
        if (line.empty()) {
            continue;
        }
        statistics += (statistics.empty() ? "" : " · ") + line;
    }
    out.push_back(Text(10, 40, statistics, 12));
    // The legend: a swatch per voice, then the three ways a note is drawn
    // besides a plain bar.
    const double y = 52;
    double x = 10;
    for (int v = 0; v < zum::kVoiceCount; ++v) {
        out.push_back(Rect(x, y, 16, 10, VoiceColour(v)));
        out.push_back(Text(x + 21, y + 9.5, "голос " + std::to_string(v)));
        x += 84;
    }
    Shape lost = Rect(x, y, 16, 10, VoiceColour(0));
    lost.opacity = kLostPartOpacity;
    out.push_back(lost);
    out.push_back(Text(x + 21, y + 9.5, "потерянная часть"));
    x += 130;
    out.push_back(Line(x + 8, y - 2, 0, 14, kCutMarkColour, 2));
    out.push_back(Text(x + 16, y + 9.5, "голос взят другой нотой"));
    x += 176;
    Shape silent = Outline(x, y, 16, 10, kSilentColour);
    silent.dashed = true;
    out.push_back(silent);
    out.push_back(Text(x + 21, y + 9.5, "не звучит"));
}

void AddPitchRows(const ArrangementPicture& p, std::vector<Shape>& out) {
    for (int note = p.lowNote; note <= p.highNote; ++note) {
        if (IsBlackKey(note)) {
            out.push_back(
                Rect(kLeft, p.RowTop(note), p.width - kLeft - kRight, kRowPx, kBlackKeyRowColour));
        }
    }
    for (int note = p.lowNote; note <= p.highNote; note += 12) {
        const double bottom = p.RowTop(note) + kRowPx;
        out.push_back(Line(kLeft, bottom, p.width - kLeft - kRight, 0, kOctaveLineColour));
        out.push_back(
            Text(kLeft - 6, bottom - 0.5, NoteName(note), 10, Shape::Anchor::End, kLabelColour));
    }
}

// The time grid: bar lines when the file gives a metre, else a line per second.
void AddTimeGrid(const Arrangement& a, const ArrangementPicture& p, std::vector<Shape>& out) {
    const double top = p.rowsTop;
    const double height = (p.highNote - p.lowNote + 1) * kRowPx;
    double lastLabel = -1e9;
    const auto addLine = [&](double seconds, const std::string& label, bool strong) {
        const double x = p.X(seconds);
        out.push_back(Line(x, top, 0, height, strong ? kStrongLineColour : kBarLineColour));
        if (!label.empty() && x - lastLabel >= kMinLabelGap) {
            out.push_back(Text(x + 2, top - 5, label, 10, Shape::Anchor::Start, kLabelColour));
            lastLabel = x;
        }
    };
    const std::vector<std::int64_t> bars = BarTicks(a, kMaxGridLines);
    if (!bars.empty()) {
        for (std::size_t i = 0; i < bars.size(); ++i) {
            addLine(a.SecondsAtTick(bars[i]), std::to_string(i + 1), i % 4 == 0);
        }
        return;
    }
    const double seconds = Ceiling(a.end.seconds);
    for (int s = 0; s <= seconds && static_cast<std::size_t>(s) < kMaxGridLines; ++s) {
        addLine(s, s % 5 == 0 ? ClockText(s) : std::string(), s % 5 == 0);
    }
}

}  // namespace

std::string NoteTitle(const Arrangement& a, const ArrangedNote& n) {
    std::string t = NoteName(n.note) + " (" + std::to_string(n.note) + "), канал " +
                    std::to_string(n.channel + 1) + "\n" + Seconds(n.start.seconds) + "–" +
                    Seconds(n.end.seconds) + " с, тики " + std::to_string(n.start.tick) + "–" +
                    std::to_string(n.end.tick) + "\n";
    const std::string voice = "голос " + std::to_string(n.voice);
    const auto taker = [&] {
        const ArrangedNote& by = a.notes[static_cast<std::size_t>(n.takenBy)];
        return NoteName(by.note) + " (канал " + std::to_string(by.channel + 1) + ")";
    };
    switch (n.fate) {
        case NoteFate::IgnoredChannel:
            t += a.choices.channels == kDefaultChannels
                     ? "не звучит: каналы 10–16 не участвуют"
                     : "не звучит: канал " + std::to_string(n.channel + 1) + " не выбран";
            break;
        case NoteFate::Muted:
            t += "не звучит: все шесть голосов заняты";
            break;
        case NoteFate::Played:
            t += "звучит: " + voice;
            if (!n.endSeen) {
                t += ", до конца пьесы";
            }
            break;
        case NoteFate::CutShort:
            if (n.NeverSounds()) {
                t += "не звучит: " + voice + " сразу взят нотой " + taker();
            } else {
                t += "обрезана: " + voice + " взят в " + Seconds(n.cut.seconds) + " с нотой " +
                     taker() + "; потеряно " + Seconds(n.end.seconds - n.cut.seconds) + " с";
            }
            break;
    }
    if (n.OctaveFolded()) {
        t += "\nвыше B6: тот же код ноты, что у " + NoteName(84 + n.note % 12);
    }
    return t;
}

void DrawNote(const ArrangedNote& n, const ArrangementPicture& p, std::vector<Shape>& shapes) {
    const double y = p.RowTop(n.note) + 1;
    const double h = p.rowPx - 2;
    const double x0 = p.X(n.start.seconds);
    // A pixel's gap at the end keeps repeated notes of one pitch apart.
    const auto width = [](double from, double to) {
        const double w = to - from;
        return w > 3 * kMinNotePx ? w - 1 : std::max(w, kMinNotePx);
    };
    if (n.fate == NoteFate::IgnoredChannel || n.fate == NoteFate::Muted) {
        Shape s = Outline(x0, y, width(x0, p.X(n.end.seconds)), h, kSilentColour);
        s.dashed = true;
        shapes.push_back(s);
        return;
    }
    const Rgb colour = VoiceColour(n.voice);
    if (n.fate == NoteFate::Played) {
        shapes.push_back(Rect(x0, y, width(x0, p.X(n.end.seconds)), h, colour));
        return;
    }
    const double xCut = p.X(n.cut.seconds);
    const double xEnd = p.X(n.end.seconds);
    if (n.NeverSounds()) {
        shapes.push_back(Outline(x0, y, width(x0, xEnd), h, colour));
    } else {
        shapes.push_back(Rect(x0, y, width(x0, xCut), h, colour));
        if (xEnd > xCut) {
            Shape lost = Rect(xCut, y, xEnd - xCut, h, colour);
            lost.opacity = kLostPartOpacity;
            shapes.push_back(lost);
        }
    }
    shapes.push_back(Line(xCut, y - 2, 0, h + 4, kCutMarkColour, 1.5));
}

std::string ClockText(std::int64_t seconds) {
    const std::int64_t s = seconds % 60;
    return std::to_string(seconds / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
}

std::vector<std::int64_t> BarTicks(const Arrangement& a, std::size_t limit) {
    std::vector<std::int64_t> bars;
    if (a.ticksPerQuarter == 0 || a.timeSignatures.empty()) {
        return bars;
    }
    for (std::size_t i = 0; i < a.timeSignatures.size() && bars.size() < limit; ++i) {
        const TimeSignatureAt& ts = a.timeSignatures[i];
        const std::int64_t until =
            i + 1 < a.timeSignatures.size() ? a.timeSignatures[i + 1].at.tick : a.end.tick + 1;
        const std::int64_t bar =
            std::int64_t{a.ticksPerQuarter} * 4 * ts.numerator / ts.denominator;
        if (bar <= 0) {
            break;
        }
        for (std::int64_t t = ts.at.tick; t < until && bars.size() < limit; t += bar) {
            bars.push_back(t);
        }
    }
    if (bars.size() >= limit) {
        bars.clear();
    }
    return bars;
}

Rgb VoiceColour(int voice) {
    static constexpr std::array<Rgb, zum::kVoiceCount> kColours = {
        0xE69F00,  // orange
        0x0072B2,  // blue
        0x009E73,  // green
        0xD55E00,  // vermilion
        0xCC79A7,  // purple
        0x56B4E9,  // sky blue
    };
    return voice >= 0 && voice < zum::kVoiceCount ? kColours[static_cast<std::size_t>(voice)]
                                                  : kSilentColour;
}

bool IsBlackKey(int note) {
    const int tone = note % 12;
    return tone == 1 || tone == 3 || tone == 6 || tone == 8 || tone == 10;
}

std::string NoteName(int note) {
    return kToneNames[static_cast<std::size_t>(note % 12)] + std::to_string(note / 12 - 1);
}

ArrangementPicture LayOutArrangement(const Arrangement& a) {
    ArrangementPicture p;
    int low = 127;
    int high = 0;
    for (const ArrangedNote& n : a.notes) {
        low = std::min<int>(low, n.note);
        high = std::max<int>(high, n.note);
    }
    if (low > high) {
        low = 60;
        high = 71;
    }
    p.lowNote = low / 12 * 12;
    p.highNote = std::min(high / 12 * 12 + 11, 127);
    p.rowPx = kRowPx;
    p.rowsTop = kRowsTop;
    p.timeLeft = kLeft;
    p.pxPerSecond = kPxPerSecond;
    double last = a.end.seconds;
    for (const ArrangedNote& n : a.notes) {
        last = std::max(last, n.end.seconds);
    }
    p.width = Ceiling(std::max(kLeft + last * kPxPerSecond + kRight, kLegendWidth));
    p.height = kRowsTop + (p.highNote - p.lowNote + 1) * kRowPx + kBottom;

    p.background.push_back(Rect(0, 0, p.width, p.height, kPictureBackground));
    AddHeader(a, p.background);
    AddPitchRows(p, p.background);
    AddTimeGrid(a, p, p.background);
    p.notes.reserve(a.notes.size());
    for (std::size_t i = 0; i < a.notes.size(); ++i) {
        NoteShapes& drawn = p.notes.emplace_back();
        drawn.note = static_cast<std::int32_t>(i);
        drawn.title = NoteTitle(a, a.notes[i]);
        DrawNote(a.notes[i], p, drawn.shapes);
    }
    return p;
}

}  // namespace tonvell
