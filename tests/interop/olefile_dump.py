# SPDX-License-Identifier: GPL-3.0-or-later
"""Lists every storage and stream of a compound file as olefile reads it, one per line, sorted:
"D <path>" for a storage, "S <path> <size> <sha256>" for a stream. Exit status 2 if olefile refuses the file."""
import hashlib
import sys

import olefile


def main(path):
    if not olefile.isOleFile(path):
        return 2
    lines = []
    with olefile.OleFileIO(path) as ole:
        for parts in ole.listdir(streams=True, storages=True):
            name = "/".join(parts)
            if ole.get_type(parts) == olefile.STGTY_STORAGE:
                lines.append("D " + name)
            else:
                data = ole.openstream(parts).read()
                lines.append("S %s %d %s" % (name, len(data), hashlib.sha256(data).hexdigest()))
    sys.stdout.write("\n".join(sorted(lines)) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
