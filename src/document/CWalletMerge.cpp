// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWalletMerge.h"

#include "base/Prompts.h"
#include "base/Utilities.h"
#include "document/CWallet.h"

#include <QIODevice>
#include <QStringList>

#include <algorithm>

namespace {
// The fields a record is merged by: each compared and taken on its own. Fields() of a record type says how many.
const CAttachment& SlotOf(const CCard& card, int slot) {
    return slot == 0 ? card.image() : slot == 1 ? card.sound() : card.document();
}

CAttachment& SlotOf(CCard& card, int slot) {
    return slot == 0 ? card.image() : slot == 1 ? card.sound() : card.document();
}

bool SameSlot(const CAttachment& a, const CAttachment& b) {
    return a.streamName == b.streamName && a.description == b.description;
}

// The fields that every record has come first.
constexpr int kItemFields = 5;

bool SameItemField(const CWalletItem& a, const CWalletItem& b, int field) {
    switch (field) {
    case 0:
        return a.description == b.description;
    case 1:
        return a.notes == b.notes;
    case 2:
        return a.iconId == b.iconId;
    case 3:
        return a.flag == b.flag;
    default:
        return a.reservedText == b.reservedText;
    }
}

void CopyItemField(CWalletItem& to, const CWalletItem& from, int field) {
    switch (field) {
    case 0:
        to.description = from.description;
        break;
    case 1:
        to.notes = from.notes;
        break;
    case 2:
        to.iconId = from.iconId;
        break;
    case 3:
        to.flag = from.flag;
        break;
    default:
        to.reservedText = from.reservedText;
        break;
    }
}

// A card: the common fields, six of its own, the 15 values, the three attachments.
constexpr int kCardOwnFields = 6;
constexpr int kCardValuesAt = kItemFields + kCardOwnFields;
constexpr int kCardSlotsAt = kCardValuesAt + CCard::kValueCount;
constexpr int kCardFields = kCardSlotsAt + 3;

int Fields(const CCard&) {
    return kCardFields;
}

bool SameField(const CCard& a, const CCard& b, int field) {
    if (field < kItemFields)
        return SameItemField(a, b, field);
    if (field >= kCardSlotsAt)
        return SameSlot(SlotOf(a, field - kCardSlotsAt), SlotOf(b, field - kCardSlotsAt));
    if (field >= kCardValuesAt)
        return a.values[size_t(field - kCardValuesAt)] == b.values[size_t(field - kCardValuesAt)];
    switch (field - kItemFields) {
    case 0:
        return a.categoryId == b.categoryId;
    case 1:
        return a.templateName == b.templateName;
    case 2:
        return a.hidePasswords == b.hidePasswords;
    case 3:
        return a.boldNames == b.boldNames;
    case 4:
        return a.backColor == b.backColor;
    default:
        return a.textColor == b.textColor;
    }
}

void CopyField(CCard& to, const CCard& from, int field) {
    if (field < kItemFields)
        return CopyItemField(to, from, field);
    if (field >= kCardSlotsAt)
        return void(SlotOf(to, field - kCardSlotsAt) = SlotOf(from, field - kCardSlotsAt));
    if (field >= kCardValuesAt)
        return to.values.Set(size_t(field - kCardValuesAt), from.values[size_t(field - kCardValuesAt)]);
    switch (field - kItemFields) {
    case 0:
        to.categoryId = from.categoryId;
        break;
    case 1:
        to.templateName = from.templateName;
        break;
    case 2:
        to.hidePasswords = from.hidePasswords;
        break;
    case 3:
        to.boldNames = from.boldNames;
        break;
    case 4:
        to.backColor = from.backColor;
        break;
    default:
        to.textColor = from.textColor;
        break;
    }
}

// A category: the common fields and its default template.
int Fields(const CCategory&) {
    return kItemFields + 1;
}

bool SameField(const CCategory& a, const CCategory& b, int field) {
    return field < kItemFields ? SameItemField(a, b, field) : a.defaultTemplate == b.defaultTemplate;
}

void CopyField(CCategory& to, const CCategory& from, int field) {
    if (field < kItemFields)
        CopyItemField(to, from, field);
    else
        to.defaultTemplate = from.defaultTemplate;
}

// A template: the common fields, its internal name, then each of its 15 field slots.
int Fields(const CCardTemplate&) {
    return kItemFields + 1 + CTemplateFieldArray::kMaxFields;
}

bool SameField(const CCardTemplate& a, const CCardTemplate& b, int field) {
    if (field < kItemFields)
        return SameItemField(a, b, field);
    if (field == kItemFields)
        return a.internalName == b.internalName;
    return a.fields[field - kItemFields - 1] == b.fields[field - kItemFields - 1];
}

void CopyField(CCardTemplate& to, const CCardTemplate& from, int field) {
    if (field < kItemFields)
        CopyItemField(to, from, field);
    else if (field == kItemFields)
        to.internalName = from.internalName;
    else
        to.fields[field - kItemFields - 1] = from.fields[field - kItemFields - 1];
}

template <class Record> bool Same(const Record& a, const Record& b) {
    for (int field = 0; field < Fields(a); ++field) {
        if (!SameField(a, b, field))
            return false;
    }
    return true;
}

template <class T> void Pick(T& merged, const T& base, const T& ours, const T& theirs, bool& changed) {
    if (ours == base && theirs != base) {
        merged = theirs;
        changed = true;
    }
}

qint32 HighestId(const CWallet& wallet) {
    qint32 highest = wallet.PeekNextId() - 1;
    // Each list is in id order, so its last record has its highest id.
    if (!wallet.Cards().IsEmpty())
        highest = std::max(highest, wallet.Cards().At(wallet.Cards().Count() - 1)->id);
    if (!wallet.Templates().IsEmpty())
        highest = std::max(highest, wallet.Templates().At(wallet.Templates().Count() - 1)->id);
    if (!wallet.Categories().IsEmpty())
        highest = std::max(highest, wallet.Categories().At(wallet.Categories().Count() - 1)->id);
    return highest;
}

QString KindName(CWalletMerge::Kind kind) {
    switch (kind) {
    case CWalletMerge::Kind::Template:
        return QStringLiteral("template");
    case CWalletMerge::Kind::Category:
        return QStringLiteral("category");
    case CWalletMerge::Kind::Card:
        return QStringLiteral("card");
    case CWalletMerge::Kind::Password:
        break;
    }
    return QStringLiteral("password");
}

CWalletMerge::Kind KindOf(const CCardTemplate&) {
    return CWalletMerge::Kind::Template;
}
CWalletMerge::Kind KindOf(const CCategory&) {
    return CWalletMerge::Kind::Category;
}
CWalletMerge::Kind KindOf(const CCard&) {
    return CWalletMerge::Kind::Card;
}
} // namespace

