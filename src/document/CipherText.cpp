// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CipherText.h"

#include "document/FieldCipher.h"

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

QString CipherText(const QString& text, bool encipher) {
    FieldCipher& cipher = ProgramCipher();
    cipher.method = CurrentMethod();
    return cipher.Transform(text, encipher);
}

void SetCurrentCipherMethod(qint32 method) {
    CurrentMethod() = method;
}

qint32 CurrentCipherMethod() {
    return CurrentMethod();
}
