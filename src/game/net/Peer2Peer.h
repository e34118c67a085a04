#pragma once
// The connection dialog of a network game: own name, opponent address, own chip colour (red
// hosts, yellow joins) and, folded away at first, port and timeout. Connect sets up the
// session's control Pelkin and waits, yielding to the message loop one second per pass, until the
// link stands (NetworkGame), the attempt is cancelled (CancelConnect) or the timeout has passed.
// When the control cannot open the port, the attempt ends at once and the dialog stays, ready for
// another port. The fields are kept in the settings file between openings (a port that could
// not be opened is not); the dialog unloads itself at the end of a Connect that waited, after
// Cancel, or when it is closed.
#include "game/net/NetSession.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace gamenet {

class Peer2Peer : public QDialog {
    Q_OBJECT
public:
    // `prepareWindow` runs when Connect is pressed: the main window leaves its game modes for the
    // network game. The own-address window finds IP.bat's output in `programFolder`.
    Peer2Peer(NetSession &net, const QString &programFolder, std::function<void()> prepareWindow,
              QWidget *parent = nullptr);

    void Form_Load();
    void Form_Activate();
    void optColor_Click(int16_t Index);
    void cmdAdvanced_Click();
    void cmdStandardports_Click();
    void cmdConnect_Click();
    void cmdCancel_Click();
    void Form_Unload();
    void cmdFindIP_Click();

    // Unloads the dialog once: stores the fields and closes the window.
    void Unload();
    bool unloaded() const { return m_unloaded; }
    // Starts the batch file that prints the route table into its output file; answers the task
    // number, 0 when it did not start. platform::startRouteBatch unless replaced (tests).
    void setRouteBatchStarter(std::function<int(const QString &batchPath)> start) { m_startBatch = std::move(start); }
    // The dialog's outer height in twips: 2100 folded, 3270 unfolded.
    int heightTwips() const { return m_heightTwips; }

    QCheckBox *chkLogfile() const { return m_chkLogfile; }
    QPushButton *cmdCancel() const { return m_cmdCancel; }
    QLabel *Label1() const { return m_label1; }
    QLineEdit *txtName() const { return m_txtName; }
    QPushButton *cmdConnect() const { return m_cmdConnect; }
    QLabel *Label2() const { return m_label2; }
    QLineEdit *txtIP() const { return m_txtIP; }
    QPushButton *cmdFindIP() const { return m_cmdFindIP; }
    QLabel *Label3() const { return m_label3; }
    QRadioButton *optColor(int index) const { return m_optColor.at(index); }
    QPushButton *cmdAdvanced() const { return m_cmdAdvanced; }
    QGroupBox *Frame1() const { return m_frame1; }
    QLabel *Label4() const { return m_label4; }
    QLineEdit *txtPort(int index) const { return index == 0 ? m_txtPort : nullptr; }
    QLabel *Label6() const { return m_label6; }
    QLineEdit *txtTimeout() const { return m_txtTimeout; }
    QPushButton *cmdStandardports() const { return m_cmdStandardports; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    // The controls that set up an attempt: off while it runs, on again when it cannot start.
    void enableSetup(bool enabled);
    void setHeightTwips(int twips);
    void setAdvancedCaption(bool folded);

    NetSession &m_net;
    QString m_programFolder;
    std::function<void()> m_prepareWindow;
    std::function<int(const QString &)> m_startBatch;
    int m_heightTwips = 2100;
    bool m_unloaded = false;
    bool m_activated = false;
    std::optional<QString> m_refusedPort; // the port box's text when the control could not open it

    QCheckBox *m_chkLogfile = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QLabel *m_label1 = nullptr;
    QLineEdit *m_txtName = nullptr;
    QPushButton *m_cmdConnect = nullptr;
    QLabel *m_label2 = nullptr;
    QLineEdit *m_txtIP = nullptr;
    QPushButton *m_cmdFindIP = nullptr;
    QLabel *m_label3 = nullptr;
    std::array<QRadioButton *, 2> m_optColor{};
    QPushButton *m_cmdAdvanced = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QLabel *m_label4 = nullptr;
    QLineEdit *m_txtPort = nullptr;
    QLabel *m_label6 = nullptr;
    QLineEdit *m_txtTimeout = nullptr;
    QPushButton *m_cmdStandardports = nullptr;
};

} // namespace gamenet
