// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/FieldCipher.h"

#include <QString>

#include <span>
#include <vector>

// The program's one field cipher. The method is that of the wallet (or template file) the texts belong to, and every
// caller names it: wallets of different methods can be open side by side, so there is no method in force.
// A text moved in is transformed in its own buffer.
QString CipherText(QString text, bool encipher, qint32 method);
// The same for many texts at once, in place.
void CipherTextBatch(std::span<QString* const> texts, bool encipher, qint32 method);
void CipherTextBatch(std::span<const CipherPiece> pieces, bool encipher, qint32 method);
// Enciphers the texts one after another into one buffer (FieldCipher::EncipherInto).
void EncipherTextsInto(std::span<const QStringView> texts, qint32 method, std::vector<char16_t>& units,
                       std::vector<qsizetype>& ends);
