// SPDX-License-Identifier: GPL-3.0-or-later
// Adds to the format corpus the entries of FormatCorpus.h that it does not hold yet, each with what this build reads
// from it. Run by hand (see tests/data/format/README.md), never by the tests; an entry already in the corpus is left
// exactly as it is.
#include "FormatCorpus.h"
#include "base/ResourceLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {
QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

bool WriteFiles(const QString& folder, const QMap<QString, QByteArray>& files) {
    if (!QDir().mkpath(folder))
        return false;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = QDir(folder).filePath(it.key());
        if (WriteFileBytes(path, it.value()) != path || FileBytes(path) != it.value())
            return false;
    }
    return true;
}

QMap<QString, QByteArray> WalletFiles(const FormatCorpus::WalletEntry& entry, QString& error) {
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("wallet.kvx"));
    if (!FormatCorpus::WriteWallet(entry, path, error))
        return {};
    const QByteArray bytes = FileBytes(path);
    QMap<QString, QByteArray> files = FormatCorpus::ReadWallet(path, QString::fromLatin1(entry.password), error);
    if (!files.isEmpty())
        files.insert(QStringLiteral("wallet.kvx"), bytes);
    return files;
}

QMap<QString, QByteArray> TemplateFiles(const FormatCorpus::TemplateEntry& entry, QString& error) {
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("template.kvt"));
    if (!FormatCorpus::WriteTemplate(entry, path)) {
        error = QStringLiteral("the template file was not written");
        return {};
    }
    const QByteArray bytes = FileBytes(path);
    QMap<QString, QByteArray> files = FormatCorpus::ReadTemplate(path, entry.method, error);
    if (!files.isEmpty())
        files.insert(QStringLiteral("template.kvt"), bytes);
    return files;
}

template <class Entry, class Files>
bool AddMissing(const QDir& corpus, const QString& kind, const QList<Entry>& entries, Files filesOf) {
    for (const Entry& entry : entries) {
        const QString folder = corpus.filePath(kind + u'/' + QString::fromLatin1(entry.name));
        if (QFileInfo::exists(folder)) {
            Out() << "kept  " << folder << Qt::endl;
            continue;
        }
        QString error;
        const QMap<QString, QByteArray> files = filesOf(entry, error);
        if (files.isEmpty() || !WriteFiles(folder, files)) {
            Out() << "FAILED " << folder << ": " << (error.isEmpty() ? QStringLiteral("cannot write") : error)
                  << Qt::endl;
            return false;
        }
        Out() << "added " << folder << Qt::endl;
    }
    return true;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QDir corpus(arguments.size() > 1 ? arguments[1] : QStringLiteral(KORVEL_TEST_SOURCE "/data/format"));
    QString error;
    if (!ResourceLibrary::Load(&error)) {
        Out() << "resource library: " << error << Qt::endl;
        return 1;
    }
    const bool ok = AddMissing(corpus, QStringLiteral("wallets"), FormatCorpus::WalletEntries(), WalletFiles) &&
                    AddMissing(corpus, QStringLiteral("templates"), FormatCorpus::TemplateEntries(), TemplateFiles);
    return ok ? 0 : 1;
}
