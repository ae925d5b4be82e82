// SPDX-License-Identifier: MIT
#include "convert/midi_reader.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

#include "convert/byte_text.h"
#include "convert/cp1251.h"
#include "convert/midi_event.h"
#include "convert/midi_file.h"
#include "convert/zum_protocol.h"

namespace tonvell {

namespace {

std::string ChunkName(std::span<const std::uint8_t> b, std::size_t at) {
    return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(&b[at]), 4));
}

void AppendBytesHex(std::string& line, std::uint8_t status, const std::uint8_t* data, int count) {
    char text[3 * 4];  // filled here and appended once: this runs for every event
    WriteHex2(text, status);
    std::size_t n = 2;
    for (int i = 0; i < count && i < 3; ++i) {
        text[n++] = ' ';
        WriteHex2(text + n, data[i]);
        n += 2;
    }
    line.append(text, n);
}

// Appends the event log line of one event; nothing for an event that is not logged.
void AppendLogLine(std::string& line, const MidiEvent& e) {
    switch (e.kind) {
        case EventKind::Tempo:
            line += "New tempo ";
            AppendBytesHex(line, e.data[0], e.data + 1, 2);
            break;
        case EventKind::Meta:
            AppendBytesHex(line, e.status, &e.metaType, 1);
            line += ' ' + std::to_string(e.length) + "байт xxxxxxxxxx";
            break;
        case EventKind::SysEx:
            AppendHex2(line, e.status);
            line += ' ' + std::to_string(e.length) + "байт xxxxxxxxxx";
            break;
        case EventKind::TwoData:
            AppendBytesHex(line, e.status, e.data, 2);
            break;
        case EventKind::OneData:
            AppendBytesHex(line, e.status, e.data, 1);
            break;
        case EventKind::NoBytes:
            break;
    }
}

// Appends "Пауза N тиков"; a file has tens of thousands of them.
void AppendPauseLine(std::string& line, std::uint32_t delta) {
    char digits[10];
    const char* end = std::to_chars(std::begin(digits), std::end(digits), delta).ptr;
    static constexpr std::string_view kBefore = "Пауза ";
    static constexpr std::string_view kAfter = " тиков";
    line.append(kBefore).append(digits, static_cast<std::size_t>(end - digits)).append(kAfter);
}

bool IsNoteEvent(std::uint8_t status) {
    const std::uint8_t kind = midi::StatusKind(status);
    return kind == midi::kNoteOff || kind == midi::kNoteOn;
}

}  // namespace

MidiHeader ReportHeader(std::span<const std::uint8_t> file, EventLog& log) {
    using midi::ReadU16;
    MidiHeader header;
    header.ticksPerQuarter = ReadU16(file, midi::kTicksOffset);
    header.trackLength = static_cast<std::int32_t>(midi::ReadU32(file, midi::kTrackLengthOffset));
    const auto signedAt = [&](std::size_t at) {
        return std::to_string(static_cast<std::int32_t>(midi::ReadU32(file, at)));
    };
    log.AddLine(ChunkName(file, 0));
    log.AddLine(signedAt(midi::kHeaderLengthOffset) + " (длина заголовка)");
    log.AddLine(std::to_string(ReadU16(file, midi::kFormatOffset)) + " (формат)");
    log.AddLine(std::to_string(ReadU16(file, midi::kTrackCountOffset)) + " (число треков)");
    log.AddLine(std::to_string(header.ticksPerQuarter) + " (тиков на четверть)");
    log.AddLine(ChunkName(file, midi::kFirstChunk));
    log.AddLine(std::to_string(header.trackLength) + " (длина трека)");
    return header;
}

void TrackWalker::Event(const MidiEvent& event, std::int64_t at,
                        std::span<const std::uint8_t> bytes) {
    lastEventStart_ = at;
    EventLog& log = stages_.log;
    if (event.deltaTooLong) {
        stages_.warnings.Add(Warning::TimeFieldTooLong);
    }
    if (event.lengthTooLong) {
        stages_.warnings.Add(Warning::FieldTooLong);
    }
    if (event.delta >= 1) {
        log.Add([&](std::string& line) { AppendPauseLine(line, event.delta); });
    }
    stages_.listing.Advance(event.delta);
    if (event.kind == EventKind::Tempo) {
        const std::uint8_t parameter = zum::TempoParameter(event.data[0]);
        if (stages_.tempoCommands != nullptr) {
            stages_.tempoCommands->Emit(zum::kTempoCommand, parameter);
        } else {
            stages_.listing.Emit(zum::kTempoCommand, parameter);
        }
    }
    if (event.kind != EventKind::NoBytes) {
        log.Add([&](std::string& line) { AppendLogLine(line, event); });
    }
    if (event.kind == EventKind::TwoData && IsNoteEvent(event.status)) {
        // One call site, so that the allocation is inlined here; a
        // conversion without an arrangement only tests the pointer.
        const NoteOutcome outcome =
            stages_.voices.NoteEvent(event.status, event.data[0], event.data[1]);
        if (stages_.arrangement != nullptr) {
            stages_.arrangement->Note(stages_.listing.Now(), event.status, event.data[0],
                                      event.data[1], outcome);
        }
    } else if (stages_.arrangement != nullptr) {
        ObserveTimeSignature(event, bytes);
    }
}

void TrackWalker::ObserveTimeSignature(const MidiEvent& event,
                                       std::span<const std::uint8_t> bytes) const {
    if (event.kind == EventKind::Meta && event.metaType == midi::kMetaTimeSignature &&
        event.length >= 2 && event.bodyOffset + 2 <= bytes.size()) {
        stages_.arrangement->TimeSignature(stages_.listing.Now(), bytes[event.bodyOffset],
                                           bytes[event.bodyOffset + 1]);
    }
}

void TrackWalker::CutShort(std::int64_t at) {
    lastEventStart_ = at;
    stages_.log.AddLine(kUnexpectedEnd);
    cutShort_ = true;
}

WalkOutcome TrackWalker::Finish(std::int64_t end) const {
    WalkOutcome outcome;
    outcome.cutShort = cutShort_;
    if (lastEventStart_ >= 0) {
        // The percentage of the last event's first byte: the only one that
        // stays shown, so the only one worth a division.
        const std::int64_t progress = lastEventStart_ * 100 / end + 1;
        outcome.progressLine = "Обработано: " + std::to_string(progress) + " %";
    }
    return outcome;
}

WalkOutcome WalkTrack(const TrackBytes& track, WalkStages stages) {
    // A note or controller event takes at least three bytes and logs at most
    // two lines (pause and event); reserving for that keeps the log from
    // being copied as it grows, in all but odd files.
    const auto end =
        std::min<std::int64_t>(track.end, static_cast<std::int64_t>(track.bytes.size()));
    const auto first = static_cast<std::int64_t>(midi::kTrackStart);
    stages.log.Reserve(static_cast<std::size_t>(std::max<std::int64_t>(end - first, 0)) / 3 * 2 +
                       2);
    TrackWalker walker(stages);
    std::uint8_t status = midi::kNoStatus;  // each conversion starts with none
    std::size_t pos = midi::kTrackStart;
    while (static_cast<std::int64_t>(pos) < track.end) {
        const auto event = ParseEvent(track.bytes, pos, status);
        if (!event) {
            walker.CutShort(static_cast<std::int64_t>(pos));
            break;
        }
        walker.Event(*event, static_cast<std::int64_t>(pos), track.bytes);
        status = event->status;
        pos = event->next;
    }
    return walker.Finish(track.end);
}

}  // namespace tonvell
