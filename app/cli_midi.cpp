// The export-midi command: the song or one pattern as a MIDI file, with no sound library (the
// notes come from the track rows' sound names and the song's note map).
#include "app/cli_midi.h"

#include "app/cli_text.h"
#include "audio/midi_file.h"
#include "audio/wav_writer.h"
#include "core/pattern_file.h"

#include <algorithm>
#include <iostream>

namespace {

int midiUsage()
{
    std::cerr << "usage: beatwright-cli export-midi FILE.bwp -o OUT.mid [--pattern N]\n";
    return 2;
}

} // namespace

int ExportMidiCommand(const std::vector<std::string>& args)
{
    std::string songFile;
    std::string outFile;
    bw::audio::MidiExportChoice choice;
    choice.wholeSong = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" && i + 1 < args.size()) {
            outFile = args[++i];
        } else if (a == "--pattern" && i + 1 < args.size()) {
            const std::string& n = args[++i];
            if (n.empty() || n.size() > 9 ||
                !std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                std::cerr << "--pattern takes a pattern number counted from 0, not \""
                          << TerminalText(n) << "\"\n";
                return 2;
            }
            choice.wholeSong = false;
            choice.pattern = std::stoi(n);
        } else if (songFile.empty() && !a.empty() && a[0] != '-') {
            songFile = a;
        } else {
            return midiUsage();
        }
    }
    if (songFile.empty() || outFile.empty()) {
        return midiUsage();
    }
    if (const std::string problem = bw::audio::ExportTargetProblem(outFile, {{songFile, "song"}});
        !problem.empty()) {
        std::cerr << TerminalText(problem) << '\n';
        return 1;
    }
    bw::core::PatternReadCallbacks callbacks;
    callbacks.warn = [](const std::string& text) {
        std::cerr << bw::core::EscapeControlBytes(text) << '\n';
    };
    auto song = bw::core::ReadPatternFile(songFile, callbacks);
    // The tempo as the main window takes it in.
    song->Bpm = std::clamp(song->Bpm, 50, 300);
    if (!choice.wholeSong && !song->validPattern(choice.pattern)) {
        std::cerr << TerminalText(songFile) << ": there is no pattern " << choice.pattern
                  << " (the file holds " << song->PatternCount << ")\n";
        return 1;
    }
    bw::audio::WriteMidiFile(outFile, *song, choice);
    return 0;
}
