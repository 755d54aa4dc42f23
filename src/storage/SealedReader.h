// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

class QIODevice;
class SealKey;
class SecureMemoryDevice;

// Opens a sealed wallet file: checks every chunk's authentication, its order and the end of the stream, and gives
// back the compound file inside only when all of it is sound. Nothing of a file that fails is ever returned.
class SealedReader {
public:
    enum class Result { Opened, WrongKey, Damaged };

    // The plain contents of the sealed file open in `file` (read from its start), in locked memory. A first chunk
    // that does not authenticate means the key is wrong (or the start of the file changed): WrongKey; any later
    // failure, or a header that cannot be used, is Damaged. `error` says why.
    static std::unique_ptr<SecureMemoryDevice> Open(QIODevice& file, const SealKey& key, Result& result,
                                                    QString& error);
    // Only whether `key` opens the file: its header and first chunk.
    static Result CheckKey(QIODevice& file, const SealKey& key, QString& error);

private:
    static Result Read(QIODevice& file, const SealKey& key, SecureMemoryDevice& out, bool firstChunkOnly,
                       QString& error);
};
