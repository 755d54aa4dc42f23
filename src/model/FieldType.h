// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// How the values of a template field are edited and shown. Stored as a plain number; any number may come from a file.
using FieldType = qint32;

namespace FieldTypes {
constexpr FieldType Default = 0;
constexpr FieldType UpperCase = 1;
constexpr FieldType ProperCase = 2;
constexpr FieldType Password = 3;
constexpr FieldType WebAddress = 4;
constexpr FieldType EmailAddress = 5;
constexpr FieldType PhoneNumber = 6;
constexpr FieldType Money = 7;
constexpr FieldType Last = Money;

// The name shown for a type; codes outside 0 to 7 show as "Unknown".
QString DisplayName(FieldType type);
} // namespace FieldTypes
