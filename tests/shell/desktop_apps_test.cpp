// Finding the desktop's text editor: the desktop entry's command line with its
// field codes, and the order in which the desktop's choices are taken.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "shell/DesktopApps.h"
#include "support/TestKit.h"

using namespace velo;

TEST(DesktopApps, ExecLinesExpandTheirFieldCodesForOneFile)
{
    using V = std::vector<std::string>;
    struct Case {
        const char* exec;
        const char* file;
        std::optional<V> want;
    } cases[] = {
        {"gedit %U", "/tmp/a b.txt", V{"gedit", "/tmp/a b.txt"}},
        {"gedit %U", "", V{"gedit"}},
        {"kate -b %u --icon %i", "/x", V{"kate", "-b", "/x", "--icon"}},
        {"\"/opt/my editor/bin/ed\" --file=%f", "/y", V{"/opt/my editor/bin/ed", "--file=/y"}},
        {"sh -c \"echo \\\"%f\\\"\" 100%%", "/z", V{"sh", "-c", "echo \"%f\"", "100%", "/z"}},
        {"mousepad", "/w", V{"mousepad", "/w"}},
        {"broken \"quote", "/v", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandDesktopExec(c.exec, c.file), c.want) << c.exec;
}

TEST(DesktopApps, TheUsersDefaultComesFirstAndTerminalEditorsArePassedOver)
{
    test::TempDir home, sys, bin;
    auto write = [](const std::string& path, const std::string& text) {
        std::ofstream(path) << text;
    };
    auto exe = [&](const std::string& name) {
        write(bin.Path() + "/" + name, "#!/bin/sh\n");
        ::chmod((bin.Path() + "/" + name).c_str(), 0755);
    };
    for (const auto& d : {home.Path(), sys.Path()})
        ::mkdir((d + "/applications").c_str(), 0755);
    ::mkdir((home.Path() + "/config").c_str(), 0755);
    exe("vimish");
    exe("padder");
    exe("gedit");
    write(sys.Path() + "/applications/vimish.desktop", "[Desktop Entry]\nExec=vimish %F\nTerminal=true\n");
    write(sys.Path() + "/applications/padder.desktop", "[Desktop Entry]\nExec=padder --new-window %U\n");
    write(sys.Path() + "/applications/mimeinfo.cache", "[MIME Cache]\ntext/plain=vimish.desktop;padder.desktop;\n");

    XdgDirs dirs;
    dirs.config = {home.Path() + "/config"};
    dirs.data = {home.Path(), sys.Path()};
    dirs.path = {bin.Path()};
    // Registered editors, the one needing a terminal passed over.
    auto cmd = TextEditorCommand("/tmp/f.txt", dirs);
    ASSERT_TRUE(cmd);
    EXPECT_EQ(*cmd, (std::vector<std::string>{bin.Path() + "/padder", "--new-window", "/tmp/f.txt"}));
    // The user's own default wins.
    write(home.Path() + "/config/mimeapps.list", "[Default Applications]\ntext/plain=geditor.desktop\n");
    write(home.Path() + "/applications/geditor.desktop", "[Desktop Entry]\nExec=gedit %U\n");
    cmd = TextEditorCommand("", dirs);
    ASSERT_TRUE(cmd);
    EXPECT_EQ(*cmd, (std::vector<std::string>{bin.Path() + "/gedit"}));
    // Nothing registered at all: a known editor on the PATH, else nothing.
    dirs.data = {};
    dirs.config = {};
    cmd = TextEditorCommand("/f", dirs);
    ASSERT_TRUE(cmd);
    EXPECT_EQ(*cmd, (std::vector<std::string>{bin.Path() + "/gedit", "/f"}));
    dirs.path = {};
    EXPECT_FALSE(TextEditorCommand("/f", dirs));
}