CWalletMerge::CWalletMerge(const CWallet* base, const CWallet& ours, CWallet& theirs, const QDateTime& now)
    : m_base(base), m_ours(ours), m_theirs(theirs),
      m_conflictSuffix(now.toString(QStringLiteral(" '(conflict' yyyy-MM-dd HH:mm')'"))) {
    m_nextFree = std::max({HighestId(ours), HighestId(theirs), base ? HighestId(*base) : 0}) + 1;
    // Templates first and categories next: renumbering them rewrites theirs' cards before the cards are compared.
    MergeList<CCardTemplate>(base ? &base->Templates() : nullptr, ours.Templates(), theirs.Templates());
    MergeList<CCategory>(base ? &base->Categories() : nullptr, ours.Categories(), theirs.Categories());
    MergeList<CCard>(base ? &base->Cards() : nullptr, ours.Cards(), theirs.Cards());
    KeepWhatCardsNeed();
    MergeHeader();
}

CWalletMerge::~CWalletMerge() = default;

template <> CWalletMerge::Plan<CCardTemplate>& CWalletMerge::PlanOf() {
    return m_templates;
}
template <> CWalletMerge::Plan<CCategory>& CWalletMerge::PlanOf() {
    return m_categories;
}
template <> CWalletMerge::Plan<CCard>& CWalletMerge::PlanOf() {
    return m_cards;
}

