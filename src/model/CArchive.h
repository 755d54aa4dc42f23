// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/FieldCipher.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QIODevice;

// Reads or writes the record stream of wallets and template files: little-endian 32-bit items and length-prefixed
// UTF-16 strings, with no padding and no type information. Reading trusts nothing: every length and count is checked
// against the bytes that are left, so a damaged stream raises CArchiveException instead of allocating what it claims.
// The device must be random access when loading, so that the bytes left are known.
// The enciphered texts are written and read under the archive's cipher method, the one of the wallet or template file
// it holds; archives of different methods may be in use at the same time.
class CArchive {
public:
    enum class Mode { Store, Load };

    CArchive(QIODevice& device, Mode mode, qint32 cipherMethod);
    // A storing archive that writes nothing and only notes, in order, the texts that would be written enciphered.
    CArchive(std::vector<QStringView>& cipheredTexts, qint32 cipherMethod);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_mode == Mode::Store; }
    bool IsLoading() const { return m_mode == Mode::Load; }

    qint32 CipherMethod() const { return m_cipherMethod; }
    // For a stream that names its method in its own first items, as a wallet does. Texts read before, still waiting
    // for their batch, are deciphered first under the method they were written with.
    void SetCipherMethod(qint32 method);

    // Each item is written from, or read into, the variable, depending on the mode.
    void Item(qint32& value);
    void Item(quint32& value);
    void Item(float& value);
    void Item(QString& value);
    // A plain text that many records repeat, such as a card's template name: loading gives equal texts one shared
    // copy.
    void SharedItem(QString& value);

    void WriteInt(qint32 value);
    void WriteUInt(quint32 value);
    void WriteString(QStringView value);
    qint32 ReadInt();
    quint32 ReadUInt();
    QString ReadString();

    // Texts stored enciphered. Loading reads the enciphered text with room for its whole blocks; inside LoadBatched
    // the archive keeps it to decipher with many others. Storing writes the text's enciphered form.
    void ReadCiphered(QString& text);
    void WriteCiphered(QStringView text);
    // ReadCiphered in two steps, for a record that moves a text to its place before it is deciphered: a batch keeps
    // the text by its address.
    QString ReadEnciphered();
    void DecipherLater(QString& text);
    // Reads lengths.size() enciphered texts for a record that keeps them in storage of its own. Gives their units one
    // after another, each text padded with zero units to whole blocks; valid until the next read. lengths[i] is the
    // length of text i.
    std::span<const char16_t> ReadEncipheredRun(std::span<quint32> lengths);
    // Inside LoadBatched: deciphers the pieces with the batch. The record keeps their storage where it is meanwhile.
    void DecipherLater(std::span<const CipherPiece> pieces);
    // Loading: reads the records that `load` reads and deciphers their texts many at once; all are deciphered when
    // it returns. Records read meanwhile must leave their texts to the archive (IsBatching).
    void LoadBatched(const std::function<void()>& load);
    bool IsBatching() const { return m_batchDepth > 0; }
    // Storing: writes records 0 to count - 1 with `store`, enciphering the texts of many records at once. `store`
    // runs twice per record: once to gather the texts, once to write them.
    void StoreBatched(qsizetype count, const std::function<void(qsizetype, CArchive&)>& store);

    // Loading: the bytes not read yet. Storing: 0.
    qint64 BytesLeft() const;
    // Loading: fails unless `count` records of at least `minSize` bytes each can still follow.
    void CheckCount(qint32 count, qint64 minSize) const;

    // Writes what is buffered; a failed write raises CArchiveException. Storing archives must be flushed.
    void Flush();

private:
    void WriteBytes(const char* data, qint64 size);
    void ReadBytes(char* data, qint64 size);
    quint8 ReadByte();
    quint16 ReadWord();
    qint64 ReadStringLength();
    QString ReadString(bool roomForBlocks);
    qint64 ReadStringHead();
    QString ReadStringBody(qint64 length, bool roomForBlocks);
    void ReadUnits(char16_t* units, qint64 count);
    void DecipherIfFull();
    void DecipherWaiting();
    void Refill();

    QIODevice* m_device;
    Mode m_mode;
    qint32 m_cipherMethod;
    std::vector<QStringView>* m_gathered = nullptr;
    int m_batchDepth = 0;
    std::vector<QString*> m_toDecipher;
    std::vector<CipherPiece> m_piecesToDecipher;
    std::vector<char16_t> m_run;
    // Storing inside StoreBatched: the gathered texts and their enciphered forms, and the next one to write.
    const std::vector<QStringView>* m_plain = nullptr;
    const std::vector<char16_t>* m_enciphered = nullptr;
    const std::vector<qsizetype>* m_ends = nullptr;
    size_t m_nextEnciphered = 0;
    // The shared texts by their bytes as stored.
    struct BytesHash {
        using is_transparent = void;
        size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>()(bytes); }
    };
    std::unordered_map<std::string, QString, BytesHash, std::equal_to<>> m_shared;
    QByteArray m_buffer;
    qint64 m_pos = 0; // next byte of m_buffer to read (loading) or to fill (storing)
};
