// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/BitwardenJsonHandler.h"

#include "model/BitwardenJsonReader.h"
#include "model/ImportLimits.h"

#include <cstring>

namespace {
// Nesting deeper than an item ever goes is refused, so a hostile file cannot grow the stack of open values.
constexpr int kMaxDepth = 16;
} // namespace

bool BitwardenJsonHandler::String(const char* text, rapidjson::SizeType length, bool) {
    if (std::memchr(text, 0, length)) {
        m_error = QStringLiteral("a text holds the character U+0000, which a wallet cannot keep");
        return false;
    }
    return Scalar(QString::fromUtf8(text, qsizetype(length)), 2 * qint64(length));
}

bool BitwardenJsonHandler::Key(const char* text, rapidjson::SizeType length, bool) {
    if (!m_frames.empty() && !Grow(2 * qint64(length)))
        return false;
    const QString key = QString::fromUtf8(text, qsizetype(length));
    if (!m_frames.empty())
        m_frames.back().key = key;
    else if (m_depth == 1)
        m_topKey = key;
    return true;
}

bool BitwardenJsonHandler::Scalar(const QJsonValue& value, qint64 size) {
    if (!m_frames.empty()) {
        Add(value);
        return Grow(size);
    }
    if (m_depth == 1 && m_topKey == u"encrypted" && value.toBool()) {
        m_error = QStringLiteral("this is an encrypted Bitwarden export; export the vault again as unencrypted JSON "
                                 "and import that");
        return false;
    }
    if (m_depth == 0) {
        m_error = QStringLiteral("a Bitwarden export is one JSON object");
        return false;
    }
    return true;
}

bool BitwardenJsonHandler::Start(bool isObject) {
    ++m_depth;
    if (m_depth > kMaxDepth) {
        m_error = QStringLiteral("values are nested deeper than a Bitwarden export nests them");
        return false;
    }
    if (m_depth == 1 && !isObject) {
        m_error = QStringLiteral("the file is a JSON array, but a Bitwarden export is one JSON object holding "
                                 "\"folders\" and \"items\"");
        return false;
    }
    if (m_depth == 2)
        m_section = isObject ? QString() : m_topKey;
    if (m_section == u"items" || m_section == u"folders")
        m_sawExport = true;
    if (m_frames.empty())
        m_itemSize = 0;
    if (!m_frames.empty() || (m_depth == 3 && !m_section.isEmpty()))
        m_frames.push_back(Frame{isObject, {}, {}, {}});
    return Grow(8);
}

// An item is built whole before it is read, so one of countless small values is refused as it grows.
bool BitwardenJsonHandler::Grow(qint64 size) {
    m_itemSize += size;
    if (m_itemSize <= ImportLimits::kMaxEntryText)
        return true;
    m_error = QStringLiteral("an item is larger than %1 MiB").arg(ImportLimits::kMaxEntryText / ImportLimits::kMiB);
    return false;
}

bool BitwardenJsonHandler::End() {
    --m_depth;
    if (m_frames.empty())
        return true;
    Frame frame = std::move(m_frames.back());
    m_frames.pop_back();
    const QJsonValue value = frame.isObject ? QJsonValue(frame.object) : QJsonValue(frame.array);
    if (!m_frames.empty()) {
        Add(value);
        return true;
    }
    return Complete(value);
}

void BitwardenJsonHandler::Add(const QJsonValue& value) {
    Frame& frame = m_frames.back();
    if (frame.isObject)
        frame.object.insert(frame.key, value);
    else
        frame.array.append(value);
}

bool BitwardenJsonHandler::Complete(const QJsonValue& value) {
    if (!value.isObject())
        return true;
    if (m_section == u"folders")
        return m_reader.Folder(value.toObject(), m_error);
    if (m_section == u"items")
        return m_reader.Item(value.toObject(), m_error);
    return true;
}
