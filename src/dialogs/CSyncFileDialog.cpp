// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CSyncFileDialog.h"

#include "base/Prompts.h"
#include "dialogs/SyncPartnerships.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CSyncFileDialog::CSyncFileDialog(QWidget* parent, const QString& caption, const QString& directory,
                                 const QString& filter)
    : QFileDialog(parent, caption, directory, filter), m_devices(new QComboBox), m_openFolder(new QPushButton) {
    // Only Qt's own dialog has a layout to take the panel.
    setOption(QFileDialog::DontUseNativeDialog);
    BuildPanel();
    FillDevices();
}

void CSyncFileDialog::BuildPanel() {
    auto* panel = new QGroupBox(tr("Pocket PC File Synchronization"));
    panel->setObjectName(QStringLiteral("syncPanel"));
    auto* label = new QLabel(tr("Select &device:"));
    label->setBuddy(m_devices);
    m_devices->setObjectName(QStringLiteral("devices"));
    m_devices->setAccessibleName(tr("Select device"));
    m_openFolder->setText(tr("Open &Folder"));
    m_openFolder->setObjectName(QStringLiteral("openFolder"));
    m_openFolder->setAccessibleName(tr("Open Folder"));
    m_openFolder->setAccessibleDescription(tr("Shows the folder that is synchronised with the selected device"));
    auto* row = new QHBoxLayout(panel);
    row->addWidget(label);
    row->addWidget(m_devices, 1);
    row->addWidget(m_openFolder);
    // Qt's own file dialog lays itself out on a grid; the panel takes a row of its own below it.
    auto* grid = qobject_cast<QGridLayout*>(layout());
    Q_ASSERT(grid);
    grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
    connect(m_openFolder, &QPushButton::clicked, this, &CSyncFileDialog::OnOpenFolder);
}

// With no partnership there is nothing to choose; the panel stays in view so the user learns that it exists.
void CSyncFileDialog::FillDevices() {
    const QList<SyncPartnerships::Device> devices = SyncPartnerships::Devices();
    if (devices.isEmpty()) {
        m_devices->addItem(tr("<No Partnerships Available>"));
        m_devices->setEnabled(false);
        m_openFolder->setEnabled(false);
        return;
    }
    for (const SyncPartnerships::Device& device : devices)
        m_devices->addItem(device.name, device.id);
    connect(m_devices, &QComboBox::currentIndexChanged, this, &CSyncFileDialog::OnDeviceChanged);
    OnDeviceChanged();
}

QString CSyncFileDialog::SelectedFolder() const {
    return SyncPartnerships::SynchronizationFolder(m_devices->currentData().toString());
}

void CSyncFileDialog::OnDeviceChanged() {
    m_openFolder->setEnabled(!SelectedFolder().isEmpty());
}

void CSyncFileDialog::OnOpenFolder() {
    const QString folder = SelectedFolder();
    if (folder.isEmpty())
        return;
    if (!QFileInfo(folder).isDir()) {
        Prompts::Warn(tr("The synchronisation folder \"%1\" of \"%2\" does not exist.")
                          .arg(QDir::toNativeSeparators(folder), m_devices->currentText()));
        return;
    }
    ShowFolder(folder);
}

void CSyncFileDialog::ShowFolder(const QString& folder) {
    auto* nameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString typed = nameEdit ? nameEdit->text() : QString();
    setDirectory(folder);
    if (!nameEdit)
        return;
    nameEdit->setText(typed);
    nameEdit->setFocus();
}
