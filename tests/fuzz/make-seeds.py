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


def text_forms():
    texts = ['80x60', '160x120', '320x240', 'x0.25', 'x0.5', 'x1.0', '640x480', 'x0.05', 'x4',
             'x3.99', 'x3.999', 'x0.1', 'X2', '320X240', ' x0.5', '', '0x0', '320x', '320 x 240',
             '320x 240', '500ms', ' \t500', 'abc', '-5', '+7x-9', '99999999999x1', '2147483648x1',
             '-2147483648x2147483647', 'x1e3', 'xnan', 'x-inf', 'x0x1p-2', 'x 2.5',
             'Windows Server 2019', "O'Brien", 'back\\slash', "\\'", "'", '.', '..', 'localhost',
             'HOST\\admin', 'a\\b\\c', '\\admin', 'admin\\', "x' or '1'='1"]

    def head(form=UTF16, prefix=0, guest=(1024, 768), stored=(1.0, 320, 240)):
        """Form byte, query prefix length, guest size, stored capture size (scale, width, height)."""
        return (bytes([form]) + u16(prefix) + i32(guest[0]) + i32(guest[1]) + f32(stored[0])
                + i32(stored[1]) + i32(stored[2]))

    seeds = {'text-%02d' % n: head() + text(t) for n, t in enumerate(texts)}
    # A literal that makes the query grow past its first capacity part way through.
    seeds['growth'] = head(prefix=4090) + text("\\\\''ab\\'cd")
    seeds['raw32-wide-units'] = (head(RAW32, 10, (1920, 1080), (0.5, 0, 0)) + text("dom\\us'er x2.5", RAW32)
                                 + u32(0xFFFFFFFF) + u32(0x110000) + u32(0x80000000))
    seeds['hostile-guest'] = head(guest=(-1, 2**31 - 1), stored=(float('nan'), 0, 7)) + text('x3.5')
    seeds['embedded-nul'] = head() + text('dom\0ain\\user')
    write('text', seeds)


def wide_string():
    def short(s):
        return bytes([len(s)]) + text(s)

    def op(code, second=False):
        return bytes([code << 1 | int(second)])

    TEXT, APPEND_STRING, PART, RESERVE, WRITE, CLEAR, COPY, COMPARE = range(8)
    assign, append = bytes([0]), bytes([1])
    counted, terminated = bytes([1]), bytes([0])
    grow = op(TEXT) + assign + counted + short('abc') + bytes([0]) + (op(APPEND_STRING) + bytes([1])) * 12  # past 4096
    seeds = {
        'assign-append': op(TEXT) + assign + terminated + short('hello')
        + op(TEXT) + append + terminated + short(' world') + op(COMPARE) + short('hello world'),
        'self-growth': grow + op(PART) + bytes([1]) + u16(5) + u16(9000) + op(PART) + bytes([0]) + u16(100) + u16(50),
        'copies': op(TEXT) + assign + counted + short('x\0y') + bytes([0]) + op(COPY) + bytes([0])
        + op(COPY, True) + bytes([1]) + op(APPEND_STRING) + bytes([0]) + op(COMPARE) + short('a\0b'),
        'buffer-writes': op(WRITE) + u16(4096) + u16(65) + bytes([3]) + op(WRITE) + u16(7) + u16(66)
        + op(CLEAR) + bytes([1]),
        'reserve-wipe': op(RESERVE) + u16(3000) + op(TEXT) + append + counted + short('pad') + bytes([200])
        + op(CLEAR) + bytes([1]) + op(CLEAR) + bytes([0]),
        'null-texts': op(TEXT) + assign + terminated + bytes([0, 1]) + op(TEXT) + append + terminated + bytes([0, 1]),
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

    seeds = {
        # The worked examples of the paint: guest 1024x768, white frame 15; moves onto the edges.
        'frame-space': window(1230, 930, 15, (1024, 768), (1, 2), [(500, 400), (103, 81), (1127, 849), (1200, 900)])
        + dib(1024 * 768 * 2, 1024, 768),
        'small-scale': window(815, 630, 15, (1024, 768), (1, 2), [(18, 24), (796, 607), (-1, 32767)])
        + dib(1000, 25, 20),
        'enlarge-zoom': window(2030, 930, 15, (1024, 768), (2, 2), [(416, 16), (1614, 914)]) + dib(6, 3, 1),
        'frame-too-wide': window(300, 200, 1000, (640, 480), (2, 2), [(5, 5)]) + dib(6, 3, 1),
        'odd-width': window(1000, 800, 0, (1023, 767), (2, 1), [(512, 400), (513, 400)])
        + dib(101 * 50 * 2, 101, 50),
        'short-image': window(640, 480, 15, (320, 240), (1, 1), [(0, 0)]) + dib(320 * 240 * 2 - 1, 320, 240),
        'hostile-host': window(640, 480, 15, pick_raw(0) + pick_raw(-7), (1, 1), None) + dib(-5, 2**20, 2**20),
        'huge-guest': window(2**20, 2**20, 0, pick_raw(2**31 - 1) + pick_raw(2**30), (1, 2), [(32767, 32767), (-32768, 5)])
        + dib(2**31 - 1, 65535, 65535),
    }
    write('console', seeds)


def host_answer():
    def image(w, h, shape, rest=b''):
        return bytes([0]) + pick(w, 0, 40) + pick(h, 0, 30) + bytes([shape]) + rest

    def near(k, right_prefix):
        return 1 | (2 if right_prefix else 0) | (k << 2)

    def number(v, shift=None):
        if shift is None:
            return bytes([1, 0]) + i32(v)
        return bytes([1, 1]) + u32(v) + bytes([shift])

    def texts(name, description, error_code=0, job_state=10, form=UTF16):
        units = len(name) if form == RAW32 else len(name.encode('utf-16-le')) // 2
        desc_units = len(description) if form == RAW32 else len(description.encode('utf-16-le')) // 2
        return (bytes([2, form]) + u16(units) + text(name, form) + bytes([desc_units]) + text(description, form)
                + u32(error_code) + u32(job_state) + u32(2026))

    pixels = bytes(range(24)) + bytes(8)
    seeds = {
        'image-exact': image(4, 3, 0, bytes(range(24))),
        'image-prefixed': image(4, 3, near(4, True), pixels),
        'image-prefix-wrong': image(4, 3, near(4, False), u32(0x1C000000) + pixels),
        'image-one-too-long': image(4, 3, near(5, True), pixels),
        'image-short': image(4, 3, near(0, False), u32(7) + pixels),
        'image-no-size': image(0, 3, 0, bytes(8)),
        'image-huge-size': bytes([0]) + pick_raw(65536) + pick_raw(65536) + bytes([1]) + bytes(8),
        'number-running': number(2),
        'number-truncates-to-running': number(65538),
        'number-minus-one': number(-1),
        'number-resolution-edge': number(16384),
        'number-resolution-over': number(16385),
        'number-saved-v1': number(32769),
        'number-job-started': number(4096),
        'number-shifted': number(1, 32),
        'text-plain': texts('Web Server 01', 'The guest did not respond.', 32768, 10),
        'text-forbidden': texts('a:b/c*?"<>|\\x\t', ''),
        'text-long': texts('a' * 250, 'x' * 255, 1, 7),
        'text-surrogate-at-cut': texts('a' * 199 + '\U0001F600' + 'b', ''),
        'text-raw': texts('\U0010FFFF\ud800 name', 'd', 0, 0, RAW32),
    }
    write('host_answer', seeds)


if __name__ == '__main__':
    text_forms()
    wide_string()
    console()
    host_answer()
