// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/CompoundFile.h"

#include <QByteArray>

// What a wallet file was when this program last read or wrote it: which file it was, its form (plain, or sealed
// under which key derivation) and a fingerprint of what it held (its document stream and its list of attachments). A
// save compares it with the file it is about to replace, so that changes another program made in the meantime are never
// overwritten unseen.
class WalletFileStamp {
public:
    WalletFileStamp() = default;
    // `file` is open on the wallet with its root storage on top; `documentHash` is the hash of the bytes of its
    // document stream, taken while they were read or written.
    WalletFileStamp(CompoundFile& file, const QByteArray& documentHash);

    bool IsSet() const { return !m_content.isEmpty(); }
    // Whether `file` (open, root storage on top) still holds what the stamp was taken of. An untouched file tells at
    // once; one that was replaced or written to has its document stream read and fingerprinted again, so the same
    // contents written anew still match.
    bool Matches(CompoundFile& file) const;

    // After the file was written anew with the same contents (compacted): the stamp follows it.
    void Renew(const CompoundFile& file) { m_identity = file.FileIdentity(); }

private:
    static QByteArray ContentHash(CompoundFile& file, const QByteArray& documentHash);
    static QByteArray DocumentHash(CompoundFile& file);
    static QByteArray Form(const CompoundFile& file);

    CompoundFile::Identity m_identity;
    QByteArray m_form;
    QByteArray m_content;
};
