// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary text to the XML model's parser, both as a whole document and as a fragment added to a document.
#include "model/CXmlDocument.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    CXmlDocument whole;
    whole.SetDocument(text);
    CXmlDocument built;
    built.AddElem(QStringLiteral("Korvel"));
    built.AddChildElem(QStringLiteral("Category"));
    built.IntoElem();
    if (built.AddChildSubDoc(text))
        built.SetChildAttrib(QStringLiteral("Description"), text);
    return 0;
}
