// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// The temporary files that work on one compound file leaves beside it. Their names derive from the file's name
// (".<name>.kvtmp-XXXXXX" for a new file being committed, ".<name>.kvspool-XXXXXX" for spooled stream contents),
// so that leftovers of a crash can be recognised and removed. A file in use is always flock()ed by its owner.
class TempFiles {
public:
    // A new, locked file for a commit. Where the file system allows, it has no name until NameCommitFile() gives it
    // one, so that a crash before then leaves nothing of it (a wallet being unsealed is written in plain text);
    // otherwise its path goes to `tempPath` at once. -1 with `error` on failure.
    static int CreateCommitFile(const QString& path, QString& tempPath, QString& error);
    // Gives a commit file made without a name one beside `path`, just before it is renamed into place; a file that
    // has a name already keeps it. False with `error` on failure.
    static bool NameCommitFile(int fd, const QString& path, QString& tempPath, QString& error);
    // A new spool file, already unlinked, so it vanishes with its descriptor. -1 with `error` on failure.
    static int CreateSpoolFile(const QString& path, QString& error);
    // Removes the temporary files of `path` that nobody holds.
    static void RemoveLeftovers(const QString& path);
    // fsync() of a new file before it takes the place of the old one: 0, or -1 with errno set.
    static int Sync(int fd);
    // Flushes the folder of `path`, so that a rename in it survives a crash.
    static bool SyncFolder(const QString& path, QString& error);

    // A commit is crash-safe only when the new file reaches the disk before it is renamed, and the folder after;
    // a process being killed cannot show a missing flush, so tests watch the flushes here. The observer hears of
    // each flush once it is done: a file with its descriptor (path empty), a folder with the path it was asked
    // for (fd -1). An empty observer stops watching.
    enum class Flushed { File, Folder };
    using SyncObserver = std::function<void(Flushed what, int fd, const QString& path)>;
    static void SetSyncObserver(SyncObserver observer);

    // Every failure of a commit must leave the old file as it was; tests prove it by making one step fail as the
    // system would. The injector is asked before each step and answers with an errno value, or 0 to let it run.
    enum class Step { CreateFile, SyncFile, Publish, SyncFolder };
    using FaultInjector = std::function<int(Step step)>;
    static void SetFaultInjector(FaultInjector injector);
    // Whether the injector fails `step`; if so errno holds its value.
    static bool Injected(Step step);

    static QString SystemError(int code);

private:
    static void Notify(Flushed what, int fd, const QString& path);
    static int CreateUnique(const QString& path, const QString& kind, QString& tempPath, QString& error);
    static int CreateUnnamed(const QString& path);
};
