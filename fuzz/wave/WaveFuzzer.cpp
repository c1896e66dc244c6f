// Any bytes as a wave image: the reader stays inside the bytes, and a wave
// it calls playable turns into whole frames of output samples.
#include "CWaveAudio.h"
#include "formats/WaveFormat.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const auto image = Formats::Wave::Read(bytes);
    if (!image)
        return 0;
    if (image->samples.data() < data || image->samples.size() > size
        || size_t(image->samples.data() - data) > size - image->samples.size())
        std::abort();
    if (!Formats::Wave::WhyUnplayable(image->format).empty())
        return 0;
    const uint32_t volume = size > 0 ? uint32_t(data[size - 1]) * 0x01010101u : 0;
    const auto samples = CWaveAudio::OutputSamples(*image, volume);
    const size_t frameBytes = size_t(image->format.blockAlign);
    if (samples.size() != image->samples.size() / frameBytes * image->format.channels)
        std::abort();
    return 0;
}
