// Event sounds: named events ("시작", "종료", "연결됨", "연결끊김",
// "파일전송완료", "채팅창전환", "단어찾기", "Flicko쥐") played from the user's
// sound scheme. A missing sound is silence.
#pragma once

#include <string_view>

namespace velo {

class EventSounds {
public:
    virtual ~EventSounds() = default;
    // wait: return only when the sound has finished (the exit sound).
    virtual void Play(std::string_view event, bool wait) = 0;
};

class SilentSounds final : public EventSounds {
public:
    void Play(std::string_view, bool) override {}
};

}  // namespace velo
