// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CDlgAbout.h"

#include "resources/StringTable.h"
#include "views/CProgramIcon.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CDlgAbout::CDlgAbout(QWidget* parent) : QDialog(parent) {
    const QString product = StringTable::Text(kStrAppTitle);
    setWindowTitle(tr("About %1").arg(product));
    auto* icon = new QLabel(this);
    icon->setPixmap(CProgramIcon::ProgramIcon().pixmap(64, 64));
    icon->setAccessibleName(tr("Program icon"));
    auto* name = new QLabel(QStringLiteral("<b>%1 %2</b>").arg(product, QCoreApplication::applicationVersion()), this);
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 1.4);
    name->setFont(large);
    auto* text = new QLabel(
        tr("A wallet for your personal information: accounts, passwords and PINs, cards, documents and policies, in "
           "one file.<br><br>Free software under the GNU General Public License, version 3 or later.<br><br>"
           "Icons: <a href=\"https://github.com/jdecked/twemoji\">Twemoji</a> © Twitter, Inc. and other "
           "contributors, under <a href=\"https://creativecommons.org/licenses/by/4.0/\">CC-BY 4.0</a>."),
        this);
    text->setWordWrap(true);
    text->setOpenExternalLinks(true);
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    text->setAccessibleName(tr("About the program"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* words = new QVBoxLayout;
    words->addWidget(name);
    words->addWidget(text);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(words, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}
