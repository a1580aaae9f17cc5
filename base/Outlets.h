// What an engine is handed at construction to reach the world around it: the
// settings it reads and writes, the frame it reports to, and the flags it
// shares with the other engines. The program builds one from its process-wide
// objects (in the shell, the only place that knows them); each test builds its
// own from recorders (tests/support), so nothing is shared between tests.
#pragma once

#include "base/Flags.h"
#include "base/FrameSink.h"
#include "base/SettingsStore.h"

namespace velo {

struct Outlets {
    SettingsStore& settings;
    FrameSink& frame;
    SharedFlags& flags;
};

}  // namespace velo
