// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/RecordEditor.h"

namespace {
RecordEditor*& Installed() {
    static RecordEditor* editor = nullptr;
    return editor;
}
} // namespace

RecordEditor* RecordEditor::Get() {
    return Installed();
}

void RecordEditor::Install(RecordEditor* editor) {
    Installed() = editor;
}
