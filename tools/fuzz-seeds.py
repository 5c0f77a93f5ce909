#!/usr/bin/env python3
"""Seed inputs for the byte-oriented fuzz targets.

Writes candidate seeds into OUT/<target>/ from these sources:
  - recorded sessions with testhost (tools/fuzz-capture.py), when --captures is given;
  - the hex records and Telnet chunks of the golden tests in tests/ds3270 and tests/net;
  - the real host record in tests/fixtures;
  - generated inputs: every command, order, structured field, Telnet negotiation, TN3270E header
    and client reply, each in a well-formed frame;
  - debug screens and session traces wrapping those records and streams, and files bent in each
    field;
  - the string literals of the macro and text-printing tests, the stored macros, every option of
    SETOPTION's table at and past its limits, the DFT fields and frames of the transfer tests.
The candidates are many and overlap; `make fuzz-long FUZZ_SEEDS=OUT` (or libFuzzer's -merge=1)
keeps only those that add coverage to the stored corpora.

Input layouts (see each target's comment):
  records          flags, choice, records separated by FF EF
  telnet           flags, cut count, 16-bit cut points, host bytes
  host_input       the same as telnet
  testhost_session a selector byte, then client bytes
  debug_screen     a debug screen file
  trace_reader     a session trace file
  macro            macro text
  print_text       flags, then a text file
  options_by_name  section, option, value and a cursor position, one a line
  transfer         set-up byte, block size and faults byte, records separated by FF EF

Usage: tools/fuzz-seeds.py [--captures DIR] OUT
"""

import argparse
import hashlib
import os
import re
import struct

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

IAC, DONT, DO, WONT, WILL, SB, SE, EOR = 0xFF, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 0xF0, 0xEF
OPT_BINARY, OPT_ECHO, OPT_SGA, OPT_TTYPE, OPT_EOR, OPT_TN3270E, OPT_ASCII_HOST = 0, 1, 3, 24, 25, 40, 102

# 12-bit buffer address codes.
ADDRESS_CODES = bytes.fromhex(
    "40C1C2C3C4C5C6C7C8C94A4B4C4D4E4F50D1D2D3D4D5D6D7D8D95A5B5C5D5E5F"
    "6061E2E3E4E5E6E7E8E96A6B6C6D6E6FF0F1F2F3F4F5F6F7F8F97A7B7C7D7E7F")


def address(a, positions=1920):
    if positions <= 4096 and a < 4096:
        return bytes([ADDRESS_CODES[(a >> 6) & 0x3F], ADDRESS_CODES[a & 0x3F]])
    return bytes([(a >> 8) & 0x3F, a & 0xFF])


def ebcdic(text):
    return text.encode("cp037")


def escape_iac(data):
    return data.replace(b"\xff", b"\xff\xff")


def record_frame(data):
    return escape_iac(data) + bytes([IAC, EOR])


def option(verb, opt):
    return bytes([IAC, verb, opt])


def subneg(opt, payload):
    return bytes([IAC, SB, opt]) + escape_iac(payload) + bytes([IAC, SE])


def tn_header(data_type=0, request=0, response=0, seq=0):
    return bytes([data_type, request, response]) + struct.pack(">H", seq & 0xFFFF)


class Seeds:
    """Collects seeds per target, named by content so that duplicates fall together."""

    def __init__(self, out):
        self.out = out
        self.count = {}
        self.kept = {}

    def add(self, target, data, name):
        folder = os.path.join(self.out, target)
        os.makedirs(folder, exist_ok=True)
        digest = hashlib.sha1(data).hexdigest()[:12]
        safe = re.sub(r"[^A-Za-z0-9_.-]", "_", name)[:60]
        path = os.path.join(folder, f"{safe}-{digest}")
        self.kept.setdefault(target, {})[digest] = data
        if not os.path.exists(path):
            with open(path, "wb") as f:
                f.write(data)
            self.count[target] = self.count.get(target, 0) + 1


def envelope(flags, stream, cuts=()):
    """The telnet and host_input layout: flags, cut count, cut points, stream."""
    cuts = [c for c in cuts if 0 < c < len(stream)][:15]
    head = bytes([flags, len(cuts)])
    for c in cuts:
        head += struct.pack(">H", c)
    return head + stream


def records_input(flags, choice, records):
    body = b"\xff\xef".join(r.replace(b"\xff\xef", b"\xff\xee") for r in records)
    return bytes([flags, choice]) + body


# ---------------------------------------------------------------------------------------------
# Telnet streams: splitting recorded bytes into commands and records.

def split_stream(data):
    """Yields ('record', bytes) for each record ended by IAC EOR (IAC IAC undone) and
    ('command', bytes) for each Telnet command and subnegotiation as on the wire."""
    i, record = 0, bytearray()
    while i < len(data):
        b = data[i]
        if b != IAC or i + 1 >= len(data):
            record.append(b)
            i += 1
            continue
        c = data[i + 1]
        if c == IAC:
            record.append(IAC)
            i += 2
        elif c == EOR:
            yield "record", bytes(record)
            record = bytearray()
            i += 2
        elif c in (WILL, WONT, DO, DONT):
            yield "command", data[i:i + 3]
            i += 3
        elif c == SB:
            end = i + 2
            while end + 1 < len(data) and not (data[end] == IAC and data[end + 1] == SE):
                end += 2 if data[end] == IAC else 1
            yield "command", data[i:end + 2]
            i = end + 2
        else:
            yield "command", data[i:i + 2]
            i += 2


