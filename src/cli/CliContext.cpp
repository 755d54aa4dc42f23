// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliContext.h"

#include "cli/CliConsole.h"
#include "cli/CliError.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
constexpr int kLastSlot = 14;

QString Quoted(const QString& text) {
    return u'"' + text + u'"';
}
} // namespace

CliContext::CliContext(const QCommandLineParser& parser, CliConsole& console, TerminalPrompts& prompts)
    : m_parser(parser), m_console(console), m_prompts(prompts) {}

CliContext::~CliContext() = default;

QString CliContext::Arg(int index) const {
    return m_parser.positionalArguments().value(index);
}

QString CliContext::PathArg(int index, const char* what) const {
    const QString argument = Arg(index);
    if (argument.isEmpty())
        throw CliError::Usage(QStringLiteral("%1 is empty; it must name a file").arg(QLatin1String(what)));
    return QFileInfo(argument).absoluteFilePath();
}

CWallet& CliContext::NewWallet() {
    m_wallet = std::make_unique<CWallet>();
    m_wallet->SetStarted(true);
    m_wallet->SetFileHold(CWallet::FileHold::Exclusive);
    return *m_wallet;
}

CWallet& CliContext::OpenWallet(Access access) {
    const QString path = Arg(0);
    if (!QFileInfo(path).isFile())
        throw CliError(Quoted(path) + QStringLiteral(" is not a wallet file"));
    CWallet& wallet = NewWallet();
    if (access == Access::Read)
        wallet.SetFileHold(CWallet::FileHold::Shared);
    wallet.SetCostTrust(IsSet(kTrustCosts) ? CWalletFile::CostTrust::Trust : CWalletFile::CostTrust::Refuse);
    m_prompts.ClearPasswordFailure();
    if (!wallet.OnOpenDocument(QFileInfo(path).absoluteFilePath())) {
        if (wallet.IsQuitting())
            Refused(QString());
        if (!m_prompts.PasswordFailure().isEmpty())
            Refused(QStringLiteral("the wallet was not opened"));
        throw CliError(QString());
    }
    return wallet;
}

CWallet& CliContext::Wallet() {
    return *m_wallet;
}

void CliContext::Save() {
    if (!m_wallet->OnSaveDocument(m_wallet->PathName()))
        throw CliError(QString());
}

void CliContext::RequireAccess() {
    m_prompts.ClearPasswordFailure();
    if (!m_wallet->RequestAccess(QString()))
        Refused(QString());
}

void CliContext::RequireAccess(const CCategory& category) {
    if (category.RequiresPassword())
        RequireAccess();
}

void CliContext::RequireCardAccess(const CCard& card, bool forEditing) {
    const CCategory* category = m_wallet->Categories().FindById(card.categoryId);
    if (category && category->RequiresPassword())
        RequireAccess();
    if (forEditing)
        RequireCardChange();
}

void CliContext::RequireCardChange() {
    m_prompts.ClearPasswordFailure();
    if (!m_wallet->MayChangeCards())
        Refused(QString());
}

void CliContext::Refused(const QString& otherwise) const {
    const QString& reason = m_prompts.PasswordFailure();
    const QString what = otherwise.isEmpty() ? QStringLiteral("access refused") : otherwise;
    throw CliError(reason.isEmpty() ? what : what + QStringLiteral(": ") + reason);
}

qint32 CliContext::ParseId(const QString& argument, const char* what) {
    bool ok = false;
    const qint32 id = argument.toInt(&ok);
    if (!ok)
        throw CliError::Usage(QStringLiteral("%1 must be a number: %2").arg(QLatin1String(what), Quoted(argument)));
    return id;
}

CCard& CliContext::Card(const QString& argument) const {
    CCard* card = m_wallet->Cards().FindById(ParseId(argument, "CARD"));
    if (!card)
        throw CliError(QStringLiteral("no card has the id ") + argument);
    return *card;
}

CCategory& CliContext::Category(const QString& argument) const {
    CCategory* category = m_wallet->Categories().FindById(ParseId(argument, "CATEGORY"));
    if (!category)
        throw CliError(QStringLiteral("no category has the id ") + argument);
    return *category;
}

CCardTemplate& CliContext::Template(const QString& argument) const {
    bool isNumber = false;
    const qint32 id = argument.toInt(&isNumber);
    CCardTemplate* found = isNumber ? m_wallet->Templates().FindById(id) : nullptr;
    if (!found)
        found = m_wallet->Templates().FindByInternalName(argument);
    if (!found)
        throw CliError(QStringLiteral("no template has the id or internal name ") + Quoted(argument));
    return *found;
}

CAttachment& CliContext::Slot(CCard& card, const QString& argument) {
    if (argument == u"image")
        return card.image();
    if (argument == u"sound")
        return card.sound();
    if (argument == u"document")
        return card.document();
    throw CliError::Usage(QStringLiteral("SLOT is one of image, sound, document: ") + Quoted(argument));
}

QList<std::pair<int, QString>> CliContext::FieldValues(const CCardTemplate* cardTemplate) const {
    QList<std::pair<int, QString>> values;
    for (const QString& option : Values(QStringLiteral("value"))) {
        const qsizetype equals = option.indexOf(u'=');
        bool ok = false;
        const int slot = equals < 0 ? -1 : option.left(equals).toInt(&ok);
        if (!ok || slot < 0 || slot > kLastSlot)
            throw CliError::Usage(QStringLiteral("--value takes N=TEXT with N from 0 to 14: ") + Quoted(option));
        if (!cardTemplate || cardTemplate->fields[slot].IsFree())
            throw CliError(QStringLiteral("the card's template has no field in slot %1").arg(slot));
        values.append({slot, option.mid(equals + 1)});
    }
    return values;
}

// Templates take the counter plus 500, so the counter can reach an id one of them already has.
qint32 CliContext::FreeId(qint32 offset) {
    for (;;) {
        const qint32 id = m_wallet->NextId() + offset;
        if (!m_wallet->Cards().FindById(id) && !m_wallet->Templates().FindById(id) &&
            !m_wallet->Categories().FindById(id))
            return id;
    }
}

void CliContext::ConfirmReplace(const QString& path) const {
    // A device or a pipe is written into, not replaced.
    if (!QFileInfo(path).isFile())
        return;
    if (!Prompts::AskYesNo(Quoted(path) + QStringLiteral(" already exists. Do you want to replace it?"),
                           Prompts::Icon::Exclamation, Prompts::Answer::No))
        throw CliError(Quoted(path) + QStringLiteral(" was left as it was"));
}

void CliContext::PrintJson(const QJsonValue& value) {
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    m_console.Out() << QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}

QString CliContext::ColorText(quint32 color) {
    const quint32 rgb = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
    return QStringLiteral("#%1").arg(rgb, 6, 16, QChar(u'0')).toUpper();
}
