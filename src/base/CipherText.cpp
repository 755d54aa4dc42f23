// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CipherText.h"

#include "base/FieldCipher.h"

#include <utility>

namespace {
const FieldCipher& ProgramCipher() {
    static const FieldCipher cipher(FieldCipher::kWalletKey);
    return cipher;
}

qint32& CurrentMethod() {
    static qint32 method = FieldCipher::BlockOnly;
    return method;
}
} // namespace

QString CipherText(QString text, bool encipher) {
    return ProgramCipher().Transform(std::move(text), CurrentMethod(), encipher);
}

void CipherTextBatch(std::span<QString* const> texts, bool encipher) {
    ProgramCipher().TransformAll(texts, CurrentMethod(), encipher);
}

void CipherTextBatch(std::span<const CipherPiece> pieces, bool encipher) {
    ProgramCipher().TransformAll(pieces, CurrentMethod(), encipher);
}

void EncipherTextsInto(std::span<const QStringView> texts, std::vector<char16_t>& units, std::vector<qsizetype>& ends) {
    ProgramCipher().EncipherInto(texts, CurrentMethod(), units, ends);
}

void SetCurrentCipherMethod(qint32 method) {
    CurrentMethod() = method;
}

qint32 CurrentCipherMethod() {
    return CurrentMethod();
}
