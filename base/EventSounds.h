// Event sounds: named events ("시작", "종료", "연결됨", "연결끊김",
// "파일전송완료", "채팅창전환", "단어찾기", "Flicko쥐") played from the user's
// sound scheme. A missing sound is silence.
#pragma once

#include <string_view>

namespace velo {

// Every event the program raises, in the order the sound settings list them.
inline constexpr std::string_view kSoundEvents[] = {"시작",       "종료",      "연결됨",   "연결끊김",
                                                    "파일전송완료", "채팅창전환", "단어찾기", "Flicko쥐"};

class EventSounds {
public:
    virtual ~EventSounds() = default;
    // wait: return only when the sound has finished (the exit sound).
    virtual void Play(std::string_view event, bool wait) = 0;
    // Plays a file once, without waiting (trying a file before choosing it).
    virtual void PlayFile(std::string_view path) {}
};

class SilentSounds final : public EventSounds {
public:
    void Play(std::string_view, bool) override {}
};

}  // namespace velo
