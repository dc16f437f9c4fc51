#include "audio/block_renderer.h"

#include "audio/groove.h"
#include "audio/mix_worker.h"
#include "audio/request_flags.h"
#include "audio/resampler.h"
#include "audio/stretch_cache.h"
#include "core/track_commands.h"
#include "core/wrapping_int.h"
#include "library/sound_library.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace bw::audio {

namespace {

std::int32_t divChecked(std::int32_t a, std::int32_t b)
{
    if (b == 0) {
        throw std::domain_error("division by zero");
    }
    if (b == -1) {
        return core::WrapMul(a, -1);
    }
    return a / b;
}

/// Copies longer than this many samples are treated as an allocation failure.
constexpr std::int64_t MaxCopySamples = std::numeric_limits<std::int32_t>::max() / 2 - 16;

} // namespace

BlockSettings BlockSettings::read(const core::TSong& song, bool interpolate)
{
    BlockSettings s;
    s.stereo = song.Stereo;
    s.masterVolume = std::clamp(song.MasterVolume, 0, 10000);
    s.shuffleAmount = std::clamp(song.ShuffleAmount, 0, 100);
    s.shuffleDivision = song.ShuffleDivision >= 1 ? song.ShuffleDivision : 2;
    s.delayDivision = song.DelayDivision;
    s.delayFeedback = std::clamp(song.DelayFeedback, 0, 100);
    s.delayRepeats = std::clamp(song.DelayRepeats, 0, 10);
    s.humanizeTiming = std::clamp(song.HumanizeTiming, 0, core::MaxHumanizeTiming);
    s.humanizeVolume = std::clamp(song.HumanizeVolume, 0, core::MaxHumanizeVolume);
    s.humanizeSeed = song.HumanizeSeed;
    s.interpolate = interpolate;
    return s;
}

BlockRenderer::BlockRenderer() : m_voices(std::make_unique<VoiceTable>()), m_buffer(BufferValues, 0)
{
    m_runs.reserve(VoiceCount);
    m_ending.reserve(VoiceCount);
}

BlockRenderer::~BlockRenderer() = default;

void BlockRenderer::clearVoices()
{
    for (auto& v : *m_voices) {
        v.volume = 0;
        v.data.reset();
    }
}

int BlockRenderer::activeVoices() const
{
    int n = 0;
    for (const auto& v : *m_voices) {
        n += v.active() ? 1 : 0;
    }
    return n;
}

BlockRenderer::RefusedCopy BlockRenderer::takeRefusedCopy()
{
    return std::exchange(m_refused, RefusedCopy{});
}

std::int32_t BlockRenderer::beginBlock(std::int32_t bpm)
{
    if (bpm < 1) {
        throw std::domain_error("no tempo");
    }
    m_blockValues = std::min(core::WrapMul(divChecked(2646000, bpm), 2), MaxBlockValues);
    m_voicesStarted = 0;
    if (m_blockValues > 0) {
        std::fill_n(m_buffer.begin(), m_blockValues, std::int16_t{0});
        for (auto& stem : m_stems) {
            if (!stem.empty()) {
                std::fill_n(stem.begin(), m_blockValues, std::int16_t{0});
            }
        }
    }
    return m_blockValues;
}

int BlockRenderer::freeVoice(int from) const
{
    for (int i = from; i < VoiceCount; ++i) {
        if ((*m_voices)[static_cast<std::size_t>(i)].volume == 0) {
            return i;
        }
    }
    return -1;
}

std::int32_t BlockRenderer::patternPass(const core::TPattern& pat, int k)
{
    if (pat.PlayPlaced == 1) {
        return pat.PlayPlacement;
    }
    const auto at = static_cast<std::size_t>(k);
    if (m_passes.size() <= at) {
        m_passes.resize(at + 1);
    }
    PassCount& c = m_passes[at];
    // A window that does not lie after the last one starts the pattern's next pass.
    if (c.passes < 0 || pat.PlayFrom <= c.lastFrom) {
        c.passes = core::WrapAdd(c.passes, 1);
    }
    c.lastFrom = pat.PlayFrom;
    return c.passes;
}

