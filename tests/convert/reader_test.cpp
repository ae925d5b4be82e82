// SPDX-License-Identifier: MIT
// Reading a MIDI file: the header report, the event log, the progress line,
// the messages, the size limit, files that cannot be opened and files that end
// inside the data.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "convert/conversion.h"
#include "platform/native_path.h"
#include "tests/support/conversion_checks.h"
#include "tests/support/midi_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using midi_test::Bytes;
using midi_test::Cat;
using midi_test::EndOfTrack;
using midi_test::Ev;
using midi_test::Format0;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Lines = std::vector<std::string>;

using tonvell_test::kEndOfTrackLine;
// A rest longer than one delay holds (more than 16,384 units).
constexpr char kDelayPlaysShort[] = "Пауза длиннее 16384 единиц проиграется короче";
// The event log after its " " top line and the seven header lines.
Lines EventLines(const tonvell::ConversionResult& r) {
    return tonvell_test::EventLinesAfter(r, 8);
}

using tonvell_test::DataLines;

// A refused or unreadable file leaves the boxes empty and raises no message.
void ExpectNothingConverted(const tonvell::ConversionResult& r) {
    EXPECT_TRUE(r.eventLog.empty());
    EXPECT_TRUE(r.listing.empty());
    EXPECT_THAT(r.statistics, ElementsAre("", "", ""));
    EXPECT_TRUE(tonvell_test::WarningTexts(r).empty());
}

std::string Progress(int percent) {
    return "Обработано: " + std::to_string(percent) + " %";
}

// --- A small song, through every output ---------------------------------------

TEST(ReaderSong, TempoAndOneNoteThroughAllFourTexts) {
    const Bytes track = Cat({Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), Ev(0, {0x90, 0x3C, 0x64}),
                             Ev(96, {0x80, 0x3C, 0x40}), EndOfTrack()});
    const auto r = tonvell::ConvertBytes(Format0(96, track), "song.mid");

    EXPECT_EQ(r.status, tonvell::ConversionResult::Status::Converted);
    EXPECT_FALSE(r.cutShort);
    EXPECT_THAT(r.eventLog, ElementsAre(" ", "MThd", "6 (длина заголовка)", "0 (формат)",
                                        "1 (число треков)", "96 (тиков на четверть)", "MTrk",
                                        "19 (длина трека)", "New tempo 07 A1 20", "90 3C 64",
                                        "Пауза 96 тиков", "80 3C 40", kEndOfTrackLine));
    EXPECT_EQ(r.sizeLine, "Всего: 41 байт");
    // The last event starts at offset 37 of a track ending at 41.
    EXPECT_EQ(r.progressLine, Progress(91));
    EXPECT_THAT(r.listing,
                ElementsAre("; ", "; song.mid", "; ", "DWL 8 ;size in bytes", "; ", "DB 0Eh, 87h",
                            "DB 51h, E0h", "DB 9Fh ;delay", "DB 51h, 80h", "DB 00h ;end of block"));
    EXPECT_THAT(r.statistics,
                ElementsAre("Всего: 8 байт, 1 нот", "Превыш. полифонии: 0", "Выключенных нот: 0"));
    EXPECT_TRUE(tonvell_test::WarningTexts(r).empty());
}

// --- Event log, progress and messages of one format-0 track -----------------

struct TrackCase {
    const char* name;
    Bytes track;
    Lines log;  // after the header lines
    int progress;
    Lines messages;
};

void PrintTo(const TrackCase& c, std::ostream* os) {
    *os << c.name;
}

class ReaderTrack : public ::testing::TestWithParam<TrackCase> {};

TEST_P(ReaderTrack, LogProgressAndMessages) {
    const TrackCase& c = GetParam();
    const auto r = tonvell::ConvertBytes(Format0(96, c.track), "t.mid");
    EXPECT_EQ(r.status, tonvell::ConversionResult::Status::Converted);
    EXPECT_FALSE(r.cutShort);
    EXPECT_THAT(EventLines(r), ElementsAreArray(c.log));
    EXPECT_EQ(r.progressLine, Progress(c.progress));
    EXPECT_THAT(tonvell_test::WarningTexts(r), ElementsAreArray(c.messages));
}

