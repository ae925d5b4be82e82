// SPDX-License-Identifier: MIT
#include "convert/track_merge.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "convert/midi_event.h"
#include "convert/midi_file.h"

namespace tonvell {

namespace {

// The largest delta a four-byte variable-length quantity holds.
constexpr std::int64_t kMaxDelta = 0x0FFFFFFF;

// One track being read: the next event it holds, decoded lazily as the merge
// takes its events.
struct TrackCursor {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
    std::uint8_t status = midi::kNoStatus;
    std::int64_t time = 0;  // of the next event
    MidiEvent next;
};

// Where a warning was first met: by track, then by position in it, which is
// the order a reading of the tracks one after the other meets them in.
struct FirstMet {
    std::size_t track = 0;
    std::size_t pos = 0;
    std::int64_t count = 0;
};

// A k-way merge of the tracks' events in time order that decodes each event
// once and hands it on at once: nothing is copied or sorted.
class Merger {
public:
    Merger(const TrackChunks& chunks, MergedEventSink& sink) : sink_(sink) {
        tracks_.resize(chunks.tracks.size());
        leaves_ = std::bit_ceil(std::max<std::size_t>(tracks_.size(), 1));
        tree_.assign(2 * leaves_, kEnded);
        for (std::size_t t = 0; t < tracks_.size(); ++t) {
            tracks_[t].bytes = chunks.tracks[t];
            tree_[leaves_ + t] = Advance(t) ? Key(t) : kEnded;
        }
        for (std::size_t node = leaves_ - 1; node >= 1; --node) {
            tree_[node] = std::min(tree_[2 * node], tree_[2 * node + 1]);
        }
    }

    void Run(bool cutShort, WarningList& warnings) {
        std::int64_t last = 0;
        // The tree's root holds the earliest next event of all tracks.
        for (std::uint64_t key = tree_[1]; key != kEnded; key = tree_[1]) {
            const auto t = static_cast<std::size_t>(key & kTrackMask);
            TrackCursor& cursor = tracks_[t];
            // The track moves on to its next event and the tree finds the
            // next track before this event is handed on: the sink's work
            // then overlaps the decoding and the tree's, which the next
            // round waits for.
            MidiEvent event = cursor.next;
            const std::int64_t time = cursor.time;
            Replace(t, Advance(t) ? Key(t) : kEnded);
            Hand(event, time - last, cursor.bytes);
            last = time;
        }
        if (!cutShort) {
            sink_.Event(Meta(0, midi::kMetaEndOfTrack), {});
        }
        ReportWarnings(warnings);
    }

private:
    // A key: the time of a track's next event above its track's
    // index, so that one comparison orders by time and then by track. Times
    // stay below 2^47: at most 2^17 events of at most 2^28 ticks each.
    static constexpr int kTrackBits = 16;
    static constexpr std::uint64_t kTrackMask = (std::uint64_t{1} << kTrackBits) - 1;
    static constexpr std::uint64_t kEnded = ~std::uint64_t{0};  // above every key

    std::uint64_t Key(std::size_t t) const {
        return (static_cast<std::uint64_t>(tracks_[t].time) << kTrackBits) | t;
    }

    // Sets track t's key and recomputes the minimum of each subtree on the
    // way to the root: one comparison a level, taken without a branch, since
    // which track comes next cannot be predicted. Keys are unique (each holds
    // its track), so ties between tracks go to the lower track.
    void Replace(std::size_t t, std::uint64_t key) {
        std::uint64_t* const tree = tree_.data();
        std::size_t node = leaves_ + t;
        tree[node] = key;
        for (; node > 1; node /= 2) {
            const std::uint64_t sibling = tree[node ^ 1];
            key = sibling < key ? sibling : key;
            tree[node / 2] = key;
        }
    }

    static MidiEvent Meta(std::uint32_t delta, std::uint8_t type) {
        MidiEvent event;
        event.delta = delta;
        event.status = midi::kMeta;
        event.kind = EventKind::Meta;
        event.metaType = type;
        return event;
    }

    // Hands on a track's event with its delta in the merged track.
    void Hand(MidiEvent& event, std::int64_t delta, std::span<const std::uint8_t> track) {
        // Gaps longer than a delta field holds (only possible when dropped
        // events add up) are bridged by empty sequencer-specific meta events,
        // so the merged track keeps the exact times.
        while (delta > kMaxDelta) {
            sink_.Event(Meta(static_cast<std::uint32_t>(kMaxDelta), 0x7F), {});
            delta -= kMaxDelta;
        }
        event.delta = static_cast<std::uint32_t>(delta);
        // Its fields are written in full in the merged track.
        event.deltaTooLong = false;
        event.lengthTooLong = false;
        sink_.Event(event, track);
    }