void BlockRenderer::trigger(core::TSong& song,
                            int k,
                            library::SoundLibrary& lib,
                            StretchCache& cache,
                            const BlockSettings& settings,
                            RequestFlags* flags)
{
    core::TPattern& pat = song.pattern(k);
    const std::int32_t beats = core::PlayedBeats(pat);
    const std::int32_t firstSlot = divChecked(core::WrapMul(pat.PlayFrom, 256), beats);
    const std::int32_t lastSlot = divChecked(core::WrapMul(pat.PlayTo, 256), beats) - 1;
    // A window outside the pattern (its beats shrank while it played) plays nothing.
    const std::int32_t from = std::max(firstSlot, 0);
    const std::int32_t to = std::min(lastSlot, core::PatternSlots - 1);
    const int tracks = std::clamp(song.TrackCount, 0, core::MaxTracks);
    const bool humanize = settings.humanizeTiming > 0 || settings.humanizeVolume > 0;
    const std::int32_t pass = patternPass(pat, k); // counted whether humanize is on or not
    const std::int32_t timingUnits =
        HumanizeTimingUnits(settings.humanizeTiming, m_blockValues / 2);
    int hint = 0;
    for (int i = 0; i < tracks; ++i) {
        const core::TTrack& track = pat.Tracks[static_cast<std::size_t>(i)];
        if (!core::TrackHeard(song, track, i)) { // muted, or another track soloed
            continue;
        }
        for (std::int32_t s = from; s <= to; ++s) {
            const core::TNoteEvent& ev =
                pat.Events[static_cast<std::size_t>(i)][static_cast<std::size_t>(s)];
            if (ev.Volume <= 0) {
                continue;
            }
            const int j = freeVoice(hint);
            if (j < 0) {
                return; // no voice left: the remaining events of the block are dropped
            }
            hint = j;
            if (!lib.validIndex(track.SoundIndex)) {
                continue;
            }
            const library::TSoundRec& sound = lib.at(track.SoundIndex);
            Voice v;
            // Every value is kept to the range its editor allows, so no product overflows and
            // the pitch copy stays within reach.
            v.volume = std::min(ev.Volume, 10000);
            std::uint64_t hash = 0;
            if (humanize) {
                hash = HumanizeHash({settings.humanizeSeed, k, i, s, pass});
                if (settings.humanizeVolume > 0) {
                    v.volume = HumanizedVolume(hash, v.volume, settings.humanizeVolume);
                }
            }
            v.eventVolume = v.volume;
            const std::int64_t pitch = static_cast<std::int64_t>(ev.Pitch) + pat.Transpose +
                                       static_cast<std::int64_t>(track.Transpose);
            v.pitch = static_cast<std::int32_t>(
                std::clamp<std::int64_t>(pitch, -MaxPitchSemitones, MaxPitchSemitones));
            v.panOffset = std::clamp(ev.Pan, -1000, 1000);
            v.settings = track;
            v.settings.Volume = std::clamp(track.Volume, 0, 10000);
            v.settings.DelaySend = std::clamp(track.DelaySend, 0, 1000);
            v.settings.Pan = std::clamp(std::clamp(track.Pan, 0, 2000) + v.panOffset, 0, 2000);
            v.volume = core::WrapMul(core::WrapMul(v.volume, settings.masterVolume) / 10000,
                                     v.settings.Volume) /
                       10000;
            v.sound = track.SoundIndex;
            v.delay = v.settings.DelaySend > 0 ? 1 : 0;
            v.track = i;
            v.flags = sound.Flags;
            v.echo = 0;
            v.ownsCopy = 0;

            // A sound shorter than one sample cannot be played.
            if (sound.DataSize < 2) {
                continue;
            }
            const std::int32_t L = (sound.DataSize - 1) / 2;
            std::int64_t n = 0;
            if (sound.stretchEnabled()) {
                if (sound.StretchDiv == 0) {
                    continue;
                }
                n = static_cast<std::int64_t>(m_blockValues / 2) * sound.StretchMul /
                    sound.StretchDiv;
            } else if (v.pitch != 0) {
                n = PitchedLength(PitchFactor(v.pitch), L);
            }
            if (sound.stretchEnabled() || v.pitch != 0) {
                if (n <= 0) {
                    continue;
                }
                StretchCache::Acquired acquired;
                if (n <= MaxCopySamples) {
                    const auto n32 = static_cast<std::int32_t>(n);
                    acquired = cache.AcquireCopy(0, sound.Data, n32 * 2 + 24, L, n32);
                }
                if (!acquired.copy) {
                    // Too large for the cache: the voice stays silent, and the run says so.
                    if (m_refused.sound.empty()) {
                        m_refused = RefusedCopy{sound.Name.str(), n * 2 + 24};
                    }
                    continue;
                }
                const auto n32 = static_cast<std::int32_t>(n);
                if (!acquired.found) {
                    if (flags != nullptr) {
                        flags->appendStage("(p stretchwave)");
                    }
                    Resample(sound.Data->data(), L, acquired.copy->data(), n32,
                             settings.interpolate);
                    if (flags != nullptr) {
                        flags->setStage("Calculate Sound Error(300)");
                    }
                }
                v.data = acquired.copy;
                v.end = n32 - 1;
                v.ownsCopy = 1;
            } else {
                v.data = sound.Data;
                v.end = L;
            }
            v.start = (s - firstSlot) * beats;
            if (settings.shuffleAmount != 0) {
                v.start = ShuffledPosition(v.start, 256, settings.shuffleAmount,
                                           settings.shuffleDivision);
            }
            if (timingUnits > 0) {
                // This block is all that is left to start in: earlier than its start cannot
                // be played. A start past the block's end waits for the next block, as echoes
                // do.
                v.start = std::max(0, v.start + HumanizeOffset(hash, timingUnits, 0));
            }
            v.position = 0;
            ++m_voicesStarted;
            (*m_voices)[static_cast<std::size_t>(j)] = std::move(v);
        }
    }
}

