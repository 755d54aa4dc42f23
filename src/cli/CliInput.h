// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIODevice>

// A file descriptor to read from, korvel-cli's standard input: each read gives what one read(2) gives, so a line
// typed at a terminal or written into a pipe is there at once, without waiting for a block to fill.
class CliInput : public QIODevice {
public:
    // The descriptor stays open; it belongs to the caller.
    explicit CliInput(int fd);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    int m_fd;
};
