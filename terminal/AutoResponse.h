// The auto-response table: one group of ten rows per built-in service
// (ServiceKind 0..4) and one common group (5). The terminal's byte feed runs
// the matcher; the shell's editor changes rows and writes them to the store.
// Words and responses are held as host bytes (CP949): the store keeps UTF-8
// and Load converts once.
#pragma once

#include <array>
#include <string>

namespace velo {

class SettingsStore;

struct AutoResponseRow {
    std::string word;      // the bytes to watch for; its size is the word length
    std::string response;  // macro language, sent through the macro sender
    bool enabled = false;
};

struct AutoResponseTable {
    static constexpr int kGroups = 6;
    static constexpr int kRows = 10;
    static constexpr int kCommonGroup = 5;
    static constexpr const char* kSection = "자동 반응 설정";

    std::array<std::array<AutoResponseRow, kRows>, kGroups> rows;

    // "천리안", "하이텔", "나우콤", "유니텔", "Kestrix", "" (the common group).
    static const char* Prefix(int group);
    // Fills all 60 rows from the store: entries P + "찾을단어%d",
    // P + "반응%d", P + "반응유무%d".
    void Load(SettingsStore& store);
    // Writes one row back (the editor's OK), from host bytes to UTF-8.
    void SaveRow(SettingsStore& store, int group, int row) const;
};

}  // namespace velo
