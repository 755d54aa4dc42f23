// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AttachmentStore.h"

namespace {
AttachmentStore*& Installed() {
    static AttachmentStore* store = nullptr;
    return store;
}
} // namespace

AttachmentStore* AttachmentStore::Get() {
    return Installed();
}

void AttachmentStore::Install(AttachmentStore* store) {
    Installed() = store;
}