void BlockRenderer::spawnEchoes(const BlockSettings& settings)
{
    VoiceTable& voices = *m_voices;
    for (int i = 0; i < VoiceCount; ++i) {
        Voice& src = voices[static_cast<std::size_t>(i)];
        if (src.delay != 1) {
            continue;
        }
        if (settings.delayDivision < 1) {
            // No echo spacing: 0 divides by zero, and below it echoes would come first.
            throw std::domain_error("delay divisor below 1");
        }
        const std::int32_t spacing = 256 / settings.delayDivision;
        const std::int64_t echoes = static_cast<std::int64_t>(settings.delayRepeats) + 1;
        int hint = 0;
        for (std::int64_t g = 1; g <= echoes; ++g) {
            const int j = freeVoice(hint);
            if (j < 0) {
                break; // no free voice for this echo, nor for any later one
            }
            hint = j;
            Voice& e = voices[static_cast<std::size_t>(j)];
            e = src;
            const auto g32 = static_cast<std::int32_t>(g);
            e.echo = g32;
            e.delay = 0;
            e.start = core::WrapAdd(src.start, core::WrapMul(spacing, g32));
            std::int32_t volume =
                core::WrapMul(src.volume, core::WrapAdd(src.settings.DelaySend, 1)) / 1001;
            for (std::int64_t r = 0; r < g + 1; ++r) {
                volume = core::WrapMul(volume, core::WrapAdd(settings.delayFeedback, 1)) / 101;
            }
            e.volume = volume;
        }
        src.delay = 0;
    }
}

void BlockRenderer::applyStopEvents()
{
    VoiceTable& voices = *m_voices;
    for (auto& j : voices) {
        if (!j.active() || j.position != 0 || j.settings.StopTargetIndex == -1) {
            continue;
        }
        const std::int32_t offsetJ = VoiceOffset(j.start, m_blockValues);
        for (auto& k : voices) {
            if (!k.active() || k.sound != j.settings.StopTargetIndex) {
                continue;
            }
            const std::int32_t offsetK = VoiceOffset(k.start, m_blockValues);
            if (k.position == 0 && !(offsetK < offsetJ)) {
                continue;
            }
            const std::int64_t cut = static_cast<std::int64_t>(offsetJ) + k.position - offsetK;
            if (cut >= k.end || j.echo != k.echo || cut < 0) {
                continue;
            }
            const auto c = static_cast<std::int32_t>(cut);
            const library::SampleData& data = *k.data;
            const bool negative = data[static_cast<std::size_t>(c)] < 0;
            std::int32_t end = c;
            for (std::int32_t i = 0; i <= 1000 && c + i <= k.end; ++i) {
                if ((data[static_cast<std::size_t>(c) + static_cast<std::size_t>(i)] < 0) !=
                    negative) {
                    end = c + i;
                    break;
                }
            }
            k.end = end;
        }
    }
}

void BlockRenderer::releaseIfLast(StretchCache& cache, int j)
{
    VoiceTable& voices = *m_voices;
    const Voice& v = voices[static_cast<std::size_t>(j)];
    if (v.ownsCopy != 1) {
        return;
    }
    for (int i = 0; i < VoiceCount; ++i) {
        const Voice& o = voices[static_cast<std::size_t>(i)];
        if (i != j && o.active() && o.data == v.data) {
            return;
        }
    }
    cache.ReleaseCopy(v.data.get());
}

