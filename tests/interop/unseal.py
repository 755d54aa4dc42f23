#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a sealed Korvel wallet with PyNaCl, following docs/sealed-wallet-format.md only.

Usage: unseal.py SEALED OUT   (the passphrase is the first line of standard input)
Writes the compound file inside to OUT; exits with 1 and a message when the file is refused.
"""
import struct
import sys
import unicodedata

import nacl.bindings as b
import nacl.pwhash

HEADER = 60
CHUNK = 65536
ABYTES = b.crypto_secretstream_xchacha20poly1305_ABYTES


def refuse(why):
    sys.exit("refused: " + why)


def main():
    sealed_path, out_path = sys.argv[1], sys.argv[2]
    passphrase = sys.stdin.readline().rstrip("\n")
    data = open(sealed_path, "rb").read()
    header = data[:HEADER]
    if len(header) < HEADER or header[:8] != b"KVSEALED":
        refuse("not a sealed wallet")
    version, kdf, passes, memory_kib = struct.unpack_from("<HHII", header, 8)
    if version != 1 or kdf != 1:
        refuse("unknown version or key derivation")
    salt, stream_header = header[20:36], header[36:60]
    key = nacl.pwhash.argon2id.kdf(32, unicodedata.normalize("NFC", passphrase).encode("utf-8"), salt,
                                   opslimit=passes, memlimit=memory_kib * 1024)
    state = b.crypto_secretstream_xchacha20poly1305_state()
    b.crypto_secretstream_xchacha20poly1305_init_pull(state, stream_header, key)
    plain, pos, first = [], HEADER, True
    while True:
        chunk = data[pos:pos + CHUNK + ABYTES]
        if len(chunk) < ABYTES:
            refuse("cut short")
        try:
            message, tag = b.crypto_secretstream_xchacha20poly1305_pull(state, chunk, header if first else None)
        except Exception:
            refuse("a chunk does not authenticate")
        plain.append(message)
        pos += len(chunk)
        first = False
        if tag == b.crypto_secretstream_xchacha20poly1305_TAG_FINAL:
            if pos != len(data):
                refuse("bytes after the final chunk")
            break
        if tag != b.crypto_secretstream_xchacha20poly1305_TAG_MESSAGE or len(message) != CHUNK or pos == len(data):
            refuse("malformed or cut short")
    open(out_path, "wb").write(b"".join(plain))


main()
