#pragma once
// The network control `Pelkin` of a session: one HarbexCtl of the control library Harbex,
// reached only through the library's published interface (control/Harbex.h). The library is
// loaded with dlopen from the program folder and stays loaded for the rest of the run, so that no
// code of it can vanish under a queued event.
//
// The host hands the control its layout data (Server stored as False) and turns the control's
// events into calls of the receiver's handlers Pelkin_<Event>. Arguments the control passes by
// reference are handed on as references and written back when the handler returns.
#include "control/Harbex.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

class QWidget;

namespace gamenet {

// The handlers of the control's events; each does nothing unless overridden.
class HarbexEvents {
public:
    virtual ~HarbexEvents() = default;
    virtual void Pelkin_SendComplete(int16_t &ClientNumber) { (void)ClientNumber; }
    virtual void Pelkin_Error(int16_t &ClientNumber, int16_t Number, QString &Description, int32_t Scode,
                              const QString &Source, const QString &HelpFile, int32_t HelpContext,
                              bool &CancelDisplay)
    {
        (void)ClientNumber, (void)Number, (void)Description, (void)Scode, (void)Source, (void)HelpFile,
            (void)HelpContext, (void)CancelDisplay;
    }
    virtual void Pelkin_ClientSumChanged(int16_t &NewClientSum) { (void)NewClientSum; }
    virtual void Pelkin_ClientConnected(int16_t &ClientNumber) { (void)ClientNumber; }
    virtual void Pelkin_ClientDied(int16_t &ClientNumber) { (void)ClientNumber; }
    virtual void Pelkin_ServerMessage(QString &msgText) { (void)msgText; }
    // Whether Pelkin_ServerMessage is of use: the control raises it for every arrival with all
    // the received bytes as text, which costs a conversion per arrival only when someone reads it.
    virtual bool hearsServerMessages() const { return false; }
    virtual void Pelkin_DataArrival(int16_t &ClientNumber, int32_t bytesTotal, QByteArray &SendedBytes)
    {
        (void)ClientNumber, (void)bytesTotal, (void)SendedBytes;
    }
    virtual void Pelkin_Connect() {}
    virtual void Pelkin_ServerClose() {}
};

class HarbexHost {
public:
    // Loads folder/libHarbex.so and creates the control inside `parent` (hidden; it has no place
    // on the window's surface). Null with the reason in `error` when the library or the class is
    // not available.
    static std::unique_ptr<HarbexHost> create(const QString &programFolder, QWidget *parent, HarbexEvents &events,
                                              QString *error);
    ~HarbexHost();
    HarbexHost(const HarbexHost &) = delete;
    HarbexHost &operator=(const HarbexHost &) = delete;

    HxControl *control() const { return m_ctl; }
    // Calls a member by dispatch identifier; HX_OK or the failure with the error filled.
    int32_t Invoke(int32_t dispId, int32_t flags, const HxVariant *args, int32_t argCount, HxVariant *result,
                   HxError *error);

    // The events of one control as the sink receives them; public for tests of hostile arguments.
    static void dispatch(HarbexEvents &events, int32_t eventId, HxVariant *args, int32_t count);

private:
    HarbexHost(HxControl *ctl, HarbexEvents &events);
    static void sinkInvoke(HxEventSink *self, int32_t eventId, HxVariant *args, int32_t count);

    struct Sink {
        HxEventSink base;
        HarbexHost *owner;
    };
    HxControl *m_ctl;
    HarbexEvents &m_events;
    Sink m_sink;
};

} // namespace gamenet
