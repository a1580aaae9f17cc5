// The demo host as a child of a benchmark: started on a free loopback port
// with the given arguments, found through its port file, and waited for (or
// ended) when the object goes.
#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>

namespace velo::bench {

struct DemoHostProcess {
    QProcess proc;
    int port = 0;
    // The port file goes into dir. False when the host did not come up.
    bool Start(const QString& dir, const QStringList& args)
    {
        const QString portFile = dir + "/port";
        QFile::remove(portFile);
        proc.start(QStringLiteral("python3"),
                   QStringList{QString::fromLocal8Bit(VELO_DEMOHOST), "--port", "0", "--port-file", portFile} + args);
        if (!proc.waitForStarted(5000))
            return false;
        QDeadlineTimer wait(10000);
        while (!wait.hasExpired() && port == 0) {
            QFile pf(portFile);
            if (pf.open(QIODevice::ReadOnly))
                port = pf.readAll().trimmed().toInt();
            QThread::msleep(20);
        }
        return port > 0;
    }
    ~DemoHostProcess()
    {
        if (!proc.waitForFinished(5000))
            proc.kill();
        proc.waitForFinished(2000);
    }
};

}  // namespace velo::bench
