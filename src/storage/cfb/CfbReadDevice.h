// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIODevice>

#include <memory>

class CfbContent;

// A read-only, random-access device over a stream's contents; reads go to the file as they are asked for.
class CfbReadDevice : public QIODevice {
public:
    explicit CfbReadDevice(std::shared_ptr<CfbContent> content);
    ~CfbReadDevice() override;

    bool isSequential() const override { return false; }
    qint64 size() const override;

protected:
    CfbReadDevice(std::shared_ptr<CfbContent> content, OpenMode mode);
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    std::shared_ptr<CfbContent> m_content;
};