// Both lists are in id order, so one pass over them meets each id once; the base is searched by id.
template <class Record, class List>
void CWalletMerge::MergeList(const List* base, const List& ours, const List& theirs) {
    qsizetype o = 0;
    qsizetype t = 0;
    while (o < ours.Count() || t < theirs.Count()) {
        const Record* mine = o < ours.Count() ? ours.At(o) : nullptr;
        const Record* other = t < theirs.Count() ? theirs.At(t) : nullptr;
        if (mine && other && mine->id != other->id) {
            if (mine->id < other->id)
                other = nullptr;
            else
                mine = nullptr;
        }
        o += mine ? 1 : 0;
        t += other ? 1 : 0;
        const qint32 id = mine ? mine->id : other->id;
        MergeRecord<Record>(base ? base->FindById(id) : nullptr, mine, other);
    }
}

template <class Record> void CWalletMerge::MergeRecord(const Record* base, const Record* ours, const Record* theirs) {
    if (ours && theirs) {
        if (Same(*ours, *theirs) || (base && Same(*base, *theirs)))
            return;
        if (!base)
            return KeepTheirsBeside(*theirs, false);
        if (Same(*base, *ours))
            return TakeTheirs(*theirs, ours, Outcome::Changed);
        auto merged = std::make_unique<Record>(*ours);
        for (int field = 0; field < Fields(*ours); ++field) {
            if (SameField(*ours, *theirs, field))
                continue;
            if (!SameField(*base, *ours, field) && !SameField(*base, *theirs, field))
                return KeepTheirsBeside(*theirs, true);
            if (SameField(*base, *ours, field))
                CopyField(*merged, *theirs, field);
        }
        Arrived(*merged, ours, Outcome::Changed, 0);
        Put(std::move(merged), Outcome::Changed, 0);
    } else if (ours) {
        if (!m_base)
            return;
        if (base && Same(*base, *ours))
            Remove(*ours);
        else if (base)
            Report(Outcome::Kept, KindOf(*ours), ours->description, ours->id);
    } else if (!base) {
        TakeTheirs<Record>(*theirs, nullptr, Outcome::Added);
    } else if (!Same(*base, *theirs)) {
        TakeTheirs<Record>(*theirs, nullptr, Outcome::Kept);
    }
}

// Theirs' version replaces ours, or joins ours under its own id while that is free.
template <class Record> void CWalletMerge::TakeTheirs(const Record& theirs, const Record* ours, Outcome outcome) {
    auto copy = std::make_unique<Record>(theirs);
    if (!ours && IdTaken(copy->id)) {
        copy->id = FreeId();
        outcome = Outcome::Renumbered;
    }
    m_given.insert(copy->id);
    Arrived(*copy, ours, outcome, theirs.id);
    Put(std::move(copy), outcome, outcome == Outcome::Renumbered ? theirs.id : 0);
}

// Both sides have the record, different: ours stays and theirs joins under a new id. A record that the base knew, or
// any record without a base, is a conflict copy; one that the base did not know was added on both sides.
template <class Record> void CWalletMerge::KeepTheirsBeside(const Record& theirs, bool known) {
    auto copy = std::make_unique<Record>(theirs);
    copy->id = FreeId();
    const bool conflict = known || !m_base;
    if (conflict)
        copy->description += m_conflictSuffix;
    const Outcome outcome = conflict ? Outcome::Conflict : Outcome::Renumbered;
    Arrived(*copy, static_cast<const Record*>(nullptr), outcome, theirs.id);
    Put(std::move(copy), outcome, theirs.id);
}

template <class Record> void CWalletMerge::Put(std::unique_ptr<Record> record, Outcome outcome, qint32 theirId) {
    Report(outcome, KindOf(*record), record->description, record->id, theirId);
    PlanOf<Record>().put.push_back(std::move(record));
}

template <class Record> void CWalletMerge::Remove(const Record& record) {
    PlanOf<Record>().removed.insert(record.id, m_report.size());
    Report(Outcome::Removed, KindOf(record), record.description, record.id);
}

void CWalletMerge::Report(Outcome outcome, Kind kind, const QString& description, qint32 id, qint32 theirId) {
    m_report.push_back({outcome, kind, description, id, theirId});
}

