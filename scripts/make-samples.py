#!/usr/bin/python3
"""Writes the sample drawings in samples/: small drawings made with ezdxf, in R12 and R2000
form and in several encodings and line ends, all without $ACADVER except one.

Usage: scripts/make-samples.py [FOLDER]   (default: the repository's samples/ folder)
"""
import io
import pathlib
import re
import sys

import ezdxf

# Header values that change with every run; fixed so that the samples are reproducible.
STABLE_VALUES = {
    "$TDCREATE": "2460000.5",
    "$TDUCREATE": "2460000.5",
    "$TDUPDATE": "2460000.5",
    "$TDUUPDATE": "2460000.5",
    "$FINGERPRINTGUID": "{6F1C2A8E-0D3B-4E7A-9B21-3C5D7E9F1A2B}",
    "$VERSIONGUID": "{A1B2C3D4-E5F6-4A7B-8C9D-0E1F2A3B4C5D}",
}


def drawing(version, title, encoding=None):
    """A small plan: a frame, a door arc, a circle and a title."""
    doc = ezdxf.new(version)
    if encoding:
        doc.encoding = encoding  # also sets $DWGCODEPAGE
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (40, 0), (40, 25), (0, 25)], close=True) if version != "R12" \
        else msp.add_polyline2d([(0, 0), (40, 0), (40, 25), (0, 25)], close=True)
    msp.add_line((20, 0), (20, 25))
    msp.add_arc((20, 10), 4, 270, 360)
    msp.add_circle((30, 15), 3)
    msp.add_text(title, dxfattribs={"height": 2}).set_placement((2, 27))
    return doc


def dxf_text(doc):
    stream = io.StringIO()
    doc.write(stream)
    return stabilised(stream.getvalue())


def stabilised(text):
    # ezdxf notes its version and the time of writing in the drawing's metadata.
    text = re.sub(r"(\d+\.\d+\.\d+) @ [0-9T:.+-]+", r"\1 @ 2024-01-01T00:00:00+00:00", text)
    lines = text.split("\n")
    for i in range(0, len(lines) - 1, 2):
        if lines[i].strip() == "9" and lines[i + 1] in STABLE_VALUES:
            lines[i + 3] = STABLE_VALUES[lines[i + 1]]
    return "\n".join(lines)


def without_acadver(text):
    stripped, count = re.subn(r"  9\n\$ACADVER\n  1\n[^\n]*\n", "", text, count=1)
    assert count == 1, "ezdxf wrote no $ACADVER"
    return stripped


def write(folder, name, text, encoding, line_end="\n", mark=b""):
    data = mark + text.replace("\n", line_end).encode(encoding)
    (folder / name).write_bytes(data)
    print(f"{name}: {len(data)} bytes")


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else \
        pathlib.Path(__file__).resolve().parent.parent / "samples"
    folder.mkdir(parents=True, exist_ok=True)

    write(folder, "r12-ascii-crlf.dxf",
          without_acadver(dxf_text(drawing("R12", "Ground floor"))), "ascii", "\r\n")
    write(folder, "r2000-utf8-lf.dxf",
          without_acadver(dxf_text(drawing("R2000", "Étage 1 — 平面図"))), "utf-8")
    write(folder, "r12-shift-jis-crlf.dxf",
          without_acadver(dxf_text(drawing("R12", "平面図 一階", "cp932"))), "cp932", "\r\n")
    write(folder, "r2000-utf16le-mark-crlf.dxf",
          without_acadver(dxf_text(drawing("R2000", "断面図 A-A"))), "utf-16-le", "\r\n",
          mark=b"\xff\xfe")
    write(folder, "r2000-has-acadver.dxf", dxf_text(drawing("R2000", "Already versioned")), "ascii")


if __name__ == "__main__":
    main()
