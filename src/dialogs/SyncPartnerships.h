// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// The partnerships a synchronisation program keeps with handheld devices, as it records them in the program's
// settings under "Software/Microsoft/Windows CE Services/Partners/<id>", and the folder each one synchronises.
class SyncPartnerships {
public:
    struct Device {
        QString id;
        // The name shown to the user: the partnership's "DisplayName", else its id.
        QString name;
    };

    // Every partnership, in the order of their ids.
    static QList<Device> Devices();
    // The folder whose files are synchronised with the device, or empty when the partnership has none or has file
    // synchronisation switched off (also when the settings do not say whether it is on).
    static QString SynchronizationFolder(const QString& id);
};
