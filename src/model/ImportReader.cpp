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
constexpr std::size_t kBatchSize = 256;
constexpr std::size_t kBatchesAhead = 4;
} // namespace

bool ImportReader::ReadAhead(QIODevice& input, const Sink& sink, QString& error) {
    EntryPipe pipe(kBatchesAhead);
    bool read = false;
    QString readError;
    std::thread reader([&] {
        EntryPipe::Batch batch;
        read = Read(
            input,
            [&](ImportedEntry& entry) {
                batch.push_back(std::move(entry));
                if (batch.size() == kBatchSize)
                    pipe.Push(std::exchange(batch, {}));
            },
            readError);
        pipe.Push(std::move(batch));
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
    if (start.startsWith('{'))
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

std::unique_ptr<ImportReader> ImportReader::Create(Format format, bool includeRecycleBin) {
    switch (format) {
    case Format::KeePassXml:
        return std::make_unique<KeePassXmlReader>(includeRecycleBin);
    case Format::BitwardenJson:
        return std::make_unique<BitwardenJsonReader>();
    case Format::Csv:
        break;
    }
    return std::make_unique<CsvImportReader>();
}
