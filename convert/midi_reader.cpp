#include "convert/midi_reader.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

#include "convert/byte_text.h"
#include "convert/cp1251.h"
#include "convert/midi_event.h"
#include "convert/midi_file.h"

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
    const int kind = status & 0xF0;
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

WalkOutcome WalkTrack(const TrackBytes& track, WalkStages stages) {
    EventLog& log = stages.log;
    // A note or controller event takes at least three bytes and logs at most
    // two lines (pause and event); reserving for that keeps the log from
    // being copied as it grows, in all but odd files.
    const auto end =
        std::min<std::int64_t>(track.end, static_cast<std::int64_t>(track.bytes.size()));
    const auto first = static_cast<std::int64_t>(midi::kTrackStart);
    log.Reserve(static_cast<std::size_t>(std::max<std::int64_t>(end - first, 0)) / 3 * 2 + 2);
    WalkOutcome outcome;
    std::uint8_t status = midi::kNoStatus;  // each conversion starts with none
    std::int64_t lastEventStart = -1;
    std::size_t pos = midi::kTrackStart;
    while (static_cast<std::int64_t>(pos) < track.end) {
        lastEventStart = static_cast<std::int64_t>(pos);
        auto event = ParseEvent(track.bytes, pos, status);
        if (!event) {
            log.AddLine(kUnexpectedEnd);
            outcome.cutShort = true;
            break;
        }
        if (event->deltaTooLong)
            stages.warnings.Add(Warning::TimeFieldTooLong);
        if (event->lengthTooLong)
            stages.warnings.Add(Warning::FieldTooLong);
        if (event->delta >= 1) {
            log.Add([&](std::string& line) { AppendPauseLine(line, event->delta); });
        }
        stages.listing.Advance(event->delta);
        status = event->status;
        if (event->kind == EventKind::Tempo) {
            stages.listing.Emit(kTempoCommand, static_cast<std::uint8_t>(0x80 | event->data[0]));
        }
        if (event->kind != EventKind::NoBytes) {
            log.Add([&](std::string& line) { AppendLogLine(line, *event); });
        }
        if (event->kind == EventKind::TwoData && IsNoteEvent(event->status)) {
            stages.voices.NoteEvent(event->status, event->data[0], event->data[1]);
        }
        pos = event->next;
    }
    if (lastEventStart >= 0) {
        // The percentage of the last event's first byte: the only one that
        // stays shown, so the only one worth a division.
        const std::int64_t progress = lastEventStart * 100 / track.end + 1;
        outcome.progressLine = "Обработано: " + std::to_string(progress) + " %";
    }
    return outcome;
}

}  // namespace tonvell
