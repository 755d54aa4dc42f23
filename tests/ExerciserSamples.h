// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The small files a random run of the desktop program opens, imports and attaches: a wallet with protected and
// unprotected categories, cards and attachments, the same wallet under each security setting that changes how it
// opens, one sealed, damaged wallets, a template file, exports of other programs (sound and broken) and files to
// attach. All wallets have the password "1234".
#include "ScriptedPrompts.h"
#include "TestFiles.h"
#include "base/ResourceLibrary.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCardTemplate.h"
#include "model/CCategory.h"

#include <QDir>
#include <QImage>
#include <QRandomGenerator>

#include <memory>

class ExerciserSamples {
public:
    static QString Password() { return QStringLiteral("1234"); }

    // Writes the samples into `samples` and the wallet the run starts with into `work` ("start.kvx"). On failure
    // `error` says what went wrong.
    static bool Make(const QString& samples, const QString& work, const QString& passphrase, QString& error) {
        ExerciserSamples maker(samples);
        const bool made = maker.MakeAll(work, passphrase, error);
        if (made && !maker.m_answers.Faults().isEmpty())
            error = maker.m_answers.Faults().join(u'\n');
        return made && error.isEmpty();
    }

private:
    explicit ExerciserSamples(const QString& samples) : m_samples(samples) {}

    QString Sample(const QString& name) const { return QDir(m_samples).filePath(name); }

