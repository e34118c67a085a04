#pragma once
// One network session of a main window: the link with the control Pelkin, the frames and their
// dispatcher, the handshake, the won-games tally, the chat with its nickname command and the
// dialogue log, and the voice transfer in blocks with its archive copies.
//
// The session receives the control's events (it is the host's HarbexEvents) and reaches the
// window only through NetUi; it reads the window's GameState (GameRunning, English) and asks its
// GameRules whose turn it is. It holds no widget and runs under a QCoreApplication.
#include "game/net/ArrivalBuffer.h"
#include "game/net/HarbexHost.h"
#include "game/net/LinkState.h"
#include "game/net/NetUi.h"
#include "game/net/PeerAdmission.h"
#include "game/net/PeerBudget.h"
#include "game/rules/GameRules.h"
#include "game/rules/GameState.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace gamenet {

class NetSession : public HarbexEvents {
public:
    NetSession(NetUi &ui, rules::GameState &game, rules::GameRules &rules);
    ~NetSession() override;
    NetSession(const NetSession &) = delete;
    NetSession &operator=(const NetSession &) = delete;

    LinkState &link() { return m_link; }
    const LinkState &link() const { return m_link; }
    NetUi &ui() { return m_ui; }
    bool english() const { return m_game.English; }

    // Whether a glide or a drop made here now is one the peer replays: always without a link; in
    // a network game only while a game runs, on the own turn, and not while a peer's move or
    // start is replayed (the move would not be sent). Every local move asks this first.
    bool localMoveReachesPeer() const;

    // Who may link with this side: the connection dialog awaits a peer from Connect until its
    // Cancel or timeout; the session asks at every connection, hello, frame and end.
    PeerAdmission &admission() { return m_admission; }
    // How long a connection taken has to send its whole "<E>" before it is closed and the wait
    // goes on.
    void setHelloDeadline(std::chrono::milliseconds deadline) { m_admission.setHelloDeadline(deadline.count()); }

    // The control; null when the library could not be loaded (or in tests without a link).
    void setPelkin(std::unique_ptr<HarbexHost> pelkin) { m_pelkin = std::move(pelkin); }
    HarbexHost *Pelkin() const { return m_pelkin.get(); }

    // Frames (NetFrame.cpp, built by NetFraming): one text frame to the peer, and a voice block
    // handed to the control as bytes.
    virtual void SendPacket(const QString &Packet);
    virtual void PelkinSendBytes(int16_t &ClientNumber, const QByteArray &Bytes);
    // The window's own frames: a glide or a drop in a column, its game start, and a line typed
    // in the chat ("<nick> text", through SendChat).
    void SendGlide(int16_t Column);
    void SendDrop(int16_t Column);
    void SendStart();
    void SendChatLine(const QString &Text, bool NoEcho);

    // The link (NetLink.cpp).
    void Connected();
    void ConnectionClosed();
    void CloseConnection();
    void cmdP2PClose_Click();
    void Pelkin_ClientConnected(int16_t &ClientNumber) override;
    void Pelkin_Connect() override;
    void Pelkin_ClientDied(int16_t &ClientNumber) override;
    void Pelkin_ServerClose() override;
    void Pelkin_Error(int16_t &ClientNumber, int16_t Number, QString &Description, int32_t Scode,
                      const QString &Source, const QString &HelpFile, int32_t HelpContext,
                      bool &CancelDisplay) override;

    // The dispatcher of received frames (NetDispatcher.cpp).
    void Pelkin_DataArrival(int16_t &ClientNumber, int32_t bytesTotal, QByteArray &SendedBytes) override;
    // The bytes kept of a cut frame: of one client, or of all clients.
    void forgetArrivals(std::optional<int16_t> ClientNumber = std::nullopt);
    qsizetype keptBytes(int16_t ClientNumber) const { return m_arrivals.kept(ClientNumber); }

    // The won-games tally in the chat frame's caption (NetTally.cpp).
    void NotifyResults(const int16_t &ActPlayer);
    void act_ChatCaption();

