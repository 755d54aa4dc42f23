// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// Element names as the compound-file format orders and restricts them: shorter names sort first, names of equal
// length compare unit by unit after upper-casing, so "w" and "W" are the same element.
class CfbName {
public:
    static constexpr int kMaxLength = 31;

    static int Compare(QStringView a, QStringView b);
    // Empty when `name` may name an element; otherwise why not, for an error message.
    static QString Problem(QStringView name);

    struct Order {
        bool operator()(const QString& a, const QString& b) const { return Compare(a, b) < 0; }
    };
};
