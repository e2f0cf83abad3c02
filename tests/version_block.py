#!/usr/bin/env python3
"""Checks that a Windows program's version block carries the build's version
and notice line. The block is read from the file's bytes here, not through
the program's own reader or Windows."""
import argparse
import struct
import sys

from checks import Checks

FIXED_SIGNATURE = 0xFEEF04BD


def align(offset):
    return (offset + 3) & ~3


def parse_block(data, start):
    """One VS_VERSIONINFO-style node: (key, value, children)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, start)
    end = start + length
    key_end = start + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[start + 6:key_end].decode("utf-16-le")
    value_start = align(key_end + 2)
    if kind == 1:  # text, its length in characters
        raw = data[value_start:value_start + 2 * value_length]
        value = raw.decode("utf-16-le").split("\0")[0]
        value_end = value_start + len(raw)
    else:
        value = data[value_start:value_start + value_length]
        value_end = value_start + value_length
    children = []
    child = align(value_end)
    while child < end:
        node = parse_block(data, child)
        children.append(node)
        child = align(child + struct.unpack_from("<H", data, child)[0])
    return key, value, children


def read_version_block(data):
    """The fixed version numbers and the string values of every table."""
    key = "VS_VERSION_INFO".encode("utf-16-le")
    at = data.find(key)
    if at < 0:
        raise ValueError("no version block")
    _, fixed, children = parse_block(data, at - 6)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != FIXED_SIGNATURE:
        raise ValueError("bad fixed file info")
    numbers = {
        "file": (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF),
        "product": (product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16, product_ls & 0xFFFF),
    }
    strings = {}
    for name, _, tables in children:
        if name == "StringFileInfo":
            for _, _, values in tables:
                strings.update({key: value for key, value, _ in values})
    return numbers, strings


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--version", required=True, help="the project version, e.g. 1.0.0.2")
    parser.add_argument("--notice", required=True)
    parser.add_argument("program")
    options = parser.parse_args()

    parts = [int(part) for part in options.version.split(".")]
    parts += [0] * (4 - len(parts))
    with open(options.program, "rb") as f:
        numbers, strings = read_version_block(f.read())
    expected = [
        ("fixed file version", numbers["file"], tuple(parts)),
        ("fixed product version", numbers["product"], tuple(parts)),
        ("FileVersion", strings.get("FileVersion"), ", ".join(map(str, parts))),
        ("ProductVersion", strings.get("ProductVersion"), ", ".join(map(str, parts))),
        ("LegalCopyright", strings.get("LegalCopyright"), options.notice),
    ]
    checks = Checks()
    for name, actual, wanted in expected:
        checks.expect(name, actual, wanted)
    return checks.summary()


if __name__ == "__main__":
    sys.exit(main())
