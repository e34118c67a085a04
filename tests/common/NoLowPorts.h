#pragma once
// Makes the calling thread meet what a user without root meets: ports below the system's first
// unprivileged port (1024 by default) are refused. Root opens them through the capability
// CAP_NET_BIND_SERVICE; it is taken from the thread's effective set while the object lives and
// given back afterwards. refuses() tells whether a listen on `port` is now really refused, which
// it is not where the administrator has opened low ports to every user.
#include <QTcpServer>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class NoLowPorts {
public:
    explicit NoLowPorts(quint16 port = 1001) : m_port(port)
    {
        if (!capabilities(false))
            return;
        m_hadIt = m_data[0].effective & bit();
        m_data[0].effective &= ~bit();
        capabilities(true);
    }
    ~NoLowPorts()
    {
        if (m_hadIt && capabilities(false)) {
            m_data[0].effective |= bit();
            capabilities(true);
        }
    }
    NoLowPorts(const NoLowPorts &) = delete;
    NoLowPorts &operator=(const NoLowPorts &) = delete;

    bool refuses() const
    {
        QTcpServer probe;
        return !probe.listen(QHostAddress::Any, m_port) && probe.serverError() == QAbstractSocket::SocketAccessError;
    }
    quint16 port() const { return m_port; }

private:
    static __u32 bit() { return __u32(1) << CAP_NET_BIND_SERVICE; }
    bool capabilities(bool set)
    {
        m_header = {_LINUX_CAPABILITY_VERSION_3, 0}; // 0: the calling thread
        return syscall(set ? SYS_capset : SYS_capget, &m_header, m_data) == 0;
    }

    quint16 m_port;
    bool m_hadIt = false;
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_data[2]{};
};
