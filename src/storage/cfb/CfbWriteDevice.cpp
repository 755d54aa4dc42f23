// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbWriteDevice.h"

#include "storage/cfb/CfbNewContent.h"

CfbWriteDevice::CfbWriteDevice(const std::shared_ptr<CfbNewContent>& content)
    : CfbReadDevice(content, ReadWrite), m_target(content) {
    m_target->AddWriter();
}

CfbWriteDevice::~CfbWriteDevice() {
    CfbWriteDevice::close();
}

void CfbWriteDevice::close() {
    if (!isOpen())
        return;
    QIODevice::close();
    m_target->RemoveWriter();
}

qint64 CfbWriteDevice::writeData(const char* data, qint64 maxSize) {
    QString error;
    if (!m_target->WriteAt(pos(), data, maxSize, error)) {
        setErrorString(error);
        return -1;
    }
    return maxSize;
}
