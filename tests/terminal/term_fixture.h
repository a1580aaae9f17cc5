// Shared pieces of the terminal tests: a recording surface, a reply recorder,
// and a fixture that builds a fresh terminal on outlets of its own (a clean
// settings store, a recording frame sink, fresh flags).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Flags.h"
#include "base/SettingsStore.h"
#include "support/TestKit.h"
#include "terminal/AutoResponse.h"
#include "terminal/TermSurface.h"
#include "terminal/Terminal.h"
#include "terminal/ZModemDetect.h"

namespace velo::test {

struct RecordingSurface : TermSurface {
    std::vector<std::string> events;
    std::vector<TermShape> shapes;
    int beeps = 0;
    void Scroll(int top, int bottom, int n) override
    {
        events.push_back("scroll " + std::to_string(top) + " " + std::to_string(bottom) + " " + std::to_string(n));
    }
    void Damage(int row, int first, int last) override
    {
        events.push_back("damage " + std::to_string(row) + " " + std::to_string(first) + " " + std::to_string(last));
    }
    void Shape(const TermShape& s) override
    {
        shapes.push_back(s);
        events.push_back("shape");
    }
    void HistoryChanged() override { events.push_back("history"); }
    void Resized(int c, int r) override { events.push_back("resized " + std::to_string(c) + " " + std::to_string(r)); }
    void CaretShape(CaretKind shape, bool blink) override
    {
        events.push_back("caret " + std::to_string(static_cast<int>(shape)) + (blink ? " blink" : " steady"));
    }
    void Beep() override
    {
        ++beeps;
        events.push_back("beep");
    }
    void EventSound(std::string_view name) override { events.push_back("sound " + std::string(name)); }
    void HangulInput(bool on) override { events.push_back(on ? "hangul on" : "hangul off"); }
};

struct ReplyRecorder : ReplySink {
    using List = std::vector<std::pair<std::string, ReplyMode>>;
    List replies;
    void Reply(const uint8_t* data, int count, ReplyMode mode) override
    {
        replies.emplace_back(std::string(reinterpret_cast<const char*>(data), count), mode);
    }
    std::string All() const
    {
        std::string s;
        for (auto& r : replies)
            s += r.first;
        return s;
    }
};

// Everything observable about a terminal after a feed, for comparing runs.
struct Snapshot {
    std::vector<std::string> text;
    std::vector<std::string> attrs;
    std::vector<int> sizes;
    std::vector<std::string> history;
    int col = 0, row = 0, linesUsed = 0, top = 0;
    int state = 0;
    bool lead = false, hold = false;
    bool operator==(const Snapshot&) const = default;
};

inline Snapshot Snap(const Terminal& t)
{
    Snapshot s;
    for (int r = 0; r < t.Rows(); ++r) {
        s.text.emplace_back(reinterpret_cast<const char*>(t.Line(r).text), t.Columns());
        s.attrs.emplace_back(reinterpret_cast<const char*>(t.Attrs(r)), t.Columns() * 3);
        s.sizes.push_back(static_cast<int>(t.Line(r).size));
    }
    for (int h = 0; h < t.LinesUsed() - t.Rows(); ++h)
        s.history.emplace_back(reinterpret_cast<const char*>(t.HistoryLine(h).text), t.Columns());
    s.col = t.CursorColumn();
    s.row = t.CursorRow();
    s.linesUsed = t.LinesUsed();
    s.top = t.Top();
    s.state = static_cast<int>(t.State());
    s.lead = t.LeadPending();
    s.hold = t.Hold();
    return s;
}

class TermTest : public ::testing::Test {
protected:
    TestOutlets outlets;
    MemorySettingsStore& settings = outlets.settings;
    RecordingSink& frame = outlets.sink;
    SharedFlags& flags = outlets.flags;
    AutoResponseTable responses;
    RecordingSurface surface;
    ReplyRecorder replies;
    std::unique_ptr<Terminal> term;

    void SetUp() override { term = Make(); }
    void TearDown() override { term.reset(); }
    std::unique_ptr<Terminal> Make()
    {
        auto t = std::make_unique<Terminal>(outlets.out);
        t->SetAutoResponses(&responses);
        t->SetSurface(&surface);
        t->SetReplySink(&replies);
        return t;
    }
    int Feed(const std::string& s) { return Feed(*term, s); }
    static int Feed(Terminal& t, const std::string& s)
    {
        return t.Feed(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int>(s.size()));
    }
    // Screen row r as text, trailing blanks removed.
    std::string Row(int r) const { return RowOf(*term, r); }
    static std::string RowOf(const Terminal& t, int r)
    {
        std::string s(reinterpret_cast<const char*>(t.Line(r).text), t.Columns());
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    }
    std::string History(int h) const
    {
        std::string s(reinterpret_cast<const char*>(term->HistoryLine(h).text), term->Columns());
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    }
    CellAttr Attr(int r, int c) const { return term->Attrs(r)[c]; }
    void Cursor(int& col, int& row) const
    {
        col = term->CursorColumn();
        row = term->CursorRow();
    }
    std::pair<int, int> CursorPos() const { return {term->CursorColumn(), term->CursorRow()}; }
};

}  // namespace velo::test
