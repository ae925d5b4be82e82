// SPDX-License-Identifier: MIT
// Web Audio playback of the player's schedule: six voices (MIDI channels 1-6
// as the sound port sends them), a simple square tone each, started and
// stopped at the schedule's times.
"use strict";

const TonvellPlayer = (() => {
  const NOTE_OFF = 0x80;
  const NOTE_ON = 0x90;
  const CONTROLLER = 0xb0;
  const LOUDNESS = 0.08;

  const frequencyOf = (key) => 440 * Math.pow(2, (key - 69) / 12);

  // Schedules the messages from fromMs on (context time startAt for fromMs)
  // into context; returns the oscillators made.
  function schedule(context, messages, fromMs, startAt) {
    const sounding = new Map(); // channel -> oscillator
    const made = [];
    const at = (ms) => startAt + (ms - fromMs) / 1000;
    const stop = (channel, ms) => {
      const oscillator = sounding.get(channel);
      if (oscillator) {
        oscillator.stop(Math.max(at(ms), startAt));
        sounding.delete(channel);
      }
    };
    for (const m of messages) {
      if (m.ms < fromMs) {
        continue;
      }
      const kind = m.status & 0xf0;
      const channel = m.status & 0x0f;
      if (kind === NOTE_ON && m.data2 > 0) {
        stop(channel, m.ms);
        const oscillator = context.createOscillator();
        const gain = context.createGain();
        oscillator.type = "square";
        oscillator.frequency.value = frequencyOf(m.data1);
        gain.gain.value = (LOUDNESS * m.data2) / 127;
        oscillator.connect(gain).connect(context.destination);
        oscillator.start(at(m.ms));
        sounding.set(channel, oscillator);
        made.push(oscillator);
      } else if (kind === NOTE_OFF || kind === NOTE_ON || kind === CONTROLLER) {
        // A note off, or a controller (all notes off, the port's silencing).
        if (kind !== CONTROLLER || m.data1 >= 120) {
          stop(channel, m.ms);
        }
      }
    }
    return made;
  }

  // Renders the schedule from its start into an OfflineAudioContext of the
  // given sample rate: what Play sounds, for tests.
  function renderOffline(plan, sampleRate) {
    const length = Math.max(1, Math.ceil(((plan.end + 50) / 1000) * sampleRate));
    const context = new OfflineAudioContext(1, length, sampleRate);
    schedule(context, plan.messages, 0, 0);
    return context.startRendering();
  }

  // The player of a page: Play from the current position, Stop, Rewind; the
  // line played is reported to onLine(number) as the schedule's labels go.
  class Player {
    constructor(onLine) {
      this.onLine = onLine;
      this.context = null;
      this.positionMs = 0;
      this.plan = null;
    }

    get playing() {
      return this.context !== null;
    }

    play(plan) {
      if (this.playing) {
        return;
      }
      if (this.plan !== plan) {
        this.plan = plan;
        this.positionMs = Math.min(this.positionMs, plan.end);
      }
      this.context = new AudioContext();
      const startAt = this.context.currentTime + 0.05;
      const fromMs = this.positionMs;
      this.oscillators = schedule(this.context, plan.messages, fromMs, startAt);
      const context = this.context;
      const follow = () => {
        if (this.context !== context) {
          return;
        }
        const ms = fromMs + Math.max(0, context.currentTime - startAt) * 1000;
        this.positionMs = ms;
        this.showLine(ms);
        if (ms >= plan.end) {
          this.rewind();
          return;
        }
        requestAnimationFrame(follow);
      };
      requestAnimationFrame(follow);
    }

    showLine(ms) {
      let line = 1;
      for (const label of this.plan.labels) {
        if (label.ms > ms) {
          break;
        }
        line = label.line;
      }
      this.onLine(line);
    }

    stop() {
      if (!this.playing) {
        return;
      }
      const context = this.context;
      this.context = null;
      context.close();
    }

    rewind() {
      this.stop();
      this.positionMs = 0;
      this.onLine(1);
    }

    // A new listing: the next Play starts at its top.
    reset() {
      this.rewind();
      this.plan = null;
    }
  }

  return { Player, renderOffline, frequencyOf };
})();
