// SPDX-License-Identifier: MIT
#include "playback/player_thread.h"

#include <utility>

namespace tonvell::playback {

namespace {

// The thread sleeps until this long before a tick and waits out the rest
// without the lock: waking from a sleep can take longer than that.
constexpr std::chrono::microseconds kLastStretch{300};

}  // namespace

// The player's view through the thread: the listing is read from the window's
// view; what the player shows is left in the position for the window.
class PlayerThread::View final : public PlayerView {
public:
    View(PlayerThread& owner, PlayerView& window) : owner_(owner), window_(window) {}
    int LineCount() const override { return window_.LineCount(); }
    std::string Line(int index) const override { return window_.Line(index); }
    int CaretPosition() const override { return window_.CaretPosition(); }
    void SetLineLabel(const std::string& text) override { owner_.position_.label = text; }
    void SetControls(const PlayerControls& controls) override {
        owner_.position_.controls = controls;
    }
    void ShowMessage(const std::string& text) override { owner_.ShowMessage(text); }

private:
    PlayerThread& owner_;
    PlayerView& window_;
};

// The output through the thread: notes what each voice sounds.
class PlayerThread::Output final : public PlayerOutput {
public:
    Output(PlayerThread& owner, PlayerOutput& port) : owner_(owner), port_(port) {}
    PortOpenResult OpenSoundPort() override { return port_.OpenSoundPort(); }
    SendResult SendPair(std::uint8_t first, std::uint8_t second) override {
        const SendResult result = port_.SendPair(first, second);
        if (first != zum::kTempoCommand) {
            const int voice = zum::VoiceOfParameter(second);
            if (voice < zum::kVoiceCount) {
                owner_.position_.voices[static_cast<std::size_t>(voice)] =
                    zum::VelocityOfParameter(second) == 0 ? 0 : first;
            }
        }
        return result;
    }
    void SilenceSoundPort() override {
        port_.SilenceSoundPort();
        owner_.position_.voices.fill(0);
    }
    void CloseSoundPort() override { port_.CloseSoundPort(); }
    int TimeUnitMs() const override { return port_.TimeUnitMs(); }

private:
    PlayerThread& owner_;
    PlayerOutput& port_;
};

// The player's timer: the due time of the next tick, which wakes the thread.
class PlayerThread::Timer final : public PlayerTimer {
public:
    explicit Timer(std::condition_variable& wake) : wake_(wake) {}
    void Start(PlayerTime due) override {
        due_ = due;
        active_ = true;
        wake_.notify_all();
    }
    void Stop() override {
        active_ = false;
        wake_.notify_all();
    }
    bool Active() const override { return active_; }
    PlayerTime Due() const { return due_; }

private:
    std::condition_variable& wake_;
    PlayerTime due_{};
    bool active_ = false;
};

// A message box asked of the window: closed by the window, or given up when
// the thread ends. Shared with the window's callback, which may outlive it.
struct PlayerThread::PendingMessage {
    std::mutex mutex;
    std::condition_variable done;
    bool closed = false;
    void Close() {
        {
            const std::lock_guard lock(mutex);
            closed = true;
        }
        done.notify_all();
    }
};

PlayerThread::PlayerThread(PlayerView& view, PlayerOutput& output, MonotonicClock& clock,
                           MessageRequest showMessage)
    : clock_(clock),
      window_(view),
      showMessage_(std::move(showMessage)),
      view_(std::make_unique<View>(*this, view)),
      output_(std::make_unique<Output>(*this, output)),
      timer_(std::make_unique<Timer>(wake_)),
      player_(std::make_unique<ListingPlayer>(*view_, *output_, *timer_, clock_)),
      thread_([this] { Run(); }) {}

PlayerThread::~PlayerThread() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        if (message_) {
            message_->Close();
        }
    }
    wake_.notify_all();
    thread_.join();
}

void PlayerThread::Play() {
    const std::lock_guard lock(mutex_);
    player_->Play();
    Publish();
}

void PlayerThread::Stop() {
    const std::lock_guard lock(mutex_);
    player_->Stop();
    Publish();
}

void PlayerThread::Rewind() {
    const std::lock_guard lock(mutex_);
    player_->Rewind();
    Publish();
}

void PlayerThread::CursorFromCaret() {
    const std::lock_guard lock(mutex_);
    player_->CursorFromCaret();
    Publish();
}

PlaybackPosition PlayerThread::Position() const {
    const std::lock_guard lock(mutex_);
    return position_;
}

bool PlayerThread::Playing() const {
    const std::lock_guard lock(mutex_);
    return player_->Playing();
}

int PlayerThread::LineIndex() const {
    const std::lock_guard lock(mutex_);
    return player_->LineIndex();
}

ListingPlayer::State PlayerThread::ParseState() const {
    const std::lock_guard lock(mutex_);
    return player_->ParseState();
}

PlayerTime PlayerThread::NextTickDue() const {
    const std::lock_guard lock(mutex_);
    return player_->NextTickDue();
}

ThreadPriority PlayerThread::Priority() const {
    const std::lock_guard lock(mutex_);
    return priority_;
}

void PlayerThread::HoldTicks() {
    const std::lock_guard lock(mutex_);
    held_ = true;
}

bool PlayerThread::StepTick() {
    std::unique_lock lock(mutex_);
    if (!timer_->Active()) {
        return false;
    }
    Tick(lock);
    return true;
}

void PlayerThread::Run() {
    const ThreadPriority granted = RaiseCurrentThreadPriority();
    std::unique_lock lock(mutex_);
    priority_ = granted;
    threadId_ = std::this_thread::get_id();
    while (!quit_) {
        if (held_ || !timer_->Active()) {
            wake_.wait(lock);
            continue;
        }
        const PlayerTime due = timer_->Due();
        const PlayerTime early = due - clock_.Now() - kLastStretch;
        // A Stop, a Play or a new due time wakes the sleep early: look again.
        if (early > PlayerTime::zero() &&
            wake_.wait_for(lock, early) == std::cv_status::no_timeout) {
            continue;
        }
        lock.unlock();
        clock_.WaitUntil(due);
        lock.lock();
        if (!quit_ && !held_ && timer_->Active() && timer_->Due() == due) {
            Tick(lock);
        }
    }
}

void PlayerThread::Tick(std::unique_lock<std::mutex>& lock) {
    timer_->Stop();
    tickLock_ = &lock;
    player_->Tick();
    tickLock_ = nullptr;
    Publish();
}

void PlayerThread::Publish() {
    position_.playing = player_->Playing();
    position_.lineIndex = player_->LineIndex();
    position_.soundingLine = player_->SoundingLine();
    ++position_.changes;
}

// Called within a tick. The lock is let go while the box is open, so that
// the window can stop playback meanwhile; no other tick runs, as the timer
// is started again only at the end of this one.
void PlayerThread::ShowMessage(const std::string& text) {
    std::unique_lock<std::mutex>& lock = *tickLock_;
    if (quit_) {
        return;  // the window is going away
    }
    Publish();
    if (!showMessage_ || std::this_thread::get_id() != threadId_) {
        lock.unlock();
        window_.ShowMessage(text);
        lock.lock();
        return;
    }
    auto pending = std::make_shared<PendingMessage>();
    message_ = pending;
    lock.unlock();
    showMessage_(text, [pending] { pending->Close(); });
    {
        std::unique_lock waiting(pending->mutex);
        pending->done.wait(waiting, [&] { return pending->closed; });
    }
    lock.lock();
    message_.reset();
}

}  // namespace tonvell::playback
