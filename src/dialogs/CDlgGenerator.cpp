// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgGenerator.h"

#include "storage/PassphraseStrength.h"
#include "storage/WordList.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace {
const QString kWordsKey = QStringLiteral("Generator/Words");
const QString kLengthKey = QStringLiteral("Generator/Length");
const QString kClassesKey = QStringLiteral("Generator/Classes");
const QString kExcludeKey = QStringLiteral("Generator/Exclude");
const QString kWordCountKey = QStringLiteral("Generator/WordCount");
const QString kSeparatorKey = QStringLiteral("Generator/Separator");
// Shorter is too easy to guess; longer than this no field wants.
constexpr int kMinLength = 4;
constexpr int kMaxLength = 128;
constexpr int kMinWords = 3;
constexpr int kMaxWords = 20;
// Five words of the EFF list hold about 64 bits.
constexpr int kDefaultWords = 5;
// The meter is full at this many bits, as in the passphrase dialog.
constexpr int kMeterBits = 100;

QSpinBox* MakeSpinBox(int least, int most, const QString& accessibleName, const QString& objectName) {
    auto* box = new QSpinBox;
    box->setObjectName(objectName);
    box->setRange(least, most);
    box->setAccessibleName(accessibleName);
    return box;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}
} // namespace

CDlgGenerator::CDlgGenerator(QWidget* parent)
    : QDialog(parent), m_words(WordList::Load()), m_characterMode(new QRadioButton(tr("&Characters"))),
      m_wordMode(new QRadioButton(tr("&Passphrase of words"))),
      m_length(MakeSpinBox(kMinLength, kMaxLength, tr("Length"), QStringLiteral("length"))), m_exclude(new QLineEdit),
      m_wordCount(MakeSpinBox(kMinWords, kMaxWords, tr("Number of words"), QStringLiteral("wordCount"))),
      m_separator(new QLineEdit), m_missingWords(new QLabel), m_result(new QLineEdit), m_meter(new QProgressBar),
      m_verdict(new QLabel), m_regenerate(new QPushButton(tr("Re&generate"))),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel)) {
    setObjectName(QStringLiteral("Generator"));
    setWindowTitle(tr("Generate Password"));
    setMinimumWidth(520);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_characterMode);
    m_characterSettings = MakeCharacterControls();
    layout->addWidget(m_characterSettings);
    layout->addWidget(m_wordMode);
    m_wordSettings = MakeWordControls();
    layout->addWidget(m_wordSettings);
    // Outside the word settings, so that it stays readable while they are off.
    layout->addWidget(m_missingWords);
    layout->addWidget(MakeResultControls());
    layout->addStretch(1);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CDlgGenerator::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_regenerate, &QPushButton::clicked, this, &CDlgGenerator::Regenerate);
    LoadSettings();
    connect(m_characterMode, &QRadioButton::toggled, this, &CDlgGenerator::ShowMode);
    for (QSpinBox* box : {m_length, m_wordCount})
        connect(box, &QSpinBox::valueChanged, this, &CDlgGenerator::Regenerate);
    for (QLineEdit* edit : {m_exclude, m_separator})
        connect(edit, &QLineEdit::textChanged, this, &CDlgGenerator::Regenerate);
    for (const auto& [kind, box] : m_classes)
        connect(box, &QCheckBox::toggled, this, &CDlgGenerator::Regenerate);
    ShowMode();
}

QWidget* CDlgGenerator::MakeCharacterControls() {
    m_characterMode->setObjectName(QStringLiteral("characterMode"));
    m_characterMode->setAccessibleName(tr("Characters"));
    m_exclude->setObjectName(QStringLiteral("exclude"));
    m_exclude->setAccessibleName(tr("Leave out"));
    m_exclude->setPlaceholderText(tr("for example Il1O0"));
    const std::tuple<PasswordGenerator::Class, QString, QString> kinds[] = {
        {PasswordGenerator::Upper, tr("&Upper-case letters (A-Z)"), QStringLiteral("upper")},
        {PasswordGenerator::Lower, tr("Lo&wer-case letters (a-z)"), QStringLiteral("lower")},
        {PasswordGenerator::Digits, tr("&Digits (0-9)"), QStringLiteral("digits")},
        {PasswordGenerator::Symbols, tr("&Symbols (!#$%...)"), QStringLiteral("symbols")}};
    auto* controls = new QWidget;
    auto* grid = new QGridLayout(controls);
    grid->setContentsMargins(24, 0, 0, 0);
    grid->addWidget(BuddyLabel(tr("&Length:"), m_length), 0, 0);
    grid->addWidget(m_length, 0, 1, Qt::AlignLeft);
    for (int i = 0; i < int(std::size(kinds)); ++i) {
        const auto& [kind, text, name] = kinds[i];
        auto* box = new QCheckBox(text);
        box->setObjectName(name);
        box->setAccessibleName(box->text().remove(u'&'));
        m_classes.append({kind, box});
        grid->addWidget(box, 1 + i / 2, i % 2 * 2, 1, 2);
    }
    grid->addWidget(BuddyLabel(tr("Leave &out:"), m_exclude), 3, 0);
    grid->addWidget(m_exclude, 3, 1, 1, 3);
    grid->setColumnStretch(3, 1);
    return controls;
}

