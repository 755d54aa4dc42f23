// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CTemplateFieldArray.h"

#include <algorithm>

int CTemplateFieldArray::UsedCount() const {
    return int(std::count_if(m_slots.begin(), m_slots.end(), [](const CTemplateField& f) { return !f.IsFree(); }));
}
