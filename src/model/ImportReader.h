// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportLimits.h"
#include "model/ImportedEntry.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QIODevice;

// Reads another program's export and hands over its entries one by one, so that no more of the export than one
// entry is held at a time. The entries of one reading together stay within the limits' total.
class ImportReader {
public:
    enum class Format { KeePassXml, BitwardenJson, Csv };
    using Sink = std::function<void(ImportedEntry&)>;

    ImportReader(const ImportReader&) = delete;
    ImportReader& operator=(const ImportReader&) = delete;
    virtual ~ImportReader() = default;

    // Calls `sink` for each entry, which it may take over (move from). False with `error` (naming the line or element)
    // when the input is damaged, hostile, beyond the limits or of a kind that cannot be imported; entries handed over
    // before that are then to be dropped.
    bool Read(QIODevice& input, const Sink& sink, QString& error);
    // The same, with the reading on a thread of its own, a few hundred entries ahead of `sink`, which runs on the
    // calling thread: parsing and building the wallet share the machine's cores. An exception from `sink` stops the
    // import and is passed on (the rest of the input is still read through, and dropped).
    bool ReadAhead(QIODevice& input, const Sink& sink, QString& error);

    // The format the first bytes of `input` look like; the device is left where it was.
    static std::optional<Format> Detect(QIODevice& input);
    // "keepass-xml", "bitwarden-json" or "csv".
    static std::optional<Format> FormatNamed(const QString& name);
    static std::unique_ptr<ImportReader> Create(Format format, bool includeRecycleBin, const ImportLimits& limits = {});

protected:
    explicit ImportReader(const ImportLimits& limits) : m_limits(limits) {}

    // Reads the entries of `input`, handing each over through Hand().
    virtual bool ReadEntries(QIODevice& input, QString& error) = 0;
    // Passes `entry` to the sink, unless it takes the reading over the limits' total: false with `error` then.
    bool Hand(ImportedEntry& entry, QString& error);
    const ImportLimits& Limits() const { return m_limits; }
    // What the entries may still bring in before the reading goes over the total.
    qint64 Remaining() const { return m_limits.maxTotal - m_total; }
    QString TotalExceeded() const;

private:
    ImportLimits m_limits;
    const Sink* m_sink = nullptr;
    qint64 m_total = 0;
};
