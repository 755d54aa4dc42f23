// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportedEntry.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QIODevice;

// Reads another program's export and hands over its entries one by one, so that no more of the export than one
// entry is held at a time.
class ImportReader {
public:
    enum class Format { KeePassXml, BitwardenJson, Csv };
    using Sink = std::function<void(ImportedEntry&)>;

    ImportReader() = default;
    ImportReader(const ImportReader&) = delete;
    ImportReader& operator=(const ImportReader&) = delete;
    virtual ~ImportReader() = default;

    // Calls `sink` for each entry, which it may take over (move from). False with `error` (naming the line or element)
    // when the input is damaged, hostile or of a kind that cannot be imported; entries handed over before that are then
    // to be dropped.
    virtual bool Read(QIODevice& input, const Sink& sink, QString& error) = 0;
    // The same, with the reading on a thread of its own, a few hundred entries ahead of `sink`, which runs on the
    // calling thread: parsing and building the wallet share the machine's cores. An exception from `sink` stops the
    // import and is passed on (the rest of the input is still read through, and dropped).
    bool ReadAhead(QIODevice& input, const Sink& sink, QString& error);

    // The format the first bytes of `input` look like; the device is left where it was.
    static std::optional<Format> Detect(QIODevice& input);
    // "keepass-xml", "bitwarden-json" or "csv".
    static std::optional<Format> FormatNamed(const QString& name);
    static std::unique_ptr<ImportReader> Create(Format format, bool includeRecycleBin);
};