Bytes LongText(std::size_t size) {
    return Bytes(size, 'a');
}

INSTANTIATE_TEST_SUITE_P(
    Events, ReaderTrack,
    ::testing::Values(
        // 2200 div 26 is 84.
        TrackCase{"EndOfTrackOnly", EndOfTrack(), {kEndOfTrackLine}, 85, {}},
        TrackCase{"NotePairWithPause",
                  Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(96, {0x80, 0x3C, 0x40}), EndOfTrack()}),
                  {"90 3C 40", "Пауза 96 тиков", "80 3C 40", kEndOfTrackLine},
                  89,
                  {}},
        TrackCase{"RunningStatusNoteOnVelocityZero",
                  Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(96, {0x3C, 0x00})}),
                  {"90 3C 40", "Пауза 96 тиков", "90 3C 00"},
                  90,
                  {}},
        TrackCase{"RunningStatusForOneDataAndPitchBend",
                  Cat({Ev(0, {0xC1, 0x05}), Ev(0, {0x06}), Ev(0, {0xE0, 0x00, 0x40}),
                       Ev(0, {0x7F, 0x7F})}),
                  {"C1 05", "C1 06", "E0 00 40", "E0 7F 7F"},
                  // The last event starts at 22 + 9 of 34.
                  92,
                  {}},
        // A data byte after a meta event is read under the meta status: it is
        // the next meta event's type.
        TrackCase{"RunningStatusAfterMeta",
                  Cat({Ev(0, {0xFF, 0x01, 0x00}), Ev(0, {0x05, 0x00})}),
                  {"FF 01 0байт xxxxxxxxxx", "FF 05 0байт xxxxxxxxxx"},
                  90,
                  {}},
        TrackCase{"DeltaOfThreeBytes",
                  Cat({Bytes{0x81, 0x80, 0x80, 0x00}, Bytes{0x90, 0x3C, 0x40}}),
                  {"Пауза 2097152 тиков", "90 3C 40"},
                  76,
                  {kDelayPlaysShort}},
        TrackCase{"DeltaOfFourBytesLargest",
                  Cat({Bytes{0xFF, 0xFF, 0xFF, 0x7F}, Bytes{0x90, 0x3C, 0x40}}),
                  {"Пауза 268435455 тиков", "90 3C 40"},
                  76,
                  {kDelayPlaysShort}},
        // The fifth byte 7F stands where the status may: a data byte under the
        // running status 90.
        TrackCase{"DeltaTooLongLeavesByteForRunningStatus",
                  Cat({Ev(0, {0x90, 0x3C, 0x40}), Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}}),
                  {"90 3C 40", "Пауза 268435455 тиков", "90 7F 00"},
                  82,
                  {"Time field is too long"}},
        TrackCase{
            "Tempo", Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), {"New tempo 07 A1 20"}, 76, {}},
        // Exactly three tempo bytes follow the length byte, whatever it says.
        TrackCase{"TempoLengthFive",
                  Cat({Ev(0, {0xFF, 0x51, 0x05, 0x07, 0xA1, 0x20}), Ev(0, {0xC0, 0x05})}),
                  {"New tempo 07 A1 20", "C0 05"},
                  91,
                  {}},
        TrackCase{"TempoLengthZero",
                  Cat({Ev(0, {0xFF, 0x51, 0x00, 0x07, 0xA1, 0x20}), Ev(0, {0xC0, 0x05})}),
                  {"New tempo 07 A1 20", "C0 05"},
                  91,
                  {}},
        TrackCase{
            "MetaTextSkipped",
            Cat({Ev(0, {0xFF, 0x03, 0x05, 'H', 'e', 'l', 'l', 'o'}), Ev(0, {0x90, 0x3C, 0x40})}),
            {"FF 03 5байт xxxxxxxxxx", "90 3C 40"},
            89,
            {}},
        TrackCase{
            "SysExSkipped",
            Cat({Ev(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), Ev(0, {0x90, 0x3C, 0x40})}),
            {"F0 5байт xxxxxxxxxx", "90 3C 40"},
            89,
            {}},
        TrackCase{
            "SysExEscapeSkipped", Ev(0, {0xF7, 0x02, 0x90, 0x3C}), {"F7 2байт xxxxxxxxxx"}, 82, {}},
        // A length whose fourth byte still has bit 7 set ends there (value 0);
        // the next event starts right after it.
        TrackCase{"MetaLengthTooLong",
                  Cat({Ev(0, {0xFF, 0x01, 0x80, 0x80, 0x80, 0x80}), Ev(0, {0x90, 0x3C, 0x40})}),
                  {"FF 01 0байт xxxxxxxxxx", "90 3C 40"},
                  88,
                  {"Field too long"}},
        TrackCase{"SysExLengthTooLong",
                  Cat({Ev(0, {0xF0, 0x80, 0x80, 0x80, 0x81}), Bytes{'x'}, Ev(0, {0xC0, 0x01})}),
                  {"F0 1байт xxxxxxxxxx", "C0 01"},
                  91,
                  {"Field too long"}},
        TrackCase{"ChannelAndSystemCommonMessages",
                  Cat({Ev(0, {0xC1, 0x05}), Ev(0, {0xE0, 0x00, 0x40}), Ev(0, {0xB0, 0x07, 0x64}),
                       Ev(0, {0xA0, 0x3C, 0x10}), Ev(0, {0xD0, 0x20}), Ev(0, {0xF2, 0x01, 0x02}),
                       Ev(0, {0xF3, 0x05})}),
                  {"C1 05", "E0 00 40", "B0 07 64", "A0 3C 10", "D0 20", "F2 01 02", "F3 05"},
                  94,
                  {}},
        TrackCase{
            "EveryChannelLogged",
            Cat({Ev(0, {0x99, 0x24, 0x64}), Ev(0, {0x9F, 0x24, 0x64}), Ev(0, {0x8A, 0x24, 0x00})}),
            {"99 24 64", "9F 24 64", "8A 24 00"},
            89,
            {}},
        // Statuses without data take nothing after them; their delta time
        // still writes a pause line.
        TrackCase{"StatusesWithoutData",
                  Cat({Ev(5, {0xF6}), Ev(0, {0xF1}), Ev(0, {0xF4}), Ev(0, {0xF5}), Ev(0, {0xF8}),
                       Ev(0, {0xF9}), Ev(0, {0xFA}), Ev(0, {0xFB}), Ev(0, {0xFC}), Ev(0, {0xFD}),
                       Ev(0, {0xFE}), Ev(0, {0x90, 0x3C, 0x40})}),
                  {"Пауза 5 тиков", "90 3C 40"},
                  92,
                  {}},
        // With no status in force a data byte takes nothing, and the next byte
        // is read as a delta time.
        TrackCase{"DataByteFirstInTrack",
                  Cat({Bytes{0x00, 0x3C, 0x40}, Ev(0, {0x90, 0x3C, 0x40})}),
                  {"Пауза 60 тиков", "Пауза 64 тиков", "90 3C 40"},
                  87,
                  {}},
        // 32700 div 330 is 99: only an event in the last hundredth shows 100.
        TrackCase{"ProgressReaches100",
                  Cat({Bytes{0x00, 0xFF, 0x01, 0x82, 0x2C}, LongText(300), Ev(0, {0xC0, 0x05})}),
                  {"FF 01 300байт xxxxxxxxxx", "C0 05"},
                  100,
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Header report -------------------------------------------------------------

TEST(ReaderHeader, HeaderLengthTenStillTakesTrackFromOffset14) {
    const Bytes file =
        Cat({midi_test::Header(0, 1, 96, 10), midi_test::Chunk("MTrk", Ev(0, {0x90, 0x3C, 0x40}))});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_EQ(r.eventLog.at(2), "10 (длина заголовка)");
    EXPECT_THAT(EventLines(r), ElementsAre("90 3C 40"));
}

TEST(ReaderHeader, TicksWithTopBitSetAreAPlainCount) {
    // E7 28 is 59176 ticks, so one delay unit is 1849 ticks.
    const Bytes track = Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(1849, {0x80, 0x3C, 0x40})});
    const auto r = tonvell::ConvertBytes(Format0(0xE728, track), "t.mid");
    EXPECT_EQ(r.eventLog.at(5), "59176 (тиков на четверть)");
    EXPECT_THAT(DataLines(r), ElementsAre("DB 51h, C0h", "DB 80h ;delay", "DB 51h, 80h"));
}