std::int32_t BlockRenderer::mixRuns(std::int32_t from, std::int32_t to)
{
    std::int32_t clips = 0;
    for (const Run& r : m_runs) {
        const std::int32_t a = std::max(from, r.offset);
        const std::int32_t b = std::min(to, r.offset + r.count);
        if (a >= b || r.muted) {
            continue;
        }
        std::int16_t* out = m_buffer.data() + 2 * static_cast<std::ptrdiff_t>(a);
        const std::int16_t* samples = r.samples + (a - r.offset);
        if (m_stemsOn && r.track >= 0 && static_cast<std::size_t>(r.track) < m_stems.size() &&
            !m_stems[static_cast<std::size_t>(r.track)].empty()) {
            // The same values into the track's own block: a stem is what the track adds.
            std::int16_t* stem = m_stems[static_cast<std::size_t>(r.track)].data() +
                                 2 * static_cast<std::ptrdiff_t>(a);
            if (m_scalar) {
                MixRunScalar(stem, samples, b - a, r.gain);
                clips += MixRunScalar(out, samples, b - a, r.gain);
            } else {
                clips += MixRunWithStem(out, stem, samples, b - a, r.gain);
            }
            continue;
        }
        clips += m_scalar ? MixRunScalar(out, samples, b - a, r.gain)
                          : MixRun(out, samples, b - a, r.gain);
    }
    return clips;
}

void BlockRenderer::prepareMix()
{
    if (m_worker && !m_scalar) {
        m_worker->wake();
    }
}

void BlockRenderer::planMix(StretchCache& cache, const BlockSettings& settings)
{
    VoiceTable& voices = *m_voices;
    const std::int32_t frames = m_blockValues / 2;
    m_runs.clear();
    m_work = 0;
    for (int j = 0; j < VoiceCount; ++j) {
        Voice& v = voices[static_cast<std::size_t>(j)];
        if (!v.active()) {
            continue;
        }
        if (v.start >= 256) {
            v.start -= 256;
            continue;
        }
        if (v.ownsCopy == 1 && !cache.ContainsCopy(v.data.get())) {
            continue;
        }
        const std::int32_t offset = VoiceOffset(v.start, m_blockValues);
        // Samples position..end go to frames offset..; the block may end first.
        std::int64_t count = static_cast<std::int64_t>(v.end) - v.position + 1;
        count = std::min<std::int64_t>(count, static_cast<std::int64_t>(frames) - offset);
        if (offset >= 0 && count > 0) {
            Run r{};
            r.offset = offset;
            r.count = static_cast<std::int32_t>(count);
            r.samples = v.data->data() + v.position;
            r.gain.g = core::WrapMul(v.volume, 4) / 5;
            r.gain.stereo = settings.stereo != 0;
            PanWeights(v.settings.Pan, r.gain.leftWeight, r.gain.rightWeight);
            r.planned = r.gain;
            r.pattern = v.pattern;
            r.track = v.track;
            r.sound = v.sound;
            r.panOffset = v.panOffset;
            r.volume = v.volume;
            r.trackVolume = v.settings.Volume;
            r.master = v.startMaster;
            r.pan = v.settings.Pan;
            if (m_stemsOn) {
                noteStem(r.track, r.sound);
            }
            m_runs.push_back(r);
            m_work += count;
        }
        const std::int64_t next =
            static_cast<std::int64_t>(v.position) + std::max<std::int64_t>(count, 0);
        if (next <= v.end) {
            v.position = static_cast<std::int32_t>(next);
            v.start = 0;
        } else {
            // The run keeps the samples alive until the block is mixed.
            releaseIfLast(cache, j);
            v.volume = 0;
            m_ending.push_back(std::move(v.data));
        }
    }
}

std::int32_t BlockRenderer::mixFrames(std::int32_t from, std::int32_t to)
{
    return mixRuns(std::max(from, 0), std::min(to, m_blockValues / 2));
}

void BlockRenderer::endMix()
{
    m_ending.clear();
}