def host_records(stream, tn3270e):
    """(data type, record without header) for every record of a host stream."""
    active = False
    for kind, data in split_stream(stream):
        if kind == "command":
            if data[:3] == option(DO, OPT_TN3270E) and tn3270e:
                active = True
            elif data[:2] in (bytes([IAC, DONT]), bytes([IAC, WONT])) and data[2:3] == bytes([OPT_TN3270E]):
                active = False
            elif data.startswith(bytes([IAC, SB, OPT_TN3270E, 2, 6])):
                active = False
            continue
        if active and len(data) >= 5:
            yield data[0], data[5:]
        elif not active and data:
            yield 0, data


# ---------------------------------------------------------------------------------------------
# Recorded sessions.

MODEL_CHOICE = {"2": 0, "3": 1, "4": 2, "5": 3}


def read_meta(path):
    meta = {}
    with open(path) as f:
        for word in f.read().split():
            key, _, value = word.partition("=")
            meta[key] = value
    return meta


def from_captures(seeds, folder):
    for entry in sorted(os.listdir(folder)):
        if not entry.endswith(".meta"):
            continue
        name = entry[:-5]
        meta = read_meta(os.path.join(folder, entry))
        with open(os.path.join(folder, name + ".host"), "rb") as f:
            host = f.read()
        with open(os.path.join(folder, name + ".client"), "rb") as f:
            client = f.read()
        with open(os.path.join(folder, name + ".host.chunks")) as f:
            sizes = [int(x) for x in f.read().split()]
        cuts, at = [], 0
        for s in sizes[:-1]:
            at += s
            cuts.append(at)
        tn3270e = meta.get("tn3270e") == "1"
        lu = meta.get("lu") == "1"
        model = meta.get("model", "2")

        # The Telnet engine knows model 2 and the dynamic type; the whole path knows 2 and 4.
        telnet_flags = (1 if tn3270e else 0) | (2 if lu else 0)
        seeds.add("telnet", envelope(telnet_flags, host, cuts), name)
        seeds.add("telnet", envelope(telnet_flags | 4, host), name + "_answered")
        input_flags = telnet_flags | (4 if model == "4" else 0)
        seeds.add("host_input", envelope(input_flags, host, cuts), name)
        seeds.add("host_input", envelope(input_flags, host), name + "_whole")

        choice = 0x40 | (MODEL_CHOICE.get(model, 0) << 3)
        data_records, sscp_records = [], []
        for data_type, record in host_records(host, tn3270e):
            if data_type == 0 and record:
                data_records.append(record)
                seeds.add("records", records_input(0, choice, [record]), f"{name}_record")
            elif data_type == 7 and record:
                sscp_records.append(record)
        if data_records:
            seeds.add("records", records_input(0, choice, data_records), name)
        if sscp_records:
            seeds.add("records", records_input(0x80, choice, sscp_records), name + "_sscp")

        # The fuzzed host hands out LU01 and LU02 only.
        client = re.sub(rb"(LU0000|ORKLU0)0\d", b"LU01", client)
        seeds.add("testhost_session", b"\x00" + client, name)
        seeds.add("testhost_session", bytes([0x80 | (len(client) // 2 % 0x80)]) + client, name + "_cut")


# ---------------------------------------------------------------------------------------------
# Golden tests: hex strings in the test sources.

HEX_LITERAL = re.compile(r'"([0-9A-Fa-f ]+)"')
GROUP = re.compile(r'\{\s*("[0-9A-Fa-f ]*"(?:\s*,\s*"[0-9A-Fa-f ]*")*)\s*,?\s*\}')
COMMAND_CODES = {0x01, 0xF1, 0x05, 0xF5, 0x0D, 0x7E, 0x0F, 0x6F, 0x02, 0xF2, 0x06, 0xF6, 0x0E, 0x6E,
                 0x11, 0xF3}


def hex_bytes(text):
    digits = text.replace(" ", "")
    if len(digits) < 2 or len(digits) % 2:
        return None
    return bytes.fromhex(digits)


def flatten_test_source(text):
    """Resolves the string helpers the tests build hex with, so more literals stand alone."""
    text = re.sub(r'(?:test::)?Ascii\("([^"]*)"\)', lambda m: '"' + m.group(1).encode().hex().upper() + '"', text)
    text = text.replace("kType", '"' + b"IBM-3278-2-E".hex().upper() + '"')
    # "AB" "CD" and "AB" + "CD" are one literal.
    previous = None
    while previous != text:
        previous = text
        text = re.sub(r'"([0-9A-Fa-f ]*)"\s*\+?\s*"([0-9A-Fa-f ]*)"', r'"\1\2"', text)
    return text


def case_file_hex(path, verb):
    """The hex of every VERB line of a case file (tests/<folder>/data/*.txt) as (case, bytes), its
    defines expanded and quoted pieces left out."""
    defines, found, case = {}, [], None
    with open(path) as f:
        for line in f:
            word, _, rest = line.strip().partition(" ")
            if word == "define":
                name, _, value = rest.partition(" ")
                defines[name] = value
            elif word == "==":
                case = rest
            elif word == verb:
                for name, value in defines.items():
                    rest = rest.replace("$" + name, value)
                data = hex_bytes(re.sub(r'[a-z]?"[^"]*"', "", rest))
                if data:
                    found.append((case, data))
    return found


def case_file_host_records(path):
    return [data for _, data in case_file_hex(path, "host")]


def from_golden_tests(seeds):
    ds_dir = os.path.join(ROOT, "tests", "ds3270")
    for entry in sorted(os.listdir(ds_dir)):
        if not entry.endswith(".cpp"):
            continue
        with open(os.path.join(ds_dir, entry)) as f:
            text = flatten_test_source(f.read())
        stem = entry[:-4]
        for n, m in enumerate(GROUP.finditer(text)):
            records = [r for r in (hex_bytes(x) for x in HEX_LITERAL.findall(m.group(1))) if r]
            records = [r for r in records if r[0] in COMMAND_CODES]
            if records:
                # The goldens use a 4 x 20 screen with model 2 as the alternate size.
                seeds.add("records", records_input(0, 0x41, records), f"{stem}_{n}")
                seeds.add("records", records_input(0x03, 0x40, records), f"{stem}_{n}_ignore")
        for n, literal in enumerate(HEX_LITERAL.findall(text)):
            record = hex_bytes(literal)
            if record and record[0] in COMMAND_CODES:
                seeds.add("records", records_input(0, 0x41, [record]), f"{stem}_lit{n}")

    data_dir = os.path.join(ds_dir, "data")
    for entry in sorted(os.listdir(data_dir)):
        for n, record in enumerate(case_file_host_records(os.path.join(data_dir, entry))):
            if record[0] in COMMAND_CODES:
                seeds.add("records", records_input(0, 0x41, [record]), f"{entry[:-4]}_host{n}")

    net_dir = os.path.join(ROOT, "tests", "net")
    for entry in sorted(os.listdir(net_dir)):
        if not entry.startswith("telnet") or not entry.endswith(".cpp"):
            continue
        with open(os.path.join(net_dir, entry)) as f:
            text = flatten_test_source(f.read())
        stem = entry[:-4]
        for n, m in enumerate(GROUP.finditer(text)):
            chunks = [hex_bytes(x) for x in HEX_LITERAL.findall(m.group(1))]
            if not chunks or any(c is None for c in chunks):
                continue
            stream = b"".join(chunks)
            cuts, at = [], 0
            for c in chunks[:-1]:
                at += len(c)
                cuts.append(at)
            for flags in (0x00, 0x01, 0x03):
                seeds.add("telnet", envelope(flags, stream, cuts), f"{stem}_{n}_{flags}")
                seeds.add("host_input", envelope(flags, stream, cuts), f"{stem}_{n}_{flags}")

    cases = {}
    for name, chunk in case_file_hex(os.path.join(net_dir, "data", "telnet.txt"), "chunk"):
        cases.setdefault(name, []).append(chunk)
    for name, chunks in cases.items():
        stream = b"".join(chunks)
        cuts = [sum(len(c) for c in chunks[:i + 1]) for i in range(len(chunks) - 1)]
        for flags in (0x00, 0x01, 0x03):
            seeds.add("telnet", envelope(flags, stream, cuts), f"{name}_{flags}")
            seeds.add("host_input", envelope(flags, stream, cuts), f"{name}_{flags}")


def from_fixtures(seeds):
    with open(os.path.join(ROOT, "tests", "fixtures", "hercules-logo.rec.hex")) as f:
        record = bytes.fromhex("".join(f.read().split()))
    seeds.add("records", records_input(0, 0x40, [record]), "hercules_logo")
    seeds.add("host_input", envelope(0, plain_prologue() + record_frame(record)), "hercules_logo")


# ---------------------------------------------------------------------------------------------
# Generated host data.

def plain_prologue(terminal_type=b"IBM-3278-2-E"):
    del terminal_type  # the host only asks; the terminal answers with its own type
    return (option(DO, OPT_TTYPE) + subneg(OPT_TTYPE, b"\x01") + option(DO, OPT_EOR) + option(WILL, OPT_EOR)
            + option(DO, OPT_BINARY) + option(WILL, OPT_BINARY))


def tn3270e_prologue(terminal_type=b"IBM-3278-2-E", lu=b""):
    connect = b"\x01" + lu if lu else b""
    return (option(DO, OPT_TN3270E) + subneg(OPT_TN3270E, b"\x08\x02")
            + subneg(OPT_TN3270E, b"\x02\x04" + terminal_type + connect)
            + subneg(OPT_TN3270E, b"\x03\x04\x00\x02\x04"))


def sample_orders(positions=1920):
    """One of every order, with parameters that fit a screen of `positions` cells."""
    last = positions - 1
    return [
        b"\x11" + address(0, positions) + b"\x1d\x60" + ebcdic("PROTECTED") + b"\x1d\x40",
        b"\x11" + address(80, positions) + b"\x29\x03\xc0\x40\x42\xf2\x41\xf4" + ebcdic("RED") + b"\x13",
        b"\x11" + address(160, positions) + b"\x28\x42\xf5\x28\x41\xf1" + ebcdic("SA") + b"\x28\x00\x00",
        b"\x11" + address(240, positions) + b"\x2c\x02\xc0\xc1\x42\xf6",
        b"\x11" + address(320, positions) + b"\x3c" + address(399, positions) + ebcdic("-"),
        b"\x3c" + address(last, positions) + b"\x08\xad",
        b"\x11" + address(400, positions) + b"\x12" + address(480, positions),
        b"\x08\xad\x08\xc5\x28\x43\xf1" + ebcdic("GE SET"),
        b"\x1d\x40" + ebcdic("A") + b"\x05" + ebcdic("B") + b"\x05\x05",
        b"\x11" + address(last, positions) + b"\x1d\xe8" + ebcdic("WRAP"),
        b"\x29\x02\xc0\x60\x41\xf2\x29\x00\x29\x01\x45\xf1\x29\x01\x46\xf0",
        b"\x28\x45\xf2\x28\x46\x00\x28\xc1\x04\x28\xc2\x01\x28\x99\x01",
    ]


def generated_records(seeds):
    writes = (0xF1, 0x01, 0xF5, 0x05, 0x7E, 0x0D)
    wccs = (0x00, 0x01, 0x02, 0x04, 0x08, 0x40, 0xC3, 0x4A)
    orders = sample_orders()
    for cmd in writes:
        for wcc in wccs:
            seeds.add("records", records_input(0, 0x40, [bytes([cmd, wcc]) + b"".join(orders)]),
                      f"write_{cmd:02x}_{wcc:02x}")
    for n, o in enumerate(orders):
        for flags in (0x00, 0x01, 0x03, 0x04, 0x10, 0x20, 0x40):
            seeds.add("records", records_input(flags, 0x40, [b"\xf5\xc3" + o]), f"order_{n}_{flags:02x}")
    # Reads after a formatted screen, in every reply mode.
    screen = b"\xf5\xc3" + b"".join(orders[:4]) + b"\x11" + address(85) + ebcdic("typed")
    for mode in (0, 1, 2, 3):
        srm = b"\xf3" + struct.pack(">H", 7) + b"\x09\x00" + bytes([mode]) + b"\x41\x42"
        for read in (b"\xf2", b"\x02", b"\xf6", b"\x06", b"\x6e", b"\x0e", b"\x6f", b"\x0f"):
            seeds.add("records", records_input(0, 0x40, [screen, srm, read]), f"read_{read[0]:02x}_{mode}")
    # Structured fields.
    query_codes = bytes([0x80, 0x81, 0x85, 0x86, 0x87, 0x88, 0x8F, 0x95, 0x99, 0xA6, 0xA8, 0x42])
    fields = [
        b"\x01\xff\x02",
        b"\x01\xff\x03\x00" + query_codes,
        b"\x01\xff\x03\x40\x81\xa6",
        b"\x01\xff\x03\x80",
        b"\x01\xff\x03\xc0\x81",
        b"\x01\xff\x06",
        b"\x03\x00",
        b"\x03\x80",
        b"\x09\x00\x00",
        b"\x09\x00\x01",
        b"\x09\x00\x02\x41\x42\x45",
        b"\x0f\x1f\x00\x00\x98" + ebcdic("SAY 'HI'"),
        b"\x0f\x1f\x00\x00\x00" + ebcdic("PRINT LINE"),
        b"\x0f\x2f\x00\x00",
        b"\x40\x00\xf5\xc3\x11\x40\x40" + ebcdic("ENCLOSED"),
        b"\x40\x00\xf1\xc2",
        b"\x40\x00\xf3\x00\x05\x01\xff\x02",
        b"\xd0\x00\x12\x01\x06\x01\x01\x03\x0a\x0a\x00\x00\x00\x00\x11\x01\x01\x00\x50\x05\x52\x03\xf0\x03"
        b"\x09" + ebcdic("FT:DATA"),
        b"\xd0\x47\x11\x01\x05\x00\x06\x00\x09\x05\x01\x03\x00\x00" + ebcdic("X"),
        b"\xd0\x41\x12",
        b"\x00\x00",
        b"\xd1\x00",
    ]
    for n, field in enumerate(fields):
        sf = struct.pack(">H", len(field) + 2) + field
        for choice in (0x40, 0xC0, 0x42):
            seeds.add("records", records_input(0, choice, [b"\xf3" + sf]), f"sf_{n}_{choice:02x}")
        seeds.add("records", records_input(0, 0x40, [b"\x11" + sf + sf]), f"sf_{n}_twice")
        seeds.add("records", records_input(0, 0x40, [b"\xf3\x00\x00" + field]), f"sf_{n}_zero_length")
    # Lengths that do not fit.
    for length in (0, 1, 2, 3, 4, 200):
        seeds.add("records", records_input(0, 0x40, [b"\xf3" + struct.pack(">H", length) + b"\x01\xff\x02"]),
                  f"sf_length_{length}")
    # Everything else the dispatcher reacts to.
    seeds.add("records", records_input(0x04, 0x40, [b"\xf5\xc3\x1d\x60", b"\xa0"]), "wang_read_cursor")
    seeds.add("records", records_input(0x08, 0x40, [b"\xf1\x40\x11" + address(100), b"\xf2"]), "cmd_chaining")
    seeds.add("records", records_input(0x80, 0x40, [ebcdic("LINE ONE") + b"\x15\x0d" + ebcdic("X") + b"\x0c"]),
              "sscp_text")
    for cmd in (0x00, 0x03, 0x10, 0xA0, 0xF7, 0xFF):
        seeds.add("records", records_input(0, 0x40, [bytes([cmd, 0xC3]) + ebcdic("X")]), f"unknown_{cmd:02x}")
    # Control records (FF, operation, value...) put the session in states other subsystems make.
    fmt = b"\xf5\xc3" + b"".join(sample_orders())
    host_text = b"\xf3\x00\x0c\x0f\x1f\x00\x00\x98" + ebcdic("SAY") + b"\xf3\x00\x0c\x0f\x1f\x00\x00\x00" + ebcdic("PRT")
    controls = [
        [b"\xff\x07\x01\x02\xff\x01\xff", host_text, b"\xf1\xcf" + ebcdic("PRINTED"), b"\xf5\xc3"],
        [fmt, b"\xff\x03\x10", b"\xf1\xc3" + ebcdic("LIVE")],
        [b"\xff\x05\x03", fmt, b"\xff\x05\x00", fmt],
        [b"\xff\x02\x06", b"\xf5\x40\x11\x40\x40\x1d\x6c\xd5\xc5\xe3\xe2\xd7\xe8" + bytes(41) + ebcdic("APPLNAME")],
        [fmt, b"\xff\x04\x03", b"\xf6", b"\xff\x04\x01", b"\xf6"],
        [b"\xff\x06\x01", fmt] + [b"\xff\x04" + bytes([k]) for k in range(50)],
        [b"\xff\x06\x02\x04\x00", b"\xff\x06\x0c\x04\x00", b"\xff\x06\x00\x04\x1e"],
        [b"\xff\x08\xff\x06\x00\x09\x01", fmt, b"\xff\x04\x1f\x04\x24"],
        [b"\xff\x08\x01\x04\x1f"],
        [b"\xff\x07\x03", host_text, b"\xf5\xc3"],
        [fmt, b"\xff\x08\x7e\x06\x01\x04\x1f", b"\xf6"],
        [b"\xff\x09\x01\x04\x00\x04\x1e"],
    ]
    for n, records in enumerate(controls):
        seeds.add("records", records_input(0x04 if n == 5 else 0, 0x40, records), f"control_{n}")
    for size in range(8):
        for model in range(5):
            choice = size | model << 3 | 0x40
            seeds.add("records", records_input(0, choice, [b"\x7e\xc3" + b"".join(sample_orders(1920))]),
                      f"size_{size}_{model}")


def generated_host_streams(seeds):
    """Telnet negotiation and TN3270E headers of every kind, framed as a host sends them."""
    verbs = (WILL, WONT, DO, DONT)
    options = (OPT_BINARY, OPT_ECHO, OPT_SGA, OPT_TTYPE, OPT_EOR, OPT_TN3270E, OPT_ASCII_HOST, 5, 31, 39)
    for verb in verbs:
        stream = b"".join(option(verb, o) for o in options)
        for flags in (0x00, 0x01):
            seeds.add("telnet", envelope(flags, stream), f"options_{verb:02x}_{flags}")
            seeds.add("host_input", envelope(flags, stream), f"options_{verb:02x}_{flags}")
    others = bytes([IAC, 0xF1, IAC, 0xF2, IAC, 0xF3, IAC, 0xF4, IAC, 0xF5, IAC, 0xF6, IAC, 0xF7, IAC, 0xF8,
                    IAC, 0xF9, IAC, 0xF0, IAC, 0x41, IAC, 0xEE])
    seeds.add("telnet", envelope(0, b"hello" + others + b"\r\n"), "commands")
    ttype = b"IBM-3278-2-E"
    tn_subnegs = [
        b"\x08\x02", b"\x02\x04" + ttype, b"\x02\x04" + ttype + b"\x01LU000001", b"\x02\x04IBM-DYNAMIC",
        b"\x02\x04" + ttype + b"\x01", b"\x02\x04" + ttype + b"\x01" + b"N" * 40, b"\x02\x04" + ttype + b"\x02",
        b"\x03\x04\x00\x02\x04", b"\x03\x07\x00\x01\x02\x03\x04", b"\x03\x07",
    ] + [b"\x02\x06\x05" + bytes([r]) for r in range(9)] + [b"\x02\x06", b"\x02\x06\x04\x01"]
    for n, payload in enumerate(tn_subnegs):
        stream = option(DO, OPT_TN3270E) + subneg(OPT_TN3270E, payload)
        for flags in (0x01, 0x03, 0x09):
            seeds.add("telnet", envelope(flags, stream), f"tn3270e_sb_{n}_{flags}")
            seeds.add("host_input", envelope(flags, stream), f"tn3270e_sb_{n}_{flags}")
    for payload in (b"\x01", b"\x01\x02", b"\x00", b"\x01" + b"x" * 600):
        for flags in (0x00, 0x01, 0x03):
            seeds.add("telnet", envelope(flags, option(DO, OPT_TTYPE) + subneg(OPT_TTYPE, payload)),
                      f"ttype_{len(payload)}_{flags}")

    screen = b"\xf5\xc3" + b"".join(sample_orders())
    bind = bytearray(b"\x31\x01\x03\x03\xb1\x90\x30\x80\x00\x00\x87\x87\xf8\x87\xf8\x80\x00\x02\x80\x00\x00"
                     b"\x00\x00\x18\x50\x2b\x50\x00\x00")
    bind_names = bytes(bind) + b"\x07" + ebcdic("ORKHOST") + b"\x00\x00\x08" + ebcdic("ORKLU001")
    bodies = {
        0: [screen, b"\xf3\x00\x05\x01\xff\x02", b"\xf2"],
        1: [b"\x01\x02\x03"],
        2: [b"\x00", b"\x01\x08\x00"],
        3: [bind_names, bytes(bind), bytes(bind) + b"\x09" + ebcdic("TOOLONGNM"), bytes(bind) + b"\x07ORK"],
        4: [b"\x01"],
        5: [b"NVT text\r\n"],
        6: [b"\x00"],
        7: [ebcdic("SSCP TEXT") + b"\x15" + ebcdic("MORE")],
        8: [b""],
    }
    for data_type, items in bodies.items():
        for n, body in enumerate(items):
            for response in (0, 1, 2):
                record = tn_header(data_type, 0, response, 0x1234 + n) + body
                stream = tn3270e_prologue() + record_frame(record) + record_frame(tn_header(0, 0, 0, 1) + screen)
                seeds.add("telnet", envelope(0x01, stream), f"type_{data_type}_{n}_{response}")
                seeds.add("host_input", envelope(0x01, stream), f"type_{data_type}_{n}_{response}")
                seeds.add("host_input", envelope(0x03, stream, [len(stream) // 2]), f"type_{data_type}_{n}_lu")
    # Sequence numbers holding 0xFF, doubled on the wire.
    seeds.add("telnet", envelope(0x01, tn3270e_prologue() + record_frame(b"\x00\x00\x02\xff\xff" + screen)),
              "sequence_ff")
    # Plain TN3270 and line mode.
    for flags in (0x00, 0x02, 0x04, 0x08):
        stream = plain_prologue() + record_frame(screen) + record_frame(b"\xf3\x00\x05\x01\xff\x02")
        seeds.add("host_input", envelope(flags, stream), f"plain_{flags}")
        seeds.add("telnet", envelope(flags, stream), f"plain_{flags}")
    line = b"login: \x07\x08\x08x\r\n" + b"y" * 100 + b"\r\n\x01\x1b"
    for flags in (0x00, 0x01):
        seeds.add("host_input", envelope(flags, line + option(WILL, OPT_ECHO) + option(WONT, OPT_ECHO) + line),
                  f"line_{flags}")
        seeds.add("host_input", envelope(flags, line + plain_prologue() + record_frame(screen)), f"line_then_{flags}")
    # A model 4 screen with Erase/Write Alternate and the dynamic size.
    big = b"\x7e\xc3" + b"".join(sample_orders(3440)) + b"\x11" + address(3439, 3440) + ebcdic("END")
    seeds.add("host_input", envelope(0x05, tn3270e_prologue(b"IBM-3278-4-E") + record_frame(tn_header() + big)),
              "model4_alternate")
    dyn = b"\x7e\xc3" + b"\x11" + address(7919, 7920) + ebcdic("END")
    seeds.add("host_input", envelope(0x09, tn3270e_prologue(b"IBM-DYNAMIC") + record_frame(tn_header() + dyn)),
              "dynamic_alternate")


# ---------------------------------------------------------------------------------------------
# Generated client data for testhost's session.

AIDS = bytes([0x7D, 0x6D, 0x6C, 0x6E, 0x6B, 0xF1, 0xF3, 0xF5, 0xF9, 0x7A, 0x7C, 0xC1, 0x4C, 0x88, 0x60, 0x7E])


def generated_client_streams(seeds):
    types = [b"IBM-3278-2-E", b"IBM-3279-2-E", b"IBM-3278-4-E", b"IBM-3278-5", b"IBM-DYNAMIC", b"IBM-3287-1",
             b"DEC-VT100", b"IBM-3278-2-E@LU01"]
    requests = []
    for t in types:
        requests.append(b"\x02\x07" + t)
        requests.append(b"\x02\x07" + t + b"\x01LU01")
    requests += [b"\x02\x07IBM-3278-2-E\x01LU99", b"\x02\x07IBM-3278-2-E\x00LU01", b"\x02\x07"]
    functions = [b"\x03\x07\x00\x02\x04", b"\x03\x07", b"\x03\x07\x00\x01\x02\x03\x04", b"\x03\x04\x00\x02\x04",
                 b"\x03\x04\x02"]
    body = b"\x7d" + address(600) + b"\x11" + address(589) + ebcdic("FUZZ") + b"\x11" + address(669) + \
        ebcdic("SECRET")
    for n, req in enumerate(requests):
        for m, fn in enumerate(functions):
            stream = option(WILL, OPT_TN3270E) + subneg(OPT_TN3270E, req) + subneg(OPT_TN3270E, fn) + \
                record_frame(tn_header() + body)
            seeds.add("testhost_session", b"\x00" + stream, f"client_tn3270e_{n}_{m}")
    for t in types:
        stream = option(WONT, OPT_TN3270E) + option(WILL, OPT_TTYPE) + subneg(OPT_TTYPE, b"\x00" + t) + \
            option(WILL, OPT_EOR) + option(DO, OPT_EOR) + option(WILL, OPT_BINARY) + option(DO, OPT_BINARY) + \
            record_frame(body)
        seeds.add("testhost_session", b"\x00" + stream, "client_plain_" + t.decode())
    prologue = option(WILL, OPT_TN3270E) + subneg(OPT_TN3270E, b"\x02\x07IBM-3278-2-E") + \
        subneg(OPT_TN3270E, b"\x03\x04\x00\x02\x04")
    for aid in AIDS:
        stream = prologue + record_frame(tn_header() + bytes([aid]) + address(100) + b"\x11" + address(589) +
                                         ebcdic("1"))
        seeds.add("testhost_session", b"\x00" + stream, f"client_aid_{aid:02x}")
    extras = [
        bytes([IAC, 0xF4]), bytes([IAC, 0xF3]), bytes([IAC, 0xF5]), bytes([IAC, 0xF1]),
        record_frame(tn_header(2, 0, 0, 1) + b"\x00"), record_frame(tn_header(2, 0, 1, 1) + b"\x01\x08\x00"),
        record_frame(tn_header(7) + ebcdic("LOGON APPLID(DEMO)")), record_frame(tn_header(1) + b"\x00"),
        record_frame(tn_header(0) + b"\x88\x00\x17\x81\x81\x01\x00\x00\x50\x00\x2b\x01\x00\xd3\x03\x20\x00\x9e"
                     b"\x02\x58\x07\x0c\x07\x80\x00\x06\x81\x99\x00\x00"),
        record_frame(tn_header(0) + b"\x60" + address(0) + b"\x1d\x60" + ebcdic("BUFFER")),
        subneg(OPT_TN3270E, b"\x02\x07" + b"X" * 300), option(DO, 99) + option(WILL, 99) + option(DONT, 1),
    ]
    for n, extra in enumerate(extras):
        seeds.add("testhost_session", b"\x00" + prologue + extra, f"client_extra_{n}")
        seeds.add("testhost_session", b"\x80" + prologue + extra + extra, f"client_extra_{n}_stream")


# ---------------------------------------------------------------------------------------------
# Files that carry host data: debug screens and session traces, wrapping the records and streams
# generated above, plus files cut or bent in each field.

DEBUG_HEADER = b"Orkan Debug V1.00       "
TRACE_TELNET, TRACE_RECORD, TRACE_SENT, TRACE_BUFFERS, TRACE_RECEIVED, TRACE_NOTE, TRACE_CONTINUED = \
    1, 2, 3, 7, 8, 9, 10


def debug_screen_file(record, length=None):
    body = record + b"\xff\xef"
    return DEBUG_HEADER + struct.pack("<H", len(body) if length is None else length) + body


def host_records_of(records_seed):
    """The host records of a records-layout input, without its control records."""
    return [r for r in records_seed[2:].split(b"\xff\xef") if r and r[0] != 0xFF]


def stream_of(envelope_seed):
    cuts = envelope_seed[1] if len(envelope_seed) > 1 else 0
    return envelope_seed[2 + 2 * cuts:]


def trace_item(item_type, payload, time=b"12:34:56"):
    out = b""
    piece_type = item_type
    while True:
        piece, payload = payload[:0xFFFF], payload[0xFFFF:]
        out += bytes([piece_type]) + time + struct.pack("<H", len(piece)) + piece
        piece_type = TRACE_CONTINUED
        if not payload:
            return out


def trace_file(items, header=b"1.0.0 Dec  7 2026"):
    return struct.pack("<H", len(header)) + header + b"".join(trace_item(t, p) for t, p in items)


def buffer_dump(positions, text=b""):
    chars = (text + b"\x40" * positions)[:positions]
    attributes = bytes(0x60 if i % 80 == 0 else 0 for i in range(positions))
    colours = bytes((0xF1 + i % 7) if i % 160 == 0 else 0 for i in range(positions))
    return struct.pack("<H", positions) + chars + attributes + colours + bytes(positions) * 2


def host_files(seeds):
    records = []
    for data in seeds.kept.get("records", {}).values():
        records.extend(host_records_of(data))
    for n, record in enumerate(records):
        seeds.add("debug_screen", debug_screen_file(record), f"record_{n}")
    screen = b"\xf5\xc3\x11" + address(80) + b"\x1d\x60" + ebcdic("DEBUG SCREEN")
    broken = [
        DEBUG_HEADER[:-1] + b"X" + struct.pack("<H", len(screen) + 2) + screen + b"\xff\xef",
        debug_screen_file(screen, 2), debug_screen_file(screen, 3), debug_screen_file(screen, 0xFFFF),
        debug_screen_file(screen, len(screen) + 1), debug_screen_file(screen)[:-1],
        debug_screen_file(screen) + b"trailing", debug_screen_file(b"\xf5"), debug_screen_file(b"\x00\xc3"),
        debug_screen_file(b"\xf5\xc3" + ebcdic("X") * (0xFFFF - 4)), DEBUG_HEADER, DEBUG_HEADER + b"\x05",
    ]
    for n, data in enumerate(broken):
        seeds.add("debug_screen", data, f"broken_{n}")

    client = [stream_of(b"\x00\x00" + d[1:]) for d in seeds.kept.get("testhost_session", {}).values()]
    for n, data in enumerate(seeds.kept.get("telnet", {}).values()):
        items = []
        for kind, unit in split_stream(stream_of(data)):
            items.append((TRACE_RECORD, unit) if kind == "record" else (TRACE_TELNET, unit))
        if client:
            for kind, unit in split_stream(client[n % len(client)]):
                items.append((TRACE_SENT if kind == "record" else TRACE_RECEIVED, unit))
        seeds.add("trace_reader", trace_file(items[:64]), f"session_{n}")
    for n, record in enumerate(records):
        seeds.add("trace_reader", trace_file([(TRACE_RECORD, record)]), f"record_{n}")
    big = b"\xf5\xc3" + ebcdic("Z") * 70000
    extra = [
        trace_file([(TRACE_BUFFERS, buffer_dump(1920, ebcdic("LOGON")))]),
        trace_file([(TRACE_BUFFERS, buffer_dump(3564)), (TRACE_BUFFERS, buffer_dump(27 * 132))]),
        trace_file([(TRACE_BUFFERS, buffer_dump(1920)[:-7]), (TRACE_BUFFERS, b"\x01")]),
        trace_file([(TRACE_NOTE, b"The host sent an address past the screen.\nSecond line\x01")]),
        trace_file([(TRACE_RECORD, big), (TRACE_SENT, b"\x7d" + address(0))]),
        trace_file([(TRACE_CONTINUED, b"\x40" * 20)]),
        trace_file([(5, b"unknown"), (0, b""), (255, b"\xff")]),
        trace_file([(TRACE_RECORD, screen)])[:-3],
        trace_file([(TRACE_RECORD, screen)])[:20],
        trace_file([], b""), trace_file([], b"x" * 256), trace_file([], b"x" * 257), b"\x05", b"\x10\x00abc",
    ]
    for n, data in enumerate(extra):
        seeds.add("trace_reader", data, f"file_{n}")


# ---------------------------------------------------------------------------------------------
# Text inputs taken from the unit tests' string literals: macros, text files to print.

C_LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
C_ESCAPES = {"n": b"\n", "r": b"\r", "t": b"\t", "f": b"\f", "0": b"\0", "\\": b"\\", '"': b'"', "'": b"'",
             "a": b"\a", "b": b"\b", "v": b"\v", "?": b"?"}


def c_unescape(text):
    out, i = b"", 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out += c.encode()
            i += 1
            continue
        e = text[i + 1]
        if e == "x":
            m = re.match(r"[0-9A-Fa-f]{1,2}", text[i + 2:])
            out += bytes([int(m.group(0), 16)])
            i += 2 + len(m.group(0))
        elif e in "01234567" and re.match(r"[0-7]{3}", text[i + 1:]):
            out += bytes([int(text[i + 1:i + 4], 8)])
            i += 4
        else:
            out += C_ESCAPES.get(e, e.encode())
            i += 2
    return out


def c_literals(path):
    """Every string literal of a C++ file, adjacent ones joined as the compiler does."""
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    text = re.sub(r'"\s*\n\s*"', "", text)
    text = re.sub(r'"\s+"', "", text)
    found = []
    for m in C_LITERAL.finditer(text):
        try:
            found.append(c_unescape(m.group(1)))
        except (AttributeError, IndexError):
            continue
    return found


def text_inputs(seeds):
    macro_tests = os.path.join(ROOT, "tests", "macro")
    for entry in sorted(os.listdir(macro_tests)):
        if entry.endswith(".cpp"):
            for n, text in enumerate(c_literals(os.path.join(macro_tests, entry))):
                if len(text) > 3:
                    seeds.add("macro", text, f"{entry[:-4]}_{n}")
    for folder in (os.path.join(ROOT, "data", "defaults", "macros"), os.path.join(ROOT, "tests", "e2e")):
        for entry in sorted(os.listdir(folder)):
            if entry.endswith(".mac"):
                with open(os.path.join(folder, entry), "rb") as f:
                    seeds.add("macro", f.read(), entry)
    for n, text in enumerate(c_literals(os.path.join(ROOT, "tests", "print", "text_file_test.cpp"))):
        for flags in (0, 1, 6):
            seeds.add("print_text", bytes([flags]) + text, f"text_{n}_{flags}")


# ---------------------------------------------------------------------------------------------
# SETOPTION and GETOPTION: every option of the table with values at and past its limits.

OPTION_ENTRY = re.compile(r'^\s*(YesNo|Choice|Number|Text|CellSize|Colour)\("([^"]+)"(?:,\s*(-?\d+))?(?:,\s*(-?\d+))?',
                          re.M)


def option_inputs(seeds):
    with open(os.path.join(ROOT, "src", "options", "option_table.cpp")) as f:
        source = f.read()
    sections = dict(re.findall(r'\{"([^"]+)",\s*(k\w+)\}', source))
    for section, array in sections.items():
        block = re.search(r"constexpr std::array " + array + r" = \{(.*?)\n\};", source, re.S)
        if not block:
            continue
        for kind, keyword, first, second in OPTION_ENTRY.findall(block.group(1)):
            if kind == "YesNo":
                values = [b"#0", b"#1", b"#2", b"YES"]
            elif kind == "Choice":
                values = [b"#0", b"#" + first.encode(), b"#%d" % (int(first) + 1), b"#-1"]
            elif kind == "Number":
                values = [b"#" + first.encode(), b"#" + second.encode(), b"#%d" % (int(first) - 1),
                          b"#%d" % (int(second) + 1)]
            elif kind == "Text":
                values = [b"x", b"y" * int(first), b"z" * (int(first) + 1), b""]
            elif kind == "Colour":
                values = [b"#16777215", b"#16777216", b"#-1", b"#255"]
            else:
                values = [b"#8", b"#0", b"#99", b"8X16"]
            for n, value in enumerate(values):
                data = section.encode() + b"\n" + keyword.encode() + b"\n" + value + b"\n" + \
                    [b"1,1", b"24,80", b"0,0", b"99,99"][n]
                seeds.add("options_by_name", data, f"{keyword}_{n}")


# ---------------------------------------------------------------------------------------------
# File transfer records: the DFT fields and screen frames of the transfer tests, in each state.

TRANSFER_SETUPS = (0x00, 0x01, 0x02, 0x04, 0x05, 0x06, 0x09, 0x34, 0x81, 0x85)


def transfer_inputs(seeds):
    records = []
    records += case_file_host_records(os.path.join(ROOT, "tests", "transfer", "data", "transfers.txt"))
    for entry in ("protocol_test.cpp", "frame_codec_test.cpp"):
        with open(os.path.join(ROOT, "tests", "transfer", entry)) as f:
            for literal in HEX_LITERAL.findall(flatten_test_source(f.read())):
                data = hex_bytes(literal)
                if not data or data[0] == 0x88:
                    continue  # replies go to the host, not into the terminal
                records.append(b"\xf3" + data if len(data) > 2 and data[2] == 0xD0 else data)
    for n, record in enumerate(records):
        for setup in TRANSFER_SETUPS:
            seeds.add("transfer", bytes([setup, 0x01]) + record, f"record_{n}_{setup:02x}")
    sequence = b"\xff\xef".join(r for r in records if r[:1] == b"\xf3")
    for setup in TRANSFER_SETUPS:
        for more in (0x00, 0x03, 0x05):
            seeds.add("transfer", bytes([setup, more]) + sequence, f"sequence_{setup:02x}_{more}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--captures", help="folder written by tools/fuzz-capture.py")
    parser.add_argument("out")
    args = parser.parse_args()
    seeds = Seeds(args.out)
    if args.captures:
        from_captures(seeds, args.captures)
    from_golden_tests(seeds)
    from_fixtures(seeds)
    generated_records(seeds)
    generated_host_streams(seeds)
    generated_client_streams(seeds)
    host_files(seeds)
    text_inputs(seeds)
    option_inputs(seeds)
    transfer_inputs(seeds)
    for target, n in sorted(seeds.count.items()):
        print(f"{target}: {n} seeds")


if __name__ == "__main__":
    main()