QWidget* CDlgGenerator::MakeWordControls() {
    m_wordMode->setObjectName(QStringLiteral("wordMode"));
    m_wordMode->setAccessibleName(tr("Passphrase of words"));
    m_separator->setObjectName(QStringLiteral("separator"));
    m_separator->setAccessibleName(tr("Separator"));
    m_separator->setMaxLength(8);
    m_missingWords->setObjectName(QStringLiteral("missingWords"));
    m_missingWords->setWordWrap(true);
    m_missingWords->setContentsMargins(24, 0, 0, 0);
    m_missingWords->setText(tr("Passphrases need the list of words of the Debian package \"%1\", which is not "
                               "installed (sudo apt install %1).")
                                .arg(QLatin1String(WordList::kPackage)));
    auto* controls = new QWidget;
    auto* grid = new QGridLayout(controls);
    grid->setContentsMargins(24, 0, 0, 0);
    grid->addWidget(BuddyLabel(tr("&Number of words:"), m_wordCount), 0, 0);
    grid->addWidget(m_wordCount, 0, 1);
    grid->addWidget(BuddyLabel(tr("S&eparator:"), m_separator), 0, 2);
    grid->addWidget(m_separator, 0, 3);
    grid->setColumnStretch(4, 1);
    m_separator->setMaximumWidth(m_separator->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMM")));
    m_missingWords->setVisible(m_words.isEmpty());
    m_wordMode->setEnabled(!m_words.isEmpty());
    return controls;
}

QWidget* CDlgGenerator::MakeResultControls() {
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setAccessibleName(tr("Generated password"));
    m_result->setReadOnly(true);
    m_result->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_meter->setRange(0, kMeterBits);
    m_meter->setTextVisible(false);
    m_meter->setAccessibleName(tr("Password strength"));
    m_verdict->setObjectName(QStringLiteral("verdict"));
    m_verdict->setWordWrap(true);
    // Room for the longest verdict, so that the dialog does not jump from one password to the next.
    m_verdict->setMinimumHeight(m_verdict->fontMetrics().lineSpacing() * 2);
    m_verdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_regenerate->setObjectName(QStringLiteral("regenerate"));
    m_regenerate->setAccessibleName(tr("Regenerate"));
    m_regenerate->setAutoDefault(false);
    auto* controls = new QWidget;
    auto* form = new QFormLayout(controls);
    form->setContentsMargins(0, 8, 0, 0);
    auto* resultRow = new QHBoxLayout;
    resultRow->addWidget(m_result, 1);
    resultRow->addWidget(m_regenerate);
    form->addRow(BuddyLabel(tr("&Result:"), m_result), resultRow);
    form->addRow(tr("Strength:"), m_meter);
    form->addRow(QString(), m_verdict);
    return controls;
}

void CDlgGenerator::LoadSettings() {
    const QSettings settings;
    const PasswordGenerator::Settings defaults;
    m_length->setValue(settings.value(kLengthKey, defaults.length).toInt());
    const int classes = settings.value(kClassesKey, defaults.classes).toInt();
    for (const auto& [kind, box] : m_classes)
        box->setChecked(classes & kind);
    m_exclude->setText(settings.value(kExcludeKey).toString());
    m_wordCount->setValue(settings.value(kWordCountKey, kDefaultWords).toInt());
    m_separator->setText(settings.value(kSeparatorKey, defaults.separator).toString());
    const bool words = settings.value(kWordsKey, false).toBool() && !m_words.isEmpty();
    (words ? m_wordMode : m_characterMode)->setChecked(true);
}

void CDlgGenerator::SaveSettings() const {
    QSettings settings;
    settings.setValue(kWordsKey, m_wordMode->isChecked());
    settings.setValue(kLengthKey, m_length->value());
    settings.setValue(kClassesKey, Settings().classes);
    settings.setValue(kExcludeKey, m_exclude->text());
    settings.setValue(kWordCountKey, m_wordCount->value());
    settings.setValue(kSeparatorKey, m_separator->text());
}

PasswordGenerator::Settings CDlgGenerator::Settings() const {
    PasswordGenerator::Settings settings;
    settings.length = m_length->value();
    settings.classes = 0;
    for (const auto& [kind, box] : m_classes)
        settings.classes |= box->isChecked() ? kind : 0;
    settings.exclude = m_exclude->text();
    settings.words = m_wordMode->isChecked() ? m_wordCount->value() : 0;
    settings.separator = m_separator->text();
    return settings;
}

// Only the settings of the chosen kind of password can be changed.
void CDlgGenerator::ShowMode() {
    const bool words = m_wordMode->isChecked();
    m_characterSettings->setEnabled(!words);
    m_wordSettings->setEnabled(words);
    Regenerate();
}

void CDlgGenerator::Regenerate() {
    const PasswordGenerator generator(Settings(), m_words);
    const QString problem = generator.Problem();
    m_result->setText(generator.Generate());
    // A password longer than the field shows from its start.
    m_result->setCursorPosition(0);
    m_regenerate->setEnabled(problem.isEmpty());
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(problem.isEmpty());
    if (!problem.isEmpty()) {
        m_meter->setValue(0);
        m_verdict->setText(tr("No password can be made: %1.").arg(problem));
        return;
    }
    ShowStrength();
}

void CDlgGenerator::ShowStrength() {
    const PassphraseStrength strength(m_result->text());
    m_meter->setValue(std::min(int(strength.Bits()), kMeterBits));
    m_verdict->setText(
        tr("%1: about %2 bits, as zxcvbn estimates it.").arg(strength.Rating()).arg(int(strength.Bits())));
}

QString CDlgGenerator::Password() const {
    return m_result->text();
}

void CDlgGenerator::accept() {
    SaveSettings();
    QDialog::accept();
}
