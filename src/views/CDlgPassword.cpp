// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CDlgPassword.h"

#include "base/Prompts.h"
#include "base/Utilities.h"
#include "resources/StringTable.h"
#include "widgets/CTypeAheadGuard.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

// The keys in reading order: the letters above the digit as on a telephone (none for "1", "0" and the two command
// keys), the caption, and the object name.
struct Key {
    const char* letters;
    const char* caption;
    const char* name;
};

constexpr Key kKeys[] = {
    {"", "1", "digit1"},    {"ABC", "2", "digit2"}, {"DEF", "3", "digit3"}, {"GHI", "4", "digit4"},
    {"JKL", "5", "digit5"}, {"MNO", "6", "digit6"}, {"PRS", "7", "digit7"}, {"TUV", "8", "digit8"},
    {"WXY", "9", "digit9"}, {nullptr, "OK", "ok"},  {"", "0", "digit0"},    {nullptr, "CLR", "clear"},
};
constexpr int kColumns = 3;

bool IsAsciiDigit(const QString& text) {
    return text.size() == 1 && text.front() >= u'0' && text.front() <= u'9';
}

QFont Bold(QFont font, qreal scale) {
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * scale);
    return font;
}

// A wait cursor of the caller would tell the user to wait while the keypad waits for them. These take the override
// cursors off for the dialog's time and put them back in the same order.
QList<QCursor> TakeOverrideCursors() {
    QList<QCursor> taken;
    while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
        taken.prepend(*cursor);
        QGuiApplication::restoreOverrideCursor();
    }
    return taken;
}

void PutBackOverrideCursors(const QList<QCursor>& cursors) {
    for (const QCursor& cursor : cursors)
        QGuiApplication::setOverrideCursor(cursor);
}

} // namespace

CDlgPassword::CDlgPassword(const QString& expected, const QString& message, QWidget* parent)
    : QDialog(parent), m_expected(expected), m_message(new QLabel(message, this)), m_edit(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Korvel Password"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 20);
    layout->setSpacing(14);
    layout->addLayout(MessageRow());
    layout->addLayout(EntryRow());
    layout->addSpacing(4);
    QLayout* keypad = Keypad();
    layout->addLayout(keypad);
    layout->setAlignment(keypad, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_edit->setFocus();
}

QLayout* CDlgPassword::MessageRow() {
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    // Room for two lines, and wide enough that a short message fits on one.
    const int line = fontMetrics().height();
    m_message->setMinimumSize(16 * line, 2 * line);

    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    const QIcon programIcon = windowIcon();
    if (!programIcon.isNull()) {
        auto* icon = new QLabel(this);
        icon->setPixmap(programIcon.pixmap(32, 32));
        icon->setAlignment(Qt::AlignTop);
        row->addWidget(icon);
    }
    row->addWidget(m_message, 1);
    return row;
}

QLayout* CDlgPassword::EntryRow() {
    m_edit->setObjectName(QStringLiteral("password"));
    m_edit->setAccessibleName(QStringLiteral("Password"));
    m_edit->setAccessibleDescription(m_message->text());
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setAlignment(Qt::AlignCenter);
    m_edit->setFont(Bold(font(), 1.6));
    m_edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_edit));
    connect(m_edit, &QLineEdit::textChanged, this, &CDlgPassword::AcceptIfExpected);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_edit, 4);
    row->addStretch(1);
    return row;
}

QLayout* CDlgPassword::Keypad() {
    auto* keypad = new QGridLayout;
    keypad->setHorizontalSpacing(12);
    keypad->setVerticalSpacing(10);
    for (int i = 0; i < int(std::size(kKeys)); ++i) {
        const Key& key = kKeys[i];
        const QString caption = QString::fromLatin1(key.caption);
        QPushButton* button =
            key.letters ? AddDigitKey(QString::fromLatin1(key.letters), caption.front()) : AddCommandKey(caption);
        button->setObjectName(QString::fromLatin1(key.name));
        keypad->addWidget(button, i / kColumns, i % kColumns);
    }
    auto* ok = findChild<QPushButton*>(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CDlgPassword::Confirm);
    auto* clear = findChild<QPushButton*>(QStringLiteral("clear"));
    clear->setAccessibleName(QStringLiteral("Clear"));
    connect(clear, &QPushButton::clicked, this, &CDlgPassword::Clear);
    return keypad;
}

QPushButton* CDlgPassword::AddCommandKey(const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setAutoDefault(false);
    button->setFont(Bold(font(), 1.0));
    // Every key the same size, in proportion to the text.
    const int line = fontMetrics().height();
    button->setFixedSize(9 * line / 2, 11 * line / 4);
    return button;
}

QPushButton* CDlgPassword::AddDigitKey(const QString& letters, QChar digit) {
    // Two labels inside the button, so that the letters can be small and the digit large.
    QPushButton* button = AddCommandKey(QString());
    button->setAccessibleName(QString(digit));
    auto* lettersLabel = new QLabel(letters, button);
    QFont small = font();
    small.setBold(false);
    small.setPointSizeF(small.pointSizeF() * 0.8);
    lettersLabel->setFont(small);
    auto* digitLabel = new QLabel(QString(digit), button);
    digitLabel->setFont(Bold(font(), 1.35));
    auto* layout = new QVBoxLayout(button);
    layout->setContentsMargins(0, 3, 0, 5);
    layout->setSpacing(0);
    for (QLabel* label : {lettersLabel, digitLabel}) {
        label->setAlignment(Qt::AlignCenter);
        label->setForegroundRole(QPalette::ButtonText);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(label);
    }
    connect(button, &QPushButton::clicked, this, [this, digit] { AppendDigit(digit); });
    return button;
}

QString CDlgPassword::Entry() const {
    return m_edit->text();
}

bool CDlgPassword::Run(QWidget* parent, QString& password, const QString& message) {
    CDlgPassword dialog(password, message.isEmpty() ? LoadResString(kStrUnlockPrompt) : message, parent);
    const QList<QCursor> cursors = TakeOverrideCursors();
    const int result = dialog.exec();
    PutBackOverrideCursors(cursors);
    if (result != QDialog::Accepted)
        return false;
    if (password.isEmpty())
        password = dialog.Entry();
    return true;
}

void CDlgPassword::keyPressEvent(QKeyEvent* event) {
    // Digits typed while a key of the pad has the focus still go into the entry.
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && IsAsciiDigit(event->text()))
        AppendDigit(event->text().front());
    else
        QDialog::keyPressEvent(event);
}

void CDlgPassword::AppendDigit(QChar digit) {
    m_edit->setFocus();
    m_edit->setText(m_edit->text() + digit);
    m_edit->end(false);
}

void CDlgPassword::Clear() {
    m_edit->clear();
    m_edit->setFocus();
}

// The password is taken without OK, so what the user types next in the same breath was meant for this window.
void CDlgPassword::AcceptIfExpected() {
    if (!m_expected.isEmpty() && m_edit->text() == m_expected) {
        CTypeAheadGuard::Start();
        accept();
    }
}

void CDlgPassword::Confirm() {
    const QString entry = m_edit->text();
    if (m_expected.isEmpty() ? entry.size() >= kMinimumLength : entry == m_expected) {
        accept();
        return;
    }
    if (m_expected.isEmpty()) {
        Prompts::Warn(LoadResString(kStrPasswordTooShort));
        m_edit->setFocus();
        return;
    }
    if (++m_failures >= kMaxFailures) {
        reject();
        return;
    }
    Prompts::Warn(LoadResString(kStrWrongPassword));
    Clear();
}
