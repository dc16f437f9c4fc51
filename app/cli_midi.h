#pragma once

#include <string>
#include <vector>

/// `beatwright-cli export-midi SONG.bwp -o OUT.mid [--pattern N]`: the song's arrangement, or
/// pattern N (counted from 0), as a Standard MIDI File. Returns the exit status.
int ExportMidiCommand(const std::vector<std::string>& args);
