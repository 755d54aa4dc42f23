// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <memory>

struct XXH3_state_s;

// Passes reads or writes through to another device and keeps a hash of every byte that went by, so a wallet's
// document stream is fingerprinted in the same pass that reads or writes it. The hash is fast and not
// cryptographic: it tells changes apart, it does not resist someone crafting a collision.
class HashingDevice : public QIODevice {
public:
    // `inner` must be open and stay open while this device is used; it is not owned.
    HashingDevice(QIODevice& inner, OpenMode mode);
    ~HashingDevice() override;

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_inner.size(); }

    // When reading: hashes what the reader left unread, then gives the hash of the whole device. When writing: the
    // hash of what was written. Empty when the rest could not be read.
    QByteArray Finish();
    // The hash of all bytes of `device`, read from where it stands to its end; empty on a read error.
    static QByteArray HashAll(QIODevice& device);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QIODevice& m_inner;
    std::unique_ptr<XXH3_state_s, void (*)(XXH3_state_s*)> m_state;
};
