// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CTemplateField.h"

#include <array>

// The field slots of a template: always exactly kMaxFields, the used ones first, in display order. A card's value i
// belongs to slot i.
class CTemplateFieldArray {
public:
    static constexpr int kMaxFields = 15;

    CTemplateField& operator[](int slot) { return m_slots.at(size_t(slot)); }
    const CTemplateField& operator[](int slot) const { return m_slots.at(size_t(slot)); }
    static constexpr int size() { return kMaxFields; }
    int UsedCount() const;

    auto begin() { return m_slots.begin(); }
    auto end() { return m_slots.end(); }
    auto begin() const { return m_slots.begin(); }
    auto end() const { return m_slots.end(); }

    bool operator==(const CTemplateFieldArray&) const = default;

private:
    std::array<CTemplateField, kMaxFields> m_slots;
};
