// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/FieldType.h"

#include <QString>

// One field slot of a card template; a slot with an empty name is free.
class CTemplateField {
public:
    bool IsFree() const { return name.isEmpty(); }
    void Reset() { *this = CTemplateField(); }
    QString TypeName() const { return FieldTypes::DisplayName(type); }

    bool operator==(const CTemplateField&) const = default;

    QString name;
    FieldType type = FieldTypes::Default;
};
