#include "shell/EventSounds.h"

#include <canberra.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

namespace {

class CanberraSounds : public EventSounds {
public:
    explicit CanberraSounds(SettingsStore& s) : settings_(s)
    {
        if (ca_context_create(&ctx_) != CA_SUCCESS) {
            ctx_ = nullptr;
            return;
        }
        ca_context_change_props(ctx_, CA_PROP_APPLICATION_NAME, "Vellow", CA_PROP_APPLICATION_ID,
                                "com.brenwick.vellow", nullptr);
    }
    ~CanberraSounds() override
    {
        if (ctx_)
            ca_context_destroy(ctx_);
    }

    void Play(std::string_view event, bool wait) override
    {
        std::string path = EventSoundPath(settings_, event);
        if (path.empty() || !ctx_)
            return;
        ca_proplist* p = nullptr;
        if (ca_proplist_create(&p) != CA_SUCCESS)
            return;
        ca_proplist_sets(p, CA_PROP_MEDIA_FILENAME, path.c_str());
        ca_proplist_sets(p, CA_PROP_EVENT_ID, std::string(event).c_str());
        // Never the desktop's own fallback sound: only the user's file.
        ca_proplist_sets(p, CA_PROP_CANBERRA_ENABLE, "1");
        if (!wait) {
            ca_context_play_full(ctx_, 0, p, nullptr, nullptr);
            ca_proplist_destroy(p);
            return;
        }
        // The waiter lives on the heap: if the sound server answers only after
        // we stopped waiting, the late callback frees it.
        auto* w = new Waiter;
        uint32_t id = nextId_++;
        int rc = ca_context_play_full(ctx_, id, p, &CanberraSounds::Finished, w);
        ca_proplist_destroy(p);
        if (rc != CA_SUCCESS) {
            delete w;
            return;
        }
        // The exit waits for the sound, but not for ever: a stuck sound
        // server must not keep the program from ending.
        std::unique_lock lock(w->m);
        if (!w->cv.wait_for(lock, std::chrono::seconds(15), [&] { return w->done; })) {
            lock.unlock();
            ca_context_cancel(ctx_, id);
            lock.lock();
            w->cv.wait_for(lock, std::chrono::seconds(1), [&] { return w->done; });
        }
        if (!w->done) {
            w->abandoned = true;
            return;
        }
        lock.unlock();
        delete w;
    }

    void PlayFile(std::string_view file) override
    {
        std::string path(file);
        if (!ctx_ || path.empty() || access(path.c_str(), R_OK) != 0)
            return;
        ca_proplist* p = nullptr;
        if (ca_proplist_create(&p) != CA_SUCCESS)
            return;
        ca_proplist_sets(p, CA_PROP_MEDIA_FILENAME, path.c_str());
        ca_proplist_sets(p, CA_PROP_CANBERRA_ENABLE, "1");
        ca_context_play_full(ctx_, 0, p, nullptr, nullptr);
        ca_proplist_destroy(p);
    }

private:
    struct Waiter {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        bool abandoned = false;
    };
    static void Finished(ca_context*, uint32_t, int, void* data)
    {
        auto* w = static_cast<Waiter*>(data);
        std::unique_lock lock(w->m);
        w->done = true;
        if (w->abandoned) {
            lock.unlock();
            delete w;
            return;
        }
        w->cv.notify_all();
    }
    SettingsStore& settings_;
    ca_context* ctx_ = nullptr;
    std::atomic<uint32_t> nextId_{1};
};

}  // namespace

std::string EventSoundPath(SettingsStore& s, std::string_view event)
{
    std::string path = s.ReadString(settings::kSounds, event, "");
    if (path.empty() || access(path.c_str(), R_OK) != 0)
        return {};
    return path;
}

std::unique_ptr<EventSounds> CreateCanberraSounds(SettingsStore& s)
{
    return std::make_unique<CanberraSounds>(s);
}

}  // namespace velo
