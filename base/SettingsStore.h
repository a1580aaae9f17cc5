// The per-user settings store: sections of named entries, each a 32-bit
// integer or a string, read with a caller-given default. Names and string
// values are UTF-8. Readers are handed the store they use (Outlets); the
// program's is QSettings-backed, a test's a MemorySettingsStore.
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

// Thread-safe store kept in memory: the store of tools and tests.
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


}  // namespace velo
