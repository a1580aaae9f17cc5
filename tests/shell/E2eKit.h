// What the end-to-end tests share: the demo host as a child process on a free
// loopback port, the terminal's text, pumping the event loop until something
// holds, and a telnet phone-book entry that logs in to the demo host.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "connect/PhoneBookEntry.h"

namespace velo {
class CAnsiTerm;
}

namespace velo::test {

// The text of history rows first..LinesUsed()-1 (the screen is the last
// Rows() of them).
std::string RowsText(CAnsiTerm* t, int first);
std::string ScreenText(CAnsiTerm* t);
std::string HistoryText(CAnsiTerm* t);

// Runs the event loop until done() holds or ms pass; returns done().
bool PumpUntil(const std::function<bool()>& done, int ms);

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
