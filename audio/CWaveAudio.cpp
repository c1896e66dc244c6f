#include "CWaveAudio.h"

#include "CContentResource.h"
#include "ContentIds.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// SDL_InitSubSystem and SDL_QuitSubSystem are not thread-safe; players on
// their threads and CanPlay take this lock around them only.
std::mutex g_sdlInitLock;

// The players still playing, so that the program can end them before it ends.
std::mutex g_playersLock;
std::condition_variable g_playersDone;
int g_playing = 0;
std::atomic<bool> g_stopping{false};

std::once_flag g_canPlayOnce;
uint32_t g_canPlay = 0;

void SayOnce(std::once_flag& flag, const char* what, const char* detail)
{
    std::call_once(flag, [&] { std::fprintf(stderr, "ovantis: %s%s%s\n", what, *detail ? ": " : "", detail); });
}
std::once_flag g_noDeviceSaid;

bool InitAudio()
{
    std::lock_guard lock(g_sdlInitLock);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        return true;
    SayOnce(g_noDeviceSaid, "no sound output; sounds are not played", SDL_GetError());
    return false;
}

void QuitAudio()
{
    std::lock_guard lock(g_sdlInitLock);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// Reads a whole file of at most Formats::Wave::kMaxImageBytes; false for
// anything else (a directory, a device, a larger file).
bool ReadBoundedFile(const std::string& path, std::vector<uint8_t>* out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0
           && uint64_t(st.st_size) <= Formats::Wave::kMaxImageBytes;
    if (ok) {
        // The file may grow or shrink meanwhile: read at most one byte more
        // than the bound and keep what arrived.
        out->resize(size_t(st.st_size) + 1);
        size_t got = 0;
        while (got < out->size()) {
            const ssize_t n = ::read(fd, out->data() + got, out->size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += size_t(n);
        }
        out->resize(got);
        ok = got <= Formats::Wave::kMaxImageBytes;
    }
    ::close(fd);
    return ok;
}

} // namespace

uint32_t CWaveAudio::CanPlay(uint32_t mask)
{
    std::call_once(g_canPlayOnce, [mask] {
        if (!InitAudio())
            return;
        // -1: the driver keeps no list but opens its default device.
        const int devices = SDL_GetNumAudioDevices(0);
        if (devices != 0)
            g_canPlay = kAllStandardFormats & mask;
        else
            SayOnce(g_noDeviceSaid, "no sound output device; sounds are not played", "");
        QuitAudio();
    });
    return g_canPlay;
}

CWaveAudio* CWaveAudio::PlayerFromResource(const std::string& waveName)
{
    if (!g_canPlay)
        return nullptr;
    auto* player = new CWaveAudio;
    CContentResource resource;
    if (resource.LoadNamed(ResName::FromWindows1252(waveName), ResType::kWave) && resource.Lock()) {
        player->m_image = {resource.data, resource.size};
        player->m_valid = true;
    }
    return player;
}

CWaveAudio* CWaveAudio::PlayerFromFile(const std::string& path)
{
    if (!g_canPlay)
        return nullptr;
    auto* player = new CWaveAudio;
    if (ReadBoundedFile(path, &player->m_file)) {
        player->m_image = player->m_file;
        player->m_valid = true;
    }
    return player;
}

int CWaveAudio::SetVolume(uint32_t level)
{
    level &= 0xFFFF;
    m_volume = level * 0x10001;
    return 1;
}

CWaveAudio::~CWaveAudio() = default;

std::vector<int16_t> CWaveAudio::OutputSamples(const Formats::Wave::Image& image, uint32_t volume)
{
    const Formats::Wave::Format& f = image.format;
    const size_t bytesPerSample = f.bitsPerSample / 8;
    const size_t frameBytes = size_t(f.channels) * bytesPerSample;
    std::vector<int16_t> out;
    if (frameBytes == 0)
        return out;
    const size_t frames = image.samples.size() / frameBytes;
    out.resize(frames * f.channels);
    const int32_t levels[2] = {int32_t(volume & 0xFFFF), int32_t(volume >> 16)};
    const uint8_t* in = image.samples.data();
    for (size_t i = 0; i < out.size(); ++i, in += bytesPerSample) {
        const int32_t sample = bytesPerSample == 1 ? (int32_t(in[0]) - 128) * 256 : int16_t(in[0] | (in[1] << 8));
        const int32_t level = levels[(i % f.channels) == 1 ? 1 : 0];
        out[i] = int16_t(level == 0xFFFF ? sample : sample * level / 0xFFFF);
    }
    return out;
}

int CWaveAudio::Play()
{
    std::optional<Formats::Wave::Image> image;
    if (m_valid)
        image = Formats::Wave::Read(m_image);
    if (!image || !Formats::Wave::WhyUnplayable(image->format).empty() || g_stopping) {
        delete this;
        return 0;
    }
    std::vector<int16_t> samples = OutputSamples(*image, m_volume);
    // The image is not needed from here on.
    m_image = {};
    std::vector<uint8_t>().swap(m_file);
    {
        std::lock_guard lock(g_playersLock);
        ++g_playing;
    }
    std::thread(&CWaveAudio::Run, this, image->format, std::move(samples)).detach();
    return 1;
}

void CWaveAudio::Run(Formats::Wave::Format format, std::vector<int16_t> samples)
{
    if (InitAudio()) {
        SDL_AudioSpec want{};
        want.freq = int(format.samplesPerSecond);
        want.format = AUDIO_S16SYS;
        want.channels = uint8_t(format.channels);
        want.samples = 2048;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts to whatever the device takes.
        const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device != 0) {
            const size_t bytes = samples.size() * sizeof(int16_t);
            const int64_t soundMs = int64_t(samples.size() / format.channels) * 1000 / format.samplesPerSecond;
            const int64_t bufferMs = int64_t(have.samples) * 1000 / have.freq;
            SDL_QueueAudio(device, samples.data(), uint32_t(bytes));
            SDL_PauseAudioDevice(device, 0);
            // Bounded: a device that stops taking samples cannot hold us.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(soundMs + 2000);
            while (SDL_GetQueuedAudioSize(device) > 0 && !g_stopping && std::chrono::steady_clock::now() < deadline)
                SDL_Delay(20);
            // The last buffer the device took is still sounding.
            if (!g_stopping)
                SDL_Delay(uint32_t(2 * bufferMs + 20));
            SDL_CloseAudioDevice(device);
        }
        QuitAudio();
    }
    delete this;
    std::lock_guard lock(g_playersLock);
    --g_playing;
    g_playersDone.notify_all();
}

void CWaveAudio::StopAll(int timeoutMs)
{
    g_stopping = true;
    std::unique_lock lock(g_playersLock);
    g_playersDone.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return g_playing == 0; });
}
