// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Unpacks gzip data with zlib, never to more than a given size, so a small hostile input cannot fill the memory.
class GzipInflater {
public:
    static bool Inflate(const QByteArray& packed, qsizetype maxSize, QByteArray& out, QString& error);
};
