// SPDX-License-Identifier: GPL-3.0-or-later
// Lists every storage and stream of a compound file as the npm package cfb reads it, in the format of
// olefile_dump.py. Usage: node cfb_dump.js <file>
"use strict";
const crypto = require("crypto");
const CFB = require("cfb");

const container = CFB.read(process.argv[2], { type: "file" });
const lines = [];
container.FileIndex.forEach((entry, i) => {
    // The package lists every directory slot; only storages (1) and streams (2) are elements.
    if (entry.type !== 1 && entry.type !== 2) return;
    const path = container.FullPaths[i].split("/").filter((part) => part).slice(1).join("/");
    if (entry.type === 1) {
        lines.push("D " + path);
        return;
    }
    const data = Buffer.from(entry.content || []);
    lines.push(`S ${path} ${data.length} ${crypto.createHash("sha256").update(data).digest("hex")}`);
});
process.stdout.write(lines.sort().join("\n") + "\n");
