// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRunner.h"
#include "ScriptedPrompts.h"
#include "base/Clipboard.h"
#include "base/ResourceLibrary.h"
#include "cli/CliInput.h"
#include "document/CWallet.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QByteArray kPassword = "2468\n";
// A new wallet's ids: templates 1 to 34 (9 is "Credit Card": slot 0 "Acct #", slot 3 the password field "Security
// Code"), then the categories 35 "Business" and 36 "Personal", which require the password.
const QString kCreditCard = QStringLiteral("9");
const QString kBusiness = QStringLiteral("35");
} // namespace

class TestCliRead : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;

    QString Path(const QString& name) const { return m_folder.filePath(name); }

    // Category 37 "Open" without password; cards 38 "Visa" and 40 "Beta" in it, 39 "Alpha bank" in "Business".
    QString MakeWallet(const QString& name, bool withPassword) {
        const QString path = Path(name);
        const QByteArray password = withPassword ? kPassword : QByteArray();
        const QStringList create =
            withPassword ? QStringList{"create", path, "--password"} : QStringList{"create", path};
        const QList<std::pair<QStringList, QByteArray>> steps = {
            {create, password + password},
            {{"add-category", path, "Open", "--no-password"}, {}},
            {{"add-card", path, "37", kCreditCard, "Visa", "--value", "0=4111", "--value", "3=123"}, {}},
            {{"add-card", path, kBusiness, kCreditCard, "Alpha bank", "--value", "0=999"}, password},
            {{"add-card", path, "37", kCreditCard, "Beta", "--notes", "a VISA note"}, {}},
        };
        for (const auto& [arguments, input] : steps) {
            const CliRun run = RunCli(arguments, input);
            if (run.status != 0)
                qFatal("setting up %s: %s", qPrintable(arguments.join(u' ')), Shown(run).constData());
        }
        return path;
    }

    // Settings that no command changes, set the way the desktop program's properties do.
    static void SetFlags(const QString& path, bool askOnOpen, bool disableDesktopPassword) {
        ScriptedPrompts prompts;
        CWallet wallet;
        QVERIFY(wallet.OnOpenDocument(path));
        {
            CWallet::Settings settings = wallet.GetSettings();
            settings.askPasswordOnOpen = askOnOpen;
            settings.disableDesktopPassword = disableDesktopPassword;
            wallet.SetSettings(settings);
        }
        QVERIFY(wallet.OnSaveDocument(path));
    }

