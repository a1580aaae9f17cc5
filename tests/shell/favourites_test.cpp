// Favourites and the service keys without a window: loading and saving the
// list, adding from the terminal, the editor's rules, and the key table with
// its enabled rule.
#include <gtest/gtest.h>

#include "base/CommandIds.h"
#include "base/Flags.h"
#include "base/SettingsStore.h"
#include "shell/Favourites.h"

using namespace velo;

namespace {
using Items = std::vector<std::string>;
constexpr char kSec[] = "자주 가는곳";

void Store(MemorySettingsStore& s, int count, const Items& items)
{
    s.WriteInt(kSec, "갯수", count);
    for (size_t i = 0; i < items.size(); ++i)
        s.WriteString(kSec, "자주가는곳" + std::to_string(i), items[i]);
}
}  // namespace

TEST(Favourites, LoadLeavesOutEmptyAndRepeatedItemsAndTrustsNoCount)
{
    struct Case {
        const char* name;
        int count;
        Items stored, want;
    };
    const Case cases[] = {
        {"second empty", 3, {"go1", "", "동호회"}, {"go1", "동호회"}},
        {"repeat", 3, {"a", "b", "a"}, {"a", "b"}},
        {"count short of the entries", 1, {"a", "b"}, {"a"}},
        {"count beyond the entries", 100000, {"a"}, {"a"}},
        {"negative count", -4, {"a"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySettingsStore s;
        Store(s, c.count, c.stored);
        EXPECT_EQ(favourites::Load(s), c.want);
    }
}

TEST(Favourites, AddingFromTheTerminalAppendsNewItemsOnlyAndSaveKeepsTheOrder)
{
    // After editing the list is sorted; later additions go to its end.
    FavouritesEditor ed({"zebra", "Alpha", "가요", "beta"});
    Items list = ed.Items();
    EXPECT_EQ(list, (Items{"Alpha", "beta", "zebra", "가요"}));
    EXPECT_TRUE(favourites::Append(list, "aaa"));
    EXPECT_FALSE(favourites::Append(list, "beta"));
    EXPECT_FALSE(favourites::Append(list, ""));
    MemorySettingsStore s;
    favourites::Save(s, list);
    EXPECT_EQ(s.ReadInt(kSec, "갯수", 0), 5);
    EXPECT_EQ(s.ReadString(kSec, "자주가는곳4", ""), "aaa");
    EXPECT_EQ(favourites::Load(s), list);
    EXPECT_EQ(favourites::GoCommand("board"), "go board\r");
}

TEST(FavouritesEditor, AddDeleteAndOkFollowTheDialogsRules)
{
    FavouritesEditor ed({"b", "", "d", "b"});
    EXPECT_EQ(ed.Items(), (Items{"b", "d"}));
    EXPECT_EQ(ed.Selected(), 0);
    EXPECT_FALSE(ed.AddEnabled());
    EXPECT_TRUE(ed.DeleteEnabled());

    ed.SetNewText("c");
    EXPECT_TRUE(ed.AddEnabled());
    EXPECT_EQ(ed.Add(), FavouritesEditor::AddResult::Added);
    EXPECT_EQ(ed.Items(), (Items{"b", "c", "d"}));
    EXPECT_EQ(ed.Selected(), 1);
    EXPECT_EQ(ed.NewText(), "");

    ed.SetNewText("d");
    EXPECT_EQ(ed.Add(), FavouritesEditor::AddResult::Exists);
    EXPECT_EQ(ed.Items().size(), 3u);
    EXPECT_EQ(ed.NewText(), "d");  // stays for the user to change

    // OK with text in the field adds (or says it exists) and stays open.
    FavouritesEditor::AddResult r;
    EXPECT_FALSE(ed.Ok(&r));
    EXPECT_EQ(r, FavouritesEditor::AddResult::Exists);
    ed.SetNewText("a");
    EXPECT_FALSE(ed.Ok(&r));
    EXPECT_EQ(r, FavouritesEditor::AddResult::Added);
    EXPECT_EQ(ed.Items(), (Items{"a", "b", "c", "d"}));

    // Delete selects the item now at the same place, else the last one.
    ed.Select(1);
    ed.Delete();
    EXPECT_EQ(ed.Items(), (Items{"a", "c", "d"}));
    EXPECT_EQ(ed.Selected(), 1);
    ed.Select(2);
    ed.Delete();
    EXPECT_EQ(ed.Selected(), 1);
    ed.Delete();
    ed.Delete();
    EXPECT_TRUE(ed.Items().empty());
    EXPECT_FALSE(ed.DeleteEnabled());
    ed.Delete();  // nothing left: nothing happens
    EXPECT_TRUE(ed.Ok(&r));
}

TEST(ServiceKeys, EachServiceSendsItsOwnKeysAndOnlyWhenTheHostIsFree)
{
    const int ids[] = {ID_SVC_TOP, ID_SVC_UP, ID_SVC_PREV_ITEM, ID_SVC_NEXT_ITEM, ID_SVC_PREV_PAGE, ID_SVC_NEXT_PAGE};
    const char* want[5][6] = {
        {"go top\r", "m\r", "pl\r", "nl\r", "b\r", "\r"},
        {"go top\r", "p\r", "a\r", "n\r", "b\r", "f\r"},
        {"go top\r", "p\r", "a\r", "n\r", "b\r", "f\r"},
        {"go top\r", "p\r", "a\r", "n\r", "b\r", "f\r"},
        {"go top\r", "\r", "\r", "\r", "\r", "\r"},
    };
    for (int svc = 0; svc < 5; ++svc)
        for (int k = 0; k < 6; ++k)
            EXPECT_STREQ(ServiceKey(ids[k], svc), want[svc][k]) << svc << " " << ids[k];
    for (int id : ids)
        EXPECT_EQ(ServiceKey(id, 5), nullptr);
    for (int svc = 0; svc <= 5; ++svc)
        EXPECT_STREQ(ServiceKey(ID_SVC_ENTER, svc), "\r");
    EXPECT_EQ(ServiceKey(ID_COPY, 0), nullptr);

    struct State {
        bool connected, sending, receiving, frozen;
        int service;
        bool keys, enter;
    };
    const State states[] = {
        {true, false, false, false, 1, true, true},   {true, false, false, false, 5, false, true},
        {false, false, false, false, 1, false, true}, {true, true, false, false, 1, false, false},
        {true, false, true, false, 1, false, false},  {true, false, false, true, 4, false, false},
    };
    for (const State& s : states) {
        SharedFlags f;
        f.ConnState.Connected = s.connected;
        f.ConnState.Sending = s.sending;
        f.ConnState.Receiving = s.receiving;
        f.TermShared.Frozen = s.frozen;
        f.TermShared.ServiceKind = s.service;
        EXPECT_EQ(ServiceKeyEnabled(ID_SVC_UP, f), s.keys);
        EXPECT_EQ(ServiceKeyEnabled(ID_SVC_ENTER, f), s.enter);
    }
}
