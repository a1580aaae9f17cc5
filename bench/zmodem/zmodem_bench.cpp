// ZModem throughput: one file of random bytes (64 MiB unless given in MiB as
// the first argument) from a sender to a receiver over a socketpair, each a
// child process. Both sides' CPU seconds come from wait4. The received file
// is compared with the source; a run that does not deliver it is reported.
//
//   zmodem_bench [MiB]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchChild.h"

namespace {

struct Side {
    std::string name;
    std::vector<std::string> argv;
};

double Cpu(const rusage& r)
{
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

bool SameFile(const std::string& a, const std::string& b)
{
    FILE* fa = std::fopen(a.c_str(), "rb");
    FILE* fb = std::fopen(b.c_str(), "rb");
    bool same = fa && fb;
    std::vector<char> ba(1 << 16), bb(1 << 16);
    while (same) {
        const size_t na = std::fread(ba.data(), 1, ba.size(), fa);
        const size_t nb = std::fread(bb.data(), 1, bb.size(), fb);
        if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0)
            same = false;
        if (na == 0)
            break;
    }
    if (fa)
        std::fclose(fa);
    if (fb)
        std::fclose(fb);
    return same;
}

}  // namespace

int main(int argc, char** argv)
{
    const size_t mib = argc > 1 ? size_t(std::atoi(argv[1])) : 64;
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string work = std::string(base) + "/zmodem-bench-XXXXXX";
    if (!::mkdtemp(work.data()))
        return 1;
    const std::string src = work + "/random.bin";
    {
        std::mt19937_64 rng(42);
        std::vector<uint64_t> block(1 << 17);
        FILE* f = std::fopen(src.c_str(), "wb");
        for (size_t done = 0; done < mib << 20; done += block.size() * 8) {
            for (auto& w : block)
                w = rng();
            std::fwrite(block.data(), 8, block.size(), f);
        }
        std::fclose(f);
    }
    const std::string ours = VELO_ZMODEM;
    struct Row {
        const char* label;
        Side sender, receiver;
    };
    const Row rows[] = {
        {"sz -> rz (baseline)", {"sz", {"sz", "-q", src}}, {"rz", {"rz", "-q", "-y"}}},
        {"sz -> velo-zmodem", {"sz", {"sz", "-q", src}}, {"ours", {ours, "receive", "."}}},
        {"velo-zmodem -> rz", {"ours", {ours, "send", src}}, {"rz", {"rz", "-q", "-y"}}},
        {"velo-zmodem -> velo-zmodem", {"ours", {ours, "send", src}}, {"ours", {ours, "receive", "."}}},
        {"sz -e -> rz -e (baseline)", {"sz", {"sz", "-q", "-e", src}}, {"rz", {"rz", "-q", "-e", "-y"}}},
        {"sz -e -> velo-zmodem --escape", {"sz", {"sz", "-q", "-e", src}},
         {"ours", {ours, "receive", "--escape", "."}}},
        {"velo-zmodem --escape -> rz -e", {"ours", {ours, "send", "--escape", src}},
         {"rz", {"rz", "-q", "-e", "-y"}}},
    };
    std::printf("%zu MiB of random bytes over a socketpair (files in %s)\n\n", mib, base);
    std::printf("%-32s %9s %9s %12s %12s  %s\n", "sender -> receiver", "seconds", "MB/s",
                "sender CPU s", "receiver CPU s", "file");
    for (const Row& row : rows) {
        const std::string dir = work + "/out";
        std::system(("rm -rf '" + dir + "' && mkdir '" + dir + "'").c_str());
        int sp[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sp) != 0)
            return 1;
        const auto t0 = std::chrono::steady_clock::now();
        const pid_t tx = velo::bench::SpawnChild(row.sender.argv, sp[0], sp[0], work);
        velo::bench::SpawnChild(row.receiver.argv, sp[1], sp[1], dir);
        ::close(sp[0]);
        ::close(sp[1]);
        rusage ru{}, txu{}, rxu{};
        int status = 0;
        for (int left = 2; left > 0; --left) {
            const pid_t p = ::wait4(-1, &status, 0, &ru);
            (p == tx ? txu : rxu) = ru;
        }
        const double secs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const bool ok = SameFile(src, dir + "/random.bin");
        std::printf("%-32s %9.3f %9.1f %12.3f %12.3f  %s\n", row.label, secs,
                    double(mib << 20) / 1e6 / secs, Cpu(txu), Cpu(rxu), ok ? "identical" : "NOT DELIVERED");
    }
    std::system(("rm -rf '" + work + "'").c_str());
    return 0;
}
