// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "views/CWidgetPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <functional>

// Prompts answered as a user clicking about would, decided by a seeded generator: yes or no, a file of a small set
// or none, the right password, a wrong one or none. Now and then a question is put to the desktop program's own
// message box or keypad instead, for a modal-dialog driver to answer, so that those windows are exercised too.
//
// Files to read come from `samples`, which is never written, and `work`, where every file to write goes. A wallet
// chosen among the samples is first copied into `work`, so saving it leaves the sample as it was.
class RandomPrompts : public Prompts {
public:
    using Note = std::function<void(const QString&)>;

    // The passphrase of the sealed sample, and the one the Seal command gets when it is given a good one.
    static QString Passphrase() { return QStringLiteral("violet kettle marches 1987 under rain"); }

    RandomPrompts(QRandomGenerator& random, const QString& samples, const QString& work, Note note)
        : m_random(random), m_samples(samples), m_work(work), m_note(std::move(note)) {}

    // The real dialogs open over this window; without one, every question is answered here.
    void SetWindow(QWidget* window) {
        m_widgets.SetParentWindow(window);
        m_window = window;
    }
    // The password the keypad on screen expects, for the driver that types it.
    const QString& KeypadPassword() const { return m_keypadPassword; }

    Answer Message(const QString& text, Icon icon, Buttons buttons, Answer defaultAnswer) override {
        if (m_window && Chance(10)) {
            m_note(QStringLiteral("message box \"%1\"").arg(Short(text)));
            return m_widgets.Message(text, icon, buttons, defaultAnswer);
        }
        const Answer answer = buttons == Buttons::YesNo ? (Chance(55) ? Answer::Yes : Answer::No) : Answer::Ok;
        m_note(QStringLiteral("message \"%1\": %2")
                   .arg(Short(text), answer == Answer::Yes  ? QStringLiteral("yes")
                                     : answer == Answer::No ? QStringLiteral("no")
                                                            : QStringLiteral("ok")));
        return answer;
    }

    QString OpenFileName(const QString& filter, const QString&) override {
        const QString path = ChooseToRead(filter);
        m_note(QStringLiteral("open file (%1): %2").arg(Short(filter), Shown(path)));
        return path;
    }

    QString SaveFileName(const QString& filter, const QString& defaultExtension, const QString&) override {
        QString extension = defaultExtension;
        if (extension.isEmpty())
            extension = Extensions(filter).value(0, QStringLiteral("txt"));
        QString path;
        const int roll = Roll(100);
        if (roll < 15)
            path.clear();
        else if (roll < 20)
            path = QDir(m_work).filePath(QStringLiteral("missing/folder/out.") + extension);
        else if (roll < 24) {
            path = QDir(m_work).filePath(QStringLiteral("folder.") + extension);
            QDir().mkpath(path);
        } else
            path = QDir(m_work).filePath(QStringLiteral("saved-%1.%2").arg(Roll(3)).arg(extension));
        m_note(QStringLiteral("save file (%1): %2").arg(Short(filter), Shown(path)));
        return path;
    }

    bool PromptPassword(QString& password, const QString& message) override {
        if (password.isEmpty()) {
            // A new password; the two entries of a change need not agree.
            static const QStringList chosen{QStringLiteral("1234"), QStringLiteral("1234"),  QStringLiteral("1234"),
                                            QStringLiteral("5678"), QStringLiteral("24680"), QString()};
            password = chosen[Roll(int(chosen.size()))];
            m_note(QStringLiteral("new password \"%1\": %2").arg(Short(message), Shown(password)));
            return !password.isEmpty();
        }
        if (m_window && Chance(25)) {
            m_note(QStringLiteral("keypad \"%1\"").arg(Short(message)));
            m_keypadPassword = password;
            return m_widgets.PromptPassword(password, message);
        }
        const bool right = Chance(75);
        m_note(QStringLiteral("password \"%1\": %2")
                   .arg(Short(message), right ? QStringLiteral("right") : QStringLiteral("cancelled")));
        return right;
    }

    bool AskPassphrase(QString& passphrase, const QString& walletName, bool isNew) override {
        const int roll = Roll(100);
        // A wallet sealed here takes a second to seal and to open each time, so a good new passphrase is rare.
        if (isNew)
            passphrase = roll < 70 ? QString() : roll < 90 ? QStringLiteral("abc") : Passphrase();
        else
            passphrase = roll < 15 ? QString() : roll < 25 ? QStringLiteral("not the passphrase") : Passphrase();
        m_note(QStringLiteral("%1passphrase for %2: %3")
                   .arg(isNew ? QStringLiteral("new ") : QString(), walletName, Shown(passphrase)));
        return !passphrase.isEmpty();
    }

private:
    int Roll(int bound) { return int(m_random.bounded(bound)); }
    bool Chance(int percent) { return Roll(100) < percent; }

    static QString Short(QString text) {
        text.replace(u'\n', u' ');
        return text.size() > 60 ? text.left(57) + QStringLiteral("...") : text;
    }
    QString Shown(const QString& path) const {
        if (path.isEmpty())
            return QStringLiteral("cancelled");
        return QDir(QFileInfo(m_work).absolutePath()).relativeFilePath(path);
    }

    // The extensions a filter names ("Name|*.a;*.b|All|*.*|"), without "*".
    static QStringList Extensions(const QString& filter) {
        QStringList extensions;
        static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
        for (const QRegularExpressionMatch& match : pattern.globalMatch(filter))
            extensions.append(match.captured(1).toLower());
        return extensions;
    }

    QStringList Files() const {
        QStringList files;
        for (const QString& folder : {m_samples, m_work}) {
            for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
                files.append(file.absoluteFilePath());
        }
        return files;
    }

    QString ChooseToRead(const QString& filter) {
        const int roll = Roll(100);
        if (roll < 10)
            return {};
        if (roll < 14)
            return QDir(m_work).filePath(QStringLiteral("gone.kvx"));
        const QStringList all = Files();
        QStringList fitting;
        const QStringList extensions = Extensions(filter);
        for (const QString& file : all) {
            if (extensions.contains(QFileInfo(file).suffix().toLower()))
                fitting.append(file);
        }
        const QStringList& pool = fitting.isEmpty() || roll < 24 ? all : fitting;
        if (pool.isEmpty())
            return {};
        const QString chosen = pool[Roll(int(pool.size()))];
        if (QFileInfo(chosen).absolutePath() != QFileInfo(m_samples).absoluteFilePath() ||
            QFileInfo(chosen).suffix() != QStringLiteral("kvx"))
            return chosen;
        const QString copy = QDir(m_work).filePath(QStringLiteral("opened-%1.kvx").arg(Roll(3)));
        QFile::remove(copy);
        QFile::copy(chosen, copy);
        m_note(QStringLiteral("copies %1").arg(Shown(chosen)));
        return copy;
    }

    QRandomGenerator& m_random;
    QString m_samples;
    QString m_work;
    Note m_note;
    CWidgetPrompts m_widgets;
    QPointer<QWidget> m_window;
    QString m_keypadPassword;
};
