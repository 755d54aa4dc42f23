// SPDX-License-Identifier: GPL-3.0-or-later
// The three-way merge of two versions of a wallet, in memory and through their files.
#include "WalletFixture.h"
#include "base/Clock.h"
#include "document/CWalletFollower.h"
#include "document/CWalletMerge.h"
#include "model/CCard.h"
#include "model/CCardTemplate.h"
#include "model/CCategory.h"

#include <QBuffer>
#include <QSet>

namespace {
const QDateTime kNow(QDate(2026, 12, 8), QTime(9, 30));
const QString kConflict = QStringLiteral(" (conflict 2026-12-08 09:30)");
constexpr qint32 kCard = 37;
constexpr qint32 kCategory = 35;
const QString kPassphrase = QStringLiteral("orbit tulip canyon velvet harbor 1984");

std::unique_ptr<CWallet> Copy(CWallet& from) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QString error;
    from.Store(out, error);
    auto copy = std::make_unique<CWallet>();
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    copy->Load(in, error);
    return copy;
}

// Each card as "description|value 0|value 3|category", sorted.
QStringList Cards(const CWallet& wallet) {
    QStringList cards;
    for (const CCard* card : wallet.Cards()) {
        cards.append(QStringLiteral("%1|%2|%3|%4")
                         .arg(card->description, card->values[0].toString(), card->values[3].toString())
                         .arg(card->categoryId));
    }
    cards.sort();
    return cards;
}

QSet<qint32> Ids(const CWallet& wallet) {
    QSet<qint32> ids;
    for (const CCard* card : wallet.Cards())
        ids.insert(card->id);
    for (const CCategory* category : wallet.Categories())
        ids.insert(category->id);
    for (const CCardTemplate* cardTemplate : wallet.Templates())
        ids.insert(cardTemplate->id);
    return ids;
}

int RecordCount(const CWallet& wallet) {
    return int(wallet.Cards().Count() + wallet.Categories().Count() + wallet.Templates().Count());
}
} // namespace

class TestWalletMerge : public QObject {
    Q_OBJECT

    std::unique_ptr<WalletFixture> m_f;

    // One change of a side: "v0=TEXT" and "v3=TEXT" set a value of the card, "desc=TEXT" its description, "delete"
    // deletes it, "add=TEXT" adds a card with the wallet's next id (the same on both sides).
    void Change(CWallet& wallet, const QString& op) {
        CCard* card = wallet.Cards().FindById(kCard);
        const QString text = op.section(u'=', 1);
        if (op.startsWith(u"v0") || op.startsWith(u"v3")) {
            wallet.ChangeCard(*card, [&](CCard& c) { return c.values.Set(op.startsWith(u"v0") ? 0 : 3, text), true; });
        } else if (op.startsWith(u"desc")) {
            wallet.ChangeCard(*card, [&](CCard& c) { return c.description = text, true; });
        } else if (op == u"delete") {
            m_f->prompts.Message(QStringLiteral("delete"), Prompts::Answer::Yes);
            QVERIFY(wallet.DeleteCard(kCard));
        } else if (op.startsWith(u"add")) {
            auto added = std::make_unique<CCard>(wallet.NextId());
            added->description = text;
            added->categoryId = kCategory;
            added->templateName = QStringLiteral("9");
            wallet.AddCard(std::move(added));
        }
    }

    void Merge(const CWallet* base, CWallet& ours, CWallet& theirs) {
        CWalletMerge merge(base, ours, theirs, kNow);
        QString error;
        QVERIFY2(merge.Apply(ours, error), qPrintable(error));
    }

    static bool ChangesNothing(const CWallet* base, CWallet& ours, CWallet& theirs) {
        return CWalletMerge(base, ours, theirs, kNow).ChangesNothing();
    }

private Q_SLOTS:
    void initTestCase() {
        WalletFixture::LoadLibrary();
        Clock::Freeze(kNow);
    }
    void cleanupTestCase() { Clock::Release(); }

