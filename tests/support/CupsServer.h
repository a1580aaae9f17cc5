// A print system for tests: a CUPS daemon of the test's own, started in a
// temporary folder and reached through a unix socket there (CUPS_SERVER is
// set for the whole test program). Queue "velo-test" (the default) writes
// each job to a file; queue "velo-off" refuses jobs. Where the machine cannot
// run cupsd, Ready() is false and Why() says why, for the test's skip message.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/PeerProcess.h"
#include "support/TestKit.h"

namespace velo::test {

class CupsServer {
public:
    CupsServer();
    ~CupsServer();
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Why() const { return why_; }
    std::string Output(const std::string& queue) const { return dir_.Path() + "/out-" + queue; }
    // The next job's output of the queue, waited for up to ms (the file is
    // taken away); "(no output) " and the daemon's log when none came.
    std::string TakeOutput(const std::string& queue, int ms = 10000) const;

private:
    TempDir dir_{"cups"};
    std::string socket_, why_;
    std::unique_ptr<PeerProcess> proc_;
    bool ready_ = false;
};

// A test suite that prints: one server for the suite; each test is skipped,
// with the reason, where the machine cannot run one.
class CupsSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    static CupsServer& Cups() { return *server_; }

private:
    static CupsServer* server_;
};

// The pages of a PDF document.
int PdfPages(const std::string& pdf);

}  // namespace velo::test
