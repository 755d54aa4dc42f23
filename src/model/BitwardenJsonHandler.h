// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <rapidjson/reader.h>

#include <vector>

class BitwardenJsonReader;

// The SAX handler over a Bitwarden export: it follows the top level and builds only the folder or item being read
// into a small JSON value, which it hands to the reader when that element is complete.
class BitwardenJsonHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, BitwardenJsonHandler> {
public:
    explicit BitwardenJsonHandler(BitwardenJsonReader& reader) : m_reader(reader) {}

    bool Default() { return Scalar(QJsonValue()); }
    bool Null() { return Scalar(QJsonValue()); }
    bool Bool(bool value) { return Scalar(value); }
    bool Int(int value) { return Scalar(value); }
    bool Uint(unsigned value) { return Scalar(qint64(value)); }
    bool Int64(int64_t value) { return Scalar(double(value)); }
    bool Uint64(uint64_t value) { return Scalar(double(value)); }
    bool Double(double value) { return Scalar(value); }
    bool String(const char* text, rapidjson::SizeType length, bool copy);
    bool Key(const char* text, rapidjson::SizeType length, bool copy);
    bool StartObject() { return Start(true); }
    bool EndObject(rapidjson::SizeType) { return End(); }
    bool StartArray() { return Start(false); }
    bool EndArray(rapidjson::SizeType) { return End(); }

    // Why the handler stopped the parser, when it did.
    const QString& Error() const { return m_error; }
    // Whether the top level was an object with items or folders.
    bool SawExport() const { return m_sawExport; }

private:
    struct Frame {
        bool isObject = true;
        QJsonObject object;
        QJsonArray array;
        QString key;
    };
    bool Scalar(const QJsonValue& value, qint64 size = 8);
    bool Grow(qint64 size);
    bool Start(bool isObject);
    bool End();
    void Add(const QJsonValue& value);
    bool Complete(const QJsonValue& value);

    BitwardenJsonReader& m_reader;
    int m_depth = 0;
    // What the item being built holds so far, in bytes of its texts and other values.
    qint64 m_itemSize = 0;
    QString m_topKey;
    QString m_section;
    std::vector<Frame> m_frames;
    QString m_error;
    bool m_sawExport = false;
};
