// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class CCard;
class CCardTemplate;

// Which of a card's fields the quick copies take: the user name, the password, or a field the user names.
class CardSlots {
public:
    // The first field named like a user name, login or account that holds a value; -1 when there is none.
    static int UserName(const CCard& card, const CCardTemplate* cardTemplate);
    // The first password field that holds a value; -1 when there is none.
    static int Password(const CCard& card, const CCardTemplate* cardTemplate);
    // A field the user names: its slot number (0 to 14), "username", "password", or the name of a field of the
    // template (case-blind). -1 when nothing matches.
    static int Named(const CCard& card, const CCardTemplate* cardTemplate, const QString& name);
};
