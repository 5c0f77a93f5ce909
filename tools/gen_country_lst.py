#!/usr/bin/env python3
"""Writes data/country.lst: the host code pages, their corrections, the transfer tables and the
keyboard tables (key numbers of the virtual keys, country layouts and dead keys).

The reference for every host code page is glibc's iconv (IBM037, IBM273, ...); the reference for
the PC code pages is Python's codecs. The two tables the program carries itself (host transfer
table, DOS conversion table) are read from src/charset/fixed_tables.h, and the key numbers from
src/keyboard/key_numbers.h, so both sides agree.

    tools/gen_country_lst.py            # rewrites data/country.lst
    tools/gen_country_lst.py --check    # fails when data/country.lst is not what it would write
"""

import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
OUTPUT = ROOT / "data" / "country.lst"

BASE_PAGE = "IBM037"
DUP, FIELD_MARK = 0x1C, 0x1E
DISPLAY_DUP, DISPLAY_FIELD_MARK = 0x8E, 0x8F

# (glibc name, CPGID, GCSGID, names: the first is the country, the others its alternatives)
COUNTRIES = [
    ("IBM037", 37, 697, ["United States", "Canada", "Netherlands", "Portugal", "Brazil", "CP037"]),
    ("IBM273", 273, 697, ["Germany", "Austria", "CP273"]),
    ("IBM277", 277, 697, ["Denmark", "Norway", "CP277"]),
    ("IBM278", 278, 697, ["Finland", "Sweden", "CP278"]),
    ("IBM280", 280, 697, ["Italy", "CP280"]),
    ("IBM284", 284, 697, ["Spain", "Latin America", "CP284"]),
    ("IBM285", 285, 697, ["United Kingdom", "CP285"]),
    ("IBM297", 297, 697, ["France", "CP297"]),
    ("IBM500", 500, 697, ["International", "Belgium", "Switzerland", "CP500"]),
    ("IBM871", 871, 697, ["Iceland", "CP871"]),
    ("IBM1047", 1047, 697, ["Open Systems (Latin-1)", "CP1047"]),
    ("IBM1140", 1140, 695, ["United States (Euro)", "Canada (Euro)", "Netherlands (Euro)",
                            "Portugal (Euro)", "Brazil (Euro)", "CP1140"]),
    ("IBM1141", 1141, 695, ["Germany (Euro)", "Austria (Euro)", "CP1141"]),
    ("IBM1142", 1142, 695, ["Denmark (Euro)", "Norway (Euro)", "CP1142"]),
    ("IBM1143", 1143, 695, ["Finland (Euro)", "Sweden (Euro)", "CP1143"]),
    ("IBM1144", 1144, 695, ["Italy (Euro)", "CP1144"]),
    ("IBM1145", 1145, 695, ["Spain (Euro)", "Latin America (Euro)", "CP1145"]),
    ("IBM1146", 1146, 695, ["United Kingdom (Euro)", "CP1146"]),
    ("IBM1147", 1147, 695, ["France (Euro)", "CP1147"]),
    ("IBM1148", 1148, 695, ["International (Euro)", "Belgium (Euro)", "Switzerland (Euro)",
                            "CP1148"]),
    ("IBM1149", 1149, 695, ["Iceland (Euro)", "CP1149"]),
]

# (name, Python codec of the PC file). Only the first may begin with "DOS".
TRANSFER_TABLES = [
    ("DOS (US 437)", "cp437"),
    ("Windows (1252)", "cp1252"),
    ("ISO 8859-1", "latin-1"),
    ("ISO 8859-15", "iso8859-15"),
    ("UTF-8", "utf-8"),
]


def fixed_table(name):
    text = (ROOT / "src" / "charset" / "fixed_tables.h").read_text()
    body = re.search(name + r"\s*=\s*\{(.*?)\};", text, re.S).group(1)
    values = [int(v, 16) for v in re.findall(r"0x([0-9A-Fa-f]{2})", re.sub(r"//[^\n]*", "", body))]
    assert len(values) == 256, name
    return values


HOST_TRANSFER = fixed_table("kHostTransferTable")
DOS_CONVERSION = fixed_table("kDosConversionTable")


