// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CAttachment.h"

void CAttachment::CopyFrom(const CAttachment& other) {
    description = other.description;
    streamName = other.streamName;
    path = other.path;
}
