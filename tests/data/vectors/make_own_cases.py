#!/usr/bin/env python3
"""Writes the hand-derived `own_*` cases of this folder.

Every expected line here follows from the rules by reasoning alone: an
initialisation failure has one known line; a negative P0 hits no symbol, so
all CRCs equal the source CRC and decode all runs exactly one iteration; an
infinite P0 adds 1 to every symbol; seeds equal modulo 2^21 and different
spellings of one float repeat the lines of a reference case. Reduction cases
use a small model of the thinning rules for the source CRC. Run from the
repository root: python3 tests/data/vectors/make_own_cases.py
"""
import json
import os
import random
import shutil
import struct
import zlib

V = os.path.join('tests', 'data', 'vectors')
MISSING = 'Файл pic.bmp не найден'
NOT24 = 'Программа поддерживает только 24-разрядный рисунок'
CODEC = 'Неверный формат файлов с настройками кодека'
UNSUP = 'Размер или формат рисунка pic.bmp не поддерживается'
BASE = ['--p0', '0.25', '--seed', '123', '--transmissions', '1']


def write_case(name, desc, argv, exit_code, lines, pic=None, files=None):
    d = os.path.join(V, name)
    os.makedirs(d, exist_ok=True)
    if isinstance(pic, bytes):
        with open(os.path.join(d, 'pic.bmp'), 'wb') as f:
            f.write(pic)
    elif pic is not None:
        shutil.copy(os.path.join(V, pic, 'pic.bmp'), os.path.join(d, 'pic.bmp'))
    for fn, txt in (files or {}).items():
        with open(os.path.join(d, fn), 'w') as f:
            f.write(txt)
    with open(os.path.join(d, 'case.json'), 'w') as f:
        json.dump({'description': desc, 'argv': argv, 'expected_exit': exit_code}, f,
                  indent=1, ensure_ascii=False)
        f.write('\n')
    with open(os.path.join(d, 'expected.jsonl'), 'w') as f:
        for line in lines:
            f.write(json.dumps(line, ensure_ascii=False, separators=(',', ':')) + '\n')


def fail(status, msg):
    return [{'event': 'init', 'status': status, 'message': msg}]


def rate(errors, n):
    mantissa, exp = ('%.2e' % (errors / n)).split('e')
    return mantissa + 'e' + exp[0] + exp[1:].rjust(3, '0')


