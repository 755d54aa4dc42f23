// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a compound file with the npm package cfb for Korvel to read. Each stream's byte i is
// (i * 7 + floor(i / 251) + seed) & 255 where seed is the stream's size, as the test expects.
// Usage: node cfb_write.js <file> <stream paths and sizes...> given as "D/W=300" arguments.
"use strict";
const CFB = require("cfb");

function pattern(size) {
    const data = Buffer.alloc(size);
    for (let i = 0; i < size; ++i) data[i] = (i * 7 + Math.floor(i / 251) + size) & 255;
    return data;
}

const container = CFB.utils.cfb_new();
for (const argument of process.argv.slice(3)) {
    const [path, size] = argument.split("=");
    CFB.utils.cfb_add(container, "/" + path, pattern(Number(size)));
}
CFB.writeFile(container, process.argv[2], { type: "file" });
