#!/usr/bin/env python3
"""Writes the program's alarm sound and icon: make_assets.py WAV ICO."""
import math
import struct
import sys
import wave

RATE = 22050


def write_alarm(path):
    """Two short rising beeps, 0.6 s in all."""
    frames = bytearray()
    for start, length, pitch in ((0.0, 0.25, 880.0), (0.3, 0.25, 1175.0)):
        pause = int((start * RATE)) - len(frames) // 2
        frames += b"\0\0" * max(pause, 0)
        count = int(length * RATE)
        for i in range(count):
            fade = min(1.0, i / 200, (count - i) / 200)
            sample = int(12000 * fade * math.sin(2 * math.pi * pitch * i / RATE))
            frames += struct.pack("<h", sample)
    frames += b"\0\0" * int(0.05 * RATE)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))


def write_icon(path):
    """A 32x32 icon: a blue disc with a white ring, for the window and the file."""
    size = 32
    pixels = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up rows
        for x in range(size):
            d = math.hypot(x - 15.5, y - 15.5)
            if d > 15.5:
                pixels += bytes((0, 0, 0, 0))
            elif 8.5 < d < 11.5:
                pixels += bytes((255, 255, 255, 255))
            else:
                pixels += bytes((200, 120, 30, 255))
    mask = bytes(size * 4)  # alpha carries transparency; the AND mask stays clear
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    with open(path, "wb") as out:
        out.write(directory + image)


if __name__ == "__main__":
    write_alarm(sys.argv[1])
    write_icon(sys.argv[2])
