// SPDX-License-Identifier: MIT
#include "tests/support/merged_track.h"

#include "convert/midi_event.h"
#include "convert/midi_file.h"
#include "tests/support/midi_builder.h"

namespace tonvell::test {

namespace {

void Append(std::vector<std::uint8_t>& out, const midi_test::Bytes& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// Writes the merged events out as bytes.
class MergedWriter final : public MergedEventSink {
public:
    explicit MergedWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Event(const MidiEvent& e, std::span<const std::uint8_t> track) override {
        Append(out_, midi_test::VarLen(e.delta));
        switch (e.kind) {
            case EventKind::Tempo:
                out_.insert(out_.end(),
                            {midi::kMeta, midi::kMetaTempo, 0x03, e.data[0], e.data[1], e.data[2]});
                break;
            case EventKind::Meta:
                out_.insert(out_.end(), {midi::kMeta, e.metaType});
                AppendBody(e, track);
                break;
            case EventKind::SysEx:
                out_.push_back(e.status);
                AppendBody(e, track);
                break;
            case EventKind::TwoData:
                out_.insert(out_.end(), {e.status, e.data[0], e.data[1]});
                break;
            case EventKind::OneData:
                out_.insert(out_.end(), {e.status, e.data[0]});
                break;
            case EventKind::NoBytes:
                break;
        }
    }

private:
    void AppendBody(const MidiEvent& e, std::span<const std::uint8_t> track) {
        Append(out_, midi_test::VarLen(e.length));
        const auto body = track.subspan(e.bodyOffset, e.length);
        out_.insert(out_.end(), body.begin(), body.end());
    }

    std::vector<std::uint8_t>& out_;
};

}  // namespace

MergedTrack MergeTracks(std::span<const std::uint8_t> file, WarningList& warnings) {
    const TrackChunks chunks = FindTrackChunks(file);
    MergedTrack merged;
    merged.bytes.assign(file.begin(), file.begin() + midi::kTrackStart);
    merged.trackCount = static_cast<int>(chunks.tracks.size());
    merged.cutShort = chunks.cutShort;
    merged.missingBytes = chunks.missingBytes;
    MergedWriter writer(merged.bytes);
    MergeEvents(chunks, warnings, writer);
    return merged;
}

}  // namespace tonvell::test