# glibc's IBM278 and IBM871 follow a 1990 manual that swaps two characters each; IBM's tables (as
# ICU and Java have them) and glibc's own IBM1143 and IBM1149, which are these pages with the euro
# sign added, agree on the bytes below.
GLIBC_ERRATA = {
    "IBM278": {0x71: "\\", 0xE0: "\u00c9"},
    "IBM871": {0x4A: "\u00de", 0xC0: "\u00fe"},
}

# Each euro page is its older page with the euro sign on one byte.
EURO_PAGES = {"IBM1140": ("IBM037", 0x9F), "IBM1141": ("IBM273", 0x9F), "IBM1142": ("IBM277", 0x5A),
              "IBM1143": ("IBM278", 0x5A), "IBM1144": ("IBM280", 0x9F), "IBM1145": ("IBM284", 0x9F),
              "IBM1146": ("IBM285", 0x9F), "IBM1147": ("IBM297", 0x9F), "IBM1148": ("IBM500", 0x9F),
              "IBM1149": ("IBM871", 0x9F)}


def host_page(name):
    """Host byte -> Unicode character, from glibc iconv."""
    out = subprocess.run(["iconv", "-f", name, "-t", "UTF-32BE"], input=bytes(range(256)),
                         capture_output=True, check=True).stdout
    page = [chr(int.from_bytes(out[4 * i:4 * i + 4], "big")) for i in range(256)]
    for host, ch in GLIBC_ERRATA.get(name, {}).items():
        page[host] = ch
    return page


def check_euro_pages():
    for euro, (older, euro_byte) in EURO_PAGES.items():
        a, b = ([LOOKALIKES.get(ch, ch) for ch in host_page(name)] for name in (euro, older))
        assert a[euro_byte] == "\u20ac", euro
        assert [h for h in range(256) if a[h] != b[h]] == [euro_byte], (euro, older)


def is_control(ch):
    return ord(ch) < 0x20 or 0x7F <= ord(ch) < 0xA0


# glibc's IBM285 calls its 0xA1 OVERLINE where IBM1146 and the other pages have MACRON: it is the
# Latin-1 macron of that code page, and Windows-1252 has only the macron.
LOOKALIKES = {"\u203e": "\u00af"}


def display_byte(ch):
    """Unicode -> display character (Windows-1252)."""
    return LOOKALIKES.get(ch, ch).encode("cp1252")[0]


def screen_table(page):
    table = []
    for host, ch in enumerate(page):
        if host == DUP:
            table.append(DISPLAY_DUP)
        elif host == FIELD_MARK:
            table.append(DISPLAY_FIELD_MARK)
        elif is_control(ch):
            table.append(0x00)  # shown blank, never sent back by typing
        else:
            table.append(display_byte(ch))
    return table


def latin1_upload(base):
    """PC byte -> transfer byte for a file whose bytes are read as Latin-1.

    Every one of the 256 bytes is a character of the base page (controls included), so the table is
    one-to-one and a text transfer there and back returns every byte."""
    position = {ch: host for host, ch in enumerate(base)}
    assert len(position) == 256
    return [HOST_TRANSFER[position[chr(pc)]] for pc in range(256)]


def dos_upload(base):
    """PC byte -> transfer byte for a DOS 437 file, placed the way the DOS rule places corrections.

    Each base character goes to the DOS character the conversion table gives for it, except where
    the table only repeats a character from 0x80 up (437 has another character there, which the
    program likewise never lets a correction take). Where a character and a control land on one DOS
    byte (the section sign on 0x15), the character wins. Bytes left over are paired in ascending
    order with the transfer bytes left over, so the table stays one-to-one."""
    claims = {}
    for host, ch in enumerate(base):
        ansi = ord(ch)  # the base page is Latin-1, so its Windows-1252 byte is the code point
        dos = DOS_CONVERSION[ansi]
        if ansi >= 0x80 and dos == ansi:
            continue  # a placeholder: 437 has another character there, or none of the C1 controls
        rank = 0 if is_control(ch) else 1
        if dos not in claims or claims[dos][0] < rank:
            claims[dos] = (rank, HOST_TRANSFER[host])
    upload = [None] * 256
    for dos, (_, value) in claims.items():
        upload[dos] = value
    spare = sorted(set(range(256)) - {v for v in upload if v is not None})
    for pc in range(256):
        if upload[pc] is None:
            upload[pc] = spare.pop(0)
    assert sorted(upload) == list(range(256))
    return upload


