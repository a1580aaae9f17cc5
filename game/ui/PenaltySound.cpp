#include "game/ui/PenaltySound.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <canberra.h>

namespace car {

namespace {
constexpr uint32_t kSoundId = 1;
const char kWavName[] = "car_penalty.wav";
}  // namespace

PenaltySound::PenaltySound(QString wavPath) : path_(std::move(wavPath)) {}

PenaltySound::~PenaltySound()
{
    if (ctx_)
        ca_context_destroy(ctx_);
}

QString PenaltySound::DefaultPath()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QLatin1Char('/') + QLatin1String(kWavName);
    if (QFileInfo::exists(beside))
        return beside;
    return dir + QLatin1String("/../share/vellow/") + QLatin1String(kWavName);
}

void PenaltySound::Play()
{
    if (failed_ || path_.isEmpty())
        return;
    if (!ctx_) {
        if (ca_context_create(&ctx_) != CA_SUCCESS) {
            ctx_ = nullptr;
            failed_ = true;
            return;
        }
        ca_context_change_props(ctx_, CA_PROP_APPLICATION_NAME, "Bumpo Zingle", nullptr);
    }
    ca_context_cancel(ctx_, kSoundId);
    const QByteArray file = QFile::encodeName(path_);
    // A failure (no device, no server, no file) is ignored: the game goes on
    // without the sound.
    ca_context_play(ctx_, kSoundId, CA_PROP_MEDIA_FILENAME, file.constData(),
                    CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr);
}

}  // namespace car
