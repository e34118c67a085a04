#pragma once
// The own-address window: the gateway found in the route table (for games over the Internet),
// the local IP address and the host name of the control Pelkin (for games in a local network),
// each with a button that copies it to the clipboard and closes the window. The caller hands the
// gateway over in the window's caption; the first activation reads it and puts the title there.
#include "game/net/NetSession.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <array>
#include <cstdint>

namespace gamenet {

class QorFindIPs : public QDialog {
    Q_OBJECT
public:
    explicit QorFindIPs(NetSession &net, QWidget *parent = nullptr);

    void Form_Load();
    void Form_Activate();
    void cmdClipboard_Click(int16_t Index);
    void cmdOK_Click();

    QLabel *lblIP(int index) const { return m_lblIP.at(index); }
    QLabel *lblAdvise(int index) const { return index >= 3 && index <= 5 ? m_lblAdvise.at(index - 3) : nullptr; }
    QPushButton *cmdClipboard(int index) const { return m_cmdClipboard.at(index); }
    QPushButton *cmdOK() const { return m_cmdOK; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    NetSession &m_net;
    bool m_activated = false;
    std::array<QLabel *, 3> m_lblIP{};
    std::array<QLabel *, 3> m_lblAdvise{}; // indexes 3, 4, 5
    std::array<QPushButton *, 3> m_cmdClipboard{};
    QPushButton *m_cmdOK = nullptr;
};

// The gateway in a printed route table: the third field of the first line that begins with a
// digit and holds exactly 13 "."-items (four dotted addresses); "" when no line matches. Reads at
// most the first MiB of the file; a line longer than 4096 characters is no route line.
QString gatewayInRouteFile(const QString &path);

} // namespace gamenet
