#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz target into corpus/<target>/ (run from anywhere).

Each seed is laid out the way its target reads its input (see the comment at the top of each
*_fuzz.cpp and FuzzInput in fuzz_input.h): little-endian integers, text as UTF-16 units after a
form byte 0, or as raw 32-bit units after a form byte 1.
"""
import pathlib
import shutil
import struct

HERE = pathlib.Path(__file__).resolve().parent
UTF16, RAW32 = 0, 1


def i32(v):
    return struct.pack('<i', v)


def u32(v):
    return struct.pack('<I', v)


def u16(v):
    return struct.pack('<H', v)


def f32(v):
    return struct.pack('<f', v)


def text(s, form=UTF16):
    if form == UTF16:
        return s.encode('utf-16-le')
    return b''.join(u32(ord(c)) for c in s)


def pick_range(v, lo):
    """A value the target's Pick() draws from its practical range."""
    return bytes([0]) + u32(v - lo)


def pick_raw(v):
    """A value the target's Pick() takes as any 32-bit value."""
    return bytes([1]) + i32(v)


def pick(v, lo, hi):
    return pick_range(v, lo) if lo <= v <= hi else pick_raw(v)


def write(target, seeds):
    folder = HERE / 'corpus' / target
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


def capture_size():
    texts = ['80x60', '160x120', '320x240', 'x0.25', 'x0.5', 'x1.0', '640x480', 'x0.05', 'x4',
             'x3.99', 'x3.999', 'x0.1', 'X2', '320X240', ' x0.5', '', '0x0', '320x', '320 x 240',
             '320x 240', '500ms', ' \t500', 'abc', '-5', '+7x-9', '99999999999x1', '2147483648x1',
             '-2147483648x2147483647', 'x1e3', 'xnan', 'x-inf', 'x0x1p-2', 'x 2.5']
    seeds = {}
    for n, t in enumerate(texts):
        # guest 1024x768, a stored capture size of 320x240 at scale 1.0
        head = bytes([UTF16]) + i32(1024) + i32(768) + f32(1.0) + i32(320) + i32(240)
        seeds['text-%02d' % n] = head + text(t)
    seeds['raw32-wide-units'] = (bytes([RAW32]) + i32(1920) + i32(1080) + f32(0.5) + i32(0) + i32(0)
                                 + text('x2.5') + u32(0xFFFFFFFF) + u32(0x110000))
    seeds['hostile-guest'] = (bytes([UTF16]) + i32(-1) + i32(2**31 - 1) + f32(float('nan')) + i32(0)
                              + i32(7) + text('x3.5'))
    write('capture_size', seeds)


def wql_text():
    values = ['Windows Server 2019', "O'Brien", 'back\\slash', "\\'", "'", '', '.', '..',
              'localhost', 'HOST\\admin', 'a\\b\\c', '\\admin', 'admin\\', "x' or '1'='1"]
    seeds = {}
    for n, v in enumerate(values):
        seeds['value-%02d' % n] = bytes([UTF16]) + u16(0) + text(v)
    # A literal that makes the query grow past its first capacity part way through.
    seeds['growth'] = bytes([UTF16]) + u16(4090) + text("\\\\''ab\\'cd")
    seeds['raw32'] = bytes([RAW32]) + u16(10) + text("dom\\us'er", RAW32) + u32(0x80000000)
    seeds['embedded-nul'] = bytes([UTF16]) + u16(0) + text('dom\0ain\\user')
    write('wql_text', seeds)


def wide_string():
    def short(s):
        return bytes([len(s)]) + text(s)

    def op(code, second=False):
        return bytes([code << 1 | int(second)])

    grow = op(1) + short('abc') + op(5) * 12          # 3 x 2^12 characters: past 4096
    seeds = {
        'assign-append': op(0) + short('hello') + op(2) + short(' world') + op(15) + short('hello world'),
        'self-growth': grow + op(7) + u16(5) + u16(9000) + op(6) + u16(100) + u16(50),
        'copies': op(1) + short('x\0y') + op(13) + op(14, True) + op(4) + op(15) + short(''),
        'buffer-writes': op(9) + u16(4096) + u16(65) + bytes([3]) + op(10) + u16(7) + op(12),
        'reserve-wipe': op(8) + u16(3000) + op(3) + short('pad') + bytes([200]) + op(12) + op(11),
        'constructors': op(16) + short('a\0b') + op(0) + bytes([0, 1]) + op(2) + bytes([0, 1]),
    }
    for name in list(seeds):
        seeds[name] = bytes([UTF16]) + seeds[name]
    write('wide_string', seeds)


def console():
    MAX_COPIED = 1 << 16

    def window(client_w, client_h, frame, guest, modes, moves):
        """guest: (width, height) from the practical range, or bytes already encoded."""
        data = u32(client_w) + u32(client_h) + u32(frame)
        data += guest if isinstance(guest, bytes) else pick_range(guest[0], 1) + pick_range(guest[1], 1)
        data += pick_range(modes[0], 1) + pick_range(modes[1], 1)
        if moves is not None:  # read only when the guest has a size
            data += bytes([len(moves)]) + b''.join(struct.pack('<hh', x, y) for x, y in moves)
        return data

    def dib(count, width, height):
        data = pick(count, 0, MAX_COPIED) + pick(width, 0, 4096) + pick(height, 0, 4096)
        usable = count > 0 and width > 0 and height > 0 and 2 * width * height <= count
        return data + (bytes([7]) if usable and count <= MAX_COPIED else b'')

    def rest(area, guest, axis, last, keys, command):
        """keys: 0 or 1 each; command: a group index, or None for a command id outside them."""
        data = b''.join(u32(v + (1 << 24)) for v in area) + b''.join(i32(v) for v in guest)
        data += b''.join(i32(v) for v in axis) + (u32(last) if axis[2] > 0 else b'')
        data += bytes(keys)
        data += bytes([1]) + i32(12345) if command is None else bytes([command << 1])
        return data

    any_values = rest((0, 0, 800, 600), (1024, 768, 1, 2), (10, 810, 1024, 400), 3, [1, 0] * 4, 0)
    seeds = {
        # The worked examples of the paint: guest 1024x768, white frame 15.
        'frame-space': window(1230, 930, 15, (1024, 768), (1, 2), [(500, 400), (0, 0), (1200, 900)])
        + dib(1024 * 768 * 2, 1024, 768) + any_values,
        'small-scale': window(815, 630, 15, (1024, 768), (1, 2), [(18, 24), (796, 607), (-1, 32767)])
        + dib(1000, 25, 20) + any_values,
        'frame-too-wide': window(300, 200, 1000, (640, 480), (2, 2), [(5, 5)])
        + dib(6, 3, 1) + rest((100, 100, 50, 50), (1, 1, 2, 2), (0, 0, 1, 0), 0, [1, 1, 0, 0, 0, 0, 1, 0], 1),
        'odd-width': window(1000, 800, 0, (1023, 767), (2, 1), [(512, 400), (513, 400)])
        + dib(101 * 50 * 2, 101, 50) + any_values,
        'hostile-host': window(640, 480, 15, pick_raw(0) + pick_raw(-7), (1, 1), None)
        + dib(-5, 2**20, 2**20) + rest((0, 0, 0, 0), (0, -1, 3, 3),
                                       (-(2**31), 2**31 - 1, 2**31 - 1, 2**31 - 1), 2**31 - 2, [0] * 8, None),
    }
    write('console', seeds)


if __name__ == '__main__':
    capture_size()
    wql_text()
    wide_string()
    console()
