// SPDX-License-Identifier: MIT
// Format-1 files: the tracks are merged into one track read like a format-0
// track.

#include "convert/track_merge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "convert/conversion.h"
#include "tests/support/conversion_checks.h"
#include "tests/support/merged_track.h"
#include "tests/support/midi_builder.h"

namespace {

using midi_test::Bytes;
using midi_test::Cat;
using midi_test::Chunk;
using midi_test::EndOfTrack;
using midi_test::Ev;
using midi_test::Format1;
using midi_test::Header;
using midi_test::VarLen;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Lines = std::vector<std::string>;

using tonvell_test::kEndOfTrackLine;
// The merged events after the 22 header bytes.
tonvell::test::MergedTrack Merge(const Bytes& file) {
    tonvell::WarningList warnings;
    return tonvell::test::MergeTracks(file, warnings);
}

Bytes MergedEvents(const Bytes& file) {
    const tonvell::test::MergedTrack merged = Merge(file);
    return Bytes(merged.bytes.begin() + 22, merged.bytes.end());
}

// The event log after " ", the seven header lines and the merge line.
Lines EventLines(const tonvell::ConversionResult& r) {
    return tonvell_test::EventLinesAfter(r, 9);
}

using tonvell_test::DataLines;

const Bytes kTempoTrack = Cat({Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), EndOfTrack(500)});
const Bytes kNoteTrack = Cat({Ev(0, {0x90, 0x3C, 0x64}), Ev(96, {0x80, 0x3C, 0x40}), EndOfTrack()});

// --- Through the whole conversion ----------------------------------------------

TEST(MergeConversion, TempoTrackAndNoteTrackGiveTheWholeListing) {
    const auto r = tonvell::ConvertBytes(Format1(96, {kTempoTrack, kNoteTrack}), "song.mid");
    EXPECT_THAT(r.eventLog,
                ElementsAre(" ", "MThd", "6 (длина заголовка)", "1 (формат)", "2 (число треков)",
                            "96 (тиков на четверть)", "MTrk", "12 (длина трека)",
                            "Объединено треков: 2", "New tempo 07 A1 20", "90 3C 64",
                            "Пауза 96 тиков", "80 3C 40", kEndOfTrackLine));
    EXPECT_THAT(r.listing,
                ElementsAre("; ", "; song.mid", "; ", "DWL 8 ;size in bytes", "; ", "DB 0Eh, 87h",
                            "DB 51h, E0h", "DB 9Fh ;delay", "DB 51h, 80h", "DB 00h ;end of block"));
    EXPECT_THAT(r.statistics,
                ElementsAre("Всего: 8 байт, 1 нот", "Превыш. полифонии: 0", "Выключенных нот: 0"));
    EXPECT_FALSE(r.cutShort);
    EXPECT_TRUE(tonvell_test::WarningTexts(r).empty());
}

TEST(MergeConversion, ReadsLikeTheEquivalentFormat0File) {
    // The merged track of the case above, written by hand as a format-0 file:
    // same event log after the header, same listing, same progress.
    const Bytes format0 = midi_test::Format0(
        96, Cat({Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), Ev(0, {0x90, 0x3C, 0x64}),
                 Ev(96, {0x80, 0x3C, 0x40}), EndOfTrack()}));
    const auto plain = tonvell::ConvertBytes(format0, "song.mid");
    const auto merged = tonvell::ConvertBytes(Format1(96, {kTempoTrack, kNoteTrack}), "song.mid");
    EXPECT_EQ(EventLines(merged), Lines(plain.eventLog.begin() + 8, plain.eventLog.end()));
    EXPECT_EQ(merged.listing, plain.listing);
    EXPECT_EQ(merged.progressLine, plain.progressLine);
    EXPECT_EQ(merged.progressLine, "Обработано: 91 %");
}

// --- Order of the merged events -------------------------------------------------

struct OrderCase {
    const char* name;
    std::vector<Bytes> tracks;
    Lines log;  // after the merge line
};

void PrintTo(const OrderCase& c, std::ostream* os) {
    *os << c.name;
}

class MergeOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(MergeOrder, EventLog) {
    const auto& c = GetParam();
    const auto r = tonvell::ConvertBytes(Format1(96, c.tracks), "t.mid");
    EXPECT_EQ(r.eventLog.at(8), "Объединено треков: " + std::to_string(c.tracks.size()));
    EXPECT_THAT(EventLines(r), ElementsAreArray(c.log));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeOrder,
    ::testing::Values(
        // Same tick: track order first, then order within the track.
        OrderCase{
            "TiesByTrackThenWithinTrack",
            {Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(0, {0xB0, 0x07, 0x64}), Ev(10, {0xC0, 0x01})}),
             Cat({Ev(0, {0x91, 0x40, 0x40}), Ev(5, {0x81, 0x40, 0x00}), Ev(5, {0xC1, 0x02})})},
            {"90 3C 40", "B0 07 64", "91 40 40", "Пауза 5 тиков", "81 40 00", "Пауза 5 тиков",
             "C0 01", "C1 02", kEndOfTrackLine}},
        // Each track keeps its own running status, and the merged track
        // writes every status byte.
        OrderCase{"RunningStatusPerTrack",
                  {Cat({Ev(0, {0x90, 0x3C, 0x40}), Ev(16, {0x3E, 0x40}), Ev(16, {0x3C, 0x00})}),
                   Cat({Ev(8, {0x91, 0x40, 0x40}), Ev(16, {0x40, 0x00})})},
                  {"90 3C 40", "Пауза 8 тиков", "91 40 40", "Пауза 8 тиков", "90 3E 40",
                   "Пауза 8 тиков", "91 40 00", "Пауза 8 тиков", "90 3C 00", kEndOfTrackLine}},
        // A track starts with no status in force, whatever the track before
        // it ended with. Its data bytes take nothing, but their delta times
        // still count: 0 + 3Ch + 40h = 124 ticks before the controller.
        OrderCase{
            "SecondTrackStartsWithoutStatus",
            {Ev(0, {0x90, 0x3C, 0x40}), Cat({Bytes{0x00, 0x3C, 0x40}, Ev(0, {0xB0, 0x07, 0x64})})},
            {"90 3C 40", "Пауза 124 тиков", "B0 07 64", kEndOfTrackLine}},
        // Events without bytes are left out; their delta still counts.
        OrderCase{"NoByteEventsDroppedDeltaKept",
                  {Cat({Ev(16, {0xF6}), Ev(16, {0xFE}), Ev(16, {0x90, 0x3C, 0x40})}),
                   Ev(40, {0xC0, 0x05})},
                  {"Пауза 40 тиков", "C0 05", "Пауза 8 тиков", "90 3C 40", kEndOfTrackLine}},
        // End-of-track events are dropped wherever they stand; one is added
        // at the end with delta 0, so a late end of track adds no pause.
        OrderCase{
            "EndOfTrackDroppedAndAddedOnce",
            {Cat({Ev(0, {0x90, 0x3C, 0x40}), EndOfTrack(10), Ev(10, {0x80, 0x3C, 0x00})}),
             Cat({Ev(5, {0xC0, 0x05}), EndOfTrack(10000)})},
            {"90 3C 40", "Пауза 5 тиков", "C0 05", "Пауза 15 тиков", "80 3C 00", kEndOfTrackLine}},
        OrderCase{
            "MetaAndSysExCarried",
            {Cat({Ev(0, {0xFF, 0x03, 0x03, 'a', 'b', 'c'}), Ev(4, {0xF0, 0x02, 0x01, 0xF7}),
                  Ev(4, {0xF7, 0x01, 0x05})}),
             Cat({Ev(6, {0xF2, 0x01, 0x02}), Ev(0, {0xF3, 0x05})})},
            {"FF 03 3байт xxxxxxxxxx", "Пауза 4 тиков", "F0 2байт xxxxxxxxxx", "Пауза 2 тиков",
             "F2 01 02", "F3 05", "Пауза 2 тиков", "F7 1байт xxxxxxxxxx", kEndOfTrackLine}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Bytes of the merged track ----------------------------------------------------

TEST(MergeBytes, EveryEventWithItsStatusShortestLengthsAndTempoLengthThree) {
    const Bytes first = Cat({
        Ev(0, {0x90, 0x3C, 0x40}), Ev(0, {0x3E, 0x40}),  // running status
        Ev(0, {0xFF, 0x01, 0x80, 0x02, 'h', 'i'}),       // length 2 in two bytes
        Ev(0, {0xFF, 0x51, 0x05, 0x07, 0xA1, 0x20}),     // tempo, length byte 5
        Ev(200, {0xF0, 0x81, 0x00}), Bytes(128, 0x11),   // sysex of 128 bytes
    });
    const Bytes file = Format1(96, {first, Ev(0, {0xC0, 0x05})});
    const Bytes expected =
        Cat({Bytes{0x00, 0x90, 0x3C, 0x40}, Bytes{0x00, 0x90, 0x3E, 0x40},
             Bytes{0x00, 0xFF, 0x01, 0x02, 'h', 'i'},
             Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, Bytes{0x00, 0xC0, 0x05},
             Bytes{0x81, 0x48, 0xF0, 0x81, 0x00}, Bytes(128, 0x11), Bytes{0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(MergedEvents(file), expected);
    // The header and first chunk header are kept as the file has them.
    const tonvell::test::MergedTrack merged = Merge(file);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 22, merged.bytes.begin()));
    EXPECT_EQ(merged.trackCount, 2);
}

// Many tracks with events on shared ticks, against a plain stable sort by
// time (ties in track order, then in order within the track). The counts
// include one track more and one less than powers of two.
class MergeManyTracks : public ::testing::TestWithParam<int> {};

TEST_P(MergeManyTracks, SameOrderAsAStableSortByTime) {
    struct Placed {
        std::uint32_t time;
        Bytes event;  // status and data
    };
    std::vector<Bytes> tracks;
    std::vector<Placed> all;
    for (int t = 0; t < GetParam(); ++t) {
        Bytes track;
        std::uint32_t time = 0;
        for (int i = 0; i < 6; ++i) {
            const std::uint32_t delta = static_cast<std::uint32_t>((t * 7 + i * 3) % 5);  // ties
            time += delta;
            const Bytes event = {static_cast<std::uint8_t>(0xC0 | (t % 16)),
                                 static_cast<std::uint8_t>((t + i) % 128)};
            track = Cat({track, VarLen(delta), event});
            all.push_back({time, event});
        }
        tracks.push_back(Cat({track, EndOfTrack()}));
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Placed& a, const Placed& b) { return a.time < b.time; });
    Bytes expected;
    std::uint32_t last = 0;
    for (const Placed& p : all) {
        expected = Cat({expected, VarLen(p.time - last), p.event});
        last = p.time;
    }
    expected = Cat({expected, EndOfTrack()});
    EXPECT_EQ(MergedEvents(Format1(96, tracks)), expected);
}

INSTANTIATE_TEST_SUITE_P(TrackCounts, MergeManyTracks, ::testing::Values(3, 7, 8, 9, 31, 33, 100));

TEST(MergeBytes, GapsBeyondOneDeltaFieldKeepTheirTime) {
    // Three dropped events of 268435455 ticks each, then a note: 805306365
    // ticks, more than one delta field holds.
    Bytes track;
    for (int i = 0; i < 3; ++i) {
        track = Cat({track, Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0xF6}});
    }
    track = Cat({track, Ev(0, {0x90, 0x3C, 0x40})});
    const Bytes file = Format1(32, {Ev(0, {0xC0, 0x01}), track});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    std::int64_t total = 0;
    for (const std::string& line : r.eventLog) {
        if (line.rfind("Пауза ", 0) == 0) {
            total += std::stoll(line.substr(11));
        }
    }
    EXPECT_EQ(total, 805306365);
    // One tick per unit: 805306365 units, in single precision 805306368.
    EXPECT_THAT(DataLines(r), ElementsAre("DB FFh, FFh, FFh, FFh, 82h ;delay", "DB 51h, C0h"));
}