def f32(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


def header24(w, h, body=b'', info=40):
    off = 14 + info
    ih = struct.pack('<IiiHHIIiiII', info, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return struct.pack('<2sIHHI', b'BM', off + len(body), 0, 0, off) + ih + bytes(info - 40) + body


def bmp(w, h, pix, info=40):
    stride = (w * 3 + 3) // 4 * 4
    body = b''.join(pix[r * w * 3:(r + 1) * w * 3] + bytes(stride - w * 3) for r in range(h))
    return header24(w, h, body, info)


def thin(w, h, pw, ph, pix):
    """The reduction rules: returns (width, height, bytes)."""
    u = f32(max(w / pw, h / ph))
    if u <= 1:
        return w, h, pix
    if 0.75 * u <= 1:
        keep = lambda i: (i + 1) % 4 != 0
    elif u <= 1.5:
        keep = lambda i: (i + 1) % 3 != 0
    else:
        k = 2
        if u > 2:
            k = 3
            while k < u:
                k += 1
        keep = lambda i: (i + 1) % k == 0
    rows = [r for r in range(h) if keep(r)]
    cols = [c for c in range(w) if keep(c)]
    if not rows or not cols:
        return w, h, pix
    out = b''.join(pix[(r * w + c) * 3:(r * w + c) * 3 + 3] for r in rows for c in cols)
    return len(cols), len(rows), out


def init_line(w, h, crc, nk=8, nr=8, itert=20):
    n = w * h * 3
    length = -(-n // nk)
    return {'event': 'init', 'status': 'ok', 'width': w, 'height': h, 'symbolCount': n,
            'nk': nk, 'nr': nr, 'branchLength': length, 'tailFill': nk * length - n,
            'shownSize': nk * length, 'codeRate': nk / (nk + nr), 'itert': itert,
            'sourceCrc32': crc}


def clean_line(index, n, crc):
    return {'event': 'transmission', 'index': index, 'channelErrors': 0,
            'channelErrorRate': rate(0, n), 'decoderErrors': [0], 'iterationsRun': 1,
            'decoderErrorRate': rate(0, n), 'channelCrc32': crc, 'decodedCrc32': crc}


def idle_line(index, n, errors, crc):
    return {'event': 'transmission', 'index': index, 'channelErrors': errors,
            'channelErrorRate': rate(errors, n), 'decoderErrors': [], 'iterationsRun': 0,
            'decoderErrorRate': None, 'channelCrc32': crc, 'decodedCrc32': crc}


def picture_case(name, desc, w, h, pane, info=40, cut=None):
    """A random picture sent with P0 = -1: only the init values are at stake."""
    rnd = random.Random(1)
    pix = bytes(rnd.randrange(256) for _ in range(w * h * 3))
    data = bmp(w, h, pix, info)
    if cut is not None:
        data = data[:cut]
    stride = (w * 3 + 3) // 4 * 4
    off = 14 + info
    stored = data[off:off + stride * h]
    stored += bytes(stride * h - len(stored))  # missing bytes read as 0
    unpadded = b''.join(stored[r * stride:r * stride + w * 3] for r in range(h))
    argv = ['--p0', '-1', '--seed', '123', '--transmissions', '1']
    rw, rh, src = w, h, unpadded
    if pane:
        argv = ['--pane', '%dx%d' % pane] + argv
        rw, rh, src = thin(w, h, pane[0], pane[1], unpadded)
    crc = '%08x' % zlib.crc32(src)
    write_case(name, desc, argv, 0, [init_line(rw, rh, crc), clean_line(0, rw * rh * 3, crc)],
               pic=data)


def main():
    small = 'codec_small_nk2_sched'  # 40 x 30, source CRC 1e4b0ce6
    write_case('own_missing_pic', 'no pic.bmp in the directory: FileMissing', BASE, 2,
               fail('FileMissing', MISSING))
    write_case('own_file_of_20_bytes', 'a 20-byte pic.bmp: its bit count reads as 0, so Not24Bit',
               BASE, 2, fail('Not24Bit', NOT24), pic=b'BM' + bytes(18))
    write_case('own_zero_width', '24-bit picture with biWidth 0: refused as unsupported', BASE, 2,
               fail('PictureUnsupported', UNSUP), pic=header24(0, 10, bytes(40)))
    write_case('own_top_down', '24-bit top-down picture (negative biHeight): refused as unsupported',
               BASE, 2, fail('PictureUnsupported', UNSUP), pic=header24(4, -4, bytes(48)))
    write_case('own_huge_picture',
               '24-bit header claiming 100000 x 100000 pixels: refused before anything is allocated',
               BASE, 2, fail('PictureUnsupported', UNSUP), pic=header24(100000, 100000, bytes(64)))
    write_case('own_encoder_truncated',
               'encoder.vok ending after nk, nr and three tap lists: CodecNotLoaded', BASE, 2,
               fail('CodecNotLoaded', CODEC), pic=small,
               files={'encoder.vok': 'nk=2\n  nr=2\n  i=0  v=0 2 0 5\n  i=1  v=0 1 3\n'
                                     '  i=0  v=1 1 1\n'})
    write_case('own_encoder_nk_17', 'nk = 17 is more than 16 branches: CodecNotLoaded', BASE, 2,
               fail('CodecNotLoaded', CODEC), pic=small,
               files={'encoder.vok': 'nk=17\n  nr=1\n' +
                      ''.join('  i=%d  v=0 1 %d\n' % (i, i) for i in range(17))})
    write_case('own_encoder_negative_count', 'a tap list with count -1: CodecNotLoaded', BASE, 2,
               fail('CodecNotLoaded', CODEC), pic=small,
               files={'encoder.vok': 'nk=1\n  nr=1\n  i=0  v=0 -1\n'})
    write_case('own_schedule_negative_itert', 'itert = -1: CodecNotLoaded', BASE, 2,
               fail('CodecNotLoaded', CODEC), pic=small,
               files={'decoder.vok': 'itert=-1\nw\nt\nc\no\np\ni\n'})
    write_case('own_schedule_itert_too_large', 'itert = 100001: CodecNotLoaded', BASE, 2,
               fail('CodecNotLoaded', CODEC), pic=small, files={'decoder.vok': 'itert=100001\n'})

    write_case('own_negative_p0_no_errors',
               'P0 = -1: no symbol is hit; decode all runs exactly one iteration, twice with a repeat',
               ['--p0', '-1', '--seed', '-5', '--transmissions', '2'], 0,
               [init_line(40, 30, '1e4b0ce6'), clean_line(0, 3600, '1e4b0ce6'),
                clean_line(1, 3600, '1e4b0ce6')], pic=small)
    write_case('own_itert_0_no_errors',
               'schedule with itert = 0: no iteration runs, decoderErrorRate is null',
               ['--p0', '-1', '--transmissions', '1'], 0,
               [init_line(40, 30, '1e4b0ce6', itert=0), idle_line(0, 3600, 0, '1e4b0ce6')],
               pic=small, files={'decoder.vok': 'itert=0\n'})
    with open(os.path.join(V, small, 'pic.bmp'), 'rb') as f:
        pix = f.read()[54:54 + 3600]
    plus_one = bytes((b + 1) % 256 for b in pix)
    write_case('own_infinite_p0_itert_0',
               'P0 = 1e39 is infinity as a float: every byte is increased by 1; no iteration runs',
               ['--p0', '1e39', '--transmissions', '1'], 0,
               [init_line(40, 30, '1e4b0ce6', itert=0),
                idle_line(0, 3600, 3600, '%08x' % zlib.crc32(plus_one))],
               pic=small, files={'decoder.vok': 'itert=0\n'})

    def reference(name):
        with open(os.path.join(V, name, 'expected.jsonl')) as f:
            return [json.loads(line) for line in f]
    b100 = reference('builtin_100x80')
    write_case('own_initialise_only', 'K = 0: only the init line', ['--transmissions', '0'], 0,
               b100[:1], pic='builtin_100x80')
    write_case('own_seed_equal_mod_2_21',
               'seed 4294967419.7 keeps 123 after truncation and 32 bits, P0 written 2.5e-1, '
               'pane equal to the picture: same as builtin_100x80',
               ['--pane', '100x80', '--p0', '2.5e-1', '--seed', '4294967419.7'], 0, b100,
               pic='builtin_100x80')
    write_case('own_negative_seed_alias',
               'seed -2097029 = 123 - 2^21 and a pane larger than the picture: same as builtin_100x80',
               ['--pane', '1000x1000', '--seed', '-2097029', '--transmissions', '1'], 0, b100,
               pic='builtin_100x80')
    write_case('own_first_of_two_transmissions',
               'P0 written +1.0E-1, one transmission: the first two lines of p0_0.1_seed_7_x2',
               ['--p0', '+1.0E-1', '--seed', '7'], 0, reference('p0_0.1_seed_7_x2')[:2],
               pic='p0_0.1_seed_7_x2')

    pane = (200, 150)
    picture_case('own_reduce_266x100',
                 'u = 1.33: drop every fourth -> 200x75; P0 -1 leaves the picture intact',
                 266, 100, pane)
    picture_case('own_reduce_300x100', 'u = 1.5 exactly: drop every third -> 200x67', 300, 100,
                 pane)
    picture_case('own_reduce_301x100', 'u = 1.505: keep every second -> 150x50', 301, 100, pane)
    picture_case('own_reduce_401x100', 'u = 2.005: keep every third -> 133x33', 401, 100, pane)
    picture_case('own_reduce_100x200',
                 'u = 4/3 rounded to float, times 0.75, exceeds 1: drop every third -> 67x134',
                 100, 200, pane)
    picture_case('own_reduce_800x2', 'u = 4 keeps no row: the picture stays unreduced', 800, 2,
                 pane)
    picture_case('own_reduce_2x1000', 'k = 7 keeps no column: the picture stays unreduced', 2,
                 1000, pane)
    picture_case('own_one_pixel', '1x1 picture: N = 3, L = 1, tail fill 5', 1, 1, None)
    picture_case('own_info_header_124', '124-byte information header, located through bfOffBits',
                 33, 33, None, info=124)
    picture_case('own_short_pixel_array', 'pixel array cut short: the missing bytes read as 0',
                 20, 10, None, cut=54 + 300)


if __name__ == '__main__':
    main()
