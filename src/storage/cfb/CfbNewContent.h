// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cfb/CfbContent.h"

#include <QByteArray>

// The contents of a stream made in this session. Small contents stay in memory; once a stream grows past
// kMemoryLimit its bytes move to a private spool file beside the compound file, so a large attachment never sits
// in memory whole.
class CfbNewContent : public CfbContent {
public:
    static constexpr qint64 kMemoryLimit = qint64(1) << 20;

    // `path` is the compound file's path; spool files are made beside it. With `inMemory` the bytes never go to a
    // spool file, for a stream whose writer holds as much in memory anyway.
    explicit CfbNewContent(QString path, bool inMemory = false);
    ~CfbNewContent() override;
    CfbNewContent(const CfbNewContent&) = delete;
    CfbNewContent& operator=(const CfbNewContent&) = delete;

    qint64 Size() const override { return m_size; }
    bool Prepare(QString&) override { return true; }
    bool ReadAt(qint64 pos, char* data, qint64 length, QString& error) override;
    bool HasWriter() const override { return m_writers > 0; }

    // Writes at `pos`; a gap after the current end reads as zeros.
    bool WriteAt(qint64 pos, const char* data, qint64 length, QString& error);
    void AddWriter() { ++m_writers; }
    void RemoveWriter() { --m_writers; }

private:
    bool MoveToSpool(QString& error);

    QString m_path;
    bool m_inMemory;
    QByteArray m_bytes;
    int m_spool = -1;
    qint64 m_size = 0;
    int m_writers = 0;
};
