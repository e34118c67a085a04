#pragma once
// The state of one network link, kept by the session: the link flags, the names and the tally,
// the dialogue log's open block and the voice transfer in both directions. Member names are the
// names the rest of the program uses for them.
#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace gamenet {

struct LinkState {
    bool NetworkGame = false;
    bool FromPeer = false;               // a peer's move or game start is replayed: send nothing back
    bool HandshakeDone = false;
    bool Connecting = false;             // a connection attempt runs
    bool LocalIsRed = false;             // the own chips are red (this side hosts)
    int16_t PeerClientNo = 0;            // the peer's client number on the control; never reset
    int16_t ResultNotified = 0;          // colour whose network win is already counted; 0 = none
    std::array<float, 2> GamesWon{};     // network games won on this link: 0 own player, 1 peer

    std::array<QString, 2> Nick;         // player names of the connection: 0 own, 1 peer
    bool CancelConnect = false;          // ends the connection wait without the timeout message
    int16_t ConnectTimeout = 0;          // seconds of the connection wait

    int16_t LogFileNo = 0;               // the dialogue log's block is open (not 0) or not (0)
    bool KeepVoice = false;              // archive sent and received voice messages
    QString PeerNameAtConnect;           // the peer's name for archive copies
    bool RecordAborted = false;          // a push-to-talk press was answered by its release already
    int32_t TotalOut = 0;                // size of the voice file being sent; 0 = nothing is sent
    int32_t SentOut = 0;                 // bytes of OutBuf sent so far
    int32_t TotalIn = 0;                 // announced size of the incoming voice file; 0 = none
    int32_t ReceivedIn = 0;              // bytes stored in InBuf so far
    QByteArray InBuf;                    // the incoming voice file
    QByteArray OutBuf;                   // the outgoing voice file
};

} // namespace gamenet