def hex_rows(table, labels=None):
    lines = []
    for row in range(16):
        values = " ".join("%02X" % v for v in table[row * 16:row * 16 + 16])
        lines.append(values + ("    * %s" % labels[row] if labels else ""))
    return lines


def describe(ch):
    if ch == " ":
        return "blank"
    if ch == "\u00a0":
        return "no-break space"
    if ch == "\u00ad":
        return "soft hyphen"
    return ch


def row_label(page, row):
    cells = []
    for host in range(row * 16, row * 16 + 16):
        ch = page[host]
        if host == DUP:
            cells.append("DUP")
        elif host == FIELD_MARK:
            cells.append("FM")
        elif is_control(ch):
            cells.append(".")
        elif ch == " ":
            cells.append("sp")
        elif ch == "\u00a0":
            cells.append("nbsp")
        elif ch == "\u00ad":
            cells.append("shy")
        else:
            cells.append(ch)
    return "%X_: %s" % (row, " ".join(cells))


# --- Keyboards ---

def key_positions():
    """Key name -> number and virtual key -> number, from the program's own key table."""
    text = (ROOT / "src" / "keyboard" / "key_numbers.h").read_text()
    rows = re.findall(r'\{(\d+), "([^"]+)", (0x[0-9A-Fa-f]{2}|0), (0x[0-9A-Fa-f]{2}|0)\}', text)
    assert len(rows) > 100
    names, scan = {}, [255] * 256
    for number, name, vk, vk2 in rows:
        names[name] = int(number)
        for v in (int(vk, 16), int(vk2, 16)):
            if v:
                assert scan[v] == 255, "virtual key %02X is given to two keys" % v
                scan[v] = int(number)
    return names, scan


# The keys of each keyboard that differ from the United States characters of standard.key, by the
# key's name (its place on the keyboard): unshifted, shifted and, when the key has one, the AltGr
# character (used for the Alt entry).
KEYBOARDS = [
    (["United States"], {}, []),
    (["United Kingdom"], {
        "Grave": "`\u00ac\u00a6", "2": '2"', "3": "3\u00a3", "4": "4$\u20ac", "Quote": "'@",
        "Backslash": "#~", "Iso102": "\\|",
        "A": "aA\u00e1", "E": "eE\u00e9", "I": "iI\u00ed", "O": "oO\u00f3", "U": "uU\u00fa",
    }, []),
    (["Germany", "Austria"], {
        "Grave": "^\u00b0", "2": '2"\u00b2', "3": "3\u00a7\u00b3", "6": "6&", "7": "7/{", "8": "8([",
        "9": "9)]", "0": "0=}", "Minus": "\u00df?\\", "Equals": "\u00b4`",
        "Q": "qQ@", "E": "eE\u20ac", "Y": "zZ", "LeftBracket": "\u00fc\u00dc", "RightBracket": "+*~",
        "Backslash": "#'", "Semicolon": "\u00f6\u00d6", "Quote": "\u00e4\u00c4", "Iso102": "<>|",
        "Z": "yY", "M": "mM\u00b5", "Comma": ",;", "Period": ".:", "Slash": "-_",
        "KeypadNumPeriod": ",,",
    }, [
        ("Grave", 0, "^", "aeiouAEIOU ", "\u00e2\u00ea\u00ee\u00f4\u00fb\u00c2\u00ca\u00ce\u00d4\u00db^"),
        ("Equals", 0, "\u00b4", "aeiouyAEIOUY ",
         "\u00e1\u00e9\u00ed\u00f3\u00fa\u00fd\u00c1\u00c9\u00cd\u00d3\u00da\u00dd\u00b4"),
        ("Equals", 1, "`", "aeiouAEIOU ", "\u00e0\u00e8\u00ec\u00f2\u00f9\u00c0\u00c8\u00cc\u00d2\u00d9`"),
    ]),
    (["France"], {
        "Grave": "\u00b2", "1": "&1", "2": "\u00e92~", "3": '"3#', "4": "'4{", "5": "(5[", "6": "-6|",
        "7": "\u00e87`", "8": "_8\\", "9": "\u00e79^", "0": "\u00e00@", "Minus": ")\u00b0]", "Equals": "=+}",
        "Q": "aA", "W": "zZ", "E": "eE\u20ac", "LeftBracket": "^\u00a8", "RightBracket": "$\u00a3\u00a4",
        "Backslash": "*\u00b5", "A": "qQ", "Semicolon": "mM", "Quote": "\u00f9%", "Iso102": "<>",
        "Z": "wW", "M": ",?", "Comma": ";.", "Period": ":/", "Slash": "!\u00a7",
    }, [
        ("LeftBracket", 0, "^", "aeiouAEIOU ", "\u00e2\u00ea\u00ee\u00f4\u00fb\u00c2\u00ca\u00ce\u00d4\u00db^"),
        ("LeftBracket", 1, "\u00a8", "aeiouyAEIOU ",
         "\u00e4\u00eb\u00ef\u00f6\u00fc\u00ff\u00c4\u00cb\u00cf\u00d6\u00dc\u00a8"),
        ("7", 3, "`", "aeiouAEIOU ", "\u00e0\u00e8\u00ec\u00f2\u00f9\u00c0\u00c8\u00cc\u00d2\u00d9`"),
        ("2", 3, "~", "aonAON ", "\u00e3\u00f5\u00f1\u00c3\u00d5\u00d1~"),
    ]),
]

