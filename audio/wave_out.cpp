#include "audio/wave_out.h"

#include <utility>

namespace bw::audio {

void NullWaveOut::open(int /*rate*/, int /*bits*/, int /*channels*/, DoneCallback done)
{
    m_done = std::move(done);
    m_open = true;
}

void NullWaveOut::queue(WaveBuffer* buffer)
{
    // Nothing plays: the buffer is finished as soon as it arrives, on the caller's thread.
    if (m_done) {
        m_done(buffer);
    }
}

void NullWaveOut::close()
{
    m_open = false;
    m_done = nullptr;
}

} // namespace bw::audio
