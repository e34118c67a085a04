// Fuzz target of the dispatcher: one input is a configuration byte and a series of arrivals,
// each handed to a session as the control hands it over. The session runs without a window and
// without a control; the peer's moves are replayed on the board model by the real rules.
//
// Input: byte 0 chooses the start (bit 0 own colour red, bit 1 the peer linked and the handshake
// done, else its hello still due, bit 2 a game started here, bit 3 English, bit 4 voice archiving
// on, bits 5 and 6 both set: the dialogue log written); then chunks of a length byte and that
// many bytes (a length byte of 255 is followed by a two-byte big-endian length).
#include "SessionRig.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
sessionrig::Rig *rig = nullptr;
rules::GameState freshState;

void setUp()
{
    static int argc = 1;
    static char name[] = "fuzz_dispatcher";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // The work folder of the log and the received voice lies in memory where it can.
    static QTemporaryDir work(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/ostrel-fuzz-XXXXXX")
                                                        : QDir::tempPath() + QStringLiteral("/ostrel-fuzz-XXXXXX"));
    static sessionrig::Rig r(work.path());
    r.keepRecords = false;
    // Archive copies are named by the second: a clock that moves on keeps them from waiting.
    r.stepClock = QDateTime(QDate(2024, 1, 1), QTime(0, 0));
    r.session.recordSent = false;
    freshState = r.st;
    rig = &r;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!rig)
        setUp();
    sessionrig::Rig &r = *rig;
    // Every input starts from the same place: the open log block is closed and removed, so the
    // log does not grow from input to input.
    if (r.link().LogFileNo != 0) {
        r.session.WriteLogFooter();
        QFile::remove(QDir(r.work).filePath(QStringLiteral("QorLog.Txt")));
    }
    r.st = freshState;
    r.session.link() = gamenet::LinkState{};
    r.session.forgetArrivals();
    if (size == 0)
        return 0;
    const uint8_t config = data[0];
    r.link().NetworkGame = true;
    r.link().LocalIsRed = config & 1;
    // Linked, or taken with its hello still due (then only an "<E>" makes its frames count).
    r.link().HandshakeDone = config & 2;
    r.session.admission().reset();
    r.takePeer(r.link().HandshakeDone);
    r.link().Nick = {QStringLiteral("Anna"), QStringLiteral("Bert")};
    r.link().KeepVoice = config & 16;
    r.st.English = config & 8;
    // The log's writes are system calls; three inputs in four leave them out.
    r.logDialogue = (config & 96) == 96;
    if (config & 4)
        r.startLocally();

    const qint64 clockBefore = r.clockReads;
    size_t at = 1;
    while (at < size) {
        size_t length = data[at++];
        if (length == 255) {
            if (at + 2 > size)
                break;
            length = size_t(data[at]) << 8 | data[at + 1];
            at += 2;
        }
        if (length > size - at)
            length = size - at;
        r.session.arrive(QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(length)));
        at += length;
        if (!r.boardConsistent() || r.link().FromPeer
            || r.session.keptBytes(1) >= gamenet::framing::LargestFrame)
            std::abort();
    }
    // Archive copies (".Wav", one per reading of the clock) would pile up from input to input.
    if (r.clockReads != clockBefore) {
        QDir work(r.work);
        for (const QString &name : work.entryList(QDir::Files | QDir::Hidden))
            if (name.endsWith(QLatin1String(".Wav")))
                work.remove(name);
    }
    return 0;
}
