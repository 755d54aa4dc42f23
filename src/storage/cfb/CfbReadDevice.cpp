// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbReadDevice.h"

#include "storage/cfb/CfbContent.h"

CfbReadDevice::CfbReadDevice(std::shared_ptr<CfbContent> content) : CfbReadDevice(std::move(content), ReadOnly) {}

CfbReadDevice::CfbReadDevice(std::shared_ptr<CfbContent> content, OpenMode mode) : m_content(std::move(content)) {
    open(mode | QIODevice::Unbuffered);
}

CfbReadDevice::~CfbReadDevice() = default;

qint64 CfbReadDevice::size() const {
    return m_content->Size();
}

qint64 CfbReadDevice::readData(char* data, qint64 maxSize) {
    const qint64 n = std::min(maxSize, std::max<qint64>(0, size() - pos()));
    QString error;
    if (n > 0 && !m_content->ReadAt(pos(), data, n, error)) {
        setErrorString(error);
        return -1;
    }
    return n;
}

qint64 CfbReadDevice::writeData(const char*, qint64) {
    return -1;
}
