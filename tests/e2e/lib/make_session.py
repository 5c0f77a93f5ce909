#!/usr/bin/env python3
"""Writes a session file for the end-to-end tests: the installed standard.ses with some fields set.

make_session.py BASE.ses OUT.ses name=value ...
names: host ipname tn3270e autoreconnect hostprinting username keyboardfile toolbarfile keypadfile
"""
import sys

HEADER = 24
# name: (record offset, kind, size); text sizes include the terminator.
FIELDS = {
    "host": (0x13E, "text", 65),
    "ipname": (0x93C, "text", 65),
    "tn3270e": (0x97D, "u8", 1),
    "autoreconnect": (0x760, "u8", 1),
    "hostprinting": (0x1A22, "u8", 1),
    "username": (0x762, "text", 41),
    "keyboardfile": (0xC84, "text", 260),
    "toolbarfile": (0xD88, "text", 260),
    "keypadfile": (0x14A4, "text", 260),
}


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    data = bytearray(open(sys.argv[1], "rb").read())
    for item in sys.argv[3:]:
        name, _, value = item.partition("=")
        offset, kind, size = FIELDS[name]
        at = HEADER + offset
        if kind == "text":
            raw = value.encode("cp1252")
            if len(raw) >= size:
                sys.exit(f"{name}: '{value}' is too long")
            data[at:at + size] = raw + bytes(size - len(raw))
        else:
            data[at] = int(value)
    open(sys.argv[2], "wb").write(data)


if __name__ == "__main__":
    main()
