// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The temporary files that work on one compound file leaves beside it. Their names derive from the file's name
// (".<name>.kvtmp-XXXXXX" for a new file being committed, ".<name>.kvspool-XXXXXX" for spooled stream contents),
// so that leftovers of a crash can be recognised and removed. A file in use is always flock()ed by its owner.
class CfbTempFiles {
public:
    // A new, locked file for a commit; its path goes to `tempPath`. -1 with `error` on failure.
    static int CreateCommitFile(const QString& path, QString& tempPath, QString& error);
    // A new spool file, already unlinked, so it vanishes with its descriptor. -1 with `error` on failure.
    static int CreateSpoolFile(const QString& path, QString& error);
    // Removes the temporary files of `path` that nobody holds.
    static void RemoveLeftovers(const QString& path);
    // Flushes the folder of `path`, so that a rename in it survives a crash.
    static bool SyncFolder(const QString& path, QString& error);
    static QString SystemError(int code);

private:
    static int CreateUnique(const QString& path, const QString& kind, QString& tempPath, QString& error);
};
