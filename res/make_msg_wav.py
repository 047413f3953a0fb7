#!/usr/bin/env python3
"""Writes the message sound: a short two-note chime, 16-bit mono PCM at 22050 Hz.

Usage: make_msg_wav.py OUTPUT.wav

The output depends only on this script, so every build makes the same file.
"""

import math
import struct
import sys
import wave

RATE = 22050
LENGTH = 0.42          # seconds
PEAK = 0.7             # of full scale, so that nothing clips
FADE_IN = 0.004        # seconds; avoids a click at the start
FADE_OUT = 0.06        # seconds; the tail dies away instead of stopping

# (start in seconds, frequency in Hz, loudness): A5 then E6, a rising fifth.
NOTES = [(0.0, 880.0, 1.0), (0.13, 1318.5, 0.85)]
# A soft bell: the fundamental with two quiet overtones.
PARTIALS = [(1.0, 1.0), (2.0, 0.25), (3.0, 0.08)]
DECAY = 9.0            # per second


def note_sample(t, freq, loudness):
    if t < 0.0:
        return 0.0
    attack = min(1.0, t / 0.006)
    envelope = attack * math.exp(-DECAY * t) * loudness
    tone = sum(weight * math.sin(2.0 * math.pi * freq * ratio * t) for ratio, weight in PARTIALS)
    return envelope * tone


def render():
    count = int(RATE * LENGTH)
    samples = []
    for i in range(count):
        t = i / RATE
        value = sum(note_sample(t - start, freq, loud) for start, freq, loud in NOTES)
        gain = min(1.0, t / FADE_IN, (LENGTH - t) / FADE_OUT)
        samples.append(value * max(0.0, gain))
    top = max(abs(s) for s in samples) or 1.0
    scale = PEAK * 32767.0 / top
    return [max(-32767, min(32767, int(round(s * scale)))) for s in samples]


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_msg_wav.py OUTPUT.wav\n")
        return 2
    frames = b"".join(struct.pack("<h", s) for s in render())
    with wave.open(argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