    bool MakeAll(const QString& work, const QString& passphrase, QString& error) {
        if (!ResourceLibrary::IsLoaded() && !ResourceLibrary::Load(&error))
            return false;
        MakeFilesToAttach();
        if (!CopyImports(error))
            return false;
        m_answers.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::No);
        if (!m_wallet.OnNewDocument())
            return Fail(error, QStringLiteral("no new wallet"));
        m_wallet.SetPassword(Password());
        FillWallet();
        CWallet::Settings settings = m_wallet.GetSettings();
        settings.autoLock = 1;
        settings.lockMinutes = 10;
        m_wallet.SetSettings(settings);
        const QString start = QDir(work).filePath(QStringLiteral("start.kvx"));
        if (!SaveAs(start) || !Attach() || !SaveAttached())
            return Fail(error, QStringLiteral("the starting wallet was not saved"));
        m_answers.SaveFile(Sample(QStringLiteral("card.kvt")));
        m_answers.Message(QStringLiteral("successfully exported"), Prompts::Answer::Ok);
        if (!m_wallet.Templates().At(0)->ExportToFile(m_wallet.CipherMethod()))
            return Fail(error, QStringLiteral("no template file"));
        // The same wallet under each setting that changes how it opens or what it guards.
        const std::pair<const char*, qint32 CWallet::Settings::*> variants[] = {
            {"ask-on-open.kvx", &CWallet::Settings::askPasswordOnOpen},
            {"desktop-password-off.kvx", &CWallet::Settings::disableDesktopPassword},
            {"unlock-to-edit.kvx", &CWallet::Settings::mustUnlockToEdit}};
        for (const auto& [name, setting] : variants) {
            CWallet::Settings changed = settings;
            changed.*setting = 1;
            m_wallet.SetSettings(changed);
            if (!SaveAs(Sample(QString::fromLatin1(name))))
                return Fail(error, QStringLiteral("%1 was not saved").arg(QString::fromLatin1(name)));
        }
        m_wallet.SetSettings(settings);
        m_wallet.SetPassword(QString());
        if (!SaveAs(Sample(QStringLiteral("no-password.kvx"))))
            return Fail(error, QStringLiteral("the wallet without password was not saved"));
        // Last: a sealed wallet stays sealed under every name it is saved as.
        m_wallet.SetPassword(Password());
        if (!SaveAs(Sample(QStringLiteral("sealed.kvx"))) || !m_wallet.SealFile(passphrase, 1, 8, error))
            return Fail(error, QStringLiteral("the sealed wallet was not made: ") + error);
        const QByteArray whole = FileBytes(start);
        WriteFileBytes(Sample(QStringLiteral("damaged.kvx")), whole.left(whole.size() / 2));
        WriteFileBytes(Sample(QStringLiteral("empty.kvx")), QByteArray());
        WriteFileBytes(Sample(QStringLiteral("noise.kvx")), Pattern(4096, 3));
        return true;
    }

    static bool Fail(QString& error, const QString& what) {
        if (error.isEmpty())
            error = what;
        return false;
    }

    bool SaveAs(const QString& path) {
        m_answers.SaveFile(path);
        return m_wallet.OnFileSaveAs();
    }

    void MakeFilesToAttach() {
        QImage picture(16, 12, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        picture.save(Sample(QStringLiteral("picture.bmp")));
        picture.save(Sample(QStringLiteral("photo.jpg")));
        WriteFileBytes(Sample(QStringLiteral("chime.wav")), QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + Pattern(200));
        WriteFileBytes(Sample(QStringLiteral("letter.txt")), "Dear bank,\nplease send a new card.\n");
        WriteFileBytes(Sample(QStringLiteral("blob.bin")), Pattern(5000, 1));
    }

    bool CopyImports(QString& error) {
        const QDir imports(QStringLiteral(KORVEL_TEST_SOURCE "/data/import"));
        for (const QString& name : imports.entryList(QDir::Files)) {
            if (!QFile::copy(imports.filePath(name), Sample(name)))
                return Fail(error, QStringLiteral("%1 was not copied").arg(name));
        }
        WriteFileBytes(Sample(QStringLiteral("broken.json")), "{\"items\": [{\"name\": \"x\", ");
        WriteFileBytes(Sample(QStringLiteral("broken.csv")), "name,url,username,password\n\"unterminated,x\n");
        WriteFileBytes(Sample(QStringLiteral("broken.xml")), "<KeePassFile><Root><Group><Entry>");
        return true;
    }

    // Two protected categories beside the built-in ones and one more, each with cards of different templates.
    void FillWallet() {
        const std::pair<const char*, qint32> categories[] = {{"Bank", 1}, {"Family", 1}, {"Travel", 0}};
        for (const auto& [name, flag] : categories) {
            auto category = std::make_unique<CCategory>(m_wallet.NextId());
            category->description = QString::fromLatin1(name);
            category->flag = flag;
            m_wallet.AddCategory(std::move(category));
        }
        static const char* const names[] = {"Visa",     "visa gold", "Amex",   "Library",  "Gym",
                                            "Passport", "Insurance", "Router", "Mail",     "Bank login",
                                            "Car",      "Doctor",    "Alarm",  "Bike lock"};
        int i = 0;
        for (const char* name : names) {
            auto card = std::make_unique<CCard>(m_wallet.NextId());
            card->description = QString::fromLatin1(name);
            card->categoryId = m_wallet.Categories().At(i % m_wallet.Categories().Count())->id;
            card->templateName = m_wallet.Templates().At((i * 7) % m_wallet.Templates().Count())->internalName;
            card->values.Set(0, QStringLiteral("4111 1111 1111 %1").arg(1000 + i));
            card->values.Set(1, QStringLiteral("http://example.com/%1").arg(i));
            card->values.Set(3, QString::number(1000 + i * 37));
            card->notes = i % 3 ? QString() : QStringLiteral("Call someone@example.com or see http://example.org");
            card->hidePasswords = i % 2;
            m_wallet.AddCard(std::move(card));
            ++i;
        }
    }

    // A picture, a sound and a document on the first cards; the wallet must have its file.
    bool Attach() {
        const auto attach = [this](CAttachment& slot, const QString& name) {
            m_answers.OpenFile(Sample(name));
            return slot.StoreFile() == 1;
        };
        CCard& first = *m_wallet.Cards().At(0);
        CCard& second = *m_wallet.Cards().At(1);
        return attach(first.image(), QStringLiteral("picture.bmp")) &&
               attach(first.document(), QStringLiteral("letter.txt")) &&
               attach(second.sound(), QStringLiteral("chime.wav")) &&
               attach(second.document(), QStringLiteral("blob.bin"));
    }

    // The save that takes the attached files into the wallet's file, which says so for each.
    bool SaveAttached() {
        for (int i = 0; i < kAttached; ++i)
            m_answers.Message(QStringLiteral("has been attached"), Prompts::Answer::Ok);
        return m_wallet.OnFileSave();
    }

    static constexpr int kAttached = 4;
    QString m_samples;
    ScriptedPrompts m_answers;
    CWallet m_wallet;
};
