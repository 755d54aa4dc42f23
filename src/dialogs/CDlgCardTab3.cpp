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
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int kLabelPixels = 11;

// A label that reports a click, or Enter or Space while it has the focus; an attached slot's label opens the file.
// Its page lets it take the focus only while it names a file.
class SlotLabel : public CLinkLabel {
public:
    SlotLabel(std::function<void()> clicked) : m_clicked(std::move(clicked)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        CLinkLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_clicked();
    }
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            m_clicked();
            break;
        default:
            CLinkLabel::keyPressEvent(event);
            break;
        }
    }
    // A label draws no focus of its own.
    void paintEvent(QPaintEvent* event) override {
        CLinkLabel::paintEvent(event);
        if (!hasFocus())
            return;
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = contentsRect().intersected(QStyle::alignedRect(
            layoutDirection(), alignment(), fontMetrics().size(0, text()) + QSize(4, 2), contentsRect()));
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
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
    auto* layout = new QVBoxLayout(this);
    for (int slot = 0; slot < kSlots; ++slot) {
        m_slots[slot]->filterId = filters[slot];
        auto* group = new QGroupBox(titles[slot]);
        m_buttons[slot] = new QPushButton;
        m_buttons[slot]->setObjectName(QStringLiteral("attachButton%1").arg(slot + 1));
        m_buttons[slot]->setAutoDefault(false);
        m_buttons[slot]->setMinimumWidth(90);
        m_labels[slot] = new SlotLabel([this, slot] { Open(slot); });
        m_labels[slot]->setObjectName(QStringLiteral("attachLabel%1").arg(slot + 1));
        m_labels[slot]->SetFontSize(kLabelPixels);
        connect(m_buttons[slot], &QPushButton::clicked, this, [this, slot] { InsertOrRemove(slot); });
        auto* row = new QHBoxLayout(group);
        row->addWidget(m_labels[slot], 1);
        row->addWidget(m_buttons[slot]);
        layout->addWidget(group);
    }
    layout->addStretch(1);
    // Each slot's file, then its button, in the order they are shown.
    for (int slot = 0; slot < kSlots; ++slot) {
        setTabOrder(m_labels[slot], m_buttons[slot]);
        if (slot + 1 < kSlots)
            setTabOrder(m_buttons[slot], m_labels[slot + 1]);
    }
    ShowSlots();
}

// The names the controls are announced by carry the slot's kind and its file's name, which the visible texts leave to
// the group boxes around them.
void CDlgCardTab3::ShowSlots() {
    const QString kinds[kSlots] = {tr("image file"), tr("sound file"), tr("document file")};
    for (int slot = 0; slot < kSlots; ++slot) {
        const bool attached = m_slots[slot]->IsAttached();
        const QString& name = m_slots[slot]->description;
        CLinkLabel& label = *m_labels[slot];
        label.setText(attached ? name : StringTable::Text(kStrNoneSelected));
        label.SetBold(attached);
        label.SetUnderline(attached);
        label.SetTextColor(attached ? QColor(51, 51, 255) : QColor(128, 128, 128));
        label.setCursor(attached ? Qt::PointingHandCursor : Qt::ArrowCursor);
        label.setFocusPolicy(attached ? Qt::StrongFocus : Qt::NoFocus);
        label.setAccessibleName(attached ? tr("Open %1 %2").arg(kinds[slot], name) : tr("No %1").arg(kinds[slot]));
        QPushButton& button = *m_buttons[slot];
        button.setText(StringTable::Text(attached ? kStrRemoveAttachment : kStrInsertAttachment));
        button.setAccessibleName(attached ? tr("Remove %1 %2").arg(kinds[slot], name)
                                          : tr("Insert %1").arg(kinds[slot]));
    }
}

void CDlgCardTab3::InsertOrRemove(int slot) {
    CAttachment& attachment = *m_slots[slot];
    if (attachment.IsAttached())
        attachment.streamName.clear();
    else if (QString error; !attachment.StoreFile(&error)) {
        if (!error.isEmpty())
            Prompts::Warn(tr("The file cannot be attached: %1").arg(error));
        return;
    }
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
