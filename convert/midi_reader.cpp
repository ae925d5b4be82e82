#include "convert/midi_reader.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

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
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char text[3 * 4];  // filled here and appended once: this runs for every event
    text[0] = kDigits[status >> 4];
    text[1] = kDigits[status & 0x0F];
    std::size_t n = 2;
    for (int i = 0; i < count && i < 3; ++i) {
        text[n++] = ' ';
        text[n++] = kDigits[data[i] >> 4];
        text[n++] = kDigits[data[i] & 0x0F];
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

// Adds event log lines in the form asked for.
class EventLogOut {
public:
    EventLogOut(ConversionResult& result, EventLogForm form, const TextSink& sink)
        : result_(result), form_(form), sink_(sink) {}

    template <typename Append>
    void Add(Append&& append) {
        if (form_ == EventLogForm::Lines) {
            std::string line;
            append(line);
            result_.eventLog.push_back(std::move(line));
        } else if (form_ == EventLogForm::Text) {
            std::string& text = result_.eventLogText;
            append(text);
            text += '\n';
            if (sink_ && text.size() >= kTextPieceBytes) {
                sink_(text);
                text.clear();
            }
        }
    }

private:
    ConversionResult& result_;
    EventLogForm form_;
    const TextSink& sink_;
};

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
               VoiceAllocator& voices, ConversionResult& result, EventLogForm logForm,
               const TextSink& logSink) {
    EventLogOut log(result, logForm, logSink);
    // A note or controller event takes at least three bytes and logs at most
    // two lines (pause and event), some 16 bytes each on average; reserving for
    // that keeps the log from being copied as it grows, in all but odd files.
    const auto end = std::min<std::int64_t>(trackEnd, static_cast<std::int64_t>(track.size()));
    const auto first = static_cast<std::int64_t>(kHeaderBytes);
    const auto lines = static_cast<std::size_t>(std::max<std::int64_t>(end - first, 0)) / 3 * 2 + 2;
    if (logForm == EventLogForm::Lines) {
        result.eventLog.reserve(result.eventLog.size() + lines);
    } else if (logSink) {
        result.eventLogText.reserve(kTextPieceBytes + 256);
    } else if (logForm == EventLogForm::Text) {
        result.eventLogText.reserve(result.eventLogText.size() + lines * 16);
    }
    std::uint8_t status = midi::kNoStatus;  // each conversion starts with none
    std::int64_t lastEventStart = -1;
    std::size_t pos = kHeaderBytes;
    while (static_cast<std::int64_t>(pos) < trackEnd) {
        lastEventStart = static_cast<std::int64_t>(pos);
        auto event = ParseEvent(track, pos, status);
        if (!event) {
            log.Add([](std::string& line) { line += kUnexpectedEnd; });
            result.cutShort = true;
            break;
        }
        if (event->deltaTooLong)
            result.messages.emplace_back(kTimeFieldTooLong);
        if (event->lengthTooLong)
            result.messages.emplace_back(kFieldTooLong);
        if (event->delta >= 1) {
            log.Add([&](std::string& line) { AppendPauseLine(line, event->delta); });
        }
        writer.Advance(event->delta);
        status = event->status;
        if (event->kind == EventKind::Tempo) {
            writer.Emit(0x0E, static_cast<std::uint8_t>(0x80 | event->data[0]));
        }
        if (event->kind != EventKind::NoBytes) {
            log.Add([&](std::string& line) { AppendLogLine(line, *event); });
        }
        if (event->kind == EventKind::TwoData && IsNoteEvent(event->status)) {
            voices.NoteEvent(event->status, event->data[0], event->data[1], writer,
                             result.messages);
        }
        pos = event->next;
    }
    if (lastEventStart >= 0) {
        // The percentage of the last event's first byte: the only one that
        // stays shown, so the only one worth a division.
        const std::int64_t progress = lastEventStart * 100 / trackEnd + 1;
        result.progressLine = "Обработано: " + std::to_string(progress) + " %";
    }
}

}  // namespace tonvell
