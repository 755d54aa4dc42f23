// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/RecordDisplay.h"

namespace {
RecordDisplay*& Installed() {
    static RecordDisplay* display = nullptr;
    return display;
}
} // namespace

RecordDisplay* RecordDisplay::Get() {
    return Installed();
}

void RecordDisplay::Install(RecordDisplay* display) {
    Installed() = display;
}
