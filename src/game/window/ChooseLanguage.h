#pragma once
// The language window of the first start: two clickable flags, each with the product name and
// a hint in its own language. A click stores the language in the settings file and closes the
// window; closing it otherwise stores nothing.
#include "game/window/ClickableLabel.h"

#include <QDialog>
#include <array>

namespace gamewindow {

class ChooseLanguage : public QDialog {
    Q_OBJECT
public:
    explicit ChooseLanguage(QWidget *parent = nullptr);

    // Index 1 the UK flag, 0 the German flag.
    void picFlag_Click(int index);

    ClickableLabel *picFlag(int index) const { return m_picFlag.at(index); }
    QLabel *lblHint(int index) const { return m_lblHint.at(index); }

protected:
    // Escape does not close the window: only a flag or the close box does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();

    std::array<ClickableLabel *, 2> m_picFlag{};
    std::array<QLabel *, 4> m_lblHint{};
};

} // namespace gamewindow
