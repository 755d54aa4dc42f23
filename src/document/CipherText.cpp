// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CipherText.h"

#include "document/FieldCipher.h"

#include <utility>

namespace {
FieldCipher& ProgramCipher() {
    static FieldCipher cipher(FieldCipher::kWalletKey);
    return cipher;
}

qint32& CurrentMethod() {
    static qint32 method = FieldCipher::BlockOnly;
    return method;
}
} // namespace

QString CipherText(QString text, bool encipher) {
    FieldCipher& cipher = ProgramCipher();
    cipher.method = CurrentMethod();
    return cipher.Transform(std::move(text), encipher);
}

void SetCurrentCipherMethod(qint32 method) {
    CurrentMethod() = method;
}

qint32 CurrentCipherMethod() {
    return CurrentMethod();
}
