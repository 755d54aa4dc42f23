// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>

// Writes a new compound file to a descriptor through a large buffer, so that a file written sector by sector costs
// few system calls, and reports a failed write with the system's own reason ("No space left on device").
class CfbFileWriter : public QIODevice {
public:
    static constexpr qint64 kBufferSize = qint64(1) << 20;

    // `fd` stays open and owned by the caller.
    explicit CfbFileWriter(int fd);
    ~CfbFileWriter() override;

    bool isSequential() const override { return true; }
    // Writes out what the buffer holds; false with errorString() on failure.
    bool Flush();

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    bool WriteOut(const char* data, qint64 length);

    int m_fd;
    QByteArray m_buffer;
};
