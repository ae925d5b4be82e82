// SPDX-License-Identifier: MIT
#include "playback/fluid_synth_instance.h"

#include "playback/midi_messages.h"

namespace tonvell::playback {

namespace {

constexpr int kChannels = 16;

// FluidSynth's default gain of 0.2 leaves room for dozens of voices; the
// port sounds at most one note on each of six channels, so a single note may
// be louder without the sum of all six clipping.
constexpr double kGain = 0.6;

}  // namespace

std::unique_ptr<FluidSynthInstance> FluidSynthInstance::Create(const FluidApi& api,
                                                               const std::string& soundFont,
                                                               double sampleRate,
                                                               std::string& error) {
    std::unique_ptr<FluidSynthInstance> instance(new FluidSynthInstance(api));
    instance->settings_ = api.newSettings();
    if (!instance->settings_) {
        error = "FluidSynth could not create its settings";
        return nullptr;
    }
    api.setNum(instance->settings_, "synth.sample-rate", sampleRate);
    api.setNum(instance->settings_, "synth.gain", kGain);
    // Only the presets that program changes choose get their samples read,
    // so opening the device stays quick even with a large SoundFont.
    api.setInt(instance->settings_, "synth.dynamic-sample-loading", 1);
    TakeFluidError();
    instance->synth_ = api.newSynth(instance->settings_);
    if (!instance->synth_) {
        error = "FluidSynth could not create a synthesizer: " + TakeFluidError();
        return nullptr;
    }
    const QuietFluidDependencies quiet(api);
    if (api.loadSoundFont(instance->synth_, soundFont.c_str(), 1) == FLUID_FAILED) {
        error = "cannot load the SoundFont " + soundFont;
        if (const std::string why = TakeFluidError(); !why.empty()) {
            error += ": " + why;
        }
        return nullptr;
    }
    return instance;
}

FluidSynthInstance::~FluidSynthInstance() {
    if (synth_) {
        api_.deleteSynth(synth_);
    }
    if (settings_) {
        api_.deleteSettings(settings_);
    }
}

void FluidSynthInstance::Send(const MidiShortMessage& m) {
    const int channel = midi::StatusChannel(m.status);
    switch (midi::StatusKind(m.status)) {
        case midi::kNoteOff:
            NoteOff(channel, m.data1);
            break;
        case midi::kNoteOn:
            if (m.data2 == 0) {
                NoteOff(channel, m.data1);
            } else {
                silenced_[static_cast<std::size_t>(channel)] = false;
                api_.noteOn(synth_, channel, m.data1, m.data2);
            }
            break;
        case midi::kKeyPressure:
            api_.keyPressure(synth_, channel, m.data1, m.data2);
            break;
        case midi::kControlChange:
            ControlChange(channel, m.data1, m.data2);
            break;
        case midi::kProgramChange:
            api_.programChange(synth_, channel, m.data1);
            break;
        case midi::kChannelPressure:
            api_.channelPressure(synth_, channel, m.data1);
            break;
        case midi::kPitchBend:
            api_.pitchBend(synth_, channel, m.data1 | (m.data2 << 7));
            break;
        default:
            break;  // not a channel message
    }
}

// FluidSynth ends a voice that All Sound Off has just cut (in the same block
// of samples) with its release all the same when a note-off for it follows,
// so the note fades for a tenth of a second or more instead of stopping. The
// port sends exactly that pair for every note that ends. On a channel that
// All Sound Off has silenced and no note has sounded since, no voice is left
// for a note-off to end: such note-offs are not passed on.
void FluidSynthInstance::NoteOff(int channel, std::uint8_t key) {
    if (!silenced_[static_cast<std::size_t>(channel)]) {
        api_.noteOff(synth_, channel, key);
    }
}

void FluidSynthInstance::ControlChange(int channel, std::uint8_t control, std::uint8_t value) {
    if (control == midi::kAllNotesOff && silenced_[static_cast<std::size_t>(channel)]) {
        return;
    }
    if (control == midi::kAllSoundOff) {
        silenced_[static_cast<std::size_t>(channel)] = true;
    }
    api_.controlChange(synth_, channel, control, value);
}

void FluidSynthInstance::AllNotesOff() {
    for (int channel = 0; channel < kChannels; ++channel) {
        ControlChange(channel, midi::kAllNotesOff, 0);
    }
}

int FluidSynthInstance::ActiveVoices() const {
    return api_.activeVoiceCount(synth_);
}

void FluidSynthInstance::Render(std::span<float> left, std::span<float> right) {
    api_.writeFloat(synth_, static_cast<int>(left.size()), left.data(), 0, 1, right.data(), 0, 1);
}

}  // namespace tonvell::playback
