// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileDialog>

class QComboBox;
class QPushButton;

// The wallet's file dialog, with a panel that takes the user to the folder a handheld device synchronises, so that
// the handheld edition of the program finds the wallet there.
class CSyncFileDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit CSyncFileDialog(QWidget* parent = nullptr, const QString& caption = QString(),
                             const QString& directory = QString(), const QString& filter = QString());

    QComboBox& Devices() { return *m_devices; }
    QPushButton& OpenFolderButton() { return *m_openFolder; }
    // Shows the folder's files, keeping the file name typed so far.
    void ShowFolder(const QString& folder);

private:
    void BuildPanel();
    void FillDevices();
    QString SelectedFolder() const;
    void OnDeviceChanged();
    void OnOpenFolder();

    QComboBox* m_devices;
    QPushButton* m_openFolder;
};
