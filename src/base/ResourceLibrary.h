// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The resource library libkorvelres.so: built-in templates, category suggestions, messages about templates in use
// and the icons 500-595. The program opens it at start-up from its own folder and keeps it until it ends. A library
// that is missing or lacks one of its functions is a broken installation: Load fails, and the caller shows string
// 65056 (kStrOpenError) and ends the program.
class ResourceLibrary {
public:
    static constexpr const char* kFileName = "libkorvelres.so";

    // Opens the library in GetModuleFolder() and resolves all of its functions. On failure nothing stays loaded and
    // `error` (when given) says what was missing.
    static bool Load(QString* error = nullptr);
    // The same from another folder (with or without a trailing "/"), for tests.
    static bool Load(const QString& folder, QString* error = nullptr);
    static bool IsLoaded();
    static void Unload();

    // Text of string `id`; empty when the library is not loaded or has no such string.
    static QString String(int id);
    // The first icon id and the number of icons, from the library's GetImagesInfo; false when it is not loaded.
    static bool ImagesInfo(int& firstId, int& count);
    // The first template string id and the number of templates, from GetTemplatesInfo; false when it is not loaded.
    static bool TemplatesInfo(int& firstId, int& count);
    // PNG bytes of icon `id` at the smallest stored size not below `size`, else at the largest; empty when the
    // library is not loaded or has no such icon.
    static QByteArray Icon(int id, int size);
};
