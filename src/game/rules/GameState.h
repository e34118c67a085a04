#pragma once
// The state one main window shares between the game rules and the window: board model, series
// points, play timer mode, game flags, the high-score table and the link flags. Member names are
// the names the rest of the program uses for them. There is one GameState per main window and no
// global copy, so two windows (two players of a network game) can live in one process.
//
// Integers are 16-bit where the game counts in 16 bits (overflow checks rely on it), 32-bit for
// points. Arrays keep the original index ranges: element 0 of Tube and Score and row/column 0
// of the line tables are never used.
#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace rules {

// Slot (group 0..4, line 0..7); groups 1..4 and lines 1..7 are used.
using LineTable = std::array<std::array<QString, 8>, 5>;
// Slot (kind 0..4, player 0..2); kinds 1..4 and players 1..2 are used.
using PatternTable = std::array<std::array<QString, 3>, 5>;

struct GameState {
    // Board model.
    int16_t CurrentPlayer = 0;        // 1 red, 2 yellow; after a win the winner; 0 before the first game
    std::array<int16_t, 8> Tube{};    // chips in columns 1..7, 0..6
    LineTable CalcMatrix;             // the 25 lines as comma lists of cell numbers
    LineTable PlayMatrix;             // the same lines as digit strings: "9" empty, "1" red, "2" yellow
    PatternTable Patterns;            // threat patterns of the computer opponent
    std::array<int32_t, 8> Score{};   // rating of columns 1..7 for the move being chosen
    QString WinCells;                 // cells of every winning run, each followed by ","; "" = no win
    int16_t SelColumn = 0;            // column under the floating chip, 0 until placed
    int16_t MoveCount = 0;            // chips dropped in this game
    int16_t LastColumn = 0;           // column of the last drop
    int16_t StartPlayer = 0;          // who moved first in this game
    int16_t ComputerColor = 0;        // colour the computer plays; 0 = no computer

    // Points series.
    int16_t Level = 0;
    int32_t TotalPoints = 0;
    double TimeLeft = 0.0;            // human's thinking time left, percent

    // Play timer and game flags.
    QString TimerMode;                // "THINKING", "TIMECONTROL", "SHOWWINNER", "SHOWDRAWN" or ""
    bool ComputerThinking = false;
    bool GameRunning = false;
    bool KeyHeld = false;
    bool FormLoading = false;
    bool TimeLimitActive = false;
    bool PointsMode = false;
    bool English = false;
    bool SoundBusy = false;
    bool ResultShown = false;

    // High-score table, index 0 = first place, 0 points = empty place.
    std::array<QString, 5> HighNames;
    std::array<int32_t, 5> HighPoints{};

    // Network link.
    int16_t ResultNotified = 0;       // colour whose network win is already counted; 0 = none
    bool LocalIsRed = false;
    bool NetworkGame = false;
    bool FromPeer = false;
    bool HandshakeDone = false;
    bool Connecting = false;          // a connection attempt runs

    // --- network: net-core ---
    int16_t PeerClientNo = 0;             // the peer's client number on the control; never reset
    std::array<float, 2> GamesWon{};      // network games won on this link: 0 own player, 1 peer
    // --- end ---

    // --- network: net-dialog ---
    std::array<QString, 2> Nick;      // player names of the connection: 0 own, 1 peer
    bool CancelConnect = false;       // ends the connection wait without the timeout message
    int16_t ConnectTimeout = 0;       // seconds of the connection wait
    // --- end ---

    // --- network: net-chat ---
    int16_t LogFileNo = 0;            // the dialogue log's block is open (not 0) or not (0)
    bool KeepVoice = false;           // archive sent and received voice messages
    QString PeerNameAtConnect;        // the peer's name for archive copies
    bool RecordAborted = false;       // a push-to-talk press was answered by its release already
    int32_t TotalOut = 0;             // size of the voice file being sent; 0 = nothing is sent
    int32_t SentOut = 0;              // bytes of OutBuf sent so far
    int32_t TotalIn = 0;              // announced size of the incoming voice file; 0 = none
    int32_t ReceivedIn = 0;           // bytes stored in InBuf so far
    QByteArray InBuf;                 // the incoming voice file
    QByteArray OutBuf;                // the outgoing voice file
    // --- end ---
};

} // namespace rules