    // A new wallet (templates 1 to 34, categories 35 and 36) with card 37 "Visa" in category 35.
    void init() {
        m_f = std::make_unique<WalletFixture>();
        m_f->MakeNew();
        m_f->AddCard(QStringLiteral("Visa"));
        m_f->wallet->SetModified(false);
    }
    void cleanup() {
        const QStringList faults = m_f->prompts.Faults();
        m_f.reset();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

    void cardRules_data() {
        QTest::addColumn<bool>("withBase");
        QTest::addColumn<QString>("ours");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<QStringList>("expected");
        const QString visa = QStringLiteral("Visa|4111 1111 1111 1111|123|35");
        auto row = [](const char* tag, bool withBase, const char* ours, const char* theirs, QStringList expected) {
            QTest::newRow(tag) << withBase << QString::fromUtf8(ours) << QString::fromUtf8(theirs) << expected;
        };
        row("unchanged", true, "", "", {visa});
        row("changed there", true, "", "v0=5", {"Visa|5|123|35"});
        row("changed here", true, "v0=5", "", {"Visa|5|123|35"});
        row("changed alike", true, "v0=5", "v0=5", {"Visa|5|123|35"});
        row("different fields", true, "v0=5", "v3=9", {"Visa|5|9|35"});
        row("description and value", true, "desc=Mine", "v0=5", {"Mine|5|123|35"});
        row("same field", true, "v0=5", "v0=6", {"Visa" + kConflict + "|6|123|35", "Visa|5|123|35"});
        row("deleted here", true, "delete", "", {});
        row("deleted there", true, "", "delete", {});
        row("deleted on both", true, "delete", "delete", {});
        row("deleted here, changed there", true, "delete", "v0=6", {"Visa|6|123|35"});
        row("changed here, deleted there", true, "v0=5", "delete", {"Visa|5|123|35"});
        row("added alike", true, "add=Amex", "add=Amex", {"Amex|||35", visa});
        row("added under one id", true, "add=Amex", "add=Diners", {"Amex|||35", "Diners|||35", visa});
        row("no base: changed here", false, "v0=5", "",
            {"Visa" + kConflict + "|4111 1111 1111 1111|123|35", "Visa|5|123|35"});
        row("no base: deleted here", false, "delete", "", {visa});
        row("no base: deleted there", false, "", "delete", {visa});
        row("no base: added under one id", false, "add=Amex", "add=Diners",
            {"Amex|||35", "Diners" + kConflict + "|||35", visa});
    }

    // Each kind of change on each side, and what the merged wallet holds: no two records share an id, and the result
    // merged with itself changes nothing.
    void cardRules() {
        QFETCH(bool, withBase);
        QFETCH(QString, ours);
        QFETCH(QString, theirs);
        QFETCH(QStringList, expected);
        CWallet& mine = *m_f->wallet;
        std::unique_ptr<CWallet> base = Copy(mine);
        std::unique_ptr<CWallet> other = Copy(mine);
        Change(mine, ours);
        Change(*other, theirs);
        Merge(withBase ? base.get() : nullptr, mine, *other);
        QCOMPARE(Cards(mine), expected);
        QCOMPARE(Ids(mine).size(), RecordCount(mine));
        QVERIFY(ChangesNothing(withBase ? base.get() : nullptr, mine, *Copy(mine)));
    }

    // A wallet merged with itself, or with its own base, stays as it is.
    void mergeWithItselfOrItsBaseChangesNothing() {
        CWallet& mine = *m_f->wallet;
        std::unique_ptr<CWallet> base = Copy(mine);
        Change(mine, QStringLiteral("v0=5"));
        Change(mine, QStringLiteral("add=Amex"));
        const QByteArray before = m_f->Snapshot();
        QVERIFY(ChangesNothing(base.get(), mine, *Copy(mine)));
        QVERIFY(ChangesNothing(nullptr, mine, *Copy(mine)));
        QVERIFY(ChangesNothing(base.get(), mine, *Copy(*base)));
        Merge(base.get(), mine, *Copy(*base));
        QCOMPARE(m_f->Snapshot(), before);
    }

    // A template changed on one side and a card of it changed on the other: both changes arrive.
    void templateChangedThereCardChangedHere() {
        CWallet& mine = *m_f->wallet;
        std::unique_ptr<CWallet> base = Copy(mine);
        std::unique_ptr<CWallet> other = Copy(mine);
        CCardTemplate& visaTemplate = *other->Templates().FindByInternalName(QStringLiteral("9"));
        other->ChangeTemplate(visaTemplate, [](CCardTemplate& t) { return t.fields[0].name = "Number", true; });
        Change(mine, QStringLiteral("v0=5"));
        Merge(base.get(), mine, *other);
        QCOMPARE(mine.Templates().FindByInternalName(QStringLiteral("9"))->fields[0].name, QStringLiteral("Number"));
        QCOMPARE(mine.Cards().FindById(kCard)->values[0], u"5");
    }

    // Categories added on both sides under one id: theirs is renumbered and its cards go with it. A category deleted
    // there with its card stays while a card here still needs it.
    void categoriesRenumberedAndKept() {
        CWallet& mine = *m_f->wallet;
        std::unique_ptr<CWallet> base = Copy(mine);
        std::unique_ptr<CWallet> other = Copy(mine);
        for (CWallet* side : {&mine, other.get()}) {
            auto category = std::make_unique<CCategory>(side->NextId());
            category->description = side == &mine ? QStringLiteral("Mine") : QStringLiteral("Theirs");
            side->AddCategory(std::move(category));
        }
        auto card = std::make_unique<CCard>(other->NextId());
        card->description = QStringLiteral("Bike lock");
        card->categoryId = 38;
        other->AddCard(std::move(card));
        m_f->prompts.Message(QStringLiteral("delete"), Prompts::Answer::Yes);
        QVERIFY(other->DeleteCategory(kCategory));
        Change(mine, QStringLiteral("v0=5"));

        CWalletMerge merge(base.get(), mine, *other, kNow);
        QString error;
        QVERIFY(merge.Apply(mine, error));
        const CCategory* theirs = nullptr;
        for (const CCategory* category : mine.Categories()) {
            if (category->description == u"Theirs")
                theirs = category;
        }
        QVERIFY(theirs && theirs->id != 38);
        QCOMPARE(mine.Categories().FindById(38)->description, u"Mine");
        QCOMPARE(Cards(mine), (QStringList{QStringLiteral("Bike lock|||%1").arg(theirs->id), "Visa|5|123|35"}));
        QVERIFY(mine.Categories().FindById(kCategory));
        QCOMPARE(Ids(mine).size(), RecordCount(mine));
        const QString report = merge.ReportText(QStringLiteral("other.kvx"));
        QVERIFY2(report.contains(QStringLiteral("category \"Theirs\" (%1, 38 in \"other.kvx\")").arg(theirs->id)),
                 qPrintable(report));
        QVERIFY2(report.contains(QStringLiteral("kept (deleted on one side, changed or still used on the other): "
                                                "category \"Business\" (35)")),
                 qPrintable(report));
    }

    // Settings come from theirs where only theirs changed them; a password changed there is asked for, and without
    // it nothing is merged.
    void settingsAndPassword() {
        CWallet& mine = *m_f->wallet;
        std::unique_ptr<CWallet> base = Copy(mine);
        std::unique_ptr<CWallet> other = Copy(mine);
        CWallet::Settings settings = other->GetSettings();
        settings.lockMinutes = 3;
        other->SetSettings(settings);
        other->SetPassword(QStringLiteral("2468"));
        Change(*other, QStringLiteral("v0=5"));
        const QByteArray before = m_f->Snapshot();
        {
            CWalletMerge merge(base.get(), mine, *other, kNow);
            m_f->prompts.Password(QStringLiteral("1357"));
            QString error;
            QVERIFY(!merge.Apply(mine, error));
            QVERIFY(error.contains(QStringLiteral("password")));
            QCOMPARE(m_f->Snapshot(), before);
        }
        CWalletMerge merge(base.get(), mine, *other, kNow);
        m_f->prompts.Password(QStringLiteral("2468"));
        QString error;
        QVERIFY(merge.Apply(mine, error));
        QCOMPARE(mine.Password(), u"2468");
        QCOMPARE(mine.GetSettings().lockMinutes, 3);
        QCOMPARE(mine.Cards().FindById(kCard)->values[0], u"5");

        // Changed on both sides differently, ours stays and nothing is asked.
        std::unique_ptr<CWallet> again = Copy(*base);
        again->SetPassword(QStringLiteral("9999"));
        CWalletMerge conflicting(base.get(), mine, *again, kNow);
        QVERIFY(conflicting.ChangesNothing());
        QVERIFY(conflicting.ReportText(QStringLiteral("x")).contains(QStringLiteral("this wallet's kept")));
    }

    // The names that Syncthing, Nextcloud and Dropbox give the copies they keep, and only those, beside this wallet.
    void conflictCopiesByName() {
        const QStringList copies{QStringLiteral("w.sync-conflict-20261208-101010-ABCDEFG.kvx"),
                                 QStringLiteral("w (conflicted copy 2026-12-08 101010).kvx"),
                                 QStringLiteral("w (Anna's conflicted copy 2026-12-08).kvx")};
        const QStringList others{QStringLiteral("w.kvx"), QStringLiteral("w2.sync-conflict-20261208-101010-ABC.kvx"),
                                 QStringLiteral("w (backup 2026-12-08 10.10.10).kvx"),
                                 QStringLiteral("w.sync-conflict-20261208-101010-ABCDEFG.txt")};
        for (const QString& name : copies + others)
            WriteFileBytes(m_f->Path(name), "x");
        QStringList expected;
        for (const QString& name : copies)
            expected.append(m_f->Path(name));
        expected.sort();
        QStringList found = CWalletFollower::ConflictCopies(m_f->Path(QStringLiteral("w.kvx")));
        found.sort();
        QCOMPARE(found, expected);
    }

    // Attachments on both sides, made in the same second and so under the same stream name: after the merge and a
    // save every stream has a name of its own and each card reads its own bytes. Theirs is sealed, ours plain.
    void attachmentsOnBothSidesFromASealedVersion() {
        CWallet& mine = *m_f->wallet;
        QVERIFY(m_f->SaveAs(QStringLiteral("ours.kvx")));
        const QString theirsPath = m_f->Path(QStringLiteral("theirs.kvx"));
        QVERIFY(QFile::copy(mine.PathName(), theirsPath));
        QVERIFY(QFile::copy(mine.PathName(), m_f->Path(QStringLiteral("base.kvx"))));
        QVERIFY(m_f->Attach(mine.Cards().FindById(kCard)->image(), QStringLiteral("mine.png"), "mine"));
        m_f->ExpectAttached(QStringLiteral("mine.png"));
        QVERIFY(mine.OnSaveDocument(mine.PathName()));

        CWallet other;
        QVERIFY(other.ReadVersion(theirsPath));
        CCard& theirCard = *other.Cards().FindById(kCard);
        QByteArray theirBytes("theirs");
        QBuffer attached(&theirBytes);
        attached.open(QIODevice::ReadOnly);
        QString error;
        const QString stream = other.AddStream(attached, error);
        other.ChangeCard(theirCard, [&](CCard& card) {
            card.document().streamName = stream;
            card.document().description = QStringLiteral("theirs.pdf");
            return true;
        });
        QVERIFY(other.OnSaveDocument(theirsPath));
        QVERIFY2(other.SealFile(kPassphrase, 1, 8, error), qPrintable(error));
        QCOMPARE(theirCard.document().streamName, mine.Cards().FindById(kCard)->image().streamName);

        CWallet theirs;
        m_f->prompts.Passphrase(kPassphrase);
        QVERIFY(theirs.ReadVersion(theirsPath));
        CWallet base;
        QVERIFY(base.ReadVersion(m_f->Path(QStringLiteral("base.kvx"))));
        Merge(&base, mine, theirs);
        QVERIFY(mine.OnSaveDocument(mine.PathName()));

        CWallet reader;
        QVERIFY(reader.ReadVersion(mine.PathName()));
        const CCard& merged = *reader.Cards().FindById(kCard);
        QVERIFY(merged.image().streamName != merged.document().streamName);
        QCOMPARE(reader.OpenStream(merged.image().streamName, error)->readAll(), QByteArray("mine"));
        QCOMPARE(reader.OpenStream(merged.document().streamName, error)->readAll(), QByteArray("theirs"));
        QCOMPARE(merged.document().description, u"theirs.pdf");
        QVERIFY(!reader.IsSealed());
    }
};

QTEST_GUILESS_MAIN(TestWalletMerge)
#include "TestWalletMerge.moc"
