#!/usr/bin/env python3
"""make_testdata.py - makes the test files of olvane-host with Debian's tools.

Usage: make_testdata.py [OUT_DIR]     (default: testdata/ beside this script)

Needs exiftool (libimage-exiftool-perl), ffmpeg and qpdf. Images and clips come from ffmpeg, their
XMP from exiftool; where no tool writes what real files hold (RIFF chunks, a second packet, shuffled
extended XMP segments, a PDF with an image packet) the bytes are put together here.
testdata/README.md lists what each file holds and what olvane-host must read from it.
"""
import os
import struct
import subprocess
import sys
import tempfile

EXT_SIGNATURE = b"http://ns.adobe.com/xmp/extension/\x00"


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)


def ffmpeg(out, *args):
    run("ffmpeg", "-v", "error", "-y", "-f", "lavfi", *args, out)


def exiftool(path, *tags):
    run("exiftool", "-q", "-overwrite_original", *tags, path)


def packet(tmp, title, *tags):
    """An XMP sidecar packet written by exiftool."""
    path = os.path.join(tmp, "packet.xmp")
    if os.path.exists(path):
        os.remove(path)
    run("exiftool", "-q", "-o", path, "-XMP-dc:Title=" + title, *tags)
    with open(path, "rb") as f:
        return f.read()


def image(tmp, ext):
    path = os.path.join(tmp, "base." + ext)
    ffmpeg(path, "-i", "color=c=gray:s=16x16", "-frames:v", "1")
    return path


def tagged(tmp, out, ext, title):
    path = image(tmp, ext)
    exiftool(path, "-XMP-dc:Title=" + title)
    os.replace(path, out)


def long_description():
    # The test builds the same text to compare with what it reads.
    return "\n".join("Line %04d of the long description." % i for i in range(3000))


def extended_jpeg(tmp, out):
    """A JPEG whose XMP spills into extended XMP segments; the segments are put in reverse order and
    a stray segment of another extension is added, both of which readers must cope with."""
    path = image(tmp, "jpg")
    desc = os.path.join(tmp, "desc.txt")
    with open(desc, "w") as f:
        f.write(long_description())
    exiftool(path, "-XMP-dc:Title=Extended title", "-XMP-dc:Description<=" + desc)
    with open(path, "rb") as f:
        data = f.read()
    segments, at = [], 2
    while data[at + 1] != 0xDA:
        length = struct.unpack(">H", data[at + 2:at + 4])[0]
        segments.append(data[at:at + 2 + length])
        at += 2 + length
    ext = [s for s in segments if s[4:4 + len(EXT_SIGNATURE)] == EXT_SIGNATURE]
    assert len(ext) >= 2, "exiftool wrote fewer extended XMP segments than expected"
    stray_payload = EXT_SIGNATURE + b"0" * 32 + struct.pack(">II", 40, 0) + b"<x:xmpmeta>stray</x:xmpmeta>"
    stray = b"\xFF\xE1" + struct.pack(">H", len(stray_payload) + 2) + stray_payload
    first = segments.index(ext[0])
    rest = [s for s in segments if s not in ext]
    rest[first:first] = [stray] + ext[::-1]
    with open(out, "wb") as f:
        f.write(data[:2] + b"".join(rest) + data[at:])


def chunk(fourcc, payload):
    return fourcc + struct.pack("<I", len(payload)) + payload + (b"\x00" if len(payload) & 1 else b"")


def riff_with_packets(path, out, before, after):
    """Inserts the chunks of before after the RIFF form's first chunk and appends those of after."""
    with open(path, "rb") as f:
        data = f.read()
    first_size = struct.unpack("<I", data[16:20])[0]
    split = 20 + first_size + (first_size & 1)
    body = data[12:split] + b"".join(before) + data[split:] + b"".join(after)
    with open(out, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + len(body)) + data[8:12] + body)


def pdf(tmp, out):
    """A one-page PDF whose image carries its own packet; exiftool adds the document's packet and
    qpdf rewrites the file with its catalogue in a compressed object stream, so that only a PDF
    parser finds which packet is the document's (the image's comes last in the file)."""
    img = packet(tmp, "Image title")
    pixels = b"\x80" * 4
    content = b"q 72 0 0 72 0 0 cm /Im1 Do Q"
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] "
        b"/Resources << /XObject << /Im1 4 0 R >> >> /Contents 5 0 R >>",
        b"<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray "
        b"/BitsPerComponent 8 /Metadata 6 0 R /Length %d >>\nstream\n" % len(pixels) + pixels + b"\nendstream",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
        b"<< /Type /Metadata /Subtype /XML /Length %d >>\nstream\n" % len(img) + img + b"\nendstream",
    ]
    data, offsets = b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n", []
    for number, body in enumerate(objects, 1):
        offsets.append(len(data))
        data += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(data)
    data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    data += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    data += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    base = os.path.join(tmp, "base.pdf")
    with open(base, "wb") as f:
        f.write(data)
    exiftool(base, "-XMP-dc:Title=Document title")
    run("qpdf", "--object-streams=generate", base, out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "testdata")
    with tempfile.TemporaryDirectory() as tmp:
        o = lambda name: os.path.join(out, name)
        for ext, name in [("png", "PNG"), ("tif", "TIFF"), ("gif", "GIF")]:
            tagged(tmp, o("xmp." + ext), ext, name + " title")
        for ext, name in [("mov", "QuickTime"), ("mp4", "MP4")]:
            clip = os.path.join(tmp, "clip." + ext)
            ffmpeg(clip, "-i", "color=c=gray:s=16x16:d=0.04", "-c:v", "mpeg4")
            exiftool(clip, "-XMP-dc:Title=" + name + " title")
            os.replace(clip, o("xmp." + ext))
        extended_jpeg(tmp, o("extended.jpg"))

        old, new = packet(tmp, "Old AVI title"), packet(tmp, "Current AVI title")
        avi = os.path.join(tmp, "clip.avi")
        ffmpeg(avi, "-i", "color=c=gray:s=16x16:d=0.04", "-c:v", "mjpeg")
        riff_with_packets(avi, o("two-packets.avi"), [chunk(b"_PMX", old)], [chunk(b"_PMX", new)])
        old, new = packet(tmp, "Old WAV title"), packet(tmp, "Current WAV title")
        wav = os.path.join(tmp, "clip.wav")
        ffmpeg(wav, "-i", "sine=d=0.01")
        riff_with_packets(wav, o("two-packets.wav"), [chunk(b"JUNK", old)], [chunk(b"_PMX", new)])

        noise = bytes((i * 7919) & 0xFF for i in range(5000))
        with open(o("two-packets.bin"), "wb") as f:
            f.write(noise + packet(tmp, "Old scanned title") + noise + packet(tmp, "Current scanned title") + noise)

        pdf(tmp, o("document.pdf"))

        sidecar = packet(tmp, "Bare RDF title", "-XMP-dc:Creator=Rdf Writer")
        rdf = sidecar[sidecar.index(b"<rdf:RDF"):sidecar.index(b"</rdf:RDF>") + len(b"</rdf:RDF>")]
        with open(o("bare-rdf.txt"), "wb") as f:
            f.write(b'<?xml version="1.0" encoding="UTF-8"?>\n' + rdf + b"\n")
        with open(o("invalid-utf8.xmp"), "wb") as f:
            f.write(packet(tmp, "Cafe title").replace(b"Cafe", b"Caf\xe9"))


if __name__ == "__main__":
    main()