// --- Which chunks are merged ------------------------------------------------------

TEST(MergeChunks, OtherChunkTypesSkippedAndNotCounted) {
    const Bytes file =
        Cat({Header(1, 2, 96), Chunk("MTrk", Ev(0, {0xC0, 0x01})),
             Chunk("XFIH", Ev(0, {0x90, 0x3C, 0x40})), Chunk("MTrk", Ev(0, {0xC1, 0x02}))});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_EQ(r.eventLog.at(8), "Объединено треков: 2");
    EXPECT_THAT(EventLines(r), ElementsAre("C0 01", "C1 02", kEndOfTrackLine));
}

TEST(MergeChunks, AtMostTheAnnouncedNumberOfTracks) {
    const Bytes file =
        Cat({Header(1, 2, 96), Chunk("MTrk", Ev(0, {0xC0, 0x01})),
             Chunk("MTrk", Ev(0, {0xC1, 0x02})), Chunk("MTrk", Ev(0, {0xC2, 0x03}))});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_EQ(r.eventLog.at(8), "Объединено треков: 2");
    EXPECT_THAT(EventLines(r), ElementsAre("C0 01", "C1 02", kEndOfTrackLine));
}

// --- Files cut short -----------------------------------------------------------------

// A file that ends before its tracks do is cut short as a single track would
// be: what was read is merged, the event log ends with the line for it, and
// the progress stays below 100 %.
struct CutCase {
    const char* name;
    Bytes file;
    int tracksMerged;
    Lines events;  // the event log after the merge line
};

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

