#include "tests/fuzz/render_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bw::fuzz::checkRender(data, size);
    return 0;
}
