// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>

// Acts on modal dialogs as they open, in the order expected; a dialog that nobody expected is rejected after a
// while and noted, so a test never waits on a dialog.
class ModalDriver : public QObject {
public:
    ModalDriver() { Tick(); }

    template <class Dialog> void Then(std::function<void(Dialog&)> step) {
        m_steps.append({&Dialog::staticMetaObject, [step](QDialog& dialog) { step(static_cast<Dialog&>(dialog)); }});
    }
    QStringList Faults() const {
        QStringList all = m_faults;
        for (const Step& step : m_steps)
            all.append(QStringLiteral("never opened: ") + QLatin1String(step.type->className()));
        return all;
    }

private:
    struct Step {
        const QMetaObject* type;
        std::function<void(QDialog&)> run;
    };

    void Tick() {
        QTimer::singleShot(5, this, &ModalDriver::Tick);
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        // Popup dialogs (the date picker) are driven the same way.
        if (!dialog && QApplication::activePopupWidget())
            dialog = qobject_cast<QDialog*>(QApplication::activePopupWidget());
        if (!dialog || !dialog->isVisible()) {
            m_waited = 0;
            return;
        }
        if (!m_steps.isEmpty() && dialog->metaObject()->inherits(m_steps.first().type)) {
            const Step step = m_steps.takeFirst();
            m_waited = 0;
            // Focus moves only inside the active window, and steps rely on editors losing the focus.
            dialog->activateWindow();
            if (!QTest::qWaitForWindowActive(dialog))
                m_faults.append(QStringLiteral("never active: ") + QLatin1String(dialog->metaObject()->className()));
            step.run(*dialog);
            return;
        }
        if (++m_waited > 200) {
            m_faults.append(QStringLiteral("unexpected dialog ") + QLatin1String(dialog->metaObject()->className()));
            dialog->reject();
        }
    }

    QList<Step> m_steps;
    QStringList m_faults;
    int m_waited = 0;
};
