// The command-line manners every velo-* tool keeps:
//   --help or -h   the usage on standard output, exit status 0;
//   a usage error  one line on standard error that names the option, value
//                  or file at fault, exit status 2.
// Other statuses (1: the work itself failed) stay each tool's own.
#pragma once

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace velo::tool {

inline constexpr int kUsageError = 2;

class Args {
public:
    Args(const char* name, const char* usage, int argc, char** argv)
        : name_(name), usage_(usage), argc_(argc), argv_(argv)
    {
    }

    // Steps to the next argument; false after the last.
    bool Next() { return ++i_ < argc_; }
    std::string_view Arg() const { return argv_[i_]; }
    const char* ArgText() const { return argv_[i_]; }
    // Everything after the current argument, for "--".
    int Rest() const { return argc_ - i_ - 1; }
    char** RestArgs() const { return argv_ + i_ + 1; }
    void SkipRest() { i_ = argc_; }

    static bool IsHelp(std::string_view a) { return a == "--help" || a == "-h"; }
    // "-" alone names standard input, so it is an operand, not an option.
    static bool IsOption(std::string_view a) { return a.size() > 1 && a[0] == '-'; }

    [[noreturn]] void Help() const
    {
        std::fputs(usage_, stdout);
        std::exit(0);
    }

    [[noreturn]] __attribute__((format(printf, 2, 3))) void Fail(const char* fmt, ...) const
    {
        std::fprintf(stderr, "%s: ", name_);
        va_list ap;
        va_start(ap, fmt);
        std::vfprintf(stderr, fmt, ap);
        va_end(ap);
        std::fprintf(stderr, " (%s --help shows the usage)\n", name_);
        std::exit(kUsageError);
    }

    [[noreturn]] void UnknownOption() const { Fail("unknown option '%s'", argv_[i_]); }

    // The value that follows the current option.
    const char* Value()
    {
        if (i_ + 1 >= argc_)
            Fail("%s needs a value", argv_[i_]);
        ++i_;
        return argv_[i_];
    }

    // The value of the current option as a whole decimal number in min..max.
    int IntValue(int min, int max)
    {
        const char* option = argv_[i_];
        const char* text = Value();
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(text, &end, 10);
        if (end == text || *end != '\0' || errno == ERANGE || v < min || v > max)
            Fail("%s: '%s' is not a whole number from %d to %d", option, text, min, max);
        return static_cast<int>(v);
    }

private:
    const char* name_;
    const char* usage_;
    int argc_;
    char** argv_;
    int i_ = 0;
};

}  // namespace velo::tool
