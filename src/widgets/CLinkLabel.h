// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A label of the card summary and the dialogs: plain text in a chosen colour and font, optionally a link that a left
// click opens. Kept light, since the summary holds 31 of them.
class CLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit CLinkLabel(QWidget* parent = nullptr);
    explicit CLinkLabel(const QString& text, QWidget* parent = nullptr);

    void SetTextColor(const QColor& color);
    QColor TextColor() const;
    void SetBold(bool bold);
    void SetUnderline(bool underline);
    // The character height in pixels.
    void SetFontSize(int pixels);
    // Style 0 plain black, 1 navy bold, 2 black bold, 3 link, 4 bold link, 5 Verdana, 6 Verdana bold; styles 5 and 6
    // keep the colour and underline they find. Any other value only makes the text bold. Every style ends a link
    // look set by an earlier one.
    void SetStyle(int style);

    // A text wider than the label ends in an ellipsis instead of widening the label, so a long value leaves room to
    // the labels beside it. The label's text stays whole, for copying and for screen readers.
    void SetElided(bool elided);

    // What a left click opens (a web address, "mailto:...", a file); empty: nothing.
    void SetLinkTarget(const QString& target);
    const QString& LinkTarget() const { return m_linkTarget; }
    // Whether the label looks and acts as a link: a link style or a target.
    bool IsLink() const { return m_linkStyle || !m_linkTarget.isEmpty(); }

    QSize minimumSizeHint() const override;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateCursor();

    bool m_linkStyle = false;
    bool m_elided = false;
    QString m_linkTarget;
};
