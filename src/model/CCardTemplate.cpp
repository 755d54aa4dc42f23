// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CCardTemplate.h"

#include "base/CipherText.h"
#include "base/OutputFile.h"
#include "base/Prompts.h"
#include "base/Utilities.h"
#include "model/CArchive.h"
#include "model/CArchiveException.h"
#include "model/CCard.h"
#include "model/CCardList.h"
#include "model/CTemplateList.h"
#include "model/WalletContext.h"
#include "resources/StringTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {
// A number as the built-in definitions write it: leading blanks, an optional sign, then digits up to the first
// non-digit. No digits gives 0; values beyond 32 bits stop at the limit.
qint32 LeadingNumber(const QString& token) {
    qsizetype i = 0;
    while (i < token.size() && (token[i] == u' ' || (token[i] >= u'\t' && token[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == u'-' || token[i] == u'+'))
        negative = token[i++] == u'-';
    qint64 value = 0;
    for (; i < token.size() && token[i] >= u'0' && token[i] <= u'9'; ++i) {
        value = value * 10 + (token[i].unicode() - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            break;
    }
    value = negative ? -value : value;
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}
// Opens a template file for reading. Only a regular file is read: opening a FIFO would wait for a writer that may
// never come, and a device could give bytes without end.
bool OpenRegularFile(const QString& path, QFile& file, QString& error) {
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = QStringLiteral("cannot open \"%1\": %2")
                    .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        error = QStringLiteral("\"%1\" is not a regular file").arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        close(fd);
        error = file.errorString();
        return false;
    }
    return true;
}
} // namespace

CCardTemplate::CCardTemplate() : CCardTemplate(-1) {}

CCardTemplate::CCardTemplate(qint32 templateId) : CWalletItem(templateId) {
    description = QStringLiteral("New Template");
    iconId = kDefaultIcon;
}

void CCardTemplate::ParseDefinition(const QString& text) {
    const QStringList tokens = text.split(u',', Qt::SkipEmptyParts);
    fields = CTemplateFieldArray();
    if (tokens.isEmpty())
        return;
    description = tokens[0];
    iconId = tokens.size() > 1 ? LeadingNumber(tokens[1]) : 0;
    // Pairs beyond the last slot are ignored.
    for (qsizetype t = 2, slot = 0; t < tokens.size() && slot < CTemplateFieldArray::kMaxFields; t += 2, ++slot) {
        fields[int(slot)].name = tokens[t];
        fields[int(slot)].type = t + 1 < tokens.size() ? LeadingNumber(tokens[t + 1]) : FieldTypes::Default;
    }
}

void CCardTemplate::CopyFrom(const CCardTemplate& other) {
    description = other.description;
    iconId = other.iconId;
    reservedText = other.reservedText;
    fields = other.fields;
}

bool CCardTemplate::IsInUse() const {
    const WalletContext* wallet = WalletContext::Get();
    if (id < 1 || !wallet)
        return false;
    for (const CCard* card : wallet->Cards()) {
        if (card->templateName == internalName)
            return true;
    }
    return false;
}

void CCardTemplate::CipherTexts(bool encipher, qint32 method) {
    VisitTexts([encipher, method](QString& text) { text = CipherText(std::move(text), encipher, method); });
}

void CCardTemplate::Serialize(CArchive& archive) {
    SerializeHead(archive);
    archive.Item(internalName);
    for (CTemplateField& field : fields) {
        archive.Item(field.type);
        CipheredItem(archive, field.name);
    }
    if (archive.IsLoading() && !archive.IsBatching())
        CipherTexts(false, archive.CipherMethod());
}

bool CCardTemplate::ExportToFile(qint32 cipherMethod) {
    const QString path = Prompts::Get().SaveFileName(LoadResString(kStrTemplateFilter), QStringLiteral("kvt"),
                                                     FileNameSafeText(description));
    if (path.isEmpty())
        return false;
    OutputFile file(path);
    QString error;
    if (file.Open()) {
        try {
            CArchive archive(file, CArchive::Mode::Store, cipherMethod);
            Serialize(archive);
            archive.Flush();
        } catch (const CArchiveException& e) {
            error = e.Message();
        }
    }
    if (!file.isOpen() || !error.isEmpty() || !file.Commit()) {
        Prompts::Warn(LoadResString(kStrOpenError) + QStringLiteral("\n\n") +
                      (error.isEmpty() ? file.errorString() : error));
        return false;
    }
    Prompts::Inform(LoadResString(kStrTemplateExported));
    return true;
}

int CCardTemplate::ImportFromFile(qint32 cipherMethod) {
    const QString path = Prompts::Get().OpenFileName(LoadResString(kStrTemplateFilter), QStringLiteral("kvt"));
    if (path.isEmpty())
        return 0;
    QFile file;
    QString error;
    if (!OpenRegularFile(path, file, error)) {
        Prompts::Warn(LoadResString(kStrOpenError) + QStringLiteral("\n\n") + error);
        return 0;
    }
    CCardTemplate read;
    try {
        CArchive archive(file, CArchive::Mode::Load, cipherMethod);
        read.Serialize(archive);
    } catch (const CArchiveException& e) {
        Prompts::Warn(FormatText(LoadResString(kStrReadFailed), {QFileInfo(path).fileName(), e.Message()}));
        return 0;
    } catch (const std::bad_alloc&) {
        const QString reason = QCoreApplication::translate("CCardTemplate", "There is not enough memory to read it.");
        Prompts::Warn(FormatText(LoadResString(kStrReadFailed), {QFileInfo(path).fileName(), reason}));
        return 0;
    }
    const WalletContext* wallet = WalletContext::Get();
    if (const CCardTemplate* existing = wallet ? wallet->Templates().FindByInternalName(read.internalName) : nullptr) {
        Prompts::Warn(FormatText(LoadResString(kStrTemplateExists), {existing->description}));
        return 0;
    }
    *this = read;
    return 1;
}
