// Opens a received file with the desktop's handler for its type, as the
// "open" verb would. Called on the transfer thread; the opening runs on the
// UI thread.
#pragma once

#include "transfer/ZmProgress.h"

namespace velo {

class DesktopFileOpener final : public zm::ZmFileOpener {
public:
    void OpenFile(const std::string& path) override;
};

}  // namespace velo
