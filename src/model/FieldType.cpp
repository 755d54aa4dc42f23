// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/FieldType.h"

#include "base/Utilities.h"
#include "resources/StringTable.h"

QString FieldTypes::DisplayName(FieldType type) {
    if (type < Default || type > Last)
        return LoadResString(kFieldTypeUnknownName);
    return LoadResString(kFieldTypeNameFirst + type);
}
