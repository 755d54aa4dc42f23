// SPDX-License-Identifier: GPL-3.0-or-later
// A structured fuzz of the KeePass reader's attached files: the input is read as a recipe for an export whose pool and
// entries hold files, packed (some of them bombs, some damaged) or not, referred to by entries or not, so that the
// fuzzer spends its time in unpacking, references and the limits rather than in getting past the XML syntax.
#include "../tests/GzipData.h"
#include "ImportFuzzing.h"

#include "model/KeePassXmlReader.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {
// A file as the export holds it, base64 of bytes packed or not; packed ones may carry up to 24 MiB of zeros, beyond
// the limit set below, and may be cut short or changed.
QByteArray FileText(FuzzedDataProvider& recipe, bool& compressed) {
    const std::string bytes = recipe.ConsumeRandomLengthString(256);
    compressed = recipe.ConsumeBool();
    if (!compressed)
        return QByteArray::fromStdString(bytes).toBase64();
    QByteArray packed = Gzip(QByteArray::fromStdString(bytes), qint64(recipe.ConsumeIntegralInRange(0, 24)) << 20);
    switch (recipe.ConsumeIntegralInRange(0, 3)) {
    case 1:
        packed.chop(recipe.ConsumeIntegralInRange<qsizetype>(0, packed.size()));
        break;
    case 2:
        if (!packed.isEmpty())
            packed[recipe.ConsumeIntegralInRange<qsizetype>(0, packed.size() - 1)] ^=
                char(recipe.ConsumeIntegral<uint8_t>());
        break;
    default:
        break;
    }
    return packed.toBase64();
}

QByteArray Binary(FuzzedDataProvider& recipe, const QByteArray& attributes) {
    bool compressed = false;
    const QByteArray text = FileText(recipe, compressed);
    return "<Binary" + attributes + (compressed ? " Compressed=\"True\">" : ">") + text + "</Binary>";
}

QByteArray Export(FuzzedDataProvider& recipe) {
    QByteArray xml = "<KeePassFile><Meta><Binaries>";
    const int pooled = recipe.ConsumeIntegralInRange(0, 4);
    for (int id = 0; id < pooled; ++id)
        xml += Binary(recipe, " ID=\"" + QByteArray::number(id) + '"');
    xml += "</Binaries></Meta><Root><Group><Name>G</Name>";
    while (recipe.remaining_bytes() > 0) {
        xml += "<Entry><String><Key>Title</Key><Value>e</Value></String>";
        const int files = recipe.ConsumeIntegralInRange(0, 5);
        for (int i = 0; i < files; ++i) {
            const QByteArray key =
                "<Key>f" + QByteArray::number(i) + (recipe.ConsumeBool() ? ".png" : ".pdf") + "</Key>";
            if (recipe.ConsumeBool()) {
                xml += "<Binary>" + key + "<Value Ref=\"" + QByteArray::number(recipe.ConsumeIntegralInRange(0, 5)) +
                       "\"/></Binary>";
            } else {
                bool compressed = false;
                const QByteArray text = FileText(recipe, compressed);
                xml += "<Binary>" + key + "<Value" + (compressed ? " Compressed=\"True\">" : ">") + text +
                       "</Value></Binary>";
            }
        }
        xml += "</Entry>";
    }
    return xml + "</Group></Root></KeePassFile>";
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider recipe(data, size);
    const QByteArray xml = Export(recipe);
    KeePassXmlReader reader(recipe.ConsumeBool(), kFuzzLimits);
    return FuzzImport(reinterpret_cast<const uint8_t*>(xml.constData()), size_t(xml.size()), reader);
}