TEST(ReaderHeader, ChunkNamesAndFieldsShownUnchecked) {
    Bytes file = Cat({midi_test::Text("RIFF"), midi_test::BigEndian(0xFFFFFFFF, 4),
                      midi_test::BigEndian(2, 2), midi_test::BigEndian(0, 2),
                      midi_test::BigEndian(65535, 2), midi_test::Chunk("XTrk", EndOfTrack())});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_THAT(r.eventLog, ElementsAre(" ", "RIFF", "-1 (длина заголовка)", "2 (формат)",
                                        "0 (число треков)", "65535 (тиков на четверть)", "XTrk",
                                        "4 (длина трека)", kEndOfTrackLine));
}

TEST(ReaderHeader, ChunkNamesAreWindows1251Text) {
    const Bytes file =
        Cat({midi_test::Text("\xCC\xD2hd"), midi_test::BigEndian(6, 4), midi_test::BigEndian(0, 2),
             midi_test::BigEndian(1, 2), midi_test::BigEndian(96, 2),
             midi_test::Chunk("\xCC\xD2\xF0\xEA", EndOfTrack())});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_EQ(r.eventLog.at(1), "МТhd");
    EXPECT_EQ(r.eventLog.at(6), "МТрк");
}

// Only format 1 with two or more tracks is merged; the others read the first
// track chunk alone.
struct FirstTrackOnlyCase {
    const char* name;
    std::uint16_t format;
    std::uint16_t tracks;
};

