#pragma once
// The IPv4 route table printed as the route command of the original desktop printed it, so that
// the own-address window can find the gateway in the printout with its rule unchanged (the first
// line that begins with a digit and holds four dotted addresses; its third field is the gateway).
// The routes come from Linux's /proc/net/route (hexadecimal addresses in the kernel's byte
// order), each printed as one line of destination, mask, gateway, interface address and metric,
// sorted by destination, mask and metric so that the preferred default route comes first. A
// route without a gateway (on-link) shows the interface's own address there, and a loopback
// line "127.0.0.0 255.0.0.0 127.0.0.1 127.0.0.1 1" is always present (Linux keeps it in another
// table): a machine without a default route thus finds "127.0.0.1", as on the original
// platform. Routes that are not up are left out; no other printed line begins with a digit.
// `startRouteBatch` stands in for starting the one-line batch file "Route print > <file>": it
// writes the printout to that file before it returns and answers a task number, 0 when the
// batch holds no such command or the route table cannot be read.
#include <QHash>
#include <QString>

namespace platform {

// Interface name (as in /proc/net/route) -> its IPv4 address in dotted form.
using InterfaceAddresses = QHash<QString, QString>;

// The printout for the text of /proc/net/route; malformed lines are skipped.
QString formatRouteTable(const QString &procNetRoute, const InterfaceAddresses &addresses);
// The IPv4 addresses of this machine's interfaces (the first of each).
InterfaceAddresses localInterfaceAddresses();
// The printout for this machine; empty when /proc/net/route cannot be read.
QString routePrint(const QString &procNetRoutePath = QStringLiteral("/proc/net/route"));
// Runs the batch file at `batchPath` if its command is "Route print > <file>" (any letter case,
// the target taken to the end of the line, backslashes read as folder separators): writes the
// printout to that file and returns a task number above 0; 0 when nothing could be done.
int startRouteBatch(const QString &batchPath,
                    const QString &procNetRoutePath = QStringLiteral("/proc/net/route"));

} // namespace platform
