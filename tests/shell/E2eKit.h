// What the end-to-end tests share besides the frame's helpers (FrameKit.h):
// the demo host as a child process on a free loopback port, and a telnet
// phone-book entry that logs in to it.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include "connect/PhoneBookEntry.h"
#include "tests/shell/FrameKit.h"

namespace velo::test {

struct DemoHost {
    QProcess proc;
    int port = 0;
    // dir: the host's port file goes there, and dir/files is its folder of
    // offered files (dir/files/uploads takes the uploads); extra arguments
    // follow.
    bool Start(const QString& dir, const QStringList& extra = {});
    ~DemoHost();
};

// A telnet entry for the demo host with Kestrix's log-in prompts answered
// as "guest".
PhoneBookEntry DemoEntry(int port);

}  // namespace velo::test