SHIFT_NAMES = ["", "Shift+", "Ctrl+", "AltGr+"]
MAX_ESCAPE = 8  # base characters one KEYESCAPES line holds


def key_scan_code_lines(scan):
    out = ["", "* Windows virtual key -> key number of the keyboard map, 255 for none (key numbers are",
           "* decimal). Written from src/keyboard/key_numbers.h; docs/keyboard.md lists the keys.",
           "KEYSCANCODES"]
    for row in range(16):
        values = " ".join("%03d" % v for v in scan[row * 16:row * 16 + 16])
        out.append("%s    * %X0-%XF" % (values, row, row))
    return out


def keyboard_blocks(names):
    out = ["", "* Keyboards. Each lists the keys whose characters differ from the United States ones of",
           "* standard.key: KEYLAYOUT key = unshifted, shifted, AltGr; KEYESCAPES key shift dead base, ...",
           "* = composed, ... for its dead keys (shift 0 none, 1 Shift, 3 AltGr)."]
    for countries, layout, escapes in KEYBOARDS:
        out += ["", "COUNTRY " + countries[0]] + ["OR " + n for n in countries[1:]]
        out.append("KEYLAYOUT")
        for name in sorted(layout, key=lambda n: names[n]):
            chars = layout[name]
            values = ", ".join("%02X" % display_byte(c) for c in chars)
            out.append("%03d = %s    * %s: %s" % (names[name], values, name, " ".join(describe(c) for c in chars)))
        if escapes:
            out.append("KEYESCAPES")
        for name, shift, dead, base, composed in escapes:
            assert len(base) == len(composed)
            for i in range(0, len(base), MAX_ESCAPE):
                b, c = base[i:i + MAX_ESCAPE], composed[i:i + MAX_ESCAPE]
                out.append("%03d %02X %02X %s = %s    * %s%s" % (
                    names[name], shift, display_byte(dead), ", ".join("%02X" % display_byte(x) for x in b),
                    ", ".join("%02X" % display_byte(x) for x in c), SHIFT_NAMES[shift], name))
    return out