bool CWalletMerge::IdTaken(qint32 id) const {
    return m_given.contains(id) || m_ours.Cards().FindById(id) || m_ours.Categories().FindById(id) ||
           m_ours.Templates().FindById(id);
}

qint32 CWalletMerge::FreeId() {
    while (IdTaken(m_nextFree))
        ++m_nextFree;
    m_given.insert(m_nextFree);
    m_nextId = std::max(m_nextId, m_nextFree + 1);
    return m_nextFree++;
}

// A template from theirs keeps its internal name unless ours has another template by that name. One that only
// theirs has (added there) takes theirs' cards and categories along to its new name.
void CWalletMerge::Arrived(CCardTemplate& copy, const CCardTemplate*, Outcome outcome, qint32) {
    const CCardTemplate* named = m_ours.Templates().FindByInternalName(copy.internalName);
    if (!named || named->id == copy.id)
        return;
    const QString old = copy.internalName;
    copy.internalName = UniqueText();
    if (outcome != Outcome::Added && outcome != Outcome::Renumbered)
        return;
    for (CCard* card : m_theirs.Cards()) {
        if (card->templateName == old)
            card->templateName = copy.internalName;
    }
    for (CCategory* category : m_theirs.Categories()) {
        if (category->defaultTemplate == old)
            category->defaultTemplate = copy.internalName;
    }
}

// A category added on theirs' side under an id that ours has takes theirs' cards along to its new id.
void CWalletMerge::Arrived(CCategory& copy, const CCategory*, Outcome outcome, qint32 theirId) {
    if (outcome != Outcome::Renumbered)
        return;
    for (CCard* card : m_theirs.Cards()) {
        if (card->categoryId == theirId)
            card->categoryId = copy.id;
    }
}

// Every attached slot of a card that ours does not hold as it is comes from theirs' file.
void CWalletMerge::Arrived(CCard& copy, const CCard* ours, Outcome, qint32) {
    if (!copy.HasAttachments())
        return;
    for (int slot = 0; slot < 3; ++slot) {
        const CAttachment& attachment = SlotOf(std::as_const(copy), slot);
        if (attachment.IsAttached() && !(ours && SameSlot(SlotOf(*ours, slot), attachment)))
            m_imports.push_back({&copy, slot, attachment.streamName});
    }
}

// A merged card may name a category or template that one side deleted: that record is kept, or brought back from
// theirs or the base, so that no card is left without its category or its template.
void CWalletMerge::KeepWhatCardsNeed() {
    const bool listsShrink = !m_categories.removed.isEmpty() || !m_templates.removed.isEmpty();
    if (!listsShrink && m_cards.put.empty())
        return;
    QSet<qint32> categories;
    QSet<QString> templates;
    QHash<qint32, const CCard*> put;
    for (const auto& card : m_cards.put) {
        put.insert(card->id, card.get());
        categories.insert(card->categoryId);
        templates.insert(card->templateName);
    }
    if (listsShrink) {
        for (const CCard* card : m_ours.Cards()) {
            if (m_cards.removed.contains(card->id) || put.contains(card->id))
                continue;
            categories.insert(card->categoryId);
            templates.insert(card->templateName);
        }
    }
    for (qint32 id : std::as_const(categories))
        NeedCategory(id);
    for (const QString& name : std::as_const(templates))
        NeedTemplate(name);
}

void CWalletMerge::NeedCategory(qint32 id) {
    if (const auto removed = m_categories.removed.constFind(id); removed != m_categories.removed.cend()) {
        m_report[*removed].outcome = Outcome::Kept;
        m_categories.removed.erase(removed);
        return;
    }
    const auto isIt = [id](const std::unique_ptr<CCategory>& category) { return category->id == id; };
    if (m_ours.Categories().FindById(id) || std::any_of(m_categories.put.begin(), m_categories.put.end(), isIt))
        return;
    const CCategory* found = m_theirs.Categories().FindById(id);
    if (!found && m_base)
        found = m_base->Categories().FindById(id);
    if (found)
        Put(std::make_unique<CCategory>(*found), Outcome::Kept, 0);
}