std::int32_t BlockRenderer::mix(StretchCache& cache, const BlockSettings& settings)
{
    planMix(cache, settings);
    const std::int32_t frames = m_blockValues / 2;
    // Voices are mixed in table order in each chunk, so saturation happens exactly as if one
    // thread mixed them all.
    std::int32_t clips = 0;
    if (!m_scalar && m_work >= ParallelWork && frames >= 2 * ChunkFrames) {
        if (!m_worker) {
            m_worker = std::make_unique<MixWorker>();
        }
        struct Chunks
        {
            BlockRenderer* self;
            std::int32_t frames;
            std::atomic<std::int32_t> clips{0};
        } chunks{this, frames};
        m_worker->forEachChunk((frames + ChunkFrames - 1) / ChunkFrames,
                               [](void* c, int i) {
                                   auto* ch = static_cast<Chunks*>(c);
                                   const std::int32_t from = i * ChunkFrames;
                                   const std::int32_t n = ch->self->mixRuns(
                                       from, std::min(from + ChunkFrames, ch->frames));
                                   ch->clips.fetch_add(n, std::memory_order_relaxed);
                               },
                               &chunks);
        clips = chunks.clips.load();
    } else {
        clips = mixRuns(0, frames);
    }
    endMix();
    return clips;
}

void BlockRenderer::noteSources(int pattern, std::int32_t masterVolume)
{
    for (Voice& v : *m_voices) {
        if (v.active() && v.pattern < 0) {
            v.pattern = pattern;
            v.startMaster = masterVolume;
        }
    }
}

void BlockRenderer::followSong(const core::TSong& song)
{
    const std::int32_t master = std::clamp(song.MasterVolume, 0, 10000);
    const int tracks = std::clamp(song.TrackCount, 0, core::MaxTracks);
    for (Run& r : m_runs) {
        r.gain = r.planned;
        r.muted = false;
        if (r.pattern < 0 || !song.validPattern(r.pattern) || r.track < 0 || r.track >= tracks ||
            r.master <= 0 || r.trackVolume <= 0) {
            continue;
        }
        // The working copy holds the current pattern's tracks as they are edited.
        const core::TTrack& t =
            r.pattern == song.CurrentPattern
                ? song.Tracks[static_cast<std::size_t>(r.track)]
                : song.pattern(r.pattern).Tracks[static_cast<std::size_t>(r.track)];
        if (t.SoundIndex != r.sound) {
            continue; // the track plays another sound now: the voice is no longer its
        }
        r.muted = !core::TrackHeard(song, t, r.track); // muted, or another track soloed
        const std::int32_t trackVolume = std::clamp(t.Volume, 0, 10000);
        const std::int32_t pan = std::clamp(std::clamp(t.Pan, 0, 2000) + r.panOffset, 0, 2000);
        if (trackVolume == r.trackVolume && master == r.master && pan == r.pan) {
            continue;
        }
        // The voice's volume scaled by how far the track's and the master volume moved.
        const std::int64_t volume =
            std::min<std::int64_t>(static_cast<std::int64_t>(r.volume) * master * trackVolume /
                                       (static_cast<std::int64_t>(r.master) * r.trackVolume),
                                   10000);
        r.gain.g = static_cast<std::int32_t>(volume) * 4 / 5;
        PanWeights(pan, r.gain.leftWeight, r.gain.rightWeight);
    }
}

} // namespace bw::audio

namespace bw::audio {

void BlockRenderer::noteStem(int track, std::int32_t sound)
{
    if (track < 0 || track >= core::MaxTracks) {
        return;
    }
    if (m_stems.empty()) {
        m_stems.resize(core::MaxTracks);
        m_stemSounds.assign(core::MaxTracks, -1);
    }
    auto& stem = m_stems[static_cast<std::size_t>(track)];
    if (stem.empty()) {
        stem.assign(BufferValues, 0); // allocated once per track and run, at its first voice
        m_stemSounds[static_cast<std::size_t>(track)] = sound;
    }
}

const std::int16_t* BlockRenderer::stemBlock(int track) const
{
    if (track < 0 || static_cast<std::size_t>(track) >= m_stems.size()) {
        return nullptr;
    }
    const auto& stem = m_stems[static_cast<std::size_t>(track)];
    return stem.empty() ? nullptr : stem.data();
}

void BlockRenderer::takeStemBlock(int track, std::vector<std::int16_t>& buffer)
{
    if (stemBlock(track) == nullptr) {
        return;
    }
    if (buffer.size() != static_cast<std::size_t>(BufferValues)) {
        buffer.assign(BufferValues, 0);
    }
    m_stems[static_cast<std::size_t>(track)].swap(buffer);
}

std::int32_t BlockRenderer::stemSound(int track) const
{
    if (track < 0 || static_cast<std::size_t>(track) >= m_stemSounds.size()) {
        return -1;
    }
    return m_stemSounds[static_cast<std::size_t>(track)];
}

} // namespace bw::audio
