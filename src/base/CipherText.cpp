// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CipherText.h"

#include "base/FieldCipher.h"

#include <utility>

namespace {
const FieldCipher& ProgramCipher() {
    static const FieldCipher cipher(FieldCipher::kWalletKey);
    return cipher;
}
} // namespace

QString CipherText(QString text, bool encipher, qint32 method) {
    return ProgramCipher().Transform(std::move(text), method, encipher);
}

void CipherTextBatch(std::span<QString* const> texts, bool encipher, qint32 method) {
    ProgramCipher().TransformAll(texts, method, encipher);
}

void CipherTextBatch(std::span<const CipherPiece> pieces, bool encipher, qint32 method) {
    ProgramCipher().TransformAll(pieces, method, encipher);
}

void EncipherTextsInto(std::span<const QStringView> texts, qint32 method, std::vector<char16_t>& units,
                       std::vector<qsizetype>& ends) {
    ProgramCipher().EncipherInto(texts, method, units, ends);
}
