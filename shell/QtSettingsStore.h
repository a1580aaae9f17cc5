// The per-user settings store on disk: QSettings in INI format, by default at
// ~/.config/Brenwick/Vellow.conf (XDG_CONFIG_HOME is honoured). Sections are
// INI groups, entries are keys; Korean names are kept exactly (QSettings
// escapes them in the file). QSettings treats '/' and '\' in a key as group
// separators, so entry and section names carrying them ("KEYPAD /") are
// escaped here before they reach it.
#pragma once

#include <QString>
#include <memory>
#include <mutex>

#include "base/SettingsStore.h"

class QSettings;

namespace velo {

class QtSettingsStore : public SettingsStore {
public:
    // An empty path opens the per-user default file.
    explicit QtSettingsStore(const QString& path = QString());
    ~QtSettingsStore() override;

    int ReadInt(std::string_view section, std::string_view entry, int def) override;
    std::string ReadString(std::string_view section, std::string_view entry,
                           std::string_view def) override;
    bool WriteInt(std::string_view section, std::string_view entry, int value) override;
    bool WriteString(std::string_view section, std::string_view entry,
                     std::string_view value) override;
    bool DeleteSection(std::string_view section) override;

    // Copies every entry of another INI file that this store does not hold yet
    // (the shipped defaults of the first run). Returns the number copied, -1
    // when the file cannot be read.
    int ImportMissing(const QString& iniPath);
    // Writes pending changes to disk; false when the file cannot be written.
    bool Flush();
    QString FileName() const;

    static QString DefaultPath();

private:
    static QString Key(std::string_view section, std::string_view entry);
    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> s_;
};

}  // namespace velo
