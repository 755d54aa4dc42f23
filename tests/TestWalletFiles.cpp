// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "WalletFixture.h"
#include "base/Clock.h"
#include "base/FieldCipher.h"
#include "storage/CompoundFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>

#include <csignal>
#include <limits>
#include <sys/resource.h>

namespace {
QStringList Elements(const QString& path, const QString& storage = QString()) {
    CompoundFile file;
    if (!file.Open(path) || (!storage.isEmpty() && !file.OpenStorage(storage)))
        return {QStringLiteral("<cannot open>")};
    return file.ElementNames();
}

} // namespace

class TestWalletFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }

    void newWalletHoldsBuiltInContent() {
        WalletFixture f;
        f.MakeNew();
        const CWallet& w = *f.wallet;
        QCOMPARE(w.Templates().Count(), 34);
        QCOMPARE(w.Templates().At(0)->description, QStringLiteral("Calling Card"));
        QCOMPARE(w.Templates().At(0)->internalName, QStringLiteral("1"));
        QCOMPARE(w.Templates().At(0)->iconId, 530);
        QCOMPARE(w.Templates().At(33)->description, QStringLiteral("Vehicle Profile"));
        QCOMPARE(w.Templates().At(33)->internalName, QStringLiteral("34"));
        QCOMPARE(w.Categories().Count(), 2);
        QCOMPARE(w.Categories().At(0)->id, 35);
        QCOMPARE(w.Categories().At(0)->description, QStringLiteral("Business"));
        QCOMPARE(w.Categories().At(1)->description, QStringLiteral("Personal"));
        QCOMPARE(w.PeekNextId(), 37);
        QVERIFY(!w.IsLocked());
        QVERIFY(!w.IsModified());
        QCOMPARE(w.Title(), QStringLiteral("NewWallet"));
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join('\n')));
    }

    void newWalletWithPassword() {
        WalletFixture f;
        f.prompts.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::Yes);
        f.prompts.Password(QStringLiteral("2468"));
        f.prompts.Message(QStringLiteral("To verify your new password"), Prompts::Answer::Ok);
        f.prompts.Password(QStringLiteral("2468"));
        f.prompts.Message(QStringLiteral("Password changed successfully!"), Prompts::Answer::Ok);
        QVERIFY(f.wallet->OnNewDocument());
        QCOMPARE(f.wallet->Password(), QStringLiteral("2468"));
        QVERIFY(!f.wallet->IsLocked());
        QVERIFY(!f.wallet->IsModified());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void savedWalletOpensEqual() {
        WalletFixture f;
        f.MakeNew();
        f.AddCard(QStringLiteral("Visa"));
        f.wallet->SetPassword(QStringLiteral("1357"));
        QVERIFY(f.SaveAs(QStringLiteral("mine.kvx")));
        QCOMPARE(f.wallet->Title(), QStringLiteral("mine.kvx"));
        QVERIFY(!f.wallet->IsModified());
        const QByteArray before = f.Snapshot();
        QCOMPARE(Elements(f.Path("mine.kvx")), (QStringList{"D", "F"}));
        QCOMPARE(Elements(f.Path("mine.kvx"), "D"), (QStringList{"W"}));

        f.wallet->DeleteContents();
        QVERIFY(f.wallet->OnOpenDocument(f.Path("mine.kvx")));
        QCOMPARE(f.Snapshot(), before);
        QVERIFY(f.wallet->IsLocked());
        QCOMPARE(f.wallet->PathName(), f.Path("mine.kvx"));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void openingAsksForThePasswordWhenTheWalletSaysSo() {
        WalletFixture f;
        f.MakeNew();
        f.wallet->SetPassword(QStringLiteral("8642"));
        {
            CWallet::Settings settings = f.wallet->GetSettings();
            settings.askPasswordOnOpen = 1;
            f.wallet->SetSettings(settings);
        }
        QVERIFY(f.SaveAs(QStringLiteral("ask.kvx")));
        QSignalSpy quit(f.wallet.get(), &CWallet::quitRequested);

        f.prompts.Password(QStringLiteral("8642"));
        QVERIFY(f.wallet->OnOpenDocument(f.Path("ask.kvx")));
        QVERIFY(!f.wallet->IsLocked());
        QCOMPARE(f.prompts.Asked().last(), QStringLiteral("Enter the password to unlock this wallet (ask.kvx):"));

        f.prompts.Password(QStringLiteral("1111"));
        QVERIFY(!f.wallet->OnOpenDocument(f.Path("ask.kvx")));
        QVERIFY(f.wallet->IsQuitting());
        QCOMPARE(quit.count(), 1);
        QCOMPARE(quit.at(0).at(0).toInt(), -1);
        QVERIFY(!f.wallet->OnNewDocument());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void lockStateAfterOpening() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("none.kvx")));
        QVERIFY(f.wallet->OnOpenDocument(f.Path("none.kvx")));
        QVERIFY(!f.wallet->IsLocked());
        f.wallet->SetPassword(QStringLiteral("1234"));
        {
            CWallet::Settings settings = f.wallet->GetSettings();
            settings.disableDesktopPassword = 1;
            f.wallet->SetSettings(settings);
        }
        QVERIFY(f.wallet->OnFileSave());
        QVERIFY(f.wallet->OnOpenDocument(f.Path("none.kvx")));
        QVERIFY(f.wallet->IsLocked());
        QVERIFY(f.wallet->RequestAccess(QString()));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void savingAgainKeepsAttachments() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("w.kvx")));
        Clock::Freeze(QDateTime(QDate(2003, 7, 5), QTime(9, 4, 3)));
        QVERIFY(f.Attach(f.AddCard(QStringLiteral("First"))->image(), "a.jpg", QByteArray(5000, 'a')));
        Clock::Release();
        f.ExpectAttached(QStringLiteral("a.jpg"));
        QVERIFY(f.wallet->OnFileSave());
        f.AddCard(QStringLiteral("Second"));
        QVERIFY(f.wallet->OnFileSave());
        QCOMPARE(Elements(f.Path("w.kvx"), "F"), (QStringList{"200375943"}));
        f.wallet->DeleteContents();
        QVERIFY(f.wallet->OnOpenDocument(f.Path("w.kvx")));
        QCOMPARE(f.wallet->Cards().Count(), 2);
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void saveAsCarriesAttachments() {
        WalletFixture f;
        f.MakeNew();
        Clock::Freeze(QDateTime(QDate(2024, 1, 1), QTime(1, 0, 0)));
        QVERIFY(f.SaveAs(QStringLiteral("first.kvx")));
        QVERIFY(f.Attach(f.AddCard(QStringLiteral("Photo"))->image(), "p.jpg", "picture"));
        Clock::Release();
        f.ExpectAttached(QStringLiteral("p.jpg"));
        QVERIFY(f.wallet->OnFileSave());
        f.prompts.SaveFile(f.Path("second.kvx"));
        QVERIFY(f.wallet->OnFileSaveAs());
        QCOMPARE(f.wallet->PathName(), f.Path("second.kvx"));
        QCOMPARE(Elements(f.Path("second.kvx"), "F"), (QStringList{"202411100"}));
        // Over an existing wallet: replaced whole, attachments of the wallet saved.
        f.prompts.SaveFile(f.Path("first.kvx"));
        QVERIFY(f.wallet->OnFileSaveAs());
        QCOMPARE(Elements(f.Path("first.kvx"), "F"), (QStringList{"202411100"}));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void fiveRemovalsResetTheCounter_data() {
        QTest::addColumn<int>("removals");
        QTest::addColumn<int>("stored");
        QTest::newRow("four") << 4 << 4;
        QTest::newRow("five") << 5 << 0;
    }

    void fiveRemovalsResetTheCounter() {
        QFETCH(int, removals);
        QFETCH(int, stored);
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("c.kvx")));
        CCard* card = f.AddCard(QStringLiteral("Photos"));
        for (int i = 0; i < removals; ++i) {
            QVERIFY(f.Attach(card->image(), "p.jpg", QByteArray(10000, char('0' + i))));
            QVERIFY(f.wallet->OnFileSave());
            QCOMPARE(Elements(f.Path("c.kvx"), "F").size(), 1);
            QCOMPARE(card->image().RemoveStream(), 1);
        }
        QCOMPARE(f.wallet->CompactCounter(), removals);
        QVERIFY(f.wallet->IsModified());
        QVERIFY(f.wallet->OnFileSave());
        QCOMPARE(f.wallet->CompactCounter(), stored);
        QVERIFY(Elements(f.Path("c.kvx"), "F").isEmpty());
        f.wallet->DeleteContents();
        QVERIFY(f.wallet->OnOpenDocument(f.Path("c.kvx")));
        QCOMPARE(f.wallet->CompactCounter(), stored);
    }

    void versions_data() {
        QTest::addColumn<float>("version");
        QTest::addColumn<bool>("opens");
        QTest::newRow("0.9") << 0.9f << false;
        QTest::newRow("1.0") << 1.0f << true;
        QTest::newRow("2.5") << 2.5f << true;
    }

    void versions() {
        QFETCH(float, version);
        QFETCH(bool, opens);
        WalletFixture f;
        f.MakeNew();
        f.wallet->SetVersion(version);
        QVERIFY(f.SaveAs(QStringLiteral("old.kvx")));
        f.wallet->DeleteContents();
        f.AddCard(QStringLiteral("Unsaved"), 1);
        f.wallet->SetStarted(true);
        if (!opens)
            f.prompts.Message(QStringLiteral("\"old.kvx\" is incompatible with this version of Korvel."),
                              Prompts::Answer::Ok);
        QCOMPARE(f.wallet->OnOpenDocument(f.Path("old.kvx")), opens);
        if (opens) {
            QCOMPARE(f.wallet->Version(), version);
            QVERIFY(f.wallet->OnFileSave());
            f.wallet->DeleteContents();
            QVERIFY(f.wallet->OnOpenDocument(f.Path("old.kvx")));
            QCOMPARE(f.wallet->Version(), version);
        } else {
            QCOMPARE(f.wallet->Cards().Count(), 1);
            QCOMPARE(f.wallet->Cards().At(0)->description, QStringLiteral("Unsaved"));
        }
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void failedOpenLeavesWalletAsItWas_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"missing", "not compound", "no stream", "truncated stream", "locked"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void failedOpenLeavesWalletAsItWas() {
        QFETCH(QString, kind);
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("good.kvx")));
        const QString bad = f.Path("bad.kvx");
        CompoundFile holder;
        if (kind == QLatin1String("not compound")) {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("This is not a wallet file at all, just text.");
        } else if (kind == QLatin1String("no stream") || kind == QLatin1String("truncated stream")) {
            QVERIFY(holder.Create(bad));
            QVERIFY(holder.CreateStorage(QStringLiteral("D"), true));
            if (kind == QLatin1String("truncated stream")) {
                auto stream = holder.CreateStream(QStringLiteral("W"));
                stream->write(f.Snapshot().left(100));
            }
            QVERIFY(holder.Commit());
            holder.Close();
        } else if (kind == QLatin1String("locked")) {
            QVERIFY(holder.Open(f.Path("good.kvx")));
        }
        const QString path = kind == QLatin1String("locked") ? f.Path("good.kvx") : bad;
        f.AddCard(QStringLiteral("Keep"));
        const QByteArray before = f.Snapshot();
        const QByteArray fileBefore = FileBytes(path);
        f.wallet->SetStarted(true);
        f.prompts.Message(QStringLiteral("There was an error opening the selected file."), Prompts::Answer::Ok);
        QVERIFY(!f.wallet->OnOpenDocument(path));
        QCOMPARE(f.Snapshot(), before);
        QVERIFY(f.wallet->IsModified());
        QCOMPARE(FileBytes(path), fileBefore);
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join('\n')));
    }

    void failedSaveLeavesFileAsItWas() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("w.kvx")));
        const QByteArray fileBefore = FileBytes(f.Path("w.kvx"));
        f.AddCard(QStringLiteral("New card"));
        CompoundFile holder;
        QVERIFY(holder.Open(f.Path("w.kvx")));
        f.prompts.Message(QStringLiteral("could not be saved"), Prompts::Answer::Ok);
        QVERIFY(!f.wallet->OnFileSave());
        holder.Close();
        QVERIFY(f.wallet->IsModified());
        QCOMPARE(FileBytes(f.Path("w.kvx")), fileBefore);

        // A full disk: the file-size limit stands in for it, for any user.
        for (int i = 0; i < 2000; ++i)
            f.AddCard(QStringLiteral("Card %1").arg(i));
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &limited);
        f.prompts.Message(QStringLiteral("could not be saved"), Prompts::Answer::Ok);
        const bool written = f.wallet->OnFileSave();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QVERIFY(f.wallet->IsModified());
        QCOMPARE(FileBytes(f.Path("w.kvx")), fileBefore);
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void substitutionMethodKeepsEveryCharacter() {
        WalletFixture f;
        f.MakeNew();
        f.wallet->SetCipherMethod(2);
        CCard* card = f.AddCard(QStringLiteral("Odd \uFFB8 text"));
        card->values.Set(1, QString(QChar(0xFFB8)));
        QVERIFY(f.SaveAs(QStringLiteral("m2.kvx")));
        f.wallet->DeleteContents();
        QVERIFY(f.wallet->OnOpenDocument(f.Path("m2.kvx")));
        QCOMPARE(f.wallet->Cards().At(0)->description, QStringLiteral("Odd \uFFB8 text"));
        QCOMPARE(f.wallet->Cards().At(0)->values[1], QString(QChar(0xFFB8)));
        QCOMPARE(f.wallet->CipherMethod(), 1);

        // Without that unit the wallet keeps its method.
        f.wallet->SetCipherMethod(2);
        f.wallet->Cards().At(0)->description = QStringLiteral("Plain");
        f.wallet->Cards().At(0)->values.Set(1, {});
        QVERIFY(f.wallet->OnFileSave());
        f.wallet->DeleteContents();
        QVERIFY(f.wallet->OnOpenDocument(f.Path("m2.kvx")));
        QCOMPARE(f.wallet->CipherMethod(), 2);
        QCOMPARE(f.wallet->Cards().At(0)->description, QStringLiteral("Plain"));
    }

    void savingThroughALinkChangesTheWallet() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("real.kvx")));
        QVERIFY(QFile::link(f.Path("real.kvx"), f.Path("link.kvx")));
        QVERIFY(f.wallet->OnOpenDocument(f.Path("link.kvx")));
        f.AddCard(QStringLiteral("Through the link"));
        QVERIFY(f.wallet->OnFileSave());
        QVERIFY(QFileInfo(f.Path("link.kvx")).isSymLink());
        QVERIFY(f.wallet->OnOpenDocument(f.Path("real.kvx")));
        QCOMPARE(f.wallet->Cards().Count(), 1);
    }

    void saveAsOverAWalletInUseIsRefused() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("theirs.kvx")));
        f.prompts.SaveFile(f.Path("mine.kvx"));
        QVERIFY(f.wallet->OnFileSaveAs());
        const QByteArray theirs = FileBytes(f.Path("theirs.kvx"));
        CompoundFile holder;
        QVERIFY(holder.Open(f.Path("theirs.kvx")));
        QVERIFY(f.wallet->OnOpenDocument(f.Path("mine.kvx")));
        f.prompts.SaveFile(f.Path("theirs.kvx"));
        f.prompts.Message(QStringLiteral("is in use"), Prompts::Answer::Ok);
        QVERIFY(!f.wallet->OnFileSaveAs());
        QCOMPARE(f.wallet->PathName(), f.Path("mine.kvx"));
        holder.Close();
        QCOMPARE(FileBytes(f.Path("theirs.kvx")), theirs);
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join('\n')));
    }

    void damagedIdCounter() {
        WalletFixture f;
        f.MakeNew();
        f.AddCard(QStringLiteral("Card"));
        f.wallet->SetNextId(3);
        QVERIFY(f.SaveAs(QStringLiteral("ids.kvx")));
        QVERIFY(f.wallet->OnOpenDocument(f.Path("ids.kvx")));
        QCOMPARE(f.wallet->PeekNextId(), 38);
        f.wallet->SetNextId(std::numeric_limits<qint32>::max());
        QVERIFY(f.wallet->OnFileSave());
        f.wallet->SetStarted(true);
        f.prompts.Message(QStringLiteral("record numbers are damaged"), Prompts::Answer::Ok);
        QVERIFY(!f.wallet->OnOpenDocument(f.Path("ids.kvx")));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void compactKeepsPermissions() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("p.kvx")));
        const auto shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(f.Path("p.kvx"), shared));
        QVERIFY(f.wallet->Compact());
        QCOMPARE(QFile::permissions(f.Path("p.kvx")) & (QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions(QFile::ReadOther));
    }

    void saveModified() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.wallet->SaveModified());
        f.AddCard(QStringLiteral("x"));
        f.prompts.Message(QStringLiteral("Do you want to save the changes to the new wallet?"), Prompts::Answer::No);
        QVERIFY(f.wallet->SaveModified());
        f.prompts.Message(QStringLiteral("Do you want to save the changes to the new wallet?"), Prompts::Answer::Yes);
        f.prompts.SaveFile(QString());
        QVERIFY(!f.wallet->SaveModified());
        QVERIFY(f.SaveAs(QStringLiteral("s.kvx")));
        f.AddCard(QStringLiteral("y"));
        QVERIFY(f.wallet->SaveModified());
        QVERIFY(!f.wallet->IsModified());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void compactAndCount() {
        WalletFixture f;
        f.MakeNew();
        QCOMPARE(f.wallet->CountAttachments(), 0);
        QVERIFY(f.SaveAs(QStringLiteral("k.kvx")));
        CCard* card = f.AddCard(QStringLiteral("Scans"));
        QVERIFY(f.Attach(card->image(), "x.jpg", QByteArray(100000, 'x')));
        QVERIFY(f.Attach(card->document(), "y.txt", QByteArray(10, 'y')));
        // Attachments reach the file with the save, not before.
        QCOMPARE(f.wallet->CountAttachments(), 0);
        QVERIFY(f.wallet->OnFileSave());
        QCOMPARE(f.wallet->CountAttachments(), 2);
        QVERIFY(f.wallet->Compact());
        QCOMPARE(f.wallet->CountAttachments(), 2);
        f.wallet->DeleteContents();
        QVERIFY(f.wallet->OnOpenDocument(f.Path("k.kvx")));
        QCOMPARE(f.wallet->Templates().Count(), 34);
        QCOMPARE(QDir(f.folder.path())
                     .entryList({QStringLiteral("*.kvx"), QStringLiteral(".*")}, QDir::Files | QDir::Hidden),
                 QStringList{"k.kvx"});
    }

    void independentReaderSeesTheFile() {
        if (!QFileInfo::exists(QStringLiteral("/usr/bin/python3")))
            QSKIP("no Debian python3");
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("o.kvx")));
        QByteArray attachment(9001, Qt::Uninitialized);
        for (int i = 0; i < attachment.size(); ++i)
            attachment[i] = char(i * 7);
        Clock::Freeze(QDateTime(QDate(2024, 12, 7), QTime(9, 5, 0)));
        QVERIFY(f.Attach(f.AddCard(QStringLiteral("Scan"))->document(), "s.pdf", attachment));
        Clock::Release();
        QVERIFY(f.wallet->OnFileSave());
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import olefile, sys, hashlib\n"
                                     "ole = olefile.OleFileIO(sys.argv[1])\n"
                                     "for e in sorted(ole.listdir(streams=True, storages=True)):\n"
                                     "    p = '/'.join(e)\n"
                                     "    if ole.get_type(p) == olefile.STGTY_STREAM:\n"
                                     "        d = ole.openstream(p).read()\n"
                                     "        print(p, len(d), hashlib.sha1(d).hexdigest())\n"
                                     "    else:\n"
                                     "        print(p)\n"),
                      f.Path("o.kvx")});
        QVERIFY(python.waitForFinished(30000));
        const QString out = QString::fromUtf8(python.readAllStandardOutput());
        QVERIFY2(python.exitCode() == 0, qPrintable(QString::fromUtf8(python.readAllStandardError())));
        const QByteArray w = f.Snapshot();
        const QString expected =
            QStringLiteral("D\nD/W %1 %2\nF\nF/2024127950 9001 %3\n")
                .arg(w.size())
                .arg(QString::fromLatin1(QCryptographicHash::hash(w, QCryptographicHash::Sha1).toHex()))
                .arg(QString::fromLatin1(QCryptographicHash::hash(attachment, QCryptographicHash::Sha1).toHex()));
        QCOMPARE(out, expected);
    }
};

QTEST_GUILESS_MAIN(TestWalletFiles)
#include "TestWalletFiles.moc"
