// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Alt+letter keys of a dialog page, for the suites that check that no two controls share one.
#include <QAbstractButton>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMap>
#include <QStringList>
#include <QWidget>

// Each Alt+letter key that two or more controls shown on the roots use, with their texts. A label counts only when it
// has a buddy, since only then does its key do anything.
inline QStringList MnemonicClashes(const QList<const QWidget*>& roots) {
    QMap<QString, QStringList> users;
    for (const QWidget* root : roots) {
        for (const QWidget* widget : root->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(root))
                continue;
            QString text;
            if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
                text = button->text();
            else if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->buddy())
                text = label->text();
            else if (const auto* group = qobject_cast<const QGroupBox*>(widget))
                text = group->title();
            const QKeySequence key = QKeySequence::mnemonic(text);
            if (!key.isEmpty())
                users[key.toString()].append(text);
        }
    }
    QStringList clashes;
    for (auto it = users.cbegin(); it != users.cend(); ++it) {
        if (it.value().size() > 1)
            clashes.append(it.key() + QStringLiteral(": ") + it.value().join(QStringLiteral(", ")));
    }
    return clashes;
}
