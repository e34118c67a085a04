#pragma once
// The info window: product name with a shadow, version, credits, and a link that opens a web
// page with the desktop's browser.
//
// Opened from the menu: setMousePointer(11); QorInfo window(english, parent);
// setMousePointer(0); window.exec();
#include "game/window/ClickableLabel.h"

#include <QDialog>
#include <QPushButton>
#include <array>
#include <functional>

namespace gamewindow {

class QorInfo : public QDialog {
    Q_OBJECT
public:
    using Opener = std::function<void(const QString &address)>;

    // `open` replaces the browser call (tests); null opens with the desktop's browser.
    explicit QorInfo(bool english, QWidget *parent = nullptr, Opener open = nullptr);

    void Form_Load();
    void lblInfoText_Click(int index);
    void OkButton_Click();

    QLabel *Label1(int i) const { return m_label1.at(i); }
    ClickableLabel *lblInfoText(int i) const { return m_lblInfoText.at(i); }
    QPushButton *OkButton() const { return m_okButton; }

    // The address the link label shows and opens.
    static QString linkAddress();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_english;
    Opener m_open;
    QPixmap m_background;
    std::array<QLabel *, 2> m_label1{};
    std::array<ClickableLabel *, 5> m_lblInfoText{};
    QPushButton *m_okButton = nullptr;
};

} // namespace gamewindow
