#include "convert/midi_reader.h"

#include "convert/byte_text.h"
#include "convert/cp1251.h"
#include "convert/midi_event.h"

namespace tonvell {

namespace {

std::int32_t ReadI32(std::span<const std::uint8_t> b, std::size_t at) {
    const std::uint32_t u = (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
                            (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
    return static_cast<std::int32_t>(u);
}

std::uint16_t ReadU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

std::string ChunkName(std::span<const std::uint8_t> b, std::size_t at) {
    return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(&b[at]), 4));
}

void AppendBytesHex(std::string& line, std::uint8_t status, const std::uint8_t* data, int count) {
    AppendHex2(line, status);
    for (int i = 0; i < count; ++i) {
        line.push_back(' ');
        AppendHex2(line, data[i]);
    }
}

// The event log line of one event; empty for an event that is not logged.
std::string LogLine(const MidiEvent& e) {
    std::string line;
    switch (e.kind) {
        case EventKind::Tempo:
            line = "New tempo ";
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
    return line;
}

bool IsNoteEvent(std::uint8_t status) {
    const int kind = status & 0xF0;
    return kind == midi::kNoteOff || kind == midi::kNoteOn;
}

}  // namespace

MidiHeader ReportHeader(std::span<const std::uint8_t> file, std::vector<std::string>& log) {
    MidiHeader header;
    header.ticksPerQuarter = ReadU16(file, 12);
    header.trackLength = ReadI32(file, 18);
    log.push_back(ChunkName(file, 0));
    log.push_back(std::to_string(ReadI32(file, 4)) + " (длина заголовка)");
    log.push_back(std::to_string(ReadU16(file, 8)) + " (формат)");
    log.push_back(std::to_string(ReadU16(file, 10)) + " (число треков)");
    log.push_back(std::to_string(header.ticksPerQuarter) + " (тиков на четверть)");
    log.push_back(ChunkName(file, 14));
    log.push_back(std::to_string(header.trackLength) + " (длина трека)");
    return header;
}

void WalkTrack(std::span<const std::uint8_t> track, std::int64_t trackEnd, ListingWriter& writer,
               VoiceAllocator& voices, ConversionResult& result) {
    auto& log = result.eventLog;
    std::uint8_t status = midi::kNoStatus;  // each conversion starts with none
    std::int64_t progress = -1;
    std::size_t pos = kHeaderBytes;
    while (static_cast<std::int64_t>(pos) < trackEnd) {
        // The percentage of the event's first byte; only the last one stays shown.
        progress = static_cast<std::int64_t>(pos) * 100 / trackEnd + 1;
        auto event = ParseEvent(track, pos, status);
        if (!event) {
            log.emplace_back(kUnexpectedEnd);
            result.cutShort = true;
            break;
        }
        if (event->deltaTooLong) result.messages.emplace_back(kTimeFieldTooLong);
        if (event->lengthTooLong) result.messages.emplace_back(kFieldTooLong);
        if (event->delta >= 1) {
            log.push_back("Пауза " + std::to_string(event->delta) + " тиков");
        }
        writer.Advance(event->delta);
        status = event->status;
        if (event->kind == EventKind::Tempo) {
            writer.Emit(0x0E, static_cast<std::uint8_t>(0x80 | event->data[0]));
        }
        if (event->kind != EventKind::NoBytes) {
            log.push_back(LogLine(*event));
        }
        if (event->kind == EventKind::TwoData && IsNoteEvent(event->status)) {
            voices.NoteEvent(event->status, event->data[0], event->data[1], writer,
                             result.messages);
        }
        pos = event->next;
    }
    if (progress >= 0) {
        result.progressLine = "Обработано: " + std::to_string(progress) + " %";
    }
}

}  // namespace tonvell
