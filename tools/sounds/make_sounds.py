#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Synthesises the game's two sounds.

start.wav   -- a short rising three-note chime, played when the opponent arrives.
message.wav -- a soft blip, played when a chat line arrives.

Both are 16-bit PCM mono at 44.1 kHz, peak near -6 dBFS, with smooth fades at
both ends so that playback never clicks. Only the standard library is used, so
the files can be regenerated on any machine with Python 3.

Usage: make_sounds.py [output-folder]   (default: assets/sounds beside tools/)
"""

import math
import os
import struct
import sys
import wave

RATE = 44100
PEAK = 0.5  # -6 dBFS


def bell(freq, length, decay):
    """A soft bell-like note: a sine with a little octave and twelfth,
    decaying exponentially."""
    n = int(length * RATE)
    out = []
    for i in range(n):
        t = i / RATE
        env = math.exp(-t / decay)
        s = (math.sin(2 * math.pi * freq * t)
             + 0.25 * math.sin(2 * math.pi * 2 * freq * t)
             + 0.08 * math.sin(2 * math.pi * 3 * freq * t))
        out.append(env * s)
    return out


def mix(total_len, parts):
    """parts: (start seconds, samples). Returns the summed buffer."""
    buf = [0.0] * int(total_len * RATE)
    for start, samples in parts:
        offset = int(start * RATE)
        for i, s in enumerate(samples):
            if offset + i < len(buf):
                buf[offset + i] += s
    return buf


def fade(buf, fade_in, fade_out):
    """Raised-cosine fades; the first and last samples are exactly zero."""
    n_in = max(1, int(fade_in * RATE))
    n_out = max(1, int(fade_out * RATE))
    n = len(buf)
    for i in range(min(n_in, n)):
        buf[i] *= 0.5 - 0.5 * math.cos(math.pi * i / n_in)
    for i in range(min(n_out, n)):
        buf[n - 1 - i] *= 0.5 - 0.5 * math.cos(math.pi * i / n_out)
    return buf


def normalise(buf, peak):
    top = max(abs(s) for s in buf) or 1.0
    return [s * peak / top for s in buf]


def write_wav(path, buf):
    frames = b"".join(struct.pack("<h", int(round(max(-1.0, min(1.0, s)) * 32767)))
                      for s in buf)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def start_chime():
    # C6, E6, G6: a major triad rising, each note ringing under the next.
    notes = [(0.00, 1046.50), (0.11, 1318.51), (0.22, 1567.98)]
    total = 0.42
    parts = [(at, bell(f, total - at, 0.09)) for at, f in notes]
    return fade(normalise(mix(total, parts), PEAK), 0.004, 0.06)


def message_blip():
    # A short soft tone gliding gently upwards; low harmonics keep it mellow.
    total = 0.18
    n = int(total * RATE)
    buf = []
    phase = 0.0
    for i in range(n):
        t = i / RATE
        freq = 880.0 + 220.0 * (t / total)
        phase += 2 * math.pi * freq / RATE
        env = math.exp(-t / 0.06)
        buf.append(env * (math.sin(phase) + 0.15 * math.sin(2 * phase)))
    return fade(normalise(buf, PEAK), 0.005, 0.05)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "assets", "sounds")
    os.makedirs(out_dir, exist_ok=True)
    write_wav(os.path.join(out_dir, "start.wav"), start_chime())
    write_wav(os.path.join(out_dir, "message.wav"), message_blip())


if __name__ == "__main__":
    main()
