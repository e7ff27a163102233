#!/usr/bin/env python3
"""Checks of r2_summary's page, without libraries beyond Python's own.

  page_check.py tables SUMMARY.TSV PAGE.HTML   the page's tables hold the summary
  page_check.py shot SCREENSHOT.PNG             a screenshot shows a picture, then a table
"""
import struct
import sys
import xml.etree.ElementTree as ET
import zlib


def tables(tsv, page):
    rows = [line.rstrip("\n").split("\t") for line in open(tsv, encoding="utf-8")]
    header, body = rows[0], rows[1:]
    blocks = {}
    for row in body:
        blocks.setdefault(row[0], []).append(row[1:])
    ns = {"h": "http://www.w3.org/1999/xhtml"}
    shown = {}
    for table in ET.parse(page).getroot().iterfind(".//h:table[@class='summary']", ns):
        caption = "".join(table.find("h:caption", ns).itertext())
        name = "all" if caption == "All reports together" else caption[len("Report "):]
        cells = [["".join(c.itertext()) for c in tr] for tr in table.iterfind(".//h:tr", ns)]
        assert cells[0] == header[1:], (caption, cells[0])
        shown[name] = cells[1:]
    assert shown == blocks, "the page's tables differ from the summary"


def pixels(png):
    data = open(png, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
            assert depth == 8 and colour in (2, 6), "8-bit RGB or RGBA expected"
        elif kind == b"IDAT":
            idat += chunk
        at += 12 + length
    step = 3 if colour == 2 else 4
    raw, stride, rows, previous = zlib.decompress(idat), width * step, [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up, corner = previous[i], previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, step)])
        previous = line
    return width, rows


def shot(png):
    width, rows = pixels(png)
    # The density: a band of rows with many strongly coloured pixels.
    coloured = [sum(max(p) - min(p) > 80 for p in row) for row in rows]
    dense = [y for y, n in enumerate(coloured) if n > width // 8]
    assert len(dense) > 50, "no picture on the page"
    columns = [x for x in range(width) if any(max(rows[y][x]) - min(rows[y][x]) > 80 for y in dense[::10])]
    assert columns[-1] - columns[0] > width // 3 and columns[-1] < width - 2, "picture cut or narrow"
    # The tables below the pictures: rows between light rules, and dark
    # text (the numbers) in their right half.
    rules = [y for y in range(dense[-1], len(rows))
             if sum(200 <= min(p) and max(p) <= 235 and max(p) - min(p) < 8 for p in rows[y]) > min(width, 800) // 3]
    assert len(rules) >= 8, "no table below the picture"
    right = max(x for y in range(rules[0], rules[-1]) for x, p in enumerate(rows[y]) if max(p) < 90)
    assert right > min(width, 800) // 2, "the table shows no numbers"

if __name__ == "__main__":
    {"tables": tables, "shot": shot}[sys.argv[1]](*sys.argv[2:])
