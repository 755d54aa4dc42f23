// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgCardTab3.h"

#include "base/Prompts.h"
#include "base/Utilities.h"
#include "model/CCard.h"
#include "resources/StringTable.h"
#include "widgets/CLinkLabel.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int kLabelPixels = 11;

// A label that reports a click; an attached slot's label opens the file.
class SlotLabel : public CLinkLabel {
public:
    SlotLabel(std::function<void()> clicked) : m_clicked(std::move(clicked)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        CLinkLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_clicked();
    }

private:
    std::function<void()> m_clicked;
};
} // namespace

CDlgCardTab3::CDlgCardTab3(CCard& working, QWidget* parent)
    : QWidget(parent), m_slots{&working.image(), &working.sound(), &working.document()} {
    setObjectName(QStringLiteral("AttachmentsPage"));
    const qint32 filters[kSlots] = {CAttachment::kImageFilter, CAttachment::kSoundFilter, CAttachment::kDocumentFilter};
    const QString titles[kSlots] = {tr("Image"), tr("Sound"), tr("Document")};
    const QString buttonNames[kSlots] = {tr("Image file"), tr("Sound file"), tr("Document file")};
    auto* layout = new QVBoxLayout(this);
    for (int slot = 0; slot < kSlots; ++slot) {
        m_slots[slot]->filterId = filters[slot];
        auto* group = new QGroupBox(titles[slot]);
        m_buttons[slot] = new QPushButton;
        m_buttons[slot]->setObjectName(QStringLiteral("attachButton%1").arg(slot + 1));
        m_buttons[slot]->setAutoDefault(false);
        m_buttons[slot]->setAccessibleName(buttonNames[slot]);
        m_buttons[slot]->setMinimumWidth(90);
        m_labels[slot] = new SlotLabel([this, slot] { Open(slot); });
        m_labels[slot]->setObjectName(QStringLiteral("attachLabel%1").arg(slot + 1));
        m_labels[slot]->setAccessibleName(titles[slot]);
        m_labels[slot]->SetFontSize(kLabelPixels);
        connect(m_buttons[slot], &QPushButton::clicked, this, [this, slot] { InsertOrRemove(slot); });
        auto* row = new QHBoxLayout(group);
        row->addWidget(m_labels[slot], 1);
        row->addWidget(m_buttons[slot]);
        layout->addWidget(group);
    }
    layout->addStretch(1);
    ShowSlots();
}

void CDlgCardTab3::ShowSlots() {
    for (int slot = 0; slot < kSlots; ++slot) {
        const bool attached = m_slots[slot]->IsAttached();
        CLinkLabel& label = *m_labels[slot];
        label.setText(attached ? m_slots[slot]->description : StringTable::Text(kStrNoneSelected));
        label.SetBold(attached);
        label.SetUnderline(attached);
        label.SetTextColor(attached ? QColor(51, 51, 255) : QColor(128, 128, 128));
        label.setCursor(attached ? Qt::PointingHandCursor : Qt::ArrowCursor);
        m_buttons[slot]->setText(StringTable::Text(attached ? kStrRemoveAttachment : kStrInsertAttachment));
    }
}

void CDlgCardTab3::InsertOrRemove(int slot) {
    CAttachment& attachment = *m_slots[slot];
    if (attachment.IsAttached())
        attachment.streamName.clear();
    else if (!attachment.StoreFile())
        return;
    ShowSlots();
}

void CDlgCardTab3::Open(int slot) {
    const CAttachment& attachment = *m_slots[slot];
    if (!attachment.IsAttached())
        return;
    QString path;
    if (!attachment.ExtractForOpening(path)) {
        Prompts::Warn(StringTable::Text(kStrOpenError));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        Prompts::Inform(FormatText(StringTable::Text(kStrAttachmentSaved), {path}));
}
