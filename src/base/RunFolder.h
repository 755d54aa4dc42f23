// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

class QLockFile;

// A folder of one run of the program, inside a private parent folder, for plain copies that must not outlive the
// run (attachments opened from a card). The run holds a lock file beside its folder ("run-....lock") for as long as
// it lasts and removes both when it ends. A run that crashes cannot, but its lock dies with it: the next start
// removes every run's folder whose lock nobody holds, and never one of a run still going.
class RunFolder {
public:
    explicit RunFolder(const QString& parent);
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    // The folder, made (owner only) with its lock on the first call; empty when it cannot be.
    QString Path();
    // Removes, from `parent`, the folders of runs that have ended, and their locks.
    static void RemoveLeftovers(const QString& parent);

private:
    QString m_parent;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
