// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/ResourceLibrary.h"

#include "base/Utilities.h"
#include "resources/korvelres/KorvelRes.h"

#include <QDir>
#include <QLibrary>

#include <memory>

namespace {

using InfoFunction = decltype(&GetImagesInfo);
using StringFunction = decltype(&KorvelResString);
using IconFunction = decltype(&KorvelResIcon);

// GetImagesInfo and GetTemplatesInfo are looked up by name on every call, so only the accessors are kept.
struct Loaded {
    std::unique_ptr<QLibrary> library;
    StringFunction string = nullptr;
    IconFunction icon = nullptr;
};

Loaded& State() {
    static Loaded loaded;
    return loaded;
}

template <class Function> Function Resolve(QLibrary& library, const char* name, QStringList& missing) {
    auto function = reinterpret_cast<Function>(library.resolve(name));
    if (!function)
        missing << QString::fromLatin1(name);
    return function;
}

bool Fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

bool CallInfo(const char* name, int& firstId, int& count) {
    QLibrary* library = State().library.get();
    const auto info = library ? reinterpret_cast<InfoFunction>(library->resolve(name)) : nullptr;
    if (!info)
        return false;
    info(&firstId, &count);
    return true;
}

} // namespace

bool ResourceLibrary::Load(QString* error) {
    return Load(GetModuleFolder(), error);
}

bool ResourceLibrary::Load(const QString& folder, QString* error) {
    Unload();
    const QString path = QDir(folder).filePath(QString::fromLatin1(kFileName));
    auto library = std::make_unique<QLibrary>(path);
    if (!library->load())
        return Fail(error, QStringLiteral("Cannot load the resource library %1: %2").arg(path, library->errorString()));
    QStringList missing;
    Resolve<InfoFunction>(*library, "GetImagesInfo", missing);
    Resolve<InfoFunction>(*library, "GetTemplatesInfo", missing);
    const auto string = Resolve<StringFunction>(*library, "KorvelResString", missing);
    const auto icon = Resolve<IconFunction>(*library, "KorvelResIcon", missing);
    if (!missing.isEmpty()) {
        library->unload();
        return Fail(error, QStringLiteral("The resource library %1 lacks %2").arg(path, missing.join(u", ")));
    }
    State() = Loaded{std::move(library), string, icon};
    return true;
}

bool ResourceLibrary::IsLoaded() {
    return State().library != nullptr;
}

void ResourceLibrary::Unload() {
    Loaded& state = State();
    if (state.library)
        state.library->unload();
    state = Loaded{};
}

QString ResourceLibrary::String(int id) {
    if (!IsLoaded())
        return {};
    int length = 0;
    const char16_t* text = State().string(id, &length);
    return text ? QString::fromUtf16(text, length) : QString();
}

bool ResourceLibrary::ImagesInfo(int& firstId, int& count) {
    return CallInfo("GetImagesInfo", firstId, count);
}

bool ResourceLibrary::TemplatesInfo(int& firstId, int& count) {
    return CallInfo("GetTemplatesInfo", firstId, count);
}

QByteArray ResourceLibrary::Icon(int id, int size) {
    if (!IsLoaded())
        return {};
    int length = 0;
    const unsigned char* png = State().icon(id, size, &length);
    return png ? QByteArray(reinterpret_cast<const char*>(png), length) : QByteArray();
}