class ReaderFirstTrackOnly : public ::testing::TestWithParam<FirstTrackOnlyCase> {};

TEST_P(ReaderFirstTrackOnly, SecondChunkNeverRead) {
    const auto& c = GetParam();
    const Bytes file = Cat({midi_test::Header(c.format, c.tracks, 96),
                            midi_test::Chunk("MTrk", Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20})),
                            midi_test::Chunk("MTrk", Ev(0, {0x90, 0x3C, 0x40}))});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_EQ(r.eventLog.at(3), std::to_string(c.format) + " (формат)");
    EXPECT_EQ(r.eventLog.at(4), std::to_string(c.tracks) + " (число треков)");
    EXPECT_THAT(EventLines(r), ElementsAre("New tempo 07 A1 20"));
    EXPECT_THAT(DataLines(r), ElementsAre("DB 0Eh, 87h"));
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderFirstTrackOnly,
                         ::testing::Values(FirstTrackOnlyCase{"Format0TwoTracks", 0, 2},
                                           FirstTrackOnlyCase{"Format1OneTrack", 1, 1},
                                           FirstTrackOnlyCase{"Format2TwoTracks", 2, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderHeader, TrackLengthBoundsTheWalk) {
    // Declared length 4: the note after the end-of-track is not read.
    const Bytes events = Cat({EndOfTrack(), Ev(0, {0x90, 0x3C, 0x40})});
    const Bytes file = Cat({midi_test::Header(0, 1, 96), midi_test::Chunk("MTrk", events, 4)});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_THAT(EventLines(r), ElementsAre(kEndOfTrackLine));
    EXPECT_EQ(r.progressLine, Progress(85));
}

TEST(ReaderHeader, TrackLengthFFFFFFFFReadsToTheFileEndAndCutsShort) {
    // The length field claims more bytes than the file has: what is there is
    // walked, then the file ends inside the track as any file cut short.
    const Bytes file =
        Cat({midi_test::Header(0, 1, 96),
             midi_test::Chunk("MTrk", Cat({Ev(0, {0x90, 0x3C, 0x40}), EndOfTrack()}), 0xFFFFFFFF)});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_EQ(r.eventLog.at(7), "-1 (длина трека)");
    EXPECT_EQ(EventLines(r).size(), 3U);
    EXPECT_EQ(r.eventLog.back(), tonvell::kUnexpectedEnd);
    EXPECT_NE(r.progressLine, Progress(100));
    EXPECT_THAT(DataLines(r), ::testing::Not(::testing::IsEmpty()));
    EXPECT_TRUE(r.cutShort);
}

// --- What reaches the listing ---------------------------------------------------

struct TempoCase {
    std::uint8_t t1, t2, t3;
    const char* line;
};

class ReaderTempo : public ::testing::TestWithParam<TempoCase> {};

TEST_P(ReaderTempo, OnlyTheFirstByteReachesTheListing) {
    const auto& c = GetParam();
    const auto r =
        tonvell::ConvertBytes(Format0(96, Ev(0, {0xFF, 0x51, 0x03, c.t1, c.t2, c.t3})), "t.mid");
    EXPECT_THAT(DataLines(r), ElementsAre(c.line));
}

INSTANTIATE_TEST_SUITE_P(Tempos, ReaderTempo,
                         ::testing::Values(TempoCase{0x07, 0xA1, 0x20, "DB 0Eh, 87h"},
                                           TempoCase{0x07, 0x00, 0x00, "DB 0Eh, 87h"},
                                           TempoCase{0x07, 0xFF, 0xFF, "DB 0Eh, 87h"},
                                           TempoCase{0x00, 0x00, 0x01, "DB 0Eh, 80h"},
                                           TempoCase{0x7F, 0xFF, 0xFF, "DB 0Eh, FFh"}));

TEST(ReaderListing, ChannelsTenToSixteenLoggedButNotListed) {
    const Bytes track =
        Cat({Ev(0, {0x99, 0x24, 0x64}), Ev(0, {0x9F, 0x30, 0x64}), Ev(0, {0x98, 0x3C, 0x64}),
             Ev(96, {0x89, 0x24, 0x00}), Ev(0, {0x88, 0x3C, 0x00})});
    const auto r = tonvell::ConvertBytes(Format0(96, track), "t.mid");
    EXPECT_THAT(EventLines(r), ElementsAre("99 24 64", "9F 30 64", "98 3C 64", "Пауза 96 тиков",
                                           "89 24 00", "88 3C 00"));
    // Only channel 9 (status 98) reaches the voices.
    EXPECT_THAT(DataLines(r), ElementsAre("DB 51h, E0h", "DB 9Fh ;delay", "DB 51h, 80h"));
    EXPECT_EQ(r.statistics[0], "Всего: 6 байт, 1 нот");
}

TEST(ReaderListing, DeltaOfEventsWithoutCommandsStillCounts) {
    // The controller and the meta event carry 48 ticks each before the note-off.
    const Bytes track = Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(48, {0xB0, 0x07, 0x64}),
                             Ev(48, {0xFF, 0x01, 0x00}), Ev(0, {0x80, 0x3C, 0x00})});
    const auto r = tonvell::ConvertBytes(Format0(96, track), "t.mid");
    EXPECT_THAT(DataLines(r), ElementsAre("DB 51h, C0h", "DB 9Fh ;delay", "DB 51h, 80h"));
}