    // Decodes track t's next event that the merge hands on; false at its end
    // (or where an event runs past its chunk, which ends the track).
    bool Advance(std::size_t t) {
        TrackCursor& c = tracks_[t];
        while (c.pos < c.bytes.size()) {
            const std::size_t at = c.pos;
            // Decoded where it waits: a copy of a freshly decoded event
            // would stall on reading back what was just written byte by byte.
            MidiEvent& event = c.next;
            if (!DecodeEvent(c.bytes, c.pos, c.status, event)) {
                return false;
            }
            if (event.deltaTooLong) {
                Met(Warning::TimeFieldTooLong, t, at);
            }
            if (event.lengthTooLong) {
                Met(Warning::FieldTooLong, t, at);
            }
            c.time += event.delta;
            c.status = event.status;
            c.pos = event.next;
            // An event of no bytes still moves the time of what follows; one
            // end of track is written after all events. (The end of track is
            // told by its status, not its kind, for the same reason: the kind
            // and the meta type lie side by side, and one read of both would
            // stall.)
            const bool dropped =
                event.kind == EventKind::NoBytes ||
                (event.status == midi::kMeta && event.metaType == midi::kMetaEndOfTrack);
            if (!dropped) {
                return true;
            }
        }
        return false;
    }

    void Met(Warning warning, std::size_t track, std::size_t pos) {
        FirstMet& met = met_[static_cast<std::size_t>(warning)];
        if (met.count == 0 || std::pair(track, pos) < std::pair(met.track, met.pos)) {
            met.track = track;
            met.pos = pos;
        }
        ++met.count;
    }

    // The warnings in the order a reading of the tracks one after the other
    // meets them, with their counts.
    void ReportWarnings(WarningList& warnings) const {
        std::vector<std::size_t> order;
        for (std::size_t w = 0; w < met_.size(); ++w) {
            if (met_[w].count > 0) {
                order.push_back(w);
            }
        }
        std::sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            return std::pair(met_[a].track, met_[a].pos) < std::pair(met_[b].track, met_[b].pos);
        });
        for (const std::size_t w : order) {
            warnings.Add(static_cast<Warning>(w), met_[w].count);
        }
    }

    MergedEventSink& sink_;
    std::vector<TrackCursor> tracks_;
    // A tournament tree over the tracks: leaf leaves_ + t holds track t's
    // key (kEnded once it has ended), each inner node the smaller of its two
    // children's.
    std::size_t leaves_ = 1;
    std::vector<std::uint64_t> tree_;
    std::array<FirstMet, kWarningKinds> met_{};
};

}  // namespace

bool ShouldMerge(std::span<const std::uint8_t> file) {
    if (file.size() < midi::kFirstChunk) {
        return false;
    }
    return midi::ReadU16(file, midi::kFormatOffset) == 1 &&
           midi::ReadU16(file, midi::kTrackCountOffset) >= 2;
}

TrackChunks FindTrackChunks(std::span<const std::uint8_t> file) {
    TrackChunks chunks;
    const std::size_t announced = midi::ReadU16(file, midi::kTrackCountOffset);
    std::size_t pos = midi::kFirstChunk;
    std::uint64_t trackBytesRead = 0;
    while (chunks.tracks.size() < announced) {
        if (file.size() - pos < midi::kChunkHeaderBytes) {
            chunks.cutShort = true;  // fewer track chunks than announced
            break;
        }
        const bool isTrack = std::memcmp(&file[pos], "MTrk", 4) == 0;
        const std::uint64_t length = midi::ReadU32(file, pos + 4);
        const std::size_t start = pos + midi::kChunkHeaderBytes;
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, file.size() - start));
        if (isTrack) {
            chunks.tracks.push_back(file.subspan(start, size));
            trackBytesRead += size;
        }
        if (size < length) {
            chunks.cutShort = true;
            chunks.missingBytes += static_cast<std::int64_t>(length - size);
            break;
        }
        pos = start + size;
    }
    if (chunks.cutShort && chunks.tracks.size() < announced) {
        const std::uint64_t average =
            trackBytesRead / std::max<std::size_t>(chunks.tracks.size(), 1);
        chunks.missingBytes += static_cast<std::int64_t>(std::max<std::uint64_t>(average, 1) *
                                                         (announced - chunks.tracks.size()));
    }
    return chunks;
}

void MergeEvents(const TrackChunks& chunks, WarningList& warnings, MergedEventSink& sink) {
    Merger(chunks, sink).Run(chunks.cutShort, warnings);
}

}  // namespace tonvell
