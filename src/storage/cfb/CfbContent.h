// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The bytes of one stream, wherever they live: in the opened file, in memory or in a spool file. Contents are
// shared between the tree, open devices and copies, so they never change once no writer has them open.
class CfbContent {
public:
    virtual ~CfbContent() = default;

    virtual qint64 Size() const = 0;
    // Checks that the bytes can be reached (a damaged chain fails here, before a device is handed out).
    virtual bool Prepare(QString& error) = 0;
    // Reads exactly `length` bytes at `pos`; `pos + length` must not pass Size().
    virtual bool ReadAt(qint64 pos, char* data, qint64 length, QString& error) = 0;
    virtual bool HasWriter() const { return false; }
};
