// The bar buttons' pictures, drawn here on a 16-unit grid and scaled, so that
// they stay sharp at any bar size and share one outline, one set of colours
// and one light source.
#pragma once

#include <QIcon>

namespace velo {

// The picture of a bar button's command; a null icon for an id without one.
QIcon BarIcon(int commandId);

}  // namespace velo
