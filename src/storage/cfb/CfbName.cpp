// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbName.h"

int CfbName::Compare(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = QChar::toUpper(a[i].unicode());
        const char16_t y = QChar::toUpper(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

QString CfbName::Problem(QStringView name) {
    if (name.isEmpty())
        return QStringLiteral("an element name must not be empty");
    if (name.size() > kMaxLength)
        return QStringLiteral("the element name \"%1\" is longer than %2 characters").arg(name).arg(kMaxLength);
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c == u'!' || c == u'\0')
            return QStringLiteral("the element name \"%1\" contains a forbidden character (/ \\ : ! or NUL)")
                .arg(name.toString().replace(QChar(0), u'?'));
    }
    return {};
}