    // Chat and dialogue log (ChatLog.cpp).
    void SendChat(const QString &Message, bool NoEcho = false);
    QString GetNick(int16_t Playernum, const QString &Message);
    void AddChatLine(const QString &Line, std::optional<int16_t> Side = std::nullopt);
    void WriteLog(const QString &Line);
    // The footer of the open log block, then the log is closed (the end of every connection).
    void WriteLogFooter();

    // Voice transfer in blocks and the archive copies (VoiceTransfer.cpp).
    void SendVoiceFile();
    void SendSB(std::optional<int32_t> AllBytes = std::nullopt);
    void GetSB(QByteArrayView gb);
    void ShowSendAnim(const QString &Mode, int32_t DoneBytes);
    void ShowTransferBar(bool Visible, const QString &Direction);
    int16_t TransferBarIndex(const QString &Direction) const;
    void SaveVoice(const QString &file);
    // What the dispatcher does for a received "<V>" (its payload) and "<VA"; it answers "<C>"
    // itself.
    void ReceiveVoiceAnnounce(const QString &Payload);
    void ReceiveVoiceComplete();

private:
    // The "<E>" step; `first`: the peer's first hello, which pauses before it is answered.
    void handshake(const QString &Payload, bool first);
    // A connection that is not taken: closed at once, unseen.
    void turnAway(int16_t ClientNumber);
    // A connection has ended: its end is the peer's, the end of one still greeting, or nothing
    // of ours.
    void connectionEnded(int16_t ClientNumber, bool joining);
    // Starts the timer that closes the connection taken when its hello is overdue.
    void watchHello();
    // CloseConnection; without the log's footer for a connection that never linked.
    void closeLink(bool writeFooter);
    // A line into the chat display alone, as AddChatLine shows it; returns the line as shown.
    QString showChatLine(const QString &Line, std::optional<int16_t> Side);
    // The connection taken has not sent its "<E>" in time.
    void helloOverdue();
    // A socket error's box, one at a time.
    void errorBox(const QString &Prompt);
    // The other side was reached but takes no peer now: its box, and the wait ends.
    void refusedByPeer();
    // A line caused by the peer's frames, within the budget of lines a second: true when it is
    // shown; otherwise it is counted and nothing else happens.
    bool peerLineShown() { return m_peerLines.take(); }
    // The count of the peer's lines not shown, in one system line.
    void sayHeldLines(qint64 held);
    // The count of the peer's voice messages not played, in one system line.
    void sayHeldVoices(qint64 held);
    // The warning line for data that is no frame of ours, paced so that junk cannot flood the
    // chat display and the dialogue log.
    void warnUnidentified();
    // Whether a line that a peer could repeat without end may show now: the first always, then
    // one a second at most. `last` is when the line last showed; it becomes now when it may.
    bool aSecondSince(std::optional<qint64> &last);
    // An empty recording is not sent: the record label comes back.
    void abandonRecording();
    // A voice file that could not be written: one box with its path and the system's reason.
    void reportVoiceFileError(const QString &path, const QString &reason);
    // The dialogue log cannot be opened or written: a notice in the chat display, once.
    void logFailed(const QString &path, const QString &reason);

    NetUi &m_ui;
    rules::GameState &m_game;
    rules::GameRules &m_rules;
    LinkState m_link;
    std::unique_ptr<HarbexHost> m_pelkin;
    std::unique_ptr<QFile> m_logFile;
    bool m_sendBusy = false;
    bool m_logErrorShown = false; // the log's failure is shown until a line is written again
    ArrivalBuffer m_arrivals;        // the received bytes not yet taken, per client
    int m_arrivalDepth = 0;          // dispatcher runs nested in one another
    bool m_errorBoxOpen = false;     // a socket error's box is waiting for the user
    PeerAdmission m_admission;       // who may link
    QTimer m_helloTimer;             // closes the connection taken when its "<E>" is overdue
    PeerBudget m_peerLines;          // the peer's lines shown a second
    PeerBudget m_peerVoices;         // the peer's voice messages kept and played a second
    bool m_voiceMuted = false;       // the incoming message is beyond that budget: only counted
    bool m_captionStale = false;     // a rename of the peer was not shown yet
    bool m_replayingStart = false;   // a game start of the peer is being replayed
    std::optional<qint64> m_lastWarning; // when the last warning line was shown (Uptime)
};

} // namespace gamenet
