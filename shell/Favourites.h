// Favourite places of the shortcut bar and the service keys beside them,
// without a window: the list as the bar's drop-down holds it (in order, no
// empty items, no repeats), its storage, the rules of its editor, the "go"
// command a choice sends and the keys each built-in service reads for its
// menus.
//
// Items are kept as the user sees them (UTF-8); the bar encodes "go" + item
// for the host.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velo {

class SettingsStore;
struct SharedFlags;

namespace favourites {

// "자주 가는곳": "갯수", then "자주가는곳0".. in order; empty and repeated
// items are left out. A negative or absurd count reads nothing beyond the
// entries there are.
std::vector<std::string> Load(SettingsStore& store);
void Save(SettingsStore& store, const std::vector<std::string>& items);
// Appends item unless it is empty or already there (exact comparison).
bool Append(std::vector<std::string>& items, std::string_view item);
// What choosing an item sends (host bytes in, host bytes out).
std::string GoCommand(std::string_view hostItem);

}  // namespace favourites

// The rules of the "자주 가는곳 편집" dialog: its list kept sorted, the
// new-item text, and which buttons work.
class FavouritesEditor {
public:
    explicit FavouritesEditor(const std::vector<std::string>& barItems);

    const std::vector<std::string>& Items() const { return items_; }
    int Selected() const { return selected_; }  // -1: none
    void Select(int index);
    const std::string& NewText() const { return text_; }
    void SetNewText(std::string text) { text_ = std::move(text); }

    bool AddEnabled() const { return !text_.empty(); }
    bool DeleteEnabled() const { return selected_ >= 0; }

    enum class AddResult { Nothing, Added, Exists };
    // Added: the text is in the list, selected, and the field emptied.
    // Exists: the list is unchanged and the text stays in the field.
    AddResult Add();
    // Removes the selected item; the one now at its place (or the last one)
    // is selected.
    void Delete();
    // "확인": with text in the field it adds and the dialog stays (false);
    // otherwise true, and Items() is what the bar takes.
    bool Ok(AddResult* added);

    // The list's order: letters without regard to case, then by code.
    static bool Before(const std::string& a, const std::string& b);

private:
    std::vector<std::string> items_;
    int selected_ = -1;
    std::string text_;
};

// The shortcut bar's service keys: what a command sends on a service
// (ServiceKind 0..4), null where it sends nothing (service 5, other ids).
// The Enter key sends CR on every service.
const char* ServiceKey(int commandId, int service);
// The Enter key whenever the host is free (no transfer, no scrollback view);
// the others also need a connection to a built-in service.
bool ServiceKeyEnabled(int commandId, const SharedFlags& flags);

}  // namespace velo
