// The undo history's memory on the two shapes that once broke its cap: 200 one-event edits on
// a song of 300,000 sequence entries, and on a song of 300 patterns. Prints the peak memory
// of the process, the steps kept and whether the last edit can be undone; asserts nothing.
//
//   undo_bench [sequence|patterns]     (both when no argument is given)
#include "core/song.h"
#include "core/undo_history.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>

namespace {

long peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void run(const char* what, int patterns, int entries)
{
    bw::core::TSong song;
    bw::core::InitSong(song);
    for (int i = 0; i < patterns; ++i) {
        bw::core::AddPattern(song, "P" + std::to_string(i));
    }
    bw::core::LoadWorkingCopy(song, 0);
    for (int i = 0; i < entries; ++i) {
        bw::core::TSeqEntry e;
        e.Name.assign("P0");
        e.Position = i % 4000;
        song.Sequence.push_back(e);
    }
    const long before = peakMiB();
    bw::core::UndoHistory history;
    history.reset(song);
    int recorded = 0;
    for (int i = 0; i < 200; ++i) {
        bw::core::InsertEvent(song, i % 31, (i * 7) % 256);
        recorded += history.record(song) ? 1 : 0;
    }
    std::printf("%s: 200 one-event edits, %d recorded: %zu steps kept, last edit %s, peak %ld "
                "MiB (%ld MiB before the history)\n",
                what, recorded, history.steps(),
                history.canUndo() ? "can be undone" : "CANNOT be undone", peakMiB(), before);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string which = argc > 1 ? argv[1] : "";
    if (which.empty() || which == "sequence") {
        run("1 pattern, 300,000 sequence entries", 1, 300000);
    }
    if (which.empty() || which == "patterns") {
        run("300 patterns", 300, 0);
    }
    return 0;
}
