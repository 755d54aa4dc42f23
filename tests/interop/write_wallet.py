#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a Korvel wallet (.kvx) from scratch, following docs/wallet-format.md only.

Usage: write_wallet.py OUT --method 1|2 [--long-notes]
Writes the wallet to OUT and prints what it wrote as JSON on standard output: the settings, categories, templates
and cards in the shapes of korvel-cli's `info`, `ls`, `templates` and `show --json --show-passwords`, the keypad
password, and each attached file's bytes in base64. --long-notes makes one card's notes 70,000 units long, so that
the document stream no longer fits the mini stream.
"""
import argparse
import base64
import json
import struct
import sys

# ---- The field cipher --------------------------------------------------------------------------------------------

KEY = (0x6B3F1D27, 0xC48A905E, 0x19E7B2F3, 0x8D5C0A61)
DELTA, MASK = 0x9E3779B9, 0xFFFFFFFF


def encipher_block(y, z):
    s = 0
    for _ in range(32):
        y = (y + ((((z << 4) ^ (z >> 5)) + z) ^ (s + KEY[s & 3]))) & MASK
        s = (s + DELTA) & MASK
        z = (z + ((((y << 4) ^ (y >> 5)) + y) ^ (s + KEY[(s >> 11) & 3]))) & MASK
    return y, z


def utf16(text):
    data = text.encode("utf-16-le")
    return list(struct.unpack("<%dH" % (len(data) // 2), data))


def encipher(text, method):
    units = utf16(text)
    assert 0 not in units and not (method == 2 and 0xFFB8 in units), "a unit the cipher would lose"
    if not units:
        return units
    if method == 2:
        units = [((((u - 20) & 0xFFFF) ^ 23) + 77) & 0xFFFF for u in units]
    units += [0] * (-len(units) % 4)
    out = []
    for i in range(0, len(units), 4):
        y, z = encipher_block(units[i] | units[i + 1] << 16, units[i + 2] | units[i + 3] << 16)
        out += [y & 0xFFFF, y >> 16, z & 0xFFFF, z >> 16]
    return out


# The document's known answers, so that a fault in the cipher shows here rather than as garbled text in korvel-cli.
assert encipher("Bank", 1) == [0xA833, 0x7CC9, 0xB5D3, 0x9566]
assert encipher("Hello", 2) == [0x8B70, 0x7EA7, 0xFCBD, 0x9F7F, 0x0A94, 0xAAF0, 0x33E7, 0x6AF0]
assert encipher("07hp", 1) == [0xCE1E, 0xA299, 0x0000, 0x690E]

# ---- The archive encoding ----------------------------------------------------------------------------------------


def i32(n):
    return struct.pack("<i", n)


def text_of_units(units):
    n = len(units)
    if n < 0xFF:
        prefix = b"\xFF\xFE\xFF" + bytes([n])
    elif n < 0xFFFE:
        prefix = b"\xFF\xFE\xFF\xFF" + struct.pack("<H", n)
    else:
        prefix = b"\xFF\xFE\xFF\xFF\xFF\xFF" + struct.pack("<I", n)
    return prefix + struct.pack("<%dH" % n, *units)


def text(s):  # plain
    return text_of_units(utf16(s))


def ctext(s, method):  # enciphered
    return text_of_units(encipher(s, method))


def record_head(record, method):  # id, description, icon id, reserved text (empty)
    return i32(record["id"]) + ctext(record["description"], method) + i32(record["iconId"]) + ctext("", method)


def colour(rgb):  # "#RRGGBB" as stored: 0x00BBGGRR
    r, g, b = bytes.fromhex(rgb[1:])
    return struct.pack("<I", r | g << 8 | b << 16)


SLOTS = ("image", "sound", "document")


def card_record(card, method):
    out = record_head(card, method) + text(card["template"]) + i32(card["category"])
    out += i32(card["hidePasswords"]) + i32(card["boldNames"])
    for slot in SLOTS:
        out += ctext(card["attachments"][slot]["stream"], method) + ctext(card["attachments"][slot]["name"], method)
    out += colour(card["textColor"]) + colour(card["backgroundColor"]) + ctext(card["notes"], method)
    return out + b"".join(ctext(value, method) for value in card["values"])


def template_record(template, method):
    out = record_head(template, method) + text(template["internalName"])
    slots = [(f["type"], f["name"]) for f in template["fields"]]
    slots += [(0, "")] * (15 - len(slots))
    return out + b"".join(i32(kind) + ctext(name, method) for kind, name in slots)


def category_record(category, method):
    return (record_head(category, method) + text(category["defaultTemplate"]) +
            i32(1 if category["requirePassword"] else 0))


def document(info, password, cards, templates, categories):
    method = info["cipherMethod"]
    out = struct.pack("<f", info["version"]) + i32(method) + ctext(password, method) + i32(info["nextId"]) + i32(0)
    for key in ("askPasswordOnOpen", "mustUnlockToEdit", "disableDesktopPassword"):
        out += i32(info[key])
    out += i32(info["lockMinutes"])
    for key in ("autoLock", "hidePasswordsDefault", "boldFieldNamesDefault"):
        out += i32(info[key])
    out += colour(info["defaultBackColor"]) + colour(info["defaultTextColor"])
    for records, write in ((cards, card_record), (templates, template_record), (categories, category_record)):
        out += i32(len(records))
        for record in sorted(records, key=lambda r: r["id"]):
            out += write(record, method)
    return out


# ---- The container (compound file, version 3, in the layout Korvel writes) ---------------------------------------

SECTOR, MINI, CUTOFF = 512, 64, 4096
FREE, END, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD


class Entry:
    def __init__(self, name, kind, content=None):
        self.name, self.kind, self.content = name, kind, content  # kind: 5 root, 1 storage, 2 stream
        self.left = self.right = self.child = FREE
        self.colour, self.start, self.size = 1, 0, 0


def name_order(name):  # shorter first, then unit by unit in upper case (the names here are ASCII)
    return len(utf16(name)), utf16(name.upper())


def sectors(size, unit):
    return -(-size // unit)


def tree(entries, indices, depth, red_depth):
    """Links the sorted children `indices` as a balanced search tree; returns the index of its root."""
    if not indices:
        return FREE
    middle = (len(indices) - 1) // 2
    node = entries[indices[middle]]
    node.colour = 0 if depth == red_depth else 1
    node.left = tree(entries, indices[:middle], depth + 1, red_depth)
    node.right = tree(entries, indices[middle + 1:], depth + 1, red_depth)
    return indices[middle]


def compound_file(storages):
    """storages: {storage name: {stream name: bytes}} under the root."""
    root = Entry("Root Entry", 5, {name: Entry(name, 1, {s: Entry(s, 2, data) for s, data in streams.items()})
                                   for name, streams in storages.items()})
    entries, queue = [root], [root]  # breadth first
    for entry in queue:
        if entry.kind == 2:
            continue
        children = sorted(entry.content.values(), key=lambda e: name_order(e.name))
        first = len(entries)
        entries += children
        queue += children
        indices = list(range(first, len(entries)))
        entry.child = tree(entries, indices, 0, (len(indices) + 1).bit_length() - 1)

    streams = [e for e in entries if e.kind == 2]
    small = [e for e in streams if 0 < len(e.content) < CUTOFF]
    large = [e for e in streams if len(e.content) >= CUTOFF]
    mini_fat, mini_stream = [], b""
    for e in small:
        count = sectors(len(e.content), MINI)
        e.start, e.size = len(mini_fat), len(e.content)
        mini_fat += [len(mini_fat) + i + 1 for i in range(count - 1)] + [END]
        mini_stream += e.content.ljust(count * MINI, b"\0")
    for e in streams:
        if not e.content:
            e.start = END
    root.size = len(mini_stream)

    mini_fat_sectors = sectors(len(mini_fat) * 4, SECTOR)
    dir_sectors = sectors(len(entries), SECTOR // 128)
    mini_stream_sectors = sectors(len(mini_stream), SECTOR)
    others = mini_fat_sectors + dir_sectors + mini_stream_sectors + sum(sectors(len(e.content), SECTOR) for e in large)
    fat_sectors = 0
    while fat_sectors != sectors(others + fat_sectors, SECTOR // 4):
        fat_sectors = sectors(others + fat_sectors, SECTOR // 4)
    assert fat_sectors <= 109, "more than 109 FAT sectors need DIFAT sectors"

    fat, body = [FATSECT] * fat_sectors, []

    def chain(data):  # appends data as whole sectors after those placed so far; returns its first sector
        start, count = len(fat), sectors(len(data), SECTOR)
        fat.extend([start + i + 1 for i in range(count - 1)] + [END])
        body.append(data.ljust(count * SECTOR, b"\0"))
        return start

    mini_fat_start = chain(b"".join(struct.pack("<I", n) for n in mini_fat).ljust(
        mini_fat_sectors * SECTOR, b"\xFF")) if mini_fat else END
    dir_at = len(body)
    dir_start = chain(b"\0" * dir_sectors * SECTOR)  # filled in below, once every start sector is known
    root.start = chain(mini_stream) if mini_stream else END
    for e in large:
        e.start, e.size = chain(e.content), len(e.content)

    directory = b""
    for e in entries:
        name = e.name.encode("utf-16-le")
        directory += (name + b"\0\0").ljust(64, b"\0") + struct.pack(
            "<HBBIII36xIQ", len(name) + 2, e.kind, e.colour, e.left, e.right, e.child, e.start, e.size)
    unused = b"\0" * 64 + struct.pack("<HBBIII36xIQ", 0, 0, 0, FREE, FREE, FREE, 0, 0)
    body[dir_at] = directory + unused * (dir_sectors * 4 - len(entries))

    fat += [FREE] * (fat_sectors * (SECTOR // 4) - len(fat))
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16 + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) +
              b"\0" * 6 + struct.pack("<IIIIIIIII", 0, fat_sectors, dir_start, 0, CUTOFF, mini_fat_start,
                                      mini_fat_sectors, END, 0) +
              struct.pack("<109I", *(list(range(fat_sectors)) + [FREE] * (109 - fat_sectors))))
    assert len(header) == SECTOR
    return header + struct.pack("<%dI" % len(fat), *fat) + b"".join(body)


# ---- What the wallet holds -----------------------------------------------------------------------------------------


def pattern(size, seed):
    return bytes((i * 7 + seed + i // 256) % 256 for i in range(size))


def no_attachments():
    return {slot: {"name": "", "stream": ""} for slot in SLOTS}


def contents(method, long_notes):
    login = {"id": 10, "description": "Web login 🔑", "iconId": 541, "internalName": "WEB-LOGIN",
             "fields": [("Site", 4), ("User name", 0), ("Password", 3), ("E-mail", 5)]}
    bank = {"id": 11, "description": "Bankkonto Zürich €", "iconId": 534, "internalName": "5EED1234",
            "fields": [("Bank", 2), ("IBAN", 1), ("PIN", 3), ("Online-Passwort", 3), ("Telefon", 6),
                       ("Web", 4), ("E-mail", 5), ("Saldo €", 7), ("Inhaber", 0), ("Filiale 支店", 0),
                       ("BIC", 1), ("Konto", 0), ("Seit", 0), ("Typ", 9), ("Bemerkung", 0)]}
    for template in (login, bank):
        template["fields"] = [{"name": n, "type": t, "slot": i} for i, (n, t) in enumerate(template["fields"])]
    categories = [
        {"id": 20, "description": "Banken – Zürich", "iconId": 510, "defaultTemplate": "5EED1234",
         "requirePassword": True},
        {"id": 21, "description": "Offen 開く", "iconId": 500, "defaultTemplate": "", "requirePassword": False},
    ]
    webmail = {"id": 30, "description": "Webmail ✉", "iconId": 541, "template": "WEB-LOGIN", "category": 21,
               "hidePasswords": True, "boldNames": False, "textColor": "#102030", "backgroundColor": "#FFF0E0",
               "notes": "Erste Zeile\nZweite: Zürich\t€ 漢字\r\nthird 🔑",
               "values": ["https://mail.example/", "jörg", "p@ss€漢🔑", "jörg@example.org"],
               "attachments": no_attachments()}
    webmail["attachments"]["image"] = {"name": "logo 漢.png", "stream": "scan"}
    savings = {"id": 31, "description": "Sparkasse Zürich", "iconId": 515, "template": "5EED1234", "category": 20,
               "hidePasswords": True, "boldNames": True, "textColor": "#C00000", "backgroundColor": "#E0FFE0",
               "notes": "",
               "values": ["Sparkasse", "DE89 3704 0044 0532 0130 00", "2580", "Geheim€2024", "+41 44 123 45 67",
                          "http://sparkasse.example", "konto@sparkasse.example", "€ 1.234,56", "Jörg Müller",
                          "東京", "COBADEFFXXX", "0532013000", "2003-07-05", "Giro", "last 🔑 slot"],
               "attachments": no_attachments()}
    savings["attachments"]["document"] = {"name": "Kontoauszug März €.pdf", "stream": "20240229235959"}
    notes = "漢字 Zürich € " * (5000 if long_notes else 25)
    loose = {"id": 32, "description": "漢字 notes only", "iconId": 500, "template": "WEB-LOGIN", "category": 21,
             "hidePasswords": False, "boldNames": False, "textColor": "#000000", "backgroundColor": "#FFFFFF",
             "notes": notes, "values": ["", "", "1234"], "attachments": no_attachments()}
    loose["attachments"]["sound"] = {"name": "voice.ogg", "stream": ""}
    cards = [webmail, savings, loose]
    for card in cards:
        card["values"] += [""] * (15 - len(card["values"]))
    files = {"scan": pattern(300, 1), "20240229235959": pattern(5000, 2)}
    info = {"version": 1.7, "cipherMethod": method, "nextId": 40, "askPasswordOnOpen": False,
            "mustUnlockToEdit": True, "disableDesktopPassword": False, "lockMinutes": 25, "autoLock": False,
            "hidePasswordsDefault": False, "boldFieldNamesDefault": True, "defaultBackColor": "#FFF8F0",
            "defaultTextColor": "#203040", "categories": len(categories), "cards": len(cards), "templates": 2,
            "attachments": len(files), "sealed": False}
    return info, cards, [login, bank], categories, files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--method", type=int, choices=(1, 2), required=True)
    parser.add_argument("--long-notes", action="store_true")
    arguments = parser.parse_args()
    password = "2468"
    info, cards, templates, categories, files = contents(arguments.method, arguments.long_notes)
    stream = document(info, password, cards, templates, categories)
    with open(arguments.out, "wb") as out:
        out.write(compound_file({"D": {"W": stream}, "F": files}))
    attached = [{"card": card["id"], "slot": slot, "base64": base64.b64encode(files[a["stream"]]).decode()}
                for card in cards for slot, a in card["attachments"].items() if a["stream"]]
    json.dump({"password": password, "info": info, "categories": categories, "templates": templates,
               "cards": cards, "files": attached}, fp=sys.stdout, ensure_ascii=False, indent=1)


if __name__ == "__main__":
    main()
