#pragma once
// A port nobody listens on right now, below 32768 to fit the control's 16-bit port number
// (the system's own choice of a free port lies above that).
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>

#include <cstdint>

inline uint16_t freePort()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = uint16_t(20000 + QRandomGenerator::global()->bounded(12000));
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port))
            return port;
    }
    qFatal("no free port below 32768");
}
