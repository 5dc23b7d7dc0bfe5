#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into tests/fuzz/corpus/<target>/.

Valid pictures of every header form, the bundled sample data, and small broken
files. Deterministic: running it again rewrites the same files. The files
named by a hash beside them are inputs that fuzzing found to reach new code,
merged in with libFuzzer's -merge=1; they are left alone here.

Usage: tests/fuzz/make_corpus.py   (from anywhere)
"""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
CORPUS = HERE / "corpus"
SEPARATOR = b"@@@"  # between the files of an experiment input
NO_PANE = -32768


def pixels(w, h):
    """Packed BGR pixels, bottom row first, that tell their coordinates."""
    out = bytearray()
    for r in range(h):
        for c in range(w):
            out += bytes([(r * 17 + 1) & 0xFF, (c * 29 + 2) & 0xFF, (r * c + 3) & 0xFF])
    return bytes(out)


def bmp(w, h, data=None, info_size=40, bits=24, pad_byte=0, offset=None, truncate=None):
    """A BMP file with a 14-byte file header and an info header of info_size bytes."""
    if data is None:
        data = pixels(abs(w), abs(h))
    row = abs(w) * 3
    stride = (row + 3) // 4 * 4
    array = bytearray()
    for r in range(abs(h)):
        array += data[r * row:(r + 1) * row] + bytes([pad_byte]) * (stride - row)
    off = 14 + info_size if offset is None else offset  # the array stays right after the headers
    info = struct.pack("<IiiHHIIiiII", info_size, w, h, 1, bits, 0, len(array), 2835, 2835, 0, 0)
    info = info[:info_size] + bytes(max(0, info_size - len(info)))
    head = b"BM" + struct.pack("<III", 14 + info_size + len(array), 0, off)
    file = head + info + bytes(array)
    return file[:truncate] if truncate is not None else file


def core_header_bmp(w, h):
    """The old 12-byte core header: 16-bit sizes, bit count at another place."""
    data = pixels(w, h)
    row = w * 3
    stride = (row + 3) // 4 * 4
    array = b"".join(data[r * row:(r + 1) * row] + bytes(stride - row) for r in range(h))
    return b"BM" + struct.pack("<III", 26 + len(array), 0, 26) + struct.pack(
        "<IHHHH", 12, w, h, 1, 24) + array


def pane(w, h):
    return struct.pack("<hh", w, h)


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def picture_corpus():
    sample = (ROOT / "data" / "pic.bmp").read_bytes()
    write("fuzz_picture", "sample_pane_200x150", pane(200, 150) + sample)
    write("fuzz_picture", "sample_no_pane", pane(NO_PANE, 0) + sample)
    write("fuzz_picture", "sample_pane_60x45", pane(60, 45) + sample)
    for w in range(1, 6):
        write("fuzz_picture", f"info40_{w}x3", pane(200, 150) + bmp(w, 3, pad_byte=0xAB))
    write("fuzz_picture", "info108_5x4", pane(NO_PANE, 0) + bmp(5, 4, info_size=108))
    write("fuzz_picture", "info124_5x4", pane(3, 3) + bmp(5, 4, info_size=124))
    write("fuzz_picture", "core_header_4x4", pane(200, 150) + core_header_bmp(4, 4))
    for side in (7, 6, 4, 3, 1, 0, -1):
        write("fuzz_picture", f"8x8_pane_{side}", pane(side, side) + bmp(8, 8))
    write("fuzz_picture", "800x2_unreduced", pane(200, 150) + bmp(800, 2))
    write("fuzz_picture", "2x300_unreduced", pane(200, 150) + bmp(2, 300))
    write("fuzz_picture", "short_pixel_array", pane(NO_PANE, 0) + bmp(3, 3, truncate=54 + 17))
    write("fuzz_picture", "offset_past_end", pane(2, 2) + bmp(2, 1, offset=4000))
    write("fuzz_picture", "header_only_30_bytes", pane(2, 2) + bmp(2, 1)[:30])
    write("fuzz_picture", "file_of_20_bytes", pane(200, 150) + bmp(4, 4)[:20])
    write("fuzz_picture", "empty_file", pane(200, 150))
    write("fuzz_picture", "8_bit", pane(200, 150) + bmp(4, 4, bits=8))
    write("fuzz_picture", "32_bit", pane(200, 150) + bmp(4, 4, bits=32))
    write("fuzz_picture", "top_down", pane(200, 150) + bmp(4, -4, data=pixels(4, 4)))
    write("fuzz_picture", "zero_width", pane(200, 150) + bmp(0, 4, data=b""))
    write("fuzz_picture", "huge_claim_tiny_file",
          pane(200, 150) + bmp(30000, 30000, data=b"")[:60])
    write("fuzz_picture", "int_max_width", pane(200, 150) + bmp(0x7FFFFFFF, 1, data=b""))


def code_corpus():
    write("fuzz_code_description", "bundled", (ROOT / "data" / "encoder.vok").read_bytes())
    write("fuzz_code_description", "small_nk2",
          b"nk=2  nr=1\n  i=0  v=0 2 0 5\n  i=1  v=0 1 3\n")
    write("fuzz_code_description", "two_checks",
          b"nk=2 nr=2 i=0 v=0 1 10 i=1 v=0 1 11 i=0 v=1 1 12 i=1 v=1 1 13")
    write("fuzz_code_description", "extreme_delays",
          b"nk=1 nr=1 i=0 v=0 3 -7 -2147483648 2147483647")
    write("fuzz_code_description", "nk_17", b"nk=17 nr=1")
    write("fuzz_code_description", "negative_count", b"nk=1 nr=1 i=0 v=0 -1")
    write("fuzz_code_description", "truncated", b"nk=2  nr=1 i=0 v=0 2 0")
    write("fuzz_code_description", "overflowing_number", b"nk=1 nr=1 i=0 v=0 1 2147483648")


def schedule_corpus():
    write("fuzz_schedule", "bundled", (ROOT / "data" / "decoder.vok").read_bytes())
    write("fuzz_schedule", "three_iterations",
          b"itert=3\nw 1 0 2\nt 0 1 0\nc 0 0 0\no 0 0 0\np 0 3 9\ni 0 1 -2\n")
    write("fuzz_schedule", "zero_iterations", b"itert=0\n")
    write("fuzz_schedule", "negative_itert", b"itert=-1\n")
    write("fuzz_schedule", "too_many_iterations", b"itert=100001\n")
    write("fuzz_schedule", "letters_missing", b"itert=2\nw 1 1\nt 0 0\n")
    write("fuzz_schedule", "big_weights",
          b"itert=2\nw 2147483647 -2147483648\nt -5 2147483647\nc 0 0\no 0 0\np -1 0\ni 0 16\n")


def settings_corpus():
    texts = [b"0.25", b"123", b"1e39", b"3000000000", b"12.9", b"0,1", b"abc", b"0.1 ", b" -0",
             b"", b"1e-400", b"4.9e-324", b"0x10", b"inf", b"nan", b".5", b"5.", b"-.e1",
             b"\t\n+7E+2", b"0.1000000000000000055511151231257827021181583404541015625",
             b"9223372036854775808", b"-9223372036854775807.5", b"1" + b"0" * 330,
             b"0." + b"0" * 400 + b"1"]
    for n, text in enumerate(texts):
        options = bytes([(n * 37) & 0xFF])
        write("fuzz_settings_text", f"text_{n:02d}", options + text)
    write("fuzz_settings_text", "raw_double_bits", bytes([0x42]) + struct.pack("<d", 2.5e-3))


def experiment_corpus():
    encoder = (ROOT / "data" / "encoder.vok").read_bytes()
    decoder = (ROOT / "data" / "decoder.vok").read_bytes()
    small = bmp(16, 12)
    assert SEPARATOR not in small

    def options(pane_w, pane_h, p0, seed, flags):
        return bytes([pane_w, pane_h, p0]) + struct.pack("<i", seed) + bytes([flags])

    write("fuzz_experiment", "bundled_files",
          options(0, 0, 64, 123, 0b110) + small + SEPARATOR + encoder + SEPARATOR + decoder)
    write("fuzz_experiment", "built_in_code_reduced",
          options(12, 9, 64, 123, 0b111) + small)
    write("fuzz_experiment", "small_code",
          options(0, 0, 200, -5, 0b100) + small + SEPARATOR
          + b"nk=2  nr=1\n  i=0  v=0 2 0 5\n  i=1  v=0 1 3\n" + SEPARATOR
          + b"itert=3\nw 1 0 2\nt 0 1 0\nc 0 0 0\no 0 0 0\np 0 3 9\ni 0 1 -2\n")
    write("fuzz_experiment", "broken_code",
          options(0, 0, 64, 1, 0) + small + SEPARATOR + b"nk=17 nr=1")
    write("fuzz_experiment", "not_24_bit", options(0, 0, 64, 1, 0) + bmp(4, 4, bits=8))
    write("fuzz_experiment", "p0_one", options(0, 0, 255, 7, 0b110) + bmp(5, 3))
    sample = (ROOT / "data" / "pic.bmp").read_bytes()
    if SEPARATOR not in sample:
        write("fuzz_experiment", "sample_pane_60x45", options(60, 45, 64, 123, 0b001) + sample)


def main():
    picture_corpus()
    code_corpus()
    schedule_corpus()
    settings_corpus()
    experiment_corpus()


if __name__ == "__main__":
    main()