TEST(ReaderListing, TimesBeyond32BitsKeepTheirDelay) {
    // Nine deltas of 268435455 ticks: 2415919095 ticks before the note, more
    // than a signed 32-bit count holds.
    Bytes track;
    for (int i = 0; i < 9; ++i) {
        track = Cat({track, Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0xF6}});
    }
    track = Cat({track, Ev(0, {0x90, 0x3C, 0x40})});
    const auto r = tonvell::ConvertBytes(Format0(96, track), "t.mid");
    // 2415919095 / 3 + 0.5 in single precision is 805306368 units.
    EXPECT_THAT(DataLines(r), ElementsAre("DB FFh, FFh, FFh, FFh, 82h ;delay", "DB 51h, C0h"));
}

TEST(ReaderListing, ZeroTicksPerQuarterWritesNoDelay) {
    const Bytes track = Cat({Ev(1000, {0x90, 0x3C, 0x40}), Ev(100000, {0x80, 0x3C, 0x40})});
    const auto r = tonvell::ConvertBytes(Format0(0, track), "t.mid");
    EXPECT_THAT(DataLines(r), ElementsAre("DB 51h, C0h", "DB 51h, 80h"));
}

// --- Files that end inside the data ------------------------------------------

// A valid file, cut after `size` bytes.
Bytes Prefix(const Bytes& file, std::size_t size) {
    return Bytes(file.begin(), file.begin() + static_cast<long>(size));
}

