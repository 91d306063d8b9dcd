"""Reads X window dumps (xwd -root output, or Xvfb's -fbdir screen file) and
writes PNG, with nothing but the standard library."""
import struct
import zlib


class Image:
    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows  # rows: list of bytes, RGB

    def pixel(self, x, y):
        r = self.rows[y]
        return tuple(r[3 * x:3 * x + 3])

    def save_png(self, path):
        raw = b"".join(b"\x00" + row for row in self.rows)
        def chunk(tag, data):
            c = struct.pack(">I", len(data)) + tag + data
            return c + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            f.write(chunk(b"IEND", b""))


def read(path_or_bytes):
    data = path_or_bytes if isinstance(path_or_bytes, (bytes, bytearray, memoryview)) else open(path_or_bytes, "rb").read()
    hdr = struct.unpack(">25I", bytes(data[:100]))
    header_size, _, _, depth, width, height = hdr[0], hdr[1], hdr[2], hdr[3], hdr[4], hdr[5]
    byte_order, bpp, bpl, ncolors = hdr[7], hdr[11], hdr[12], hdr[19]
    if bpp not in (24, 32):
        raise ValueError("only 24- and 32-bit pixel dumps are supported, not %d" % bpp)
    step = bpp // 8  # xwd packs 24-bit pixels in 3 bytes, Xvfb's frame buffer uses 4
    start = header_size + ncolors * 12
    rows = []
    for y in range(height):
        line = bytes(data[start + y * bpl:start + y * bpl + width * step])
        rgb = bytearray(width * 3)
        if byte_order == 0:  # LSB first: B, G, R (, x)
            rgb[0::3] = line[2::step]
            rgb[1::3] = line[1::step]
            rgb[2::3] = line[0::step]
        else:  # MSB first: (x,) R, G, B
            o = step - 3
            rgb[0::3] = line[o::step]
            rgb[1::3] = line[o + 1::step]
            rgb[2::3] = line[o + 2::step]
        rows.append(bytes(rgb))
    return Image(width, height, rows)


if __name__ == "__main__":
    import sys
    read(sys.argv[1]).save_png(sys.argv[2])
