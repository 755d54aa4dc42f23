// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CardSlots.h"

#include "model/CCard.h"
#include "model/CCardTemplate.h"
#include "model/FieldType.h"

#include <QRegularExpression>

namespace {
bool IsUserName(const QString& name) {
    // Whole words only: "Accountant" names no account, and "Login" must not be found inside "Blogin".
    static const QRegularExpression words(
        QStringLiteral(R"((?<![\p{L}\p{N}])(user ?name|user|login|log-in|logon|account)(?![\p{L}\p{N}]))"),
        QRegularExpression::CaseInsensitiveOption);
    return words.match(name).hasMatch();
}

template <typename Wanted> int FirstFilled(const CCard& card, const CCardTemplate* cardTemplate, Wanted wanted) {
    if (!cardTemplate)
        return -1;
    for (int slot = 0; slot < CCard::kValueCount; ++slot) {
        if (!card.values[size_t(slot)].isEmpty() && wanted(cardTemplate->fields[slot]))
            return slot;
    }
    return -1;
}
} // namespace

int CardSlots::UserName(const CCard& card, const CCardTemplate* cardTemplate) {
    return FirstFilled(card, cardTemplate, [](const CTemplateField& field) {
        return field.type != FieldTypes::Password && IsUserName(field.name);
    });
}

int CardSlots::Password(const CCard& card, const CCardTemplate* cardTemplate) {
    return FirstFilled(card, cardTemplate,
                       [](const CTemplateField& field) { return field.type == FieldTypes::Password; });
}

int CardSlots::Named(const CCard& card, const CCardTemplate* cardTemplate, const QString& name) {
    bool isNumber = false;
    const int number = name.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number < CCard::kValueCount ? number : -1;
    if (name.compare(u"username", Qt::CaseInsensitive) == 0)
        return UserName(card, cardTemplate);
    if (name.compare(u"password", Qt::CaseInsensitive) == 0)
        return Password(card, cardTemplate);
    for (int slot = 0; cardTemplate && slot < CCard::kValueCount; ++slot) {
        if (!cardTemplate->fields[slot].name.isEmpty() &&
            cardTemplate->fields[slot].name.compare(name, Qt::CaseInsensitive) == 0)
            return slot;
    }
    return -1;
}
