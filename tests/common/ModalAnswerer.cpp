#include "common/ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

struct ModalAnswerer::State {
    QTimer timer;
    bool answered = false;
    QString title;
    QString text;
    QStringList buttonTexts;
};

ModalAnswerer::ModalAnswerer(int standardButton) : m_state(new State)
{
    m_state->timer.setInterval(5);
    QObject::connect(&m_state->timer, &QTimer::timeout, [this, standardButton] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        QAbstractButton *button = box->button(static_cast<QMessageBox::StandardButton>(standardButton));
        if (!button)
            return;
        m_state->title = box->windowTitle();
        m_state->text = box->text();
        QList<QAbstractButton *> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(),
                  [box](QAbstractButton *a, QAbstractButton *b) { return box->standardButton(a) < box->standardButton(b); });
        m_state->buttonTexts.clear();
        for (QAbstractButton *b : buttons)
            m_state->buttonTexts << b->text();
        m_state->answered = true;
        m_state->timer.stop();
        button->click();
    });
    m_state->timer.start();
}

ModalAnswerer::~ModalAnswerer() { delete m_state; }
bool ModalAnswerer::answered() const { return m_state->answered; }
QString ModalAnswerer::title() const { return m_state->title; }
QString ModalAnswerer::text() const { return m_state->text; }
QStringList ModalAnswerer::buttonTexts() const { return m_state->buttonTexts; }
