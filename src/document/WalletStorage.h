// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The names of a wallet file's elements: storage "D" with the document stream "W", and storage "F" with one stream
// per attached file.
namespace WalletStorage {
inline const QString kDocumentStorage = QStringLiteral("D");
inline const QString kDocumentStream = QStringLiteral("W");
inline const QString kAttachmentStorage = QStringLiteral("F");
} // namespace WalletStorage
