#include "tests/fuzz/sound_fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bw::fuzz::checkSampleFile(data, size);
    return 0;
}
