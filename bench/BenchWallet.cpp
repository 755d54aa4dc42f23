// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the wallet core on a large, realistic wallet. Every figure is printed beside a baseline measured in the
// same run, as a ratio, so the numbers mean the same on any machine.
#include "BenchSupport.h"
#include "base/CipherText.h"
#include "base/FieldCipher.h"
#include "document/CWallet.h"
#include "model/CArchive.h"
#include "model/CXmlDocument.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {
using bench::Measure;
using bench::Report;
using bench::Word;

constexpr int kCards = 100000;

void BuildWallet(CWallet& wallet, int cardCount) {
    const QStringList definitions = {
        QStringLiteral("Credit Card,524,Card Number,0,Name on Card,1,Expiry,0,CVV,3,PIN,3,Bank,2,Phone,6,Limit,7"),
        QStringLiteral("Online: Website,547,URL,4,Username,0,Password,3,Email,5,Question,0,Answer,3,Notes,0,Site,0"),
        QStringLiteral("Passport,555,Number,1,Surname,1,Given Names,2,Nationality,0,Birth,0,Issued,0,Expires,0,By,0"),
        QStringLiteral("Insurance,540,Insurer,2,Policy,1,Agent,2,Phone,6,Email,5,Premium,7,Renewal,0,Cover,0"),
    };
    QStringList templateNames;
    for (const QString& definition : definitions) {
        auto cardTemplate = std::make_unique<CCardTemplate>(wallet.NextId());
        cardTemplate->ParseDefinition(definition);
        cardTemplate->internalName = QString::number(cardTemplate->id);
        templateNames.append(cardTemplate->internalName);
        wallet.AddTemplate(std::move(cardTemplate));
    }
    auto category = std::make_unique<CCategory>(wallet.NextId());
    const qint32 categoryId = category->id;
    wallet.AddCategory(std::move(category));
    QRandomGenerator random(42);
    for (int i = 0; i < cardCount; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = Word(random, 8, 28);
        card->templateName = templateNames[i % templateNames.size()];
        card->categoryId = categoryId;
        for (int v = 0; v < 8; ++v)
            card->values.Set(size_t(v), Word(random, 4, 24));
        if (i % 4 == 0)
            card->notes = Word(random, 20, 200);
        wallet.AddCard(std::move(card));
    }
}

// The texts that the wallet's cards hold enciphered in the file: each description, notes and value.
QList<QString> Texts(const CWallet& wallet) {
    QList<QString> texts;
    for (const CCard* card : wallet.Cards()) {
        texts << card->description << card->notes;
        for (QStringView value : card->values)
            texts.append(value.toString());
    }
    return texts;
}

QByteArray Store(CWallet& wallet) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    wallet.Store(buffer, error);
    return bytes;
}

void BenchArchive(CWallet& wallet) {
    const QList<QString> texts = Texts(wallet);
    QByteArray bytes;
    const double write = Measure([&] { bytes = Store(wallet); });
    QByteArray copy;
    const double copyMs = Measure([&] {
        copy = QByteArray(bytes.size(), Qt::Uninitialized);
        std::memcpy(copy.data(), bytes.constData(), size_t(bytes.size()));
    });
    QList<QString> ciphered;
    const double encipher = Measure([&] {
        ciphered.clear();
        ciphered.reserve(texts.size());
        for (const QString& text : texts)
            ciphered.append(CipherText(text, true, wallet.CipherMethod()));
    });
    QList<QString> plain(ciphered.size());
    const double decipher = Measure([&] {
        for (qsizetype i = 0; i < ciphered.size(); ++i)
            plain[i] = CipherText(ciphered[i], false, wallet.CipherMethod());
    });
    // Each read goes into an empty wallet, and the wallet read is dropped outside the timing, as the deciphered
    // texts of the baseline are.
    double read = 1e300;
    for (int run = 0; run < 3; ++run) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        CWallet back;
        QString error;
        read = std::min(read, Measure([&] { back.Load(buffer, error); }, 1));
    }
    std::printf("wallet stream: %.1f MB, %lld texts\n", bytes.size() / 1e6, qlonglong(texts.size()));
    Report("write 100,000 cards", write, "copy the same bytes", copyMs);
    Report("write 100,000 cards", write, "encipher the same texts alone", encipher, "<= 1.30");
    Report("read 100,000 cards", read, "copy the same bytes", copyMs);
    Report("read 100,000 cards", read, "decipher the same texts alone", decipher, "<= 1.30");

    qlonglong blocks = 0;
    for (const QString& text : texts)
        blocks += (text.size() + 3) / 4;
    const FieldCipher cipher;
    const double raw = Measure([&] {
        std::uint32_t y = 1, z = 2;
        for (qlonglong b = 0; b < blocks; ++b)
            cipher.Block(y, z, true);
        if (y == z)
            std::puts("");
    });
    Report("encipher all texts", encipher, "raw block function, same blocks", raw);

    // The one-text routine against the batch, over the same enciphered texts held as a wallet being read holds
    // them: each in its own buffer. The batch fills the lanes with the blocks of many texts and spreads over the
    // cores.
    QList<QString> owned;
    auto own = [&] {
        owned.clear();
        owned.reserve(ciphered.size());
        for (const QString& text : ciphered)
            owned.append(QString(text.constData(), text.size()));
    };
    const double oneByOne = Measure(
        [&] {
            for (QString& text : owned)
                text = CipherText(std::move(text), false, wallet.CipherMethod());
        },
        3, own);
    std::vector<QString*> pointers;
    const double batched = Measure([&] { CipherTextBatch(pointers, false, wallet.CipherMethod()); }, 3,
                                   [&] {
                                       own();
                                       pointers.clear();
                                       for (QString& text : owned)
                                           pointers.push_back(&text);
                                   });
    for (qsizetype i = 0; i < owned.size(); ++i) {
        if (owned[i] != plain[i])
            qFatal("the batch deciphered text %lld differently", qlonglong(i));
    }
    Report("decipher all texts, one batch", batched, "decipher one text at a time", oneByOne, "<= 0.33");
}

void BenchSearch(CWallet& wallet) {
    int found = 0;
    // Found nowhere, so every text of every card is searched.
    const QString needle = QStringLiteral("#!#");
    const double search = Measure([&] {
        found = 0;
        for (const CCard* card : wallet.Cards())
            found += card->ContainsText(needle, false);
    });
    QString all;
    for (const QString& text : Texts(wallet))
        all += text;
    const double scan = Measure([&] { found += all.contains(needle, Qt::CaseInsensitive); });
    Report("ContainsText over all cards", search, "one case-blind scan over the same text", scan);
}

double XmlOfCards(CWallet& wallet, int count) {
    return Measure(
        [&] {
            CXmlDocument xml(QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"));
            xml.AddElem(QStringLiteral("Korvel"));
            xml.IntoElem();
            xml.AddElem(QStringLiteral("Category"));
            xml.SetAttrib(QStringLiteral("Description"), QStringLiteral("All"));
            int n = 0;
            for (const CCard* card : wallet.Cards()) {
                if (n++ == count)
                    break;
                xml.AddChildSubDoc(card->GetText(true));
            }
        },
        2);
}

void BenchXml(CWallet& wallet) {
    const double small = XmlOfCards(wallet, kCards / 10);
    const double large = XmlOfCards(wallet, kCards);
    Report("XML of 100,000 cards", large, "XML of 10,000 cards", small, "<= 12");
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    CWallet wallet;
    BuildWallet(wallet, kCards);
    BenchArchive(wallet);
    BenchSearch(wallet);
    BenchXml(wallet);
    return 0;
}