void CWalletMerge::NeedTemplate(const QString& name) {
    if (const CCardTemplate* ours = m_ours.Templates().FindByInternalName(name)) {
        if (const auto removed = m_templates.removed.constFind(ours->id); removed != m_templates.removed.cend()) {
            m_report[*removed].outcome = Outcome::Kept;
            m_templates.removed.erase(removed);
        }
        return;
    }
    const auto isIt = [&name](const std::unique_ptr<CCardTemplate>& t) { return t->internalName == name; };
    if (std::any_of(m_templates.put.begin(), m_templates.put.end(), isIt))
        return;
    const CCardTemplate* found = m_theirs.Templates().FindByInternalName(name);
    if (!found && m_base)
        found = m_base->Templates().FindByInternalName(name);
    if (!found)
        return;
    auto copy = std::make_unique<CCardTemplate>(*found);
    if (IdTaken(copy->id))
        copy->id = FreeId();
    Put(std::move(copy), Outcome::Kept, 0);
}

// Settings and the password: theirs where only theirs changed them. A password that ours takes from theirs is asked
// for before it is taken.
void CWalletMerge::MergeHeader() {
    m_settings = m_ours.GetSettings();
    m_password = m_ours.Password();
    m_nextId = std::max({m_nextId, m_ours.PeekNextId(), m_theirs.PeekNextId()});
    if (!m_base)
        return;
    const Settings& b = m_base->GetSettings();
    const Settings& o = m_ours.GetSettings();
    const Settings& t = m_theirs.GetSettings();
    bool& changed = m_settingsChanged;
    Pick(m_settings.askPasswordOnOpen, b.askPasswordOnOpen, o.askPasswordOnOpen, t.askPasswordOnOpen, changed);
    Pick(m_settings.mustUnlockToEdit, b.mustUnlockToEdit, o.mustUnlockToEdit, t.mustUnlockToEdit, changed);
    Pick(m_settings.lockMinutes, b.lockMinutes, o.lockMinutes, t.lockMinutes, changed);
    Pick(m_settings.autoLock, b.autoLock, o.autoLock, t.autoLock, changed);
    Pick(m_settings.disableDesktopPassword, b.disableDesktopPassword, o.disableDesktopPassword,
         t.disableDesktopPassword, changed);
    Pick(m_settings.boldFieldNamesDefault, b.boldFieldNamesDefault, o.boldFieldNamesDefault, t.boldFieldNamesDefault,
         changed);
    Pick(m_settings.hidePasswordsDefault, b.hidePasswordsDefault, o.hidePasswordsDefault, t.hidePasswordsDefault,
         changed);
    Pick(m_settings.defaultBackColor, b.defaultBackColor, o.defaultBackColor, t.defaultBackColor, changed);
    Pick(m_settings.defaultTextColor, b.defaultTextColor, o.defaultTextColor, t.defaultTextColor, changed);
    const QString& theirs = m_theirs.Password();
    if (theirs == m_password)
        return;
    if (m_password == m_base->Password()) {
        m_password = theirs;
        m_takesTheirPassword = true;
        Report(Outcome::Changed, Kind::Password, QString(), 0);
    } else if (theirs != m_base->Password()) {
        Report(Outcome::Conflict, Kind::Password, QString(), 0);
    }
}

// A record kept on ours' side alone is reported but changes nothing.
bool CWalletMerge::ChangesNothing() const {
    return m_cards.put.empty() && m_cards.removed.isEmpty() && m_categories.put.empty() &&
           m_categories.removed.isEmpty() && m_templates.put.empty() && m_templates.removed.isEmpty() &&
           !m_settingsChanged && !m_takesTheirPassword;
}

QString CWalletMerge::ReportText(const QString& theirName) const {
    if (m_report.empty() && !m_settingsChanged)
        return QStringLiteral("nothing to merge: the wallet already holds all that \"%1\" holds").arg(theirName);
    QStringList lines;
    for (const Entry& entry : m_report)
        lines.append(EntryText(entry, theirName));
    if (m_settingsChanged)
        lines.append(QStringLiteral("settings changed in \"%1\": taken").arg(theirName));
    return lines.join(u'\n');
}

