// SPDX-License-Identifier: MIT
// The arrangement a conversion builds: the fate, voice and times of every note
// in small files worked out by hand, and on real and generated files the
// agreement of the arrangement with the statistics and the listing's lines.

#include "convert/arrangement.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "convert/conversion.h"
#include "convert/voice_allocator.h"
#include "tests/support/bench_midi.h"
#include "tests/support/midi_builder.h"

namespace {

using midi_test::Bytes;
using midi_test::Cat;
using midi_test::EndOfTrack;
using midi_test::Ev;
using tonvell::ArrangedNote;
using tonvell::Arrangement;
using tonvell::ConversionResult;
using tonvell::NoteFate;

struct Converted {
    ConversionResult result;
    Arrangement arrangement;
};

Converted ConvertWithArrangement(const Bytes& file) {
    Converted c;
    tonvell::ConvertOptions options;
    options.arrangement = &c.arrangement;
    c.result = tonvell::ConvertBytes(file, "case.mid", options);
    return c;
}

// What became of one note, as worked out by hand. Ticks at 96 per quarter:
// one delay unit is 3 ticks, 15 ms until a tempo command says otherwise.
struct Fate {
    int note;
    int channel;  // 0 = MIDI channel 1
    NoteFate fate;
    int voice;
    std::int64_t start;
    std::int64_t end;
    std::int64_t cut = -1;  // CutShort: when its voice was taken
    int takenBy = -1;
    bool endSeen = true;
    double endSeconds = -1;  // checked when given
};

struct Case {
    const char* name;
    Bytes events;  // the track's events, end of track added
    std::vector<Fate> fates;
    int steals = 0;
    int mutedPeak = 0;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

Bytes On(std::uint32_t delta, int note, int channel = 0) {
    return Ev(delta,
              {static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(note), 100});
}

Bytes Off(std::uint32_t delta, int note, int channel = 0) {
    return Ev(delta,
              {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(note), 64});
}

// Seven note-ons one unit apart on channel 1, all released at tick 96: the
// seventh takes voice 0 from the first, whose note-off is then swallowed.
Bytes SevenOverlapping() {
    Bytes b;
    for (int i = 0; i < 7; ++i)
        b = Cat({b, On(i == 0 ? 0 : 3, 60 + i)});
    b = Cat({b, Off(78, 60)});
    for (int i = 1; i < 7; ++i)
        b = Cat({b, Off(0, 60 + i)});
    return b;
}

// Seven note-ons at the same tick: the first is silenced before it sounds.
Bytes SevenAtOnce() {
    Bytes b;
    for (int i = 0; i < 7; ++i)
        b = Cat({b, On(0, 60 + i)});
    b = Cat({b, Off(48, 60)});
    for (int i = 1; i < 7; ++i)
        b = Cat({b, Off(i == 1 ? 48 : 0, 60 + i)});
    return b;
}

// Note 60 silenced by a steal and struck again while muted: its first
// note-off only leaves the muted stack, the struck-again note sounds on.
Bytes MutedThenStruckAgain() {
    Bytes b;
    for (int i = 0; i < 7; ++i)
        b = Cat({b, On(i == 0 ? 0 : 3, 60 + i)});  // ticks 0..18, 66 takes voice 0
    b = Cat({b, Off(3, 61)});                      // tick 21: frees voice 1
    b = Cat({b, On(3, 60)});                       // tick 24: 60 again, on voice 1
    b = Cat({b, Off(24, 60)});                     // tick 48: swallowed (the muted 60)
    b = Cat({b, Off(48, 60)});                     // tick 96: ends the second 60
    for (int i = 2; i < 7; ++i)
        b = Cat({b, Off(0, 60 + i)});
    return b;
}

const Case kCases[] = {
    {"SevenOverlapping",
     SevenOverlapping(),
     {{60, 0, NoteFate::CutShort, 0, 0, 96, 18, 6, true, 0.480},
      {61, 0, NoteFate::Played, 1, 3, 96},
      {62, 0, NoteFate::Played, 2, 6, 96},
      {63, 0, NoteFate::Played, 3, 9, 96},
      {64, 0, NoteFate::Played, 4, 12, 96},
      {65, 0, NoteFate::Played, 5, 15, 96},
      {66, 0, NoteFate::Played, 0, 18, 96, -1, -1, true, 0.480}},
     1,
     1},
    {"SevenAtOnceFirstNeverSounds",
     SevenAtOnce(),
     {{60, 0, NoteFate::CutShort, 0, 0, 48, 0, 6},
      {61, 0, NoteFate::Played, 1, 0, 96},
      {62, 0, NoteFate::Played, 2, 0, 96},
      {63, 0, NoteFate::Played, 3, 0, 96},
      {64, 0, NoteFate::Played, 4, 0, 96},
      {65, 0, NoteFate::Played, 5, 0, 96},
      {66, 0, NoteFate::Played, 0, 0, 96}},
     1,
     1},
    {"MutedThenStruckAgain",
     MutedThenStruckAgain(),
     {{60, 0, NoteFate::CutShort, 0, 0, 48, 18, 6},
      {61, 0, NoteFate::Played, 1, 3, 21},
      {62, 0, NoteFate::Played, 2, 6, 96},
      {63, 0, NoteFate::Played, 3, 9, 96},
      {64, 0, NoteFate::Played, 4, 12, 96},
      {65, 0, NoteFate::Played, 5, 15, 96},
      {66, 0, NoteFate::Played, 0, 18, 96},
      {60, 0, NoteFate::Played, 1, 24, 96}},
     1,
     1},
    {"StruckAgainWhileSounding",
     Cat({On(0, 60), On(48, 60), Off(24, 60), Off(24, 60)}),
     {{60, 0, NoteFate::Played, 0, 0, 72}, {60, 0, NoteFate::Played, 1, 48, 96}}},
    {"Channel10NeverSounds",
     Cat({Ev(0, {0x99, 36, 100}), On(0, 60), Ev(48, {0x99, 36, 0}), Off(48, 60)}),
     {{36, 9, NoteFate::IgnoredChannel, -1, 0, 48}, {60, 0, NoteFate::Played, 0, 0, 96}}},
    {"Note100FoldedIntoOctave7",
     Cat({On(0, 100), Off(96, 100)}),
     {{100, 0, NoteFate::Played, 0, 0, 96, -1, -1, true, 0.480}}},
    {"TempoChangeMidNote",
     // 16 units at 15 ms, then 16 units at 14 * 223 / 100 = 31 ms.
     Cat({On(0, 60), Ev(48, {0xFF, 0x51, 0x03, 0x0E, 0x00, 0x00}), Off(48, 60)}),
     {{60, 0, NoteFate::Played, 0, 0, 96, -1, -1, true, 0.240 + 0.496}}},
    {"HeldToTheEnd",
     Cat({On(0, 60), Ev(96, {0xFF, 0x01, 0x00})}),
     {{60, 0, NoteFate::Played, 0, 0, 96, -1, -1, false, 0.480}}},
};

class ArrangementFates : public ::testing::TestWithParam<Case> {};

TEST_P(ArrangementFates, EveryNoteAsWorkedOutByHand) {
    const Case& c = GetParam();
    const Converted got =
        ConvertWithArrangement(midi_test::Format0(96, Cat({c.events, EndOfTrack()})));
    const std::vector<ArrangedNote>& notes = got.arrangement.notes;
    ASSERT_EQ(notes.size(), c.fates.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE("note " + std::to_string(i));
        const Fate& f = c.fates[i];
        const ArrangedNote& n = notes[i];
        EXPECT_EQ(n.note, f.note);
        EXPECT_EQ(n.channel, f.channel);
        EXPECT_EQ(n.fate, f.fate);
        EXPECT_EQ(n.voice, f.voice);
        EXPECT_EQ(n.start.tick, f.start);
        EXPECT_EQ(n.end.tick, f.end);
        EXPECT_EQ(n.endSeen, f.endSeen);
        EXPECT_EQ(n.OctaveFolded(), f.note >= 96);
        if (f.fate == NoteFate::CutShort) {
            EXPECT_EQ(n.cut.tick, f.cut);
            EXPECT_EQ(n.takenBy, f.takenBy);
            EXPECT_EQ(n.NeverSounds(), f.cut == f.start);
        } else {
            EXPECT_EQ(n.NeverSounds(), f.fate == NoteFate::IgnoredChannel);
        }
        if (f.endSeconds >= 0) {
            EXPECT_NEAR(n.end.seconds, f.endSeconds, 1e-9);
        }
        if (f.fate != NoteFate::IgnoredChannel) {
            EXPECT_NEAR(n.start.seconds, static_cast<double>(f.start) * 0.005, 1e-9);
        }
    }
    EXPECT_EQ(got.arrangement.counters.stealCount, c.steals);
    EXPECT_EQ(got.arrangement.counters.mutedPeak, c.mutedPeak);
    EXPECT_EQ(got.arrangement.statistics, got.result.statistics);
}

INSTANTIATE_TEST_SUITE_P(HandWorked, ArrangementFates, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Six notes at tick 0, then a seventh takes voice 0 from the first some
// ticks later. A tick later (a third of a delay unit here) the listing puts
// no delay between them: the first note never sounds, though the ticks
// differ; two ticks later the delay rounds to a unit and it sounds that long.
TEST(Arrangement, AVoiceTakenBeforeAnyDelayNeverSounds) {
    struct Row {
        std::uint32_t later;
        bool neverSounds;
    };
    for (const Row row : {Row{0, true}, Row{1, true}, Row{2, false}, Row{3, false}}) {
        SCOPED_TRACE("seventh note " + std::to_string(row.later) + " ticks later");
        Bytes events;
        for (int i = 0; i < 6; ++i)
            events = Cat({events, On(0, 60 + i)});
        events = Cat({events, On(row.later, 66), Off(96, 66)});
        for (int i = 0; i < 6; ++i)
            events = Cat({events, Off(0, 60 + i)});
        const Converted got =
            ConvertWithArrangement(midi_test::Format0(96, Cat({events, EndOfTrack()})));
        const ArrangedNote& first = got.arrangement.notes.at(0);
        EXPECT_EQ(first.fate, NoteFate::CutShort);
        EXPECT_EQ(first.cut.tick, static_cast<std::int64_t>(row.later));
        EXPECT_EQ(first.NeverSounds(), row.neverSounds);
    }
}

TEST(Arrangement, StartTimesFollowTheListingsDelaysOneUnitApart) {
    // With the first six notes one unit (15 ms) apart, their starts are too.
    const Converted got =
        ConvertWithArrangement(midi_test::Format0(96, Cat({SevenOverlapping(), EndOfTrack()})));
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_NEAR(got.arrangement.notes[i].start.seconds, 0.015 * static_cast<double>(i), 1e-9);
}

TEST(Arrangement, BarsFollowTheTimeSignatureAndTempo) {
    // 3/4 at 96 ticks per quarter: a bar is 288 ticks; the tempo command at
    // tick 288 makes a unit 31 ms from there on.
    const Bytes events =
        Cat({Ev(0, {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08}), On(0, 60),
             Ev(288, {0xFF, 0x51, 0x03, 0x0E, 0x00, 0x00}), Off(288, 60), EndOfTrack()});
    const Converted got = ConvertWithArrangement(midi_test::Format0(96, events));
    const Arrangement& a = got.arrangement;
    ASSERT_EQ(a.timeSignatures.size(), 1u);
    EXPECT_EQ(a.timeSignatures[0].numerator, 3);
    EXPECT_EQ(a.timeSignatures[0].denominator, 4);
    EXPECT_NEAR(a.SecondsAtTick(288), 96 * 0.015, 1e-9);
    EXPECT_NEAR(a.SecondsAtTick(576), 96 * 0.015 + 96 * 0.031, 1e-9);
    EXPECT_NEAR(a.SecondsAtTick(432), 96 * 0.015 + 48 * 0.031, 1e-9);
}

TEST(Arrangement, LinesOfTheListingMapToPlayedTime) {
    // Lines 0-4 frame the listing; line 5 holds the first note-on (tick 0),
    // line 6 the delay and line 7 the note-on at tick 3.
    const Converted got =
        ConvertWithArrangement(midi_test::Format0(96, Cat({SevenOverlapping(), EndOfTrack()})));
    const Arrangement& a = got.arrangement;
    EXPECT_EQ(a.notes[0].onLine, 5);
    EXPECT_EQ(a.notes[1].onLine, 7);
    EXPECT_EQ(got.result.listing[7], "DB 52h, E1h");
    EXPECT_DOUBLE_EQ(a.SecondsAtLine(0), 0.0);
    EXPECT_DOUBLE_EQ(a.SecondsAtLine(6), 0.0);     // waiting in the first delay
    EXPECT_NEAR(a.SecondsAtLine(8), 0.015, 1e-9);  // the note at line 7 was sent
    ASSERT_FALSE(a.commands.empty());
    EXPECT_EQ(a.commands.back().line, static_cast<int>(got.result.listing.size()) - 2);
}

// Bars are counted as the picture draws them: whole bars of each metre from
// where it begins; before the first metre, or without one, there is none.
TEST(Arrangement, BarOfALine) {
    Arrangement a;
    a.ticksPerQuarter = 96;
    a.timeSignatures = {{{0, 0}, 4, 4}, {{768, 0}, 3, 4}};  // 4/4 bars of 384, 3/4 of 288
    const struct {
        std::int64_t tick;  // of the command above the line
        std::int64_t bar;
    } cases[] = {{0, 1}, {383, 1}, {384, 2}, {767, 2}, {768, 3}, {1055, 3}, {1056, 4}};
    for (const auto& c : cases) {
        a.commands = {{c.tick, 0, 5, 15}};
        EXPECT_EQ(a.BarAtLine(6), c.bar) << "tick " << c.tick;
    }
    a.commands = {{500, 0, 5, 15}};
    EXPECT_EQ(a.BarAtLine(5), 1);  // no command above line 5 yet: tick 0
    a.timeSignatures = {{{100, 0}, 4, 4}};
    EXPECT_EQ(a.BarAtLine(5), 0);
    a.timeSignatures.clear();
    EXPECT_EQ(a.BarAtLine(6), 0);
}

TEST(Arrangement, RefusedAndEmptyFilesGiveAnEmptyArrangement) {
    Arrangement a;
    a.notes.resize(3);  // left over from an earlier conversion
    tonvell::ConvertOptions options;
    options.arrangement = &a;
    tonvell::ConvertBytes(Bytes{'M', 'T'}, "short.mid", options);
    EXPECT_TRUE(a.notes.empty());
    EXPECT_EQ(a.statistics[0], "Всего: 1 байт, 0 нот");
}

// The checks that hold for any file: the arrangement's counts are the
// statistics' counts, and every command line it names is the note's command.
void ExpectAgreesWithStatistics(const Bytes& file, const std::string& what) {
    SCOPED_TRACE(what);
    const Converted got = ConvertWithArrangement(file);
    const Arrangement& a = got.arrangement;
    ASSERT_EQ(a.statistics, got.result.statistics);
    int notesOn = 0;
    int cut = 0;
    for (const ArrangedNote& n : a.notes) {
        if (n.fate == NoteFate::IgnoredChannel) {
            EXPECT_GE(n.channel, 9);
            continue;
        }
        ++notesOn;
        cut += n.fate == NoteFate::CutShort ? 1 : 0;
        EXPECT_LE(n.start.seconds, n.end.seconds);
        char command[16];
        std::snprintf(command, sizeof command, "DB %02Xh, ", tonvell::zum::NoteCode(n.note));
        ASSERT_GE(n.onLine, 5);
        ASSERT_LT(static_cast<std::size_t>(n.onLine), got.result.listing.size());
        const std::string& onLine = got.result.listing[static_cast<std::size_t>(n.onLine)];
        EXPECT_EQ(onLine.substr(0, 8), command) << onLine;
        EXPECT_EQ(std::stoi(onLine.substr(8, 2), nullptr, 16) & 0x0F, n.voice) << onLine;
        if (n.offLine >= 0) {
            const std::string& offLine = got.result.listing[static_cast<std::size_t>(n.offLine)];
            EXPECT_EQ(offLine.substr(0, 8), command) << offLine;
            EXPECT_EQ(std::stoi(offLine.substr(8, 2), nullptr, 16), 0x80 | n.voice) << offLine;
        }
    }
    EXPECT_EQ(notesOn, a.counters.noteOnCount);
    EXPECT_EQ(cut, a.counters.stealCount);
    EXPECT_EQ(
        got.result.statistics[0].find(" " + std::to_string(notesOn) + " нот") != std::string::npos,
        true);
    EXPECT_EQ(got.result.statistics[2], "Выключенных нот: " + std::to_string(cut));
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ArrangementAgreement, DemoTune) {
    const Bytes demo = ReadBytes(TONVELL_EXAMPLES "/demo.mid");
    ASSERT_FALSE(demo.empty());
    ExpectAgreesWithStatistics(demo, "demo.mid");
}

TEST(ArrangementAgreement, GeneratedLargestFiles) {
    ExpectAgreesWithStatistics(tonvell::bench::MakeBenchMidi().bytes, "format 0");
    ExpectAgreesWithStatistics(tonvell::bench::MakeBenchMidiFormat1().bytes, "format 1");
}

TEST(ArrangementAgreement, MutedStackOverflow) {
    // 1200 notes held on channel 1 overflow the 1000-entry muted stack;
    // then all are released.
    Bytes events;
    for (int i = 0; i < 1200; ++i)
        events = Cat({events, Ev(1, {0x90, static_cast<std::uint8_t>(i % 128), 100})});
    for (int i = 0; i < 1200; ++i)
        events = Cat({events, Ev(1, {0x80, static_cast<std::uint8_t>(i % 128), 0})});
    const Bytes file = midi_test::Format0(96, Cat({events, EndOfTrack()}));
    ExpectAgreesWithStatistics(file, "overflow");
    EXPECT_EQ(ConvertWithArrangement(file).arrangement.counters.mutedPeak, 1000);
}

}  // namespace
