// The game's profile: sections of named integers and strings kept in an INI
// file named after the program. Section and key names are UTF-8 and compared
// without regard to ASCII case, as the platform's profile files are.
//
// File format (UTF-8, LF or CRLF):
//   [section]
//   key=value
// Blank lines and lines starting with ';' or '#' are comments. Keys and values
// are trimmed of blanks; a value written with leading or trailing blanks, a
// quote or a backslash is stored in double quotes with \" and \\ escaped.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace car {

class Profile {
public:
    virtual ~Profile() = default;
    virtual int ReadInt(std::string_view section, std::string_view key, int def) = 0;
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view def) = 0;
    // False when the value could not be stored.
    virtual bool WriteInt(std::string_view section, std::string_view key, int value) = 0;
    virtual bool WriteString(std::string_view section, std::string_view key,
                             std::string_view value) = 0;
    // Makes the writes so far durable; false when that failed.
    virtual bool Flush() { return true; }
};

// A profile held in memory, parsed from and written back to INI text.
class IniProfile : public Profile {
public:
    // Replaces the content with what `text` holds. Never fails: lines that are
    // neither a section, an entry nor a comment are dropped.
    void Parse(std::string_view text);
    std::string Serialize() const;

    int ReadInt(std::string_view section, std::string_view key, int def) override;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) override;
    bool WriteInt(std::string_view section, std::string_view key, int value) override;
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;  // key, raw value
    };
    const std::string* Find(std::string_view section, std::string_view key) const;
    void Set(std::string_view section, std::string_view key, std::string value);

    std::vector<Section> sections_;
};

// An IniProfile backed by a file: read when opened and by Reload(), written
// whole by Flush through a temporary file renamed over the old one, so a crash
// leaves either the old or the new profile. Missing parent folders are created.
class IniFile : public IniProfile {
public:
    explicit IniFile(std::string path);
    const std::string& Path() const { return path_; }
    void Reload();
    bool Flush() override;

private:
    std::string path_;
};

// The profile's path: $XDG_CONFIG_HOME (else $HOME/.config) + "/Brenwick/car.ini".
// Empty when neither variable gives an absolute folder.
std::string DefaultProfilePath();

}  // namespace car
