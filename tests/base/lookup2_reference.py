#!/usr/bin/env python3
"""Reference values for the lookup2 hash (Bob Jenkins, 1996) used in Hash_test.cpp.

Written from the published description of lookup2, independently of the C++
code: 12-byte blocks read as three little-endian 32-bit words, a = b = the
golden ratio 0x9e3779b9, c = initval, the 96-bit mix after each block, the
length added to c before the 0..11 tail bytes (c's low byte is left for the
length), then one last mix; the result is c. All arithmetic is modulo 2**32.

Run `python3 lookup2_reference.py` and paste its output into the test.
"""

M = 0xFFFFFFFF


def mix(a, b, c):
    a = (a - b - c) & M; a ^= c >> 13
    b = (b - c - a) & M; b ^= (a << 8) & M
    c = (c - a - b) & M; c ^= b >> 13
    a = (a - b - c) & M; a ^= c >> 12
    b = (b - c - a) & M; b ^= (a << 16) & M
    c = (c - a - b) & M; c ^= b >> 5
    a = (a - b - c) & M; a ^= c >> 3
    b = (b - c - a) & M; b ^= (a << 10) & M
    c = (c - a - b) & M; c ^= b >> 15
    return a, b, c


def word(data):
    # Little-endian, zero-padded to four bytes.
    return int.from_bytes(data.ljust(4, b"\0"), "little")


def lookup2(key, initval=0):
    a = b = 0x9E3779B9
    c = initval & M
    k = key
    while len(k) >= 12:
        a = (a + word(k[0:4])) & M
        b = (b + word(k[4:8])) & M
        c = (c + word(k[8:12])) & M
        a, b, c = mix(a, b, c)
        k = k[12:]
    c = (c + len(key)) & M
    a = (a + word(k[0:4])) & M
    b = (b + word(k[4:8])) & M
    # The tail's bytes 8..10 go to c shifted up one byte.
    c = (c + (word(k[8:11]) << 8)) & M
    a, b, c = mix(a, b, c)
    return c


CASES = [
    (b"", 0),
    (b"", 0xDEADBEEF),
    (b"a", 0),
    (b"abc", 0),
    (b"ABC", 0),
    (b"abcdefghijk", 0),  # 11 bytes: every tail case
    (b"abcdefghijkl", 0),  # exactly one block, empty tail
    (b"Four score and seven years ago", 0),
    (b"Four score and seven years ago", 1),
    (bytes([0x80, 0xFF, 0x00, 0x7F, 0xC3, 0xA9]), 0),  # high bytes are unsigned
]

if __name__ == "__main__":
    for key, initval in CASES:
        print("{%r, 0x%08x, 0x%08xu}," % (key, initval, lookup2(key, initval)))
