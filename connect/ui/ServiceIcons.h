// The phone book's pictures, drawn here with QPainter: one icon for each
// built-in service and one for any other host, and the glyphs of the phone
// book's tool bar.
#pragma once

#include <QIcon>

namespace velo {

// Service 0..4; anything else is the icon of another host. Sizes 16, 32
// and 48 pixels.
QIcon ServiceIcon(int service);

enum class PhoneBookGlyph { Add, Edit, Delete, Save, LargeIcons, SmallIcons, List, Details };
QIcon PhoneBookToolIcon(PhoneBookGlyph glyph);

}  // namespace velo
