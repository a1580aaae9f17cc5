#include "shell/DesktopApps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace velo {

namespace {

constexpr char kMime[] = "text/plain";
// Editors tried, in this order, when the desktop names none that works.
constexpr const char* kKnownEditors[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                         "pluma", "xed", "featherpad", "leafpad", "geany"};

std::vector<std::string> SplitList(const char* value, const std::vector<std::string>& fallback, char sep = ':')
{
    if (!value || !*value)
        return fallback;
    std::vector<std::string> out;
    std::stringstream ss(value);
    std::string item;
    while (std::getline(ss, item, sep))
        if (!item.empty())
            out.push_back(item);
    return out;
}

bool IsExecutableFile(const std::string& p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// The values of `key` in `group` of an ini-style file (desktop entries,
// mimeapps.list, mimeinfo.cache); "" when absent.
std::string ReadKey(const std::string& file, const std::string& group, const std::string& key)
{
    std::ifstream in(file);
    std::string line;
    bool inGroup = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        if (!inGroup)
            continue;
        size_t eq = line.find('=');
        if (eq != std::string::npos && Trim(line.substr(0, eq)) == key)
            return Trim(line.substr(eq + 1));
    }
    return {};
}

// The desktop entry string escapes: \s \n \t \r \\.
std::string Unescape(const std::string& v)
{
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        char c = v[++i];
        out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return out;
}

// Where a desktop id lives: applications/ of each data folder, with "-"
// standing for a sub-folder as the menu rules allow.
std::string FindDesktopFile(const std::string& id, const XdgDirs& dirs)
{
    for (const std::string& d : dirs.data) {
        std::string base = d + "/applications/";
        if (::access((base + id).c_str(), R_OK) == 0)
            return base + id;
        std::string sub = id;
        for (size_t i = 0; i < sub.size(); ++i) {
            if (sub[i] != '-')
                continue;
            sub[i] = '/';
            if (::access((base + sub).c_str(), R_OK) == 0)
                return base + sub;
        }
    }
    return {};
}

std::optional<std::vector<std::string>> CommandOfDesktopId(const std::string& id, const std::string& file,
                                                           const XdgDirs& dirs)
{
    std::string path = FindDesktopFile(id, dirs);
    if (path.empty())
        return std::nullopt;
    const std::string g = "Desktop Entry";
    if (ReadKey(path, g, "Terminal") == "true" || ReadKey(path, g, "Hidden") == "true")
        return std::nullopt;
    auto argv = ExpandDesktopExec(Unescape(ReadKey(path, g, "Exec")), file);
    if (!argv || argv->empty())
        return std::nullopt;
    std::string& prog = argv->front();
    if (prog.find('/') == std::string::npos) {
        prog = FindOnPath(prog, dirs.path);
        if (prog.empty())
            return std::nullopt;
    } else if (!IsExecutableFile(prog)) {
        return std::nullopt;
    }
    return argv;
}

// The desktop ids registered for the mime type, best first.
std::vector<std::string> Candidates(const XdgDirs& dirs)
{
    std::vector<std::string> lists;
    for (const std::string& c : dirs.config) {
        for (const std::string& de : dirs.desktops)
            lists.push_back(c + "/" + de + "-mimeapps.list");
        lists.push_back(c + "/mimeapps.list");
    }
    for (const std::string& d : dirs.data) {
        for (const std::string& de : dirs.desktops)
            lists.push_back(d + "/applications/" + de + "-mimeapps.list");
        lists.push_back(d + "/applications/mimeapps.list");
    }
    std::vector<std::string> ids;
    auto addAll = [&ids](const std::string& value) {
        for (const std::string& id : SplitList(value.c_str(), {}, ';'))
            ids.push_back(Trim(id));
    };
    for (const std::string& l : lists)
        addAll(ReadKey(l, "Default Applications", kMime));
    for (const std::string& l : lists)
        addAll(ReadKey(l, "Added Associations", kMime));
    for (const std::string& d : dirs.data)
        addAll(ReadKey(d + "/applications/mimeinfo.cache", "MIME Cache", kMime));
    return ids;
}

}  // namespace

XdgDirs XdgDirs::FromEnvironment()
{
    XdgDirs d;
    const char* home = std::getenv("HOME");
    std::string h = home ? home : "";
    d.config = SplitList(std::getenv("XDG_CONFIG_HOME"), {h + "/.config"});
    for (auto& c : SplitList(std::getenv("XDG_CONFIG_DIRS"), {"/etc/xdg"}))
        d.config.push_back(c);
    d.data = SplitList(std::getenv("XDG_DATA_HOME"), {h + "/.local/share"});
    for (auto& c : SplitList(std::getenv("XDG_DATA_DIRS"), {"/usr/local/share", "/usr/share"}))
        d.data.push_back(c);
    d.path = SplitList(std::getenv("PATH"), {"/usr/local/bin", "/usr/bin", "/bin"});
    for (std::string de : SplitList(std::getenv("XDG_CURRENT_DESKTOP"), {})) {
        for (char& c : de)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        d.desktops.push_back(de);
    }
    return d;
}

std::optional<std::vector<std::string>> ExpandDesktopExec(const std::string& exec, const std::string& file)
{
    // Split into arguments: blanks separate, double quotes group, and inside
    // quotes a backslash takes the next character literally.
    std::vector<std::pair<std::string, bool>> args;  // text, was quoted
    std::string cur;
    bool have = false, quoted = false, wasQuoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size()) {
                cur += exec[++i];
            } else {
                cur += c;
            }
        } else if (c == '"') {
            quoted = have = wasQuoted = true;
        } else if (c == ' ' || c == '\t') {
            if (have)
                args.push_back({cur, wasQuoted});
            cur.clear();
            have = wasQuoted = false;
        } else {
            cur += c;
            have = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (have)
        args.push_back({cur, wasQuoted});

    std::vector<std::string> out;
    bool fileUsed = false;
    for (auto& [a, q] : args) {
        if (!q && (a == "%f" || a == "%F" || a == "%u" || a == "%U")) {
            if (!file.empty())
                out.push_back(file);
            fileUsed = true;
            continue;
        }
        std::string e;
        bool dropped = false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (q || a[i] != '%' || i + 1 == a.size()) {
                e += a[i];
                continue;
            }
            char code = a[++i];
            if (code == '%') {
                e += '%';
            } else if (code == 'f' || code == 'u' || code == 'F' || code == 'U') {
                e += file;
                fileUsed = true;
            } else {
                // %i, %c, %k and the deprecated codes carry nothing here.
                dropped = a.size() == 2;
            }
        }
        if (!dropped)
            out.push_back(e);
    }
    // An entry that takes no file is still given it: an editor opens it.
    if (!fileUsed && !file.empty())
        out.push_back(file);
    return out;
}

std::string FindOnPath(const std::string& name, const std::vector<std::string>& path)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    for (const std::string& dir : path) {
        std::string p = dir + "/" + name;
        if (IsExecutableFile(p))
            return p;
    }
    return {};
}

std::optional<std::vector<std::string>> TextEditorCommand(const std::string& file, const XdgDirs& dirs)
{
    for (const std::string& id : Candidates(dirs))
        if (auto cmd = CommandOfDesktopId(id, file, dirs))
            return cmd;
    for (const char* editor : kKnownEditors) {
        std::string p = FindOnPath(editor, dirs.path);
        if (p.empty())
            continue;
        std::vector<std::string> argv{p};
        if (!file.empty())
            argv.push_back(file);
        return argv;
    }
    return std::nullopt;
}

}  // namespace velo
