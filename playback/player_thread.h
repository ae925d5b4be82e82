// SPDX-License-Identifier: MIT
#pragma once
// The listing player on a thread of its own. Its clock and its writes (serial
// pairs, MIDI messages, the built-in synthesizer's notes) never wait for the
// window: the thread sleeps until each tick is due, ticks, and publishes
// where playback stands; the window reads that at the screen's pace and
// paints only the latest. The player's rules (decoding, the schedule from an
// anchor, Stop, rewind, the held byte, the silencing, the failed write) are
// ListingPlayer's; this class only gives it a thread, a lock and a place to
// leave what the window should show.
//
// Play, Stop, Rewind and CursorFromCaret are the window's and run on its
// thread, under the same lock as the ticks: Stop silences the output before
// it returns. The view's Line and LineCount are also called on the player's
// thread, so the view must answer them from a copy of the listing that it
// replaces under a lock of its own; CaretPosition and ShowMessage are only
// called on the window's thread.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "convert/zum_protocol.h"
#include "platform/thread_priority.h"
#include "playback/listing_player.h"

namespace tonvell::playback {

// Where playback stands, as the window shows it.
struct PlaybackPosition {
    bool playing = false;
    PlayerControls controls;      // the enabled states the player set last
    std::string label = "Line:";  // Label2's text
    int lineIndex = 0;            // the player's cursor
    int soundingLine = -1;        // the line of the last command sent since Play
    // The command byte (note) each voice sounds now; 0 when it is silent.
    std::array<std::uint8_t, zum::kVoiceCount> voices{};
    // Counts every change, so that a reader sees whether anything moved.
    std::uint64_t changes = 0;
};

class PlayerThread {
public:
    // Shows text in a message box on the window's thread and calls closed
    // once the user closed it. Called on the player's thread, which waits
    // meanwhile without holding the lock (the window may stop playback).
    using MessageRequest =
        std::function<void(const std::string& text, std::function<void()> closed)>;

    // Without a message request the view's ShowMessage is called directly.
    PlayerThread(PlayerView& view, PlayerOutput& output, MonotonicClock& clock,
                 MessageRequest showMessage = {});
    ~PlayerThread();
    PlayerThread(const PlayerThread&) = delete;
    PlayerThread& operator=(const PlayerThread&) = delete;

    void Play();
    void Stop();
    void Rewind();
    void CursorFromCaret();

    PlaybackPosition Position() const;
    bool Playing() const;
    int LineIndex() const;
    ListingPlayer::State ParseState() const;
    // When the next tick is due, on the player's clock.
    PlayerTime NextTickDue() const;
    // What the thread was granted when it started (it raises itself as far
    // as the system allows an unprivileged program).
    ThreadPriority Priority() const;

    // For tests: the thread leaves the ticks alone, and StepTick runs the
    // pending one at once on the caller's thread. False when none is pending.
    void HoldTicks();
    bool StepTick();

private:
    class View;
    class Output;
    class Timer;

    void Run();
    void Tick(std::unique_lock<std::mutex>& lock);
    void Publish();
    void ShowMessage(const std::string& text);

    struct PendingMessage;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    MonotonicClock& clock_;
    PlayerView& window_;
    MessageRequest showMessage_;
    std::unique_ptr<View> view_;
    std::unique_ptr<Output> output_;
    std::unique_ptr<Timer> timer_;
    std::unique_ptr<ListingPlayer> player_;
    PlaybackPosition position_;
    std::unique_lock<std::mutex>* tickLock_ = nullptr;  // while a tick runs
    std::shared_ptr<PendingMessage> message_;           // while a box is open
    ThreadPriority priority_ = ThreadPriority::Normal;
    std::thread::id threadId_;  // the player's thread, once it runs
    bool held_ = false;
    bool quit_ = false;
    std::thread thread_;  // last: started once everything else exists
};

}  // namespace tonvell::playback
