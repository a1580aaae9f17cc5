// Event sounds: named events ("시작", "종료", "연결됨", "연결끊김",
// "파일전송완료", "채팅창전환", "단어찾기", "Flicko쥐") played from the wave
// file whose path the user stored in settings section "Sounds" under the
// event's name. An empty entry, or a file that cannot be opened for reading,
// is silence; so is a desktop without a sound server.
#pragma once

#include <string>
#include <string_view>

namespace velo {

class EventSounds {
public:
    virtual ~EventSounds() = default;
    // wait: return only when the sound has finished (the exit sound).
    virtual void Play(std::string_view event, bool wait) = 0;
};

// The path that would be played for an event, or "" for silence.
std::string EventSoundPath(std::string_view event);

// libcanberra behind the interface; created by the application.
EventSounds* CreateCanberraSounds();

// The process-wide player; a silent one until the application installs its own.
EventSounds& AppSounds();
void SetAppSounds(EventSounds* sounds);
inline void PlayEventSound(std::string_view event, bool wait = false) { AppSounds().Play(event, wait); }

}  // namespace velo
