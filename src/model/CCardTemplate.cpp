// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CCardTemplate.h"

#include "document/CWallet.h"
#include "document/CipherText.h"
#include "model/CArchive.h"

#include <algorithm>
#include <limits>

#include <utility>

namespace {
// A number as the built-in definitions write it: leading blanks, an optional sign, then digits up to the first
// non-digit. No digits gives 0; values beyond 32 bits stop at the limit.
qint32 LeadingNumber(const QString& token) {
    qsizetype i = 0;
    while (i < token.size() && (token[i] == u' ' || (token[i] >= u'\t' && token[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == u'-' || token[i] == u'+'))
        negative = token[i++] == u'-';
    qint64 value = 0;
    for (; i < token.size() && token[i] >= u'0' && token[i] <= u'9'; ++i) {
        value = value * 10 + (token[i].unicode() - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            break;
    }
    value = negative ? -value : value;
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}
} // namespace

CCardTemplate::CCardTemplate() : CCardTemplate(-1) {}

CCardTemplate::CCardTemplate(qint32 templateId) : CWalletItem(templateId) {
    description = QStringLiteral("New Template");
    iconId = kDefaultIcon;
}

void CCardTemplate::ParseDefinition(const QString& text) {
    const QStringList tokens = text.split(u',', Qt::SkipEmptyParts);
    fields = CTemplateFieldArray();
    if (tokens.isEmpty())
        return;
    description = tokens[0];
    iconId = tokens.size() > 1 ? LeadingNumber(tokens[1]) : 0;
    // Pairs beyond the last slot are ignored.
    for (qsizetype t = 2, slot = 0; t < tokens.size() && slot < CTemplateFieldArray::kMaxFields; t += 2, ++slot) {
        fields[int(slot)].name = tokens[t];
        fields[int(slot)].type = t + 1 < tokens.size() ? LeadingNumber(tokens[t + 1]) : FieldTypes::Default;
    }
}

void CCardTemplate::CopyFrom(const CCardTemplate& other) {
    description = other.description;
    iconId = other.iconId;
    reservedText = other.reservedText;
    fields = other.fields;
}

bool CCardTemplate::IsInUse() const {
    const CWallet* wallet = GetActiveWallet();
    if (id < 1 || !wallet)
        return false;
    for (const CCard* card : wallet->cards) {
        if (card->templateName == internalName)
            return true;
    }
    return false;
}

void CCardTemplate::CipherTexts(bool encipher) {
    description = CipherText(std::move(description), encipher);
    reservedText = CipherText(std::move(reservedText), encipher);
    for (CTemplateField& field : fields)
        field.name = CipherText(std::move(field.name), encipher);
}

void CCardTemplate::Serialize(CArchive& archive) {
    SerializeHead(archive);
    archive.Item(internalName);
    for (CTemplateField& field : fields) {
        archive.Item(field.type);
        CipheredItem(archive, field.name);
    }
    if (archive.IsLoading())
        CipherTexts(false);
}
