#include "convert/track_merge.h"

#include <algorithm>
#include <cstring>

#include "convert/midi_event.h"
#include "convert/midi_file.h"

namespace tonvell {

namespace {

// The largest delta a four-byte variable-length quantity holds.
constexpr std::int64_t kMaxDelta = 0x0FFFFFFF;

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
    Merger(MergedTrack& out, WarningList& warnings) : out_(out), warnings_(warnings) {}

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
                warnings_.Add(Warning::TimeFieldTooLong);
            if (event->lengthTooLong)
                warnings_.Add(Warning::FieldTooLong);
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
        if (!out_.cutShort)
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
    WarningList& warnings_;
    std::vector<std::uint8_t> arena_;
    std::vector<TimedEvent> events_;
};

}  // namespace

bool ShouldMerge(std::span<const std::uint8_t> file) {
    if (file.size() < midi::kFirstChunk) {
        return false;
    }
    return midi::ReadU16(file, midi::kFormatOffset) == 1 &&
           midi::ReadU16(file, midi::kTrackCountOffset) >= 2;
}

MergedTrack MergeTracks(std::span<const std::uint8_t> file, WarningList& warnings) {
    MergedTrack merged;
    merged.bytes.assign(file.begin(), file.begin() + midi::kTrackStart);
    const int announced = midi::ReadU16(file, midi::kTrackCountOffset);
    Merger merger(merged, warnings);
    std::size_t pos = midi::kFirstChunk;
    std::uint64_t trackBytesRead = 0;
    while (merged.trackCount < announced) {
        if (file.size() - pos < midi::kChunkHeaderBytes) {
            merged.cutShort = true;  // fewer track chunks than announced
            break;
        }
        const bool isTrack = std::memcmp(&file[pos], "MTrk", 4) == 0;
        const std::uint64_t length = midi::ReadU32(file, pos + 4);
        const std::size_t start = pos + midi::kChunkHeaderBytes;
        // A chunk that claims more bytes than the file has is read as far as
        // the file goes.
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, file.size() - start));
        if (isTrack) {
            merger.AddTrack(file.subspan(start, size));
            ++merged.trackCount;
            trackBytesRead += size;
        }
        if (size < length) {
            merged.cutShort = true;
            merged.missingBytes += static_cast<std::int64_t>(length - size);
            break;
        }
        pos = start + size;
    }
    if (merged.cutShort && merged.trackCount < announced) {
        const std::uint64_t average = trackBytesRead / std::max(merged.trackCount, 1);
        merged.missingBytes +=
            static_cast<std::int64_t>(std::max<std::uint64_t>(average, 1) *
                                      static_cast<std::uint64_t>(announced - merged.trackCount));
    }
    merger.Write();
    return merged;
}

}  // namespace tonvell
