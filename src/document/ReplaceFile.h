// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Moves a finished file over another in one step (the folder is flushed afterwards), so a reader sees either the
// old or the new file, never a part of one. On failure `error` says why and both files are as they were.
bool ReplaceFile(const QString& from, const QString& to, QString& error);

// A name for a new file beside `path`, unused so far, whose pattern RemoveLeftovers() knows.
QString UniqueSiblingName(const QString& path);

// Removes what an interrupted save or compaction of `path` left beside it.
void RemoveLeftovers(const QString& path);
