// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ImportReader.h"

#include "model/BitwardenJsonReader.h"
#include "model/CsvImportReader.h"
#include "model/EntryPipe.h"
#include "model/KeePassXmlReader.h"

#include <QIODevice>

#include <thread>
#include <utility>

namespace {
// A batch goes to the wallet's side when it holds this many entries or this many bytes, whichever comes first; the
// pipe holds at most a few batches and, but for a single large one, at most so many bytes.
constexpr std::size_t kBatchSize = 256;
constexpr qint64 kBatchBytes = 16 * ImportLimits::kMiB;
constexpr std::size_t kBatchesAhead = 4;
constexpr qint64 kBytesAhead = 4 * kBatchBytes;
} // namespace

bool ImportReader::Read(QIODevice& input, const Sink& sink, QString& error) {
    m_sink = &sink;
    m_total = 0;
    const bool read = ReadEntries(input, error);
    m_sink = nullptr;
    return read;
}

bool ImportReader::Hand(ImportedEntry& entry, QString& error) {
    const qint64 size = entry.Size();
    if (size > Remaining()) {
        error = TotalExceeded();
        return false;
    }
    m_total += size;
    (*m_sink)(entry);
    return true;
}

QString ImportReader::TotalExceeded() const {
    return QStringLiteral("the entries come to more than %1 MiB of attached files and texts, the limit for one import")
        .arg(m_limits.maxTotal / ImportLimits::kMiB);
}

bool ImportReader::ReadAhead(QIODevice& input, const Sink& sink, QString& error) {
    EntryPipe pipe(kBatchesAhead, kBytesAhead);
    bool read = false;
    QString readError;
    std::thread reader([&] {
        EntryPipe::Batch batch;
        qint64 bytes = 0;
        read = Read(
            input,
            [&](ImportedEntry& entry) {
                bytes += entry.Size();
                batch.push_back(std::move(entry));
                if (batch.size() == kBatchSize || bytes >= kBatchBytes)
                    pipe.Push(std::exchange(batch, {}), std::exchange(bytes, 0));
            },
            readError);
        pipe.Push(std::move(batch), bytes);
        pipe.Close();
    });
    try {
        EntryPipe::Batch batch;
        while (pipe.Pop(batch)) {
            for (ImportedEntry& entry : batch)
                sink(entry);
            pipe.Return(std::exchange(batch, {}));
        }
    } catch (...) {
        pipe.Abandon();
        reader.join();
        throw;
    }
    reader.join();
    error = readError;
    return read;
}

std::optional<ImportReader::Format> ImportReader::Detect(QIODevice& input) {
    QByteArray head = input.peek(4096);
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    const QByteArray start = head.trimmed();
    if (start.startsWith('<'))
        return Format::KeePassXml;
    if (start.startsWith('{') || start.startsWith('['))
        return Format::BitwardenJson;
    if (!start.isEmpty())
        return Format::Csv;
    return std::nullopt;
}

std::optional<ImportReader::Format> ImportReader::FormatNamed(const QString& name) {
    if (name == u"keepass-xml")
        return Format::KeePassXml;
    if (name == u"bitwarden-json")
        return Format::BitwardenJson;
    if (name == u"csv")
        return Format::Csv;
    return std::nullopt;
}

std::unique_ptr<ImportReader> ImportReader::Create(Format format, bool includeRecycleBin, const ImportLimits& limits) {
    switch (format) {
    case Format::KeePassXml:
        return std::make_unique<KeePassXmlReader>(includeRecycleBin, limits);
    case Format::BitwardenJson:
        return std::make_unique<BitwardenJsonReader>(limits);
    case Format::Csv:
        break;
    }
    return std::make_unique<CsvImportReader>(limits);
}
