// The per-user settings store: sections of named entries, each a 32-bit
// integer or a string, read with a caller-given default. Names and string
// values are UTF-8. Every reader goes through the process-wide store returned
// by AppSettings(); the application installs the QSettings-backed store at
// start-up, tests install a MemorySettingsStore.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace velo {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual int ReadInt(std::string_view section, std::string_view entry, int def) = 0;
    virtual std::string ReadString(std::string_view section, std::string_view entry,
                                   std::string_view def) = 0;
    virtual bool WriteInt(std::string_view section, std::string_view entry, int value) = 0;
    virtual bool WriteString(std::string_view section, std::string_view entry,
                             std::string_view value) = 0;
    // Removes a whole section with its entries (the first-run step drops the
    // saved bar layout this way). False when the store cannot delete.
    virtual bool DeleteSection(std::string_view section) { return false; }
};

// Thread-safe store kept in memory: the default until the application installs
// its own, and the store of every test.
class MemorySettingsStore : public SettingsStore {
public:
    int ReadInt(std::string_view section, std::string_view entry, int def) override;
    std::string ReadString(std::string_view section, std::string_view entry,
                           std::string_view def) override;
    bool WriteInt(std::string_view section, std::string_view entry, int value) override;
    bool WriteString(std::string_view section, std::string_view entry,
                     std::string_view value) override;
    bool DeleteSection(std::string_view section) override;
    void Clear();

private:
    struct Value {
        bool isInt = false;
        int32_t i = 0;
        std::string s;
    };
    std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, Value, std::less<>> values_;
};

// The process-wide store. Never null: before SetAppSettings is called it is a
// private MemorySettingsStore. The caller keeps ownership of what it installs;
// passing nullptr returns to the private store.
SettingsStore& AppSettings();
void SetAppSettings(SettingsStore* store);

}  // namespace velo
