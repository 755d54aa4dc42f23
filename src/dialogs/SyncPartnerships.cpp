// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SyncPartnerships.h"

#include <QSettings>

namespace {
const QString kPartners = QStringLiteral("Software/Microsoft/Windows CE Services/Partners");
const QString kSynchronization = QStringLiteral("/Services/Synchronization");
const QString kFileObjects = QStringLiteral("/Services/Synchronization/Objects/File");
const QString kBriefcasePath = QStringLiteral("Briefcase Path");
const QString kDisabled = QStringLiteral("Disabled");
const QString kDisplayName = QStringLiteral("DisplayName");

QString PartnerKey(const QString& id, const QString& subKey, const QString& value) {
    return kPartners + u'/' + id + subKey + u'/' + value;
}

// A value that is missing or not a number counts as switched off, so that only a partnership that plainly
// synchronises files offers its folder.
bool FilesDisabled(const QSettings& settings, const QString& id) {
    const QVariant disabled = settings.value(PartnerKey(id, kFileObjects, kDisabled));
    bool isNumber = false;
    const qint64 number = disabled.toLongLong(&isNumber);
    return !isNumber || number != 0;
}
} // namespace

QList<SyncPartnerships::Device> SyncPartnerships::Devices() {
    QSettings settings;
    settings.beginGroup(kPartners);
    QList<Device> devices;
    for (const QString& id : settings.childGroups()) {
        const QString name = settings.value(id + u'/' + kDisplayName).toString().trimmed();
        devices.append({id, name.isEmpty() ? id : name});
    }
    return devices;
}

QString SyncPartnerships::SynchronizationFolder(const QString& id) {
    if (id.isEmpty())
        return QString();
    const QSettings settings;
    const QString folder = settings.value(PartnerKey(id, kSynchronization, kBriefcasePath)).toString();
    if (folder.isEmpty() || FilesDisabled(settings, id))
        return QString();
    return folder;
}
