// SPDX-License-Identifier: MIT
#pragma once
// The picture of an arrangement as plain shapes: time left to right, pitch
// bottom to top, a colour per voice. The SVG writer and the window's picture
// view both draw these shapes, so they show the same picture.

#include <cstdint>
#include <string>
#include <vector>

#include "convert/arrangement.h"

namespace tonvell {

using Rgb = std::uint32_t;  // 0xRRGGBB
inline constexpr Rgb kNoColour = 0xFFFFFFFFu;

// Six colours told apart also by readers with a red-green colour deficiency.
Rgb VoiceColour(int voice);
inline constexpr Rgb kSilentColour = 0x6E6E6E;  // outlines of notes that never sound
inline constexpr Rgb kCutMarkColour = 0x000000;
inline constexpr double kLostPartOpacity = 0.25;
// The picture's ground: white, a light grey row for each black key, lines
// at the octaves, the bars and every fourth bar, and the labels.
inline constexpr Rgb kPictureBackground = 0xFFFFFF;
inline constexpr Rgb kBlackKeyRowColour = 0xF2F2F2;
inline constexpr Rgb kOctaveLineColour = 0xB4B4B4;
inline constexpr Rgb kBarLineColour = 0xD0D0D0;
inline constexpr Rgb kStrongLineColour = 0xA8A8A8;
inline constexpr Rgb kLabelColour = 0x404040;

bool IsBlackKey(int note);

struct Shape {
    enum class Kind : std::uint8_t { Rect, Line, Text };
    Kind kind = Kind::Rect;
    // Rect: corner and size. Line: from (x, y) to (x + w, y + h). Text: the
    // baseline's start (or middle, or end by anchor).
    double x = 0, y = 0, w = 0, h = 0;
    Rgb fill = kNoColour;
    Rgb stroke = kNoColour;
    double strokeWidth = 1;
    double opacity = 1;
    bool dashed = false;
    std::string text;  // UTF-8
    double fontSize = 11;
    bool bold = false;
    enum class Anchor : std::uint8_t { Start, Middle, End };
    Anchor anchor = Anchor::Start;
};

struct NoteShapes {
    std::int32_t note = 0;  // index into the arrangement's notes
    std::string title;      // what became of it, in words
    std::vector<Shape> shapes;
};

struct ArrangementPicture {
    double width = 0;
    double height = 0;
    // Where time 0 stands and how many pixels a second takes.
    double timeLeft = 0;
    double pxPerSecond = 0;
    // The pitch rows shown: whole octaves around the notes.
    int lowNote = 0;
    int highNote = 0;
    double rowsTop = 0;
    double rowPx = 0;
    std::vector<Shape> background;  // header, legend, grid and labels
    std::vector<NoteShapes> notes;

    double X(double seconds) const { return timeLeft + seconds * pxPerSecond; }
    // The top of the row of a MIDI note.
    double RowTop(int note) const { return rowsTop + (highNote - note) * rowPx; }
};

ArrangementPicture LayOutArrangement(const Arrangement& arrangement);

// What became of a note, in words: the picture's tooltip and the SVG's title.
std::string NoteTitle(const Arrangement& arrangement, const ArrangedNote& note);
// Appends the shapes of one note, placed by the picture's X and RowTop and
// as tall as its rowPx. A window that paints only what is in view asks for
// the notes it paints, with its own scale and scroll in p.
void DrawNote(const ArrangedNote& note, const ArrangementPicture& p, std::vector<Shape>& shapes);
// The ticks at which the bars begin, from the file's time signatures; none
// without a metre, or when there would be limit bars or more.
std::vector<std::int64_t> BarTicks(const Arrangement& arrangement, std::size_t limit);
// Seconds as a clock, m:ss (minutes may run past 59).
std::string ClockText(std::int64_t seconds);

// A note's name, middle C (60) being C4.
std::string NoteName(int note);

}  // namespace tonvell
