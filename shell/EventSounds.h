// The program's sound scheme: each event plays the wave file whose path the
// user stored in settings section "Sounds" under the event's name. An empty
// entry, or a file that cannot be opened for reading, is silence; so is a
// desktop without a sound server.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/EventSounds.h"

namespace velo {

class SettingsStore;

// The path that would be played for an event, or "" for silence.
std::string EventSoundPath(SettingsStore& s, std::string_view event);
// libcanberra behind the interface, reading the paths from s at each play.
std::unique_ptr<EventSounds> CreateCanberraSounds(SettingsStore& s);

}  // namespace velo