private Q_SLOTS:
    void initTestCase() {
        QString error;
        QVERIFY2(ResourceLibrary::Load(&error), qPrintable(error));
        MakeWallet(QStringLiteral("open.kvx"), false);
        MakeWallet(QStringLiteral("locked.kvx"), true);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString w = Path(QStringLiteral("open.kvx"));
        QTest::newRow("nothing") << QStringList{} << "usage: korvel-cli COMMAND";
        QTest::newRow("unknown command") << QStringList{"frobnicate", w} << "unknown command \"frobnicate\"";
        QTest::newRow("missing argument") << QStringList{"show", w} << "wrong number of arguments";
        QTest::newRow("extra argument") << QStringList{"info", w, "x"} << "wrong number of arguments";
        QTest::newRow("unknown option") << QStringList{"ls", w, "--bogus"} << "Unknown option 'bogus'";
        QTest::newRow("option of another command") << QStringList{"info", w, "--yes"} << "Unknown option 'yes'";
        QTest::newRow("id not a number") << QStringList{"show", w, "Visa"} << "CARD must be a number";
        QTest::newRow("slot beyond 14") << QStringList{"add-card", w, "37", "9", "D", "--value", "15=x"}
                                        << "N from 0 to 14";
        QTest::newRow("value without slot")
            << QStringList{"add-card", w, "37", "9", "D", "--value", "x"} << "N from 0 to 14";
        QTest::newRow("no such slot name") << QStringList{"extract", w, "38", "picture"} << "SLOT is one of";
        QTest::newRow("empty description") << QStringList{"add-card", w, "37", "9", ""} << "needs a description";
        QTest::newRow("edit without change") << QStringList{"edit-card", w, "38"} << "needs --description";
        QTest::newRow("icon outside the library")
            << QStringList{"add-category", w, "C", "--icon", "499"} << "--icon takes an icon id from 500 to 595";
    }

    void usageErrors() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CliRun run = RunCli(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message), Shown(run));
        QVERIFY(run.out.isEmpty());
    }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString w = Path(QStringLiteral("open.kvx"));
        QTest::newRow("no wallet file") << QStringList{"info", Path("none.kvx")} << "is not a wallet file";
        QTest::newRow("not a wallet") << QStringList{"info", m_folder.path()} << "is not a wallet file";
        QTest::newRow("create over a file") << QStringList{"create", w} << "already exists";
        QTest::newRow("no such card") << QStringList{"show", w, "77"} << "no card has the id 77";
        QTest::newRow("a category is not a card") << QStringList{"show", w, "37"} << "no card has the id 37";
        QTest::newRow("no such category") << QStringList{"ls", w, "38"} << "no category has the id 38";
        QTest::newRow("no such template") << QStringList{"add-card", w, "37", "Nope", "D"} << "no template has";
        QTest::newRow("value in a free slot")
            << QStringList{"add-card", w, "37", "9", "D", "--value", "14=x"} << "no field in slot 14";
        QTest::newRow("nothing attached") << QStringList{"extract", w, "38", "image"} << "nothing is attached";
    }

    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CliRun run = RunCli(arguments);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(message), Shown(run));
    }

    void infoJson() {
        const CliRun run = RunCli({"info", Path("open.kvx"), "--json"});
        QCOMPARE(run.status, 0);
        const QJsonObject info = run.Json().object();
        QStringList keys = {"version",
                            "cipherMethod",
                            "nextId",
                            "categories",
                            "cards",
                            "templates",
                            "attachments",
                            "askPasswordOnOpen",
                            "mustUnlockToEdit",
                            "autoLock",
                            "lockMinutes",
                            "disableDesktopPassword",
                            "hidePasswordsDefault",
                            "boldFieldNamesDefault",
                            "defaultBackColor",
                            "defaultTextColor",
                            "sealed"};
        keys.sort();
        QCOMPARE(info.keys(), keys);
        QCOMPARE(info["version"].toDouble(), 1.7);
        QCOMPARE(info["nextId"].toInt(), 41);
        QCOMPARE(info["categories"].toInt(), 3);
        QCOMPARE(info["cards"].toInt(), 3);
        QCOMPARE(info["templates"].toInt(), 34);
        QCOMPARE(info["attachments"].toInt(), 0);
        QCOMPARE(info["hidePasswordsDefault"].toBool(), true);
        QCOMPARE(info["lockMinutes"].toInt(), 15);
        QCOMPARE(info["defaultBackColor"].toString(), QStringLiteral("#FFFFFF"));
    }

    void lsJson() {
        const QString w = Path(QStringLiteral("open.kvx"));
        const QJsonArray categories = RunCli({"ls", w, "--json"}).Json().array();
        QCOMPARE(categories.size(), 3);
        QCOMPARE(categories[0].toObject(), (QJsonObject{{"id", 35},
                                                        {"description", "Business"},
                                                        {"requirePassword", true},
                                                        {"iconId", 500},
                                                        {"defaultTemplate", ""}}));
        QCOMPARE(categories[2]["requirePassword"].toBool(), false);
        const QJsonArray cards = RunCli({"ls", w, "37", "--json"}).Json().array();
        QCOMPARE(cards.size(), 2);
        QCOMPARE(cards[0].toObject(),
                 (QJsonObject{{"id", 38}, {"description", "Visa"}, {"template", "9"}, {"iconId", 524}}));
        QCOMPARE(cards[1]["id"].toInt(), 40);
    }

    // One call gives what listing each category in turn gives, each card with its category.
    void lsAllIsEveryCategoryInTurn() {
        const QString w = Path(QStringLiteral("open.kvx"));
        QJsonArray expected;
        for (const QJsonValue& category : RunCli({"ls", w, "--json"}).Json().array()) {
            const int id = category["id"].toInt();
            for (const QJsonValue& card : RunCli({"ls", w, QString::number(id), "--json"}).Json().array()) {
                QJsonObject object = card.toObject();
                object.insert("category", id);
                expected.append(object);
            }
        }
        QCOMPARE(expected.size(), 3);
        QCOMPARE(RunCli({"ls", w, "--all", "--json"}).Json().array(), expected);
        const QStringList lines = RunCli({"ls", w, "--all"}).out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        const QJsonObject first = expected[0].toObject();
        QCOMPARE(lines[0], QStringLiteral("%1\t%2\t%3")
                               .arg(first["id"].toInt())
                               .arg(first["description"].toString())
                               .arg(first["category"].toInt()));
        const CliRun both = RunCli({"ls", w, "37", "--all"});
        QVERIFY2(both.status == 2, Shown(both));
    }

    void templatesJson() {
        const QJsonArray templates = RunCli({"templates", Path("open.kvx"), "--json"}).Json().array();
        QCOMPARE(templates.size(), 34);
        const QJsonObject creditCard = templates[8].toObject();
        QCOMPARE(creditCard["id"].toInt(), 9);
        QCOMPARE(creditCard["internalName"].toString(), kCreditCard);
        const QJsonArray fields = creditCard["fields"].toArray();
        QVERIFY(fields.size() > 3 && fields.size() < 15);
        QCOMPARE(fields[3].toObject(), (QJsonObject{{"name", "Security Code"}, {"type", 3}, {"slot", 3}}));
    }

    void showMasksPasswords_data() {
        QTest::addColumn<bool>("showPasswords");
        QTest::addColumn<QString>("securityCode");
        QTest::newRow("hidden") << false << "******";
        QTest::newRow("shown") << true << "123";
    }

    void showMasksPasswords() {
        QFETCH(bool, showPasswords);
        QFETCH(QString, securityCode);
        QStringList arguments = {"show", Path("open.kvx"), "38", "--json"};
        if (showPasswords)
            arguments.append("--show-passwords");
        const QJsonObject card = RunCli(arguments).Json().object();
        QCOMPARE(card["description"].toString(), QStringLiteral("Visa"));
        QCOMPARE(card["category"].toInt(), 37);
        QCOMPARE(card["template"].toString(), kCreditCard);
        QCOMPARE(card["hidePasswords"].toBool(), true);
        QCOMPARE(card["textColor"].toString(), QStringLiteral("#000000"));
        const QJsonArray values = card["values"].toArray();
        QCOMPARE(values.size(), 15);
        QCOMPARE(values[0].toString(), QStringLiteral("4111"));
        QCOMPARE(values[3].toString(), securityCode);
        QCOMPARE(card["attachments"]["document"].toObject(), (QJsonObject{{"name", ""}, {"stream", ""}}));

        arguments.removeOne("--json");
        const CliRun text = RunCli(arguments);
        QVERIFY2(text.out.startsWith("Visa\nAcct #: 4111\nSecurity Code: " + securityCode + "\n"), Shown(text));
    }

    // The value goes to the clipboard alone, marked as a secret; nothing of the card reaches the terminal.
    void showCopiesOneValue() {
        struct Recording : Clipboard {
            QStringList secrets;
            void SetSecret(const QString& text) override { secrets.append(text); }
            void Forget() override {}
        };
        const QString w = Path("open.kvx");
        const CliRun none = RunCli({"show", w, "38", "--copy", "3"});
        QVERIFY2(none.status == 1 && none.err.contains("No desktop clipboard") && none.out.isEmpty(), Shown(none));
        Recording clipboard;
        Clipboard::Install(&clipboard);
        for (const char* field : {"3", "security code", "password"}) {
            const CliRun run = RunCli({"show", w, "38", "--copy", field});
            QVERIFY2(run.status == 0 && run.out.isEmpty() && run.err.contains("\"Security Code\" of \"Visa\""),
                     Shown(run));
        }
        const CliRun missing = RunCli({"show", w, "38", "--copy", "username"});
        Clipboard::Install(nullptr);
        QVERIFY2(missing.status == 1 && missing.err.contains("no value for \"username\""), Shown(missing));
        QCOMPARE(clipboard.secrets, QStringList(3, QStringLiteral("123")));
    }

    void searchSortsByDescription_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<int>>("ids");
        QTest::newRow("any case: description and notes") << QStringList{"visa"} << QList<int>{40, 38};
        QTest::newRow("match case") << QStringList{"VISA", "--match-case"} << QList<int>{40};
        QTest::newRow("value") << QStringList{"999"} << QList<int>{39};
        QTest::newRow("field names are not searched") << QStringList{"Acct"} << QList<int>{};
    }

    void searchSortsByDescription() {
        QFETCH(QStringList, options);
        QFETCH(QList<int>, ids);
        const CliRun run = RunCli(QStringList{"search", Path("open.kvx")} + options + QStringList{"--json"});
        QCOMPARE(run.status, 0);
        QList<int> found;
        for (const QJsonValue& card : run.Json().array())
            found.append(card["id"].toInt());
        QCOMPARE(found, ids);
    }

    // The order of all cards is the case-blind order of their descriptions, ties kept in id order, also for letters
    // whose folding differs from lower case and for letters beyond the BMP.
    void searchAllFoldsCase() {
        const QString w = Path(QStringLiteral("cases.kvx"));
        const QStringList descriptions = {"zeta",
                                          "Alpha",
                                          "alpha",
                                          QString::fromUtf8("\u00c4rger"),
                                          QString::fromUtf8("\u00e4b"),
                                          QString::fromUtf8("\u00c9CLAIR"),
                                          QString::fromUtf8("\u00e9clair"),
                                          QString::fromUtf8("\u03a3\u0399"),
                                          QString::fromUtf8("\u03c3\u03b9"),
                                          QString::fromUtf8("\u03c2a"),
                                          QString::fromUtf8("\U00010400bc"),
                                          QString::fromUtf8("\U00010428ab"),
                                          QString::fromUtf8("\u0130x"),
                                          QString::fromUtf8("\u00df"),
                                          "SS",
                                          QString::fromUtf8("\u01c5"),
                                          QString::fromUtf8("\u01c6"),
                                          "ALPHA"};
        QVERIFY(RunCli({"create", w}).status == 0);
        QVERIFY(RunCli({"add-category", w, "Open", "--no-password"}).status == 0);
        QList<std::pair<QString, int>> expected;
        for (const QString& description : descriptions) {
            const CliRun run = RunCli({"add-card", w, "37", kCreditCard, description});
            QVERIFY2(run.status == 0, Shown(run));
            expected.append({description, run.out.trimmed().toInt()});
        }
        std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
            return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
        });
        QList<int> found, ids;
        for (const QJsonValue& card : RunCli({"search", w, "", "--json"}).Json().array())
            found.append(card["id"].toInt());
        for (const auto& [description, id] : expected)
            ids.append(id);
        QCOMPARE(found, ids);
    }

    // Guarded actions ask for the password once the wallet has one; the rest never do.
    void passwordRules_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString w = Path(QStringLiteral("locked.kvx"));
        QTest::newRow("search, right") << QStringList{"search", w, "visa"} << kPassword << false << 0 << "";
        QTest::newRow("search, wrong") << QStringList{"search", w, "visa"} << QByteArray("1111\n") << false << 1
                                       << "access refused: the password is wrong";
        QTest::newRow("search, none") << QStringList{"search", w, "visa"} << QByteArray() << false << 1
                                      << "access refused: no password was entered";
        QTest::newRow("no second try without terminal")
            << QStringList{"search", w, "visa"} << QByteArray("1\n2468\n") << false << 1 << "the password is wrong";
        QTest::newRow("terminal: wrong, then right") << QStringList{"search", w, "visa"} << QByteArray("1\n2468\n")
                                                     << true << 0 << "The password you typed is incorrect.";
        QTest::newRow("terminal: three wrong") << QStringList{"search", w, "visa"} << QByteArray("1\n2\n3\n2468\n")
                                               << true << 1 << "the password is wrong";
        QTest::newRow("protected category")
            << QStringList{"ls", w, kBusiness} << QByteArray() << false << 1 << "access refused";
        QTest::newRow("card in protected category")
            << QStringList{"show", w, "39"} << QByteArray("0000\n") << false << 1 << "the password is wrong";
        QTest::newRow("remove category") << QStringList{"rm-category", w, "37", "--yes"} << QByteArray("0000\n")
                                         << false << 1 << "the category was not deleted: the password is wrong";
        QTest::newRow("export") << QStringList{"export", w, Path("x.txt")} << QByteArray() << false << 1
                                << "access refused";
        QTest::newRow("template export") << QStringList{"template-export", w, "9", Path("t.kvt")} << QByteArray()
                                         << false << 1 << "access refused";
        QTest::newRow("line end CR LF") << QStringList{"search", w, "visa"} << QByteArray("2468\r\n") << false << 0
                                        << "";
        QTest::newRow("longest line") << QStringList{"search", w, "visa"} << QByteArray(4096, '2') + '\n'
                                      << false << 1 << "access refused: the password is wrong";
        QTest::newRow("line too long") << QStringList{"search", w, "visa"} << QByteArray(4097, '2') + '\n'
                                       << false << 1 << "access refused: a line of input is longer than 4096 bytes";
        QTest::newRow("line never ends") << QStringList{"search", w, "visa"} << QByteArray(100000, '2') << false << 1
                                         << "longer than 4096 bytes";
        QTest::newRow("NUL in line") << QStringList{"search", w, "visa"}
                                     << QByteArray("24\0"
                                                   "68\n",
                                                   6)
                                     << false << 1 << "access refused: a line of input holds a NUL byte";
        QTest::newRow("category list is open") << QStringList{"ls", w} << QByteArray() << false << 0 << "";
        QTest::newRow("every card, right") << QStringList{"ls", w, "--all"} << kPassword << false << 0 << "";
        QTest::newRow("every card, none")
            << QStringList{"ls", w, "--all"} << QByteArray() << false << 1 << "access refused";
        QTest::newRow("open card") << QStringList{"show", w, "38"} << QByteArray() << false << 0 << "";
    }

    void passwordRules() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(bool, interactive);
        QFETCH(int, status);
        QFETCH(QString, message);
        const CliRun run = RunCli(arguments, input, interactive);
        QVERIFY2(run.status == status, Shown(run));
        QVERIFY2(run.err.contains(message), Shown(run));
    }

    // Endless input without a line end is refused after the first block.
    void endlessInputIsRefused() {
        const int fd = open("/dev/zero", O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        CliInput zeros(fd);
        const CliRun run = RunCliFrom(zeros, {"ls", Path(QStringLiteral("locked.kvx")), kBusiness});
        close(fd);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("a line of input holds a NUL byte"), Shown(run));
    }

    // A pipe whose writer stays: each question takes its line as soon as it is there, and the next line waits for
    // the next question.
    void pipeGivesOneLinePerQuestion() {
        const QString path = Path(QStringLiteral("pipe.kvx"));
        QFile::remove(path);
        QVERIFY(QFile::copy(Path(QStringLiteral("locked.kvx")), path));
        int ends[2];
        QCOMPARE(pipe(ends), 0);
        const QByteArray lines = "2468\n1357\n1357\n";
        QCOMPARE(write(ends[1], lines.constData(), size_t(lines.size())), ssize_t(lines.size()));
        CliInput in(ends[0]);
        const CliRun run = RunCliFrom(in, {"passwd", path});
        close(ends[0]);
        close(ends[1]);
        QVERIFY2(run.status == 0, Shown(run));
        QCOMPARE(RunCli({"search", path, "visa"}, "1357\n").status, 0);
        QCOMPARE(RunCli({"search", path, "visa"}, kPassword).status, 1);
    }

    void printable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("keepLines");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Café ☕ \\x" << false << "Café ☕ \\x";
        QTest::newRow("escape sequence") << "\x1b[2J\x1b]0;t\x07" << true << "\\x1B[2J\\x1B]0;t\\x07";
        QTest::newRow("C1 control") << QStringLiteral("a\u009B"
                                                      "31m")
                                    << true << "a\\x9B31m";
        QTest::newRow("reordering") << QStringLiteral("x\u202Ey\u2066") << true << "x\\u202Ey\\u2066";
        QTest::newRow("lines kept") << "a\r\nb\tc\nd\re" << true << "a\nb\tc\nd\\re";
        QTest::newRow("one line") << "a\r\nb\tc\x7f" << false << "a\\r\\nb\\tc\\x7F";
    }

    void printable() {
        QFETCH(QString, text);
        QFETCH(bool, keepLines);
        QFETCH(QString, shown);
        QCOMPARE(CliConsole::Printable(text, keepLines), shown);
    }

    void walletThatAsksOnOpen_data() {
        QTest::addColumn<bool>("disableDesktopPassword");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::newRow("right") << false << kPassword << 0;
        QTest::newRow("wrong") << false << QByteArray("1357\n") << 1;
        QTest::newRow("authentication off: never asks") << true << QByteArray() << 0;
    }

    void walletThatAsksOnOpen() {
        QFETCH(bool, disableDesktopPassword);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        const QString path = MakeWallet(QStringLiteral("asks.kvx"), true);
        SetFlags(path, true, disableDesktopPassword);
        const CliRun run = RunCli({"info", path, "--json"}, input);
        QVERIFY2(run.status == status, Shown(run));
        QCOMPARE(run.Json().object()["askPasswordOnOpen"].toBool(), status == 0);
        QFile::remove(path);
    }

    void createWithPassword_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("created");
        QTest::addColumn<QString>("message");
        QTest::newRow("twice the same") << QByteArray("13579\n13579\n") << true << "Password changed successfully!";
        QTest::newRow("too short") << QByteArray("123\n123\n") << false << "at least 4 digits";
        QTest::newRow("not digits") << QByteArray("abcd\nabcd\n") << false << "at least 4 digits";
        QTest::newRow("different") << QByteArray("1234\n4321\n") << false << "give --yes to confirm";
        QTest::newRow("input ends") << QByteArray("1234\n") << false << "no password was entered";
    }

    void createWithPassword() {
        QFETCH(QByteArray, input);
        QFETCH(bool, created);
        QFETCH(QString, message);
        const QString path = Path(QStringLiteral("new.kvx"));
        const CliRun run = RunCli({"create", path, "--password"}, input);
        QCOMPARE(run.status, created ? 0 : 1);
        QVERIFY2((run.out + run.err).contains(message), Shown(run));
        QCOMPARE(QFileInfo::exists(path), created);
        if (created) {
            QCOMPARE(RunCli({"search", path, "x"}, "0000\n").status, 1);
            QCOMPARE(RunCli({"search", path, "x"}, "13579\n").status, 0);
        }
        QFile::remove(path);
    }
};

QTEST_GUILESS_MAIN(TestCliRead)
#include "TestCliRead.moc"