TEST(ReaderCutShort, FileShorterThanHeaderGivesTheFrame) {
    const Bytes whole = Format0(96, Ev(0, {0x90, 0x3C, 0x40}));
    for (std::size_t size : {0, 1, 13, 14, 21}) {
        SCOPED_TRACE(size);
        const auto r = tonvell::ConvertBytes(Prefix(whole, size), "x.mid");
        EXPECT_EQ(r.status, tonvell::ConversionResult::Status::Converted);
        EXPECT_TRUE(r.cutShort);
        EXPECT_EQ(r.sizeLine, "Всего: " + std::to_string(size) + " байт");
        EXPECT_THAT(r.eventLog, ElementsAre(" ", "Неожиданный конец файла"));
        EXPECT_THAT(r.listing, ElementsAre("; ", "; x.mid", "; ", "DWL 1 ;size in bytes", "; ",
                                           "DB 00h ;end of block"));
        EXPECT_THAT(r.statistics, ElementsAre("Всего: 1 байт, 0 нот", "Превыш. полифонии: 0",
                                              "Выключенных нот: 0"));
    }
}

struct CutCase {
    const char* name;
    Bytes tail;  // bytes after a complete note-on at tick 0, up to the file's end
};

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

// A rest longer than one delay holds is written whole but plays shorter: the
// conversion warns once, with how often, whether the listing is kept or not.
TEST(ReaderWarning, RestLongerThanOneDelayPlaysShort) {
    const struct {
        std::vector<std::uint32_t> rests;  // in delay units (32 ticks per quarter)
        std::int64_t playedShort;
    } cases[] = {
        {{16384}, 0},
        {{16385}, 1},
        {{16385, 100, 3000000}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.playedShort);
        Bytes events = Ev(0, {0x90, 0x3C, 0x40});
        for (const std::uint32_t rest : c.rests) {
            events = Cat({events, Ev(rest, {0x3C, 0x40})});
        }
        const Bytes file = Format0(32, Cat({events, EndOfTrack()}));
        const std::vector<tonvell::WarningCount> expected =
            c.playedShort == 0 ? std::vector<tonvell::WarningCount>{}
                               : std::vector<tonvell::WarningCount>{
                                     {tonvell::Warning::DelayPlaysShort, c.playedShort}};
        const auto kept = tonvell::ConvertBytes(file, "t.mid");
        EXPECT_EQ(kept.warnings, expected);
        const auto skipped = tonvell::ConvertBytes(
            file, "t.mid",
            {.eventLog = tonvell::TextDelivery::Skip(), .listing = tonvell::TextDelivery::Skip()});
        EXPECT_EQ(skipped.warnings, expected);
    }
    const auto r = tonvell::ConvertBytes(
        Format0(32, Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(16385, {0x3C, 0x40})})), "t.mid");
    EXPECT_THAT(tonvell_test::WarningTexts(r), ElementsAre(kDelayPlaysShort));
    EXPECT_THAT(DataLines(r), ElementsAre("DB 51h, C0h", "DB 80h, 80h, 81h ;delay", "DB 51h, C1h"));
}

class ReaderCutEvent : public ::testing::TestWithParam<CutCase> {};

