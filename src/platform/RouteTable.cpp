#include "platform/RouteTable.h"

#include <QFile>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <tuple>
#include <vector>

namespace platform {

namespace {

constexpr quint16 RouteUp = 0x0001;
// A route table of a busy router is large, but not this large.
constexpr qint64 MaxRouteFileBytes = 16 * 1024 * 1024;
constexpr qint64 MaxBatchBytes = 64 * 1024;

struct Route {
    quint32 destination; // numeric, most significant byte first, for sorting
    quint32 mask;
    QString gateway;
    QString interfaceAddress;
    quint32 metric;
};

// The kernel prints each address as the 32-bit word it keeps in memory, in network byte order;
// reading that word back in host order and taking its bytes in memory order gives a.b.c.d on any
// machine.
bool parseAddress(const QString &hex, quint32 &numeric)
{
    if (hex.size() != 8)
        return false;
    bool ok = false;
    const quint32 word = hex.toUInt(&ok, 16);
    if (!ok)
        return false;
    unsigned char bytes[4];
    std::memcpy(bytes, &word, 4);
    numeric = quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 | quint32(bytes[2]) << 8 | bytes[3];
    return true;
}

QString dotted(quint32 v)
{
    return QStringLiteral("%1.%2.%3.%4").arg(v >> 24).arg(v >> 16 & 0xFF).arg(v >> 8 & 0xFF).arg(v & 0xFF);
}

QString column(const QString &text) { return text.leftJustified(17, QLatin1Char(' ')); }

QString routeLine(const QString &destination, const QString &mask, const QString &gateway,
                  const QString &interfaceAddress, quint32 metric)
{
    return column(destination) + column(mask) + column(gateway) + column(interfaceAddress)
        + QString::number(metric) + QLatin1Char('\n');
}

QByteArray readBounded(const QString &path, qint64 limit, bool &ok)
{
    QFile file(path);
    ok = file.open(QIODevice::ReadOnly);
    if (!ok)
        return {};
    // Files under /proc report no size; read up to the limit.
    return file.read(limit);
}

} // namespace

QString formatRouteTable(const QString &procNetRoute, const InterfaceAddresses &addresses)
{
    std::vector<Route> routes;
    routes.push_back({0x7F000000u, 0xFF000000u, QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1"), 1});
    const QStringList lines = procNetRoute.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        const QStringList f = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (f.size() < 8)
            continue;
        Route route{};
        quint32 gatewayNumeric = 0;
        bool flagsOk = false, metricOk = false;
        const quint16 flags = f[3].toUShort(&flagsOk, 16);
        route.metric = f[6].toUInt(&metricOk);
        if (!flagsOk || !metricOk || !(flags & RouteUp)
            || !parseAddress(f[1], route.destination) || !parseAddress(f[2], gatewayNumeric)
            || !parseAddress(f[7], route.mask))
            continue;
        route.interfaceAddress = addresses.value(f[0], QStringLiteral("0.0.0.0"));
        route.gateway = gatewayNumeric == 0 ? route.interfaceAddress : dotted(gatewayNumeric);
        routes.push_back(route);
    }
    std::stable_sort(routes.begin(), routes.end(), [](const Route &a, const Route &b) {
        return std::tie(a.destination, a.mask, a.metric) < std::tie(b.destination, b.mask, b.metric);
    });

    QString out = QStringLiteral("IPv4 route table\n");
    out += column(QStringLiteral("Destination")) + column(QStringLiteral("Netmask"))
        + column(QStringLiteral("Gateway")) + column(QStringLiteral("Interface"))
        + QStringLiteral("Metric\n");
    for (const Route &r : routes)
        out += routeLine(dotted(r.destination), dotted(r.mask), r.gateway, r.interfaceAddress, r.metric);
    return out;
}

InterfaceAddresses localInterfaceAddresses()
{
    InterfaceAddresses result;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                result.insert(iface.name(), entry.ip().toString());
                break;
            }
        }
    }
    return result;
}

QString routePrint(const QString &procNetRoutePath)
{
    bool ok = false;
    const QByteArray text = readBounded(procNetRoutePath, MaxRouteFileBytes, ok);
    if (!ok)
        return {};
    return formatRouteTable(QString::fromLatin1(text), localInterfaceAddresses());
}

int startRouteBatch(const QString &batchPath, const QString &procNetRoutePath)
{
    static std::atomic<int> lastTask{0};
    bool ok = false;
    const QString batch = QString::fromLocal8Bit(readBounded(batchPath, MaxBatchBytes, ok));
    if (!ok)
        return 0;
    static const QRegularExpression command(QStringLiteral("^\\s*route\\s+print\\s*>\\s*(.*?)\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString firstLine = batch.section(QLatin1Char('\n'), 0, 0);
    const QRegularExpressionMatch match = command.match(firstLine);
    if (!match.hasMatch())
        return 0;
    QString target = match.captured(1);
    if (target.size() >= 2 && target.startsWith(QLatin1Char('"')) && target.endsWith(QLatin1Char('"')))
        target = target.mid(1, target.size() - 2);
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (target.isEmpty())
        return 0;
    const QString table = routePrint(procNetRoutePath);
    if (table.isEmpty())
        return 0;
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    const QByteArray bytes = table.toLatin1();
    if (out.write(bytes) != bytes.size())
        return 0;
    return ++lastTask;
}

} // namespace platform