QString CWalletMerge::EntryText(const Entry& entry, const QString& theirName) {
    const QString other = u'"' + theirName + u'"';
    if (entry.kind == Kind::Password) {
        return entry.outcome == Outcome::Changed ? QStringLiteral("password changed in %1: taken").arg(other)
                                                 : QStringLiteral("password changed on both sides: this wallet's kept");
    }
    QString record = QStringLiteral("%1 \"%2\" (%3").arg(KindName(entry.kind), entry.description).arg(entry.id);
    record += entry.theirId ? QStringLiteral(", %1 in %2)").arg(entry.theirId).arg(other) : QStringLiteral(")");
    switch (entry.outcome) {
    case Outcome::Added:
        return QStringLiteral("added from %1: %2").arg(other, record);
    case Outcome::Changed:
        return QStringLiteral("changed from %1: %2").arg(other, record);
    case Outcome::Removed:
        return QStringLiteral("removed as in %1: %2").arg(other, record);
    case Outcome::Kept:
        return QStringLiteral("kept (deleted on one side, changed or still used on the other): %1").arg(record);
    case Outcome::Conflict:
        return QStringLiteral("kept as a conflict copy from %1: %2").arg(other, record);
    case Outcome::Renumbered:
        break;
    }
    return QStringLiteral("added from %1 under a new id: %2").arg(other, record);
}

bool CWalletMerge::Apply(CWallet& ours, QString& error) {
    if (m_takesTheirPassword && !AskTheirPassword()) {
        error = QStringLiteral("the new password of \"%1\" was not given; nothing was merged").arg(m_theirs.Title());
        return false;
    }
    if (!ImportAttachments(ours, error))
        return false;
    if (ChangesNothing())
        return true;
    const CWallet::BulkChange reset(ours);
    if (ours.m_clipboardCard && (m_cards.removed.contains(ours.m_clipboardCard->id)))
        ours.m_clipboardCard = nullptr;
    Hand<CCardTemplate>(ours.templates, m_templates);
    Hand<CCategory>(ours.categories, m_categories);
    Hand<CCard>(ours.cards, m_cards);
    ours.SetSettings(m_settings);
    ours.m_lock.SetPassword(m_password);
    ours.m_nextId = std::max(ours.m_nextId, m_nextId);
    ours.SetModified(true);
    return true;
}

bool CWalletMerge::AskTheirPassword() const {
    QString expected = m_password;
    return expected.isEmpty() ||
           Prompts::Get().PromptPassword(
               expected, QStringLiteral("The password of \"%1\" was changed elsewhere. Type the new password to merge "
                                        "it.")
                             .arg(m_theirs.Title()));
}

// Each attachment from theirs is copied into a new stream of ours, named so that it collides with none.
bool CWalletMerge::ImportAttachments(CWallet& ours, QString& error) {
    for (const Import& import : m_imports) {
        CAttachment& slot = SlotOf(*import.card, import.slot);
        QString reason;
        std::unique_ptr<QIODevice> stream = m_theirs.OpenStream(import.stream, reason);
        const QString name = stream ? ours.AddStream(*stream, reason) : QString();
        if (name.isEmpty()) {
            error = QStringLiteral("the attachment \"%1\" of the card \"%2\" cannot be read from \"%3\": %4")
                        .arg(slot.description, import.card->description, m_theirs.Title(), reason);
            return false;
        }
        slot.streamName = name;
    }
    m_imports.clear();
    return true;
}

// A record put under an id that ours has replaces it where it stands, so that the list need not move.
template <class Record, class List> void CWalletMerge::Hand(List& list, Plan<Record>& plan) {
    for (auto removed = plan.removed.cbegin(); removed != plan.removed.cend(); ++removed)
        list.RemoveById(removed.key());
    for (std::unique_ptr<Record>& record : plan.put) {
        if (Record* existing = list.FindById(record->id))
            *existing = std::move(*record);
        else
            list.InsertInIdOrder(record);
    }
    plan.put.clear();
    plan.removed.clear();
}