// The track's length field promises more than the file holds. The event that
// runs past the end is dropped whole: no pause line, no log line, no command.
TEST_P(ReaderCutEvent, DroppedWholeAndWalkEnds) {
    const Bytes events = Cat({Ev(0, {0x90, 0x3C, 0x40}), GetParam().tail});
    const Bytes file = Cat({midi_test::Header(0, 1, 96), midi_test::Chunk("MTrk", events, 100)});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_TRUE(r.cutShort);
    EXPECT_THAT(EventLines(r), ElementsAre("90 3C 40", "Неожиданный конец файла"));
    EXPECT_THAT(DataLines(r), ElementsAre("DB 51h, C0h"));
    EXPECT_EQ(r.statistics[0], "Всего: 3 байт, 1 нот");
    EXPECT_TRUE(tonvell_test::WarningTexts(r).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, ReaderCutEvent,
    ::testing::Values(CutCase{"AtEventStart", {}}, CutCase{"InsideDelta", {0x81}},
                      CutCase{"AfterDelta", {0x60}}, CutCase{"AfterStatus", {0x60, 0x80}},
                      CutCase{"AfterFirstDataByte", {0x60, 0x80, 0x3C}},
                      CutCase{"RunningStatusOneDataByte", {0x60, 0x3C}},
                      CutCase{"InsideTempoBytes", {0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1}},
                      CutCase{"TempoLengthByteMissing", {0x60, 0xFF, 0x51}},
                      CutCase{"InsideMetaLength", {0x60, 0xFF, 0x03, 0x85}},
                      CutCase{"InsideMetaBody", {0x60, 0xFF, 0x03, 0x05, 'a', 'b'}},
                      CutCase{"MetaLengthLargest", {0x60, 0xFF, 0x03, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}},
                      CutCase{"InsideSysExBody", {0x60, 0xF0, 0x03, 0x01}},
                      CutCase{"ProgramChangeWithoutData", {0x60, 0xC0}},
                      CutCase{"DeltaTooLongAtEnd", {0xFF, 0xFF, 0xFF, 0xFF}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderCutShort, TrackLengthPastEndAfterCompleteEvents) {
    const Bytes events = Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(96, {0x80, 0x3C, 0x40}), EndOfTrack()});
    const Bytes file =
        Cat({midi_test::Header(0, 1, 96), midi_test::Chunk("MTrk", events, 0x7FFFFFFF)});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_EQ(r.eventLog.at(7), "2147483647 (длина трека)");
    EXPECT_THAT(EventLines(r), ElementsAre("90 3C 40", "Пауза 96 тиков", "80 3C 40",
                                           kEndOfTrackLine, "Неожиданный конец файла"));
    EXPECT_THAT(DataLines(r), ElementsAre("DB 51h, C0h", "DB 9Fh ;delay", "DB 51h, 80h"));
}

// --- Conversions do not leak into each other ------------------------------------

TEST(ReaderFreshState, NoStatusCarriedFromThePreviousConversion) {
    // The first file leaves the status 90 in force; the second starts with data
    // bytes, which must not be read as notes.
    const Bytes first = Format0(96, Ev(0, {0x90, 0x3C, 0x40}));
    const Bytes second = Format0(96, Cat({Bytes{0x00, 0x3C, 0x40}, EndOfTrack()}));
    const auto alone = tonvell::ConvertBytes(second, "b.mid");
    tonvell::ConvertBytes(first, "a.mid");
    const auto after = tonvell::ConvertBytes(second, "b.mid");
    EXPECT_THAT(EventLines(after),
                ElementsAre("Пауза 60 тиков", "Пауза 64 тиков", kEndOfTrackLine));
    EXPECT_EQ(after.eventLog, alone.eventLog);
    EXPECT_EQ(after.listing, alone.listing);
}

// --- Convert on files -------------------------------------------------------------

using tonvell_test::TempDir;

// A format-0 file of exactly `size` bytes: one text meta event fills the track.
Bytes FileOfSize(std::size_t size) {
    const std::size_t header = 22 + 3 + 3;  // header, 00 FF 01, three length bytes
    const std::size_t text = size - header - EndOfTrack().size();
    const Bytes events =
        Cat({Bytes{0x00, 0xFF, 0x01}, midi_test::VarLen(text), LongText(text), EndOfTrack()});
    return Format0(96, events);
}

TEST(ReaderFiles, LargestAcceptedFile) {
    TempDir dir;
    const Bytes bytes = FileOfSize(250000);
    ASSERT_EQ(bytes.size(), 250000u);
    const auto r = tonvell::Convert(tonvell::Utf8FromPath(dir.Write("big.mid", bytes)));
    EXPECT_EQ(r.status, tonvell::ConversionResult::Status::Converted);
    EXPECT_EQ(r.sizeLine, "Всего: 250000 байт");
    EXPECT_THAT(EventLines(r), ElementsAre("FF 01 249968байт xxxxxxxxxx", kEndOfTrackLine));
    EXPECT_EQ(r.listing.at(1), "; big.mid");
    EXPECT_EQ(r.statistics[0], "Всего: 1 байт, 0 нот");
}

TEST(ReaderFiles, OneByteTooLargeIsRefused) {
    TempDir dir;
    Bytes bytes = FileOfSize(250000);
    bytes.push_back(0x00);
    const auto r = tonvell::Convert(tonvell::Utf8FromPath(dir.Write("big.mid", bytes)));
    EXPECT_EQ(r.status, tonvell::ConversionResult::Status::TooLarge);
    EXPECT_EQ(r.sizeLine, "Всего: 250001 байт");
    EXPECT_EQ(r.progressLine, "Файл слишком большой");
    ExpectNothingConverted(r);
}

TEST(ReaderFiles, FileNameWithoutFolderInTheListing) {
    TempDir dir;
    const auto r = tonvell::Convert(
        tonvell::Utf8FromPath(dir.Write("песня 1.mid", Format0(96, EndOfTrack()))));
    EXPECT_EQ(r.listing.at(1), "; песня 1.mid");
}

struct NotOpenedCase {
    const char* name;
    std::string (*path)(const TempDir&);
};

class ReaderNotOpened : public ::testing::TestWithParam<NotOpenedCase> {};

TEST_P(ReaderNotOpened, ReportedAndNothingElseHappens) {
    TempDir dir;
    const auto r = tonvell::Convert(GetParam().path(dir));
    EXPECT_EQ(r.status, tonvell::ConversionResult::Status::NotOpened);
    EXPECT_FALSE(r.failureReason.empty());
    EXPECT_EQ(r.sizeLine, "Файл не открыт");
    EXPECT_EQ(r.progressLine, "");
    ExpectNothingConverted(r);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ReaderNotOpened,
    ::testing::Values(NotOpenedCase{"Missing",
                                    [](const TempDir& d) {
                                        return (d.path() / "missing.mid").string();
                                    }},
                      NotOpenedCase{"Folder", [](const TempDir& d) { return d.path().string(); }},
                      NotOpenedCase{"EmptyName", [](const TempDir&) { return std::string(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderFiles, ShorterFileNeverSeesTheBytesOfALongerOne) {
    TempDir dir;
    const Bytes events = Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(96, {0x80, 0x3C, 0x40}), EndOfTrack()});
    const Bytes whole = Format0(96, events);
    const std::string path = tonvell::Utf8FromPath(dir.Write("a.mid", whole));
    const auto first = tonvell::Convert(path);
    ASSERT_THAT(EventLines(first),
                ElementsAre("90 3C 40", "Пауза 96 тиков", "80 3C 40", kEndOfTrackLine));
    // Same name, same header, but the file now ends after the first event.
    dir.Write("a.mid", Prefix(whole, 26));
    const auto second = tonvell::Convert(path);
    EXPECT_EQ(second.sizeLine, "Всего: 26 байт");
    EXPECT_THAT(EventLines(second), ElementsAre("90 3C 40", "Неожиданный конец файла"));
}

}  // namespace
