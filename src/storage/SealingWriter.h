// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <sodium.h>

class SealKey;

// Seals what is written to it on its way to `out`: the header first, then the bytes in authenticated chunks, the last
// one marked final by Finish(). The plain text waits in locked memory only one chunk at a time.
class SealingWriter : public QIODevice {
public:
    // `out` must stay open while this device is used; it is not owned. Writes the header at once; check
    // errorString() when the first write fails.
    SealingWriter(QIODevice& out, const SealKey& key);
    ~SealingWriter() override;

    bool isSequential() const override { return true; }
    // Seals the last chunk; false with errorString() when writing failed at any point.
    bool Finish();

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    bool Push(unsigned char tag);
    bool Fail(const QString& why);

    QIODevice& m_out;
    crypto_secretstream_xchacha20poly1305_state m_state{};
    QByteArray m_header;
    unsigned char* m_plain = nullptr;
    qint64 m_held = 0;
    bool m_first = true;
    bool m_failed = false;
    QByteArray m_sealed;
};
