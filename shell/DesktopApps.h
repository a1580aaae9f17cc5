// The desktop's default text editor, found the way the desktop finds it: the
// "text/plain" default of the user's and the system's mimeapps.list, then the
// applications registered for it (mimeinfo.cache), then well-known editors
// on the PATH. Window-free: the folders searched are passed in.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velo {

struct XdgDirs {
    std::vector<std::string> config;   // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    std::vector<std::string> data;     // $XDG_DATA_HOME, then $XDG_DATA_DIRS
    std::vector<std::string> path;     // $PATH
    std::vector<std::string> desktops; // $XDG_CURRENT_DESKTOP, lower case
    // From the process environment, with the defaults of the base directory
    // rules for unset variables.
    static XdgDirs FromEnvironment();
};

// The command line (program first) that opens `file` in the default text
// editor, or a new empty document when `file` is empty. Editors that need a
// terminal are passed over. Nothing when no editor is found.
std::optional<std::vector<std::string>> TextEditorCommand(const std::string& file, const XdgDirs& dirs);

// The argument list of a desktop entry's Exec value with its field codes
// expanded for one file (none when `file` is empty); nothing for a value
// whose quoting is broken.
std::optional<std::vector<std::string>> ExpandDesktopExec(const std::string& exec, const std::string& file);

// `name` in the PATH folders when it is an executable file there.
std::string FindOnPath(const std::string& name, const std::vector<std::string>& path);

}  // namespace velo
