// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cfb/CfbReadDevice.h"

class CfbNewContent;

// A read/write, random-access device over a new stream. While it is open the stream counts as being written, and
// the compound file refuses to commit.
class CfbWriteDevice : public CfbReadDevice {
public:
    explicit CfbWriteDevice(const std::shared_ptr<CfbNewContent>& content);
    ~CfbWriteDevice() override;

    void close() override;

protected:
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    std::shared_ptr<CfbNewContent> m_target;
};
