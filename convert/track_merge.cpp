#include "convert/track_merge.h"

#include <algorithm>
#include <cstring>

#include "convert/conversion.h"
#include "convert/midi_event.h"

namespace tonvell {

namespace {

constexpr std::size_t kFirstChunk = 14;
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kTrackStart = 22;
// The largest delta a four-byte variable-length quantity holds.
constexpr std::int64_t kMaxDelta = 0x0FFFFFFF;

std::uint32_t ReadU32(std::span<const std::uint8_t> b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
           (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

void AppendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    }
    out.push_back(groups[0]);
}

struct TimedEvent {
    std::int64_t time;
    std::size_t offset;  // into the arena of encoded events
    std::size_t size;
};

class Merger {
public:
    explicit Merger(MergedTrack& out) : out_(out) {}

    void AddTrack(std::span<const std::uint8_t> track) {
        std::uint8_t status = midi::kNoStatus;
        std::int64_t time = 0;
        std::size_t pos = 0;
        while (pos < track.size()) {
            auto event = ParseEvent(track, pos, status);
            if (!event) {
                break;  // an event running past its chunk ends the track
            }
            if (event->deltaTooLong)
                out_.messages.emplace_back(kTimeFieldTooLong);
            if (event->lengthTooLong)
                out_.messages.emplace_back(kFieldTooLong);
            time += event->delta;
            status = event->status;
            Encode(*event, track, time);
            pos = event->next;
        }
    }

    void Write() {
        // Ties keep track order, then order within the track.
        std::stable_sort(events_.begin(), events_.end(),
                         [](const TimedEvent& a, const TimedEvent& b) { return a.time < b.time; });
        std::int64_t last = 0;
        for (const TimedEvent& e : events_) {
            WriteDelta(e.time - last);
            last = e.time;
            out_.bytes.insert(out_.bytes.end(), arena_.begin() + static_cast<long>(e.offset),
                              arena_.begin() + static_cast<long>(e.offset + e.size));
        }
        out_.bytes.insert(out_.bytes.end(), {0x00, midi::kMeta, midi::kMetaEndOfTrack, 0x00});
    }

private:
    void Encode(const MidiEvent& e, std::span<const std::uint8_t> track, std::int64_t time) {
        const std::size_t start = arena_.size();
        switch (e.kind) {
            case EventKind::NoBytes:
                return;  // its delta still counts toward the time of what follows
            case EventKind::Tempo:
                arena_.insert(arena_.end(), {midi::kMeta, midi::kMetaTempo, 0x03, e.data[0],
                                             e.data[1], e.data[2]});
                break;
            case EventKind::Meta:
                if (e.metaType == midi::kMetaEndOfTrack) {
                    return;  // one end of track is written after all events
                }
                arena_.insert(arena_.end(), {midi::kMeta, e.metaType});
                AppendBody(e, track);
                break;
            case EventKind::SysEx:
                arena_.push_back(e.status);
                AppendBody(e, track);
                break;
            case EventKind::TwoData:
                arena_.insert(arena_.end(), {e.status, e.data[0], e.data[1]});
                break;
            case EventKind::OneData:
                arena_.insert(arena_.end(), {e.status, e.data[0]});
                break;
        }
        events_.push_back({time, start, arena_.size() - start});
    }

    void AppendBody(const MidiEvent& e, std::span<const std::uint8_t> track) {
        AppendVarLen(arena_, e.length);
        auto body = track.subspan(e.bodyOffset, e.length);
        arena_.insert(arena_.end(), body.begin(), body.end());
    }

    // Gaps longer than a delta field holds (only possible when dropped events
    // add up) are bridged by empty sequencer-specific meta events, so the
    // merged track keeps the exact times.
    void WriteDelta(std::int64_t delta) {
        while (delta > kMaxDelta) {
            AppendVarLen(out_.bytes, static_cast<std::uint32_t>(kMaxDelta));
            out_.bytes.insert(out_.bytes.end(), {midi::kMeta, 0x7F, 0x00});
            delta -= kMaxDelta;
        }
        AppendVarLen(out_.bytes, static_cast<std::uint32_t>(delta));
    }

    MergedTrack& out_;
    std::vector<std::uint8_t> arena_;
    std::vector<TimedEvent> events_;
};

}  // namespace

bool ShouldMerge(std::span<const std::uint8_t> file) {
    if (file.size() < kFirstChunk) {
        return false;
    }
    const int format = (file[8] << 8) | file[9];
    const int tracks = (file[10] << 8) | file[11];
    return format == 1 && tracks >= 2;
}

MergedTrack MergeTracks(std::span<const std::uint8_t> file) {
    MergedTrack merged;
    merged.bytes.assign(file.begin(), file.begin() + kTrackStart);
    const int announced = (file[10] << 8) | file[11];
    Merger merger(merged);
    std::size_t pos = kFirstChunk;
    while (merged.trackCount < announced && file.size() - pos >= kChunkHeader) {
        const bool isTrack = std::memcmp(&file[pos], "MTrk", 4) == 0;
        const std::uint64_t length = ReadU32(file, pos + 4);
        const std::size_t start = pos + kChunkHeader;
        // A chunk that claims more bytes than the file has is cut at its end.
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, file.size() - start));
        if (isTrack) {
            merger.AddTrack(file.subspan(start, size));
            ++merged.trackCount;
        }
        if (size < length) {
            break;
        }
        pos = start + size;
    }
    merger.Write();
    return merged;
}

}  // namespace tonvell