HEADER = """\
* Orkan TN3270 country list.
*
* Written by tools/gen_country_lst.py from glibc's iconv tables: change the generator and run it
* again rather than editing this file by hand. Comment lines begin with "*"; on a data line a "*"
* ends what is read, so the notes after one are comments too.
*
* How the program reads it:
*   BASE starts the base listing: the SCREEN table (host byte -> display character, 256 values in
*   host byte order) and one TRANSFER table per name (PC file byte -> the byte the host's file
*   transfer program must receive, 256 values in PC byte order).
*   COUNTRY starts a country; OR gives it another name; CODEPAGE gives its code page (CPGID) and
*   character set (GCSGID); SCREEN lists how its host bytes differ from the base, "host = display".
*   Each difference also moves the character in the selected transfer table. For a transfer table
*   whose name begins with "DOS" the display character goes through the DOS conversion table first;
*   for ISO 8859-15 the eight characters it has in place of Latin-1 ones go to their bytes there.
*   Two characters give a hexadecimal byte, three a decimal one.
*   KEYSCANCODES in the base listing gives the key number of each Windows virtual key; KEYLAYOUT
*   and KEYESCAPES of a keyboard country give the characters of its keys and its dead keys.
*
* Display characters are Windows-1252, except 8E (DUP) and 8F (FIELD MARK). Host control bytes
* other than DUP and FIELD MARK display as 00, which shows as a blank and is never sent back when
* the user types, so a blank typed by the user always goes to the host as 40.
"""


def main():
    check_euro_pages()
    base = host_page(BASE_PAGE)
    base_screen = screen_table(base)
    out = HEADER.splitlines()
    out += ["", "BASE", "",
            "* Host code page 037 (United States) as display characters.",
            "SCREEN"]
    out += hex_rows(base_screen, [row_label(base, r) for r in range(16)])

    for name, codec in TRANSFER_TABLES:
        assert name.startswith("DOS") == (codec == "cp437")
        upload = dos_upload(base) if codec == "cp437" else latin1_upload(base)
        out += [""]
        if codec == "cp437":
            out += ["* DOS code page 437 files. Where 437 lacks a character of the host code page,",
                    "* the DOS conversion table's replacement is used (the vertical bar travels as",
                    "* 437's box line B3, the broken bar as 7C)."]
        elif codec == "cp1252":
            out += ["* Windows-1252 files. 80-9F, where 1252 has characters that no Latin-1 host",
                    "* code page has, travel as the host's control bytes, so nothing is lost on the",
                    "* way there and back. A euro code page moves the euro sign onto 80."]
        elif codec == "latin-1":
            out += ["* ISO 8859-1 files: every byte is a character of the host code page."]
        elif codec == "utf-8":
            out += ["* UTF-8 files. The program reads and writes the file as UTF-8 and carries its",
                    "* characters through this table as Windows-1252 bytes, as for Windows (1252); an",
                    "* uploaded character that Windows-1252 lacks stops the upload with its position."]
        else:
            out += ["* ISO 8859-15 files. The eight characters that differ from ISO 8859-1 travel",
                    "* as the Latin-1 characters they replace (the euro sign as the currency sign).",
                    "* A correction to one of the eight (the euro sign of a euro host code page)",
                    "* moves it to its ISO 8859-15 byte, A4 for the euro sign."]
        out += ["TRANSFER " + name]
        out += hex_rows(upload)

    key_names, scan = key_positions()
    out += key_scan_code_lines(scan)

    for glibc, cpgid, gcsgid, names in COUNTRIES:
        page = host_page(glibc)
        screen = screen_table(page)
        assert [is_control(c) for c in page] == [is_control(c) for c in base], glibc
        out += ["", "COUNTRY " + names[0]]
        out += ["OR " + n for n in names[1:]]
        out += ["CODEPAGE %d %d" % (cpgid, gcsgid), "SCREEN"]
        for host in range(256):
            if screen[host] != base_screen[host]:
                out.append("%02X = %02X    * %s (037: %s)"
                           % (host, screen[host], describe(page[host]), describe(base[host])))

    out += keyboard_blocks(key_names)
    out += ["", "END", ""]
    text = "\n".join(out).encode("utf-8")
    for name in [n for _, _, _, names in COUNTRIES for n in names] + [t for t, _ in TRANSFER_TABLES]:
        assert len(name) <= 31, name  # the session file keeps at most 31 characters
    if "--check" in sys.argv:
        if OUTPUT.read_bytes() != text:
            sys.exit("data/country.lst is out of date: run tools/gen_country_lst.py")
        return
    OUTPUT.parent.mkdir(exist_ok=True)
    OUTPUT.write_bytes(text)


if __name__ == "__main__":
    main()
