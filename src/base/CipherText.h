// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/FieldCipher.h"

#include <QString>

#include <span>
#include <vector>

// The program's one field cipher. Its method is the method of the open wallet; the wallet document sets it whenever
// a wallet is emptied, made or read.
// A text moved in is transformed in its own buffer.
QString CipherText(QString text, bool encipher);
// The same for many texts at once, in place, under the current method.
void CipherTextBatch(std::span<QString* const> texts, bool encipher);
void CipherTextBatch(std::span<const CipherPiece> pieces, bool encipher);
// Enciphers the texts one after another into one buffer under the current method (FieldCipher::EncipherInto).
void EncipherTextsInto(std::span<const QStringView> texts, std::vector<char16_t>& units, std::vector<qsizetype>& ends);
void SetCurrentCipherMethod(qint32 method);
qint32 CurrentCipherMethod();