class MergeCutShort : public ::testing::TestWithParam<CutCase> {};

TEST_P(MergeCutShort, EndsLikeASingleTrackCutShort) {
    const CutCase& c = GetParam();
    const auto r = tonvell::ConvertBytes(c.file, "t.mid");
    EXPECT_EQ(r.eventLog.at(8), "Объединено треков: " + std::to_string(c.tracksMerged));
    EXPECT_THAT(EventLines(r), ElementsAreArray(c.events));
    EXPECT_TRUE(r.cutShort);
    ASSERT_TRUE(r.progressLine);
    EXPECT_NE(*r.progressLine, "Обработано: 100 %");
    EXPECT_EQ(r.listing.back(), "DB 00h ;end of block");
}

const Bytes kSecondCut = Cat({Ev(0, {0xC1, 0x02}), Ev(10, {0x91, 0x3C, 0x40}), Ev(10, {0x81})});

INSTANTIATE_TEST_SUITE_P(
    Files, MergeCutShort,
    ::testing::Values(
        // The second chunk claims 1000 bytes; its last event is cut by the end
        // of the file.
        CutCase{"ChunkRunningPastTheFile",
                Cat({Header(1, 3, 96), Chunk("MTrk", Ev(20, {0xC0, 0x01})),
                     Chunk("MTrk", kSecondCut, 1000)}),
                2,
                {"C1 02", "Пауза 10 тиков", "91 3C 40", "Пауза 10 тиков", "C0 01",
                 "Неожиданный конец файла"}},
        CutCase{"TrackLengthFFFFFFFF",
                Cat({Header(1, 2, 96), Chunk("MTrk", Ev(0, {0xC0, 0x01})),
                     Chunk("MTrk", kSecondCut, 0xFFFFFFFF)}),
                2,
                {"C0 01", "C1 02", "Пауза 10 тиков", "91 3C 40", "Неожиданный конец файла"}},
        CutCase{"FewerChunksThanAnnounced",
                Cat({Header(1, 5, 96), Chunk("MTrk", Ev(0, {0xC0, 0x01})),
                     Chunk("MTrk", Ev(0, {0xC1, 0x02})), Bytes{'M', 'T', 'r'}}),
                2,
                {"C0 01", "C1 02", "Неожиданный конец файла"}},
        CutCase{"EndsAfterAWholeChunk",
                Cat({Header(1, 3, 96), Chunk("MTrk", Ev(0, {0xC0, 0x01}))}),
                1,
                {"C0 01", "Неожиданный конец файла"}},
        CutCase{"NoTrackChunkAtAll",
                Cat({Header(1, 2, 96), Chunk("XXXX", Ev(0, {0xC0, 0x01}))}),
                0,
                {"Неожиданный конец файла"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MergeCutShort, HeadOfASixTrackFileKeepsWhatWasRead) {
    // Six tracks of notes, cut in the middle of the fourth.
    std::vector<Bytes> tracks;
    for (std::uint8_t t = 0; t < 6; ++t) {
        Bytes track;
        for (std::uint8_t n = 0; n < 20; ++n) {
            track = Cat({track,
                         Ev(10, {static_cast<std::uint8_t>(0x90 | t),
                                 static_cast<std::uint8_t>(40 + n), 0x40}),
                         Ev(10, {static_cast<std::uint8_t>(0x80 | t),
                                 static_cast<std::uint8_t>(40 + n), 0x40})});
        }
        tracks.push_back(Cat({track, EndOfTrack()}));
    }
    const Bytes whole = Format1(96, tracks);
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 3 / 5));
    const auto r = tonvell::ConvertBytes(cut, "cut.mid");
    EXPECT_TRUE(r.cutShort);
    EXPECT_EQ(r.eventLog.at(8), "Объединено треков: 4");
    EXPECT_EQ(r.eventLog.back(), "Неожиданный конец файла");
    // Three whole tracks of 20 notes and part of the fourth.
    EXPECT_THAT(r.statistics[0], ::testing::StartsWith("Всего: "));
    EXPECT_GT(std::stoi(r.statistics[0].substr(r.statistics[0].find(", ") + 2)), 60);
    ASSERT_TRUE(r.progressLine);
    const int percent = std::stoi(r.progressLine->substr(std::string("Обработано: ").size()));
    EXPECT_GT(percent, 50);
    EXPECT_LT(percent, 80);
}

TEST(MergeChunks, EventRunningPastItsChunkEndsThatTrackOnly) {
    // The first chunk's last event needs a byte the chunk does not have; the
    // next chunk is still merged whole.
    const Bytes file =
        Cat({Header(1, 2, 96), Chunk("MTrk", Cat({Ev(0, {0xC0, 0x01}), Ev(0, {0x90, 0x3C})})),
             Chunk("MTrk", Cat({Ev(0, {0xC1, 0x02}), Ev(5, {0xC1, 0x03})}))});
    const auto r = tonvell::ConvertBytes(file, "t.mid");
    EXPECT_THAT(EventLines(r),
                ElementsAre("C0 01", "C1 02", "Пауза 5 тиков", "C1 03", kEndOfTrackLine));
}

TEST(MergeChunks, OnlyFormat1WithTwoOrMoreTracksIsMerged) {
    struct Case {
        std::uint16_t format, tracks;
        bool merged;
    };
    for (const Case c : {Case{1, 2, true}, Case{1, 65535, true}, Case{1, 1, false},
                         Case{1, 0, false}, Case{0, 2, false}, Case{2, 3, false}}) {
        SCOPED_TRACE(testing::Message() << c.format << "/" << c.tracks);
        EXPECT_EQ(tonvell::ShouldMerge(
                      Cat({Header(c.format, c.tracks, 96), Chunk("MTrk", EndOfTrack())})),
                  c.merged);
    }
}

// --- Messages met while merging -------------------------------------------------

TEST(MergeMessages, OverlongFieldsInLaterTracksAreReported) {
    const Bytes second = Cat({Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00}, Ev(0, {0xC1, 0x02}),
                              Ev(0, {0xFF, 0x01, 0x80, 0x80, 0x80, 0x80})});
    const auto r = tonvell::ConvertBytes(Format1(96, {Ev(0, {0xC0, 0x01}), second}), "t.mid");
    EXPECT_THAT(tonvell_test::WarningTexts(r),
                ElementsAre("Time field is too long", "Field too long"));
    // The fifth delta byte 00 stands where the status may: with no status in
    // force it takes nothing, and its delta still counts for C1 02.
    EXPECT_THAT(EventLines(r), ElementsAre("C0 01", "Пауза 268435455 тиков", "C1 02",
                                           "FF 01 0байт xxxxxxxxxx", kEndOfTrackLine));
}

}  // namespace
