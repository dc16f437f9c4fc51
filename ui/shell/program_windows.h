#pragma once

#include "ui/shell/program_files.h"
#include "ui/shell/sound_outputs.h"

#include <memory>
#include <vector>

#include <QString>

class QWidget;

namespace bw::ui {

class TConti;
class TDelayF;
class THumanizeForm;
class TForm1;
class TinfoF;
class TLowPassF;
class TMain;
class TMakSoED;
class TMultiseq;
class TNewPattenDia1;
class Tnumberedit;
class Tperformf;
class Tprefform;
class TRefo;
class TselfPopup;
class TSequencerForm;
class TShuffelForm;
class Tsoundlibary;
class TwantsaveF;
class TWaveInspector;
class Twaveoutf;
class TMidiWindow;
class TWaveTest;
class TWriteWavF;
class TXXXForm;

/// Every window of the program, created once at start and living until the end of the run.
struct ProgramWindows
{
    ProgramWindows();
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    std::unique_ptr<TMain> main;
    std::unique_ptr<TinfoF> infoF;
    std::unique_ptr<TWaveInspector> waveInspector;
    std::unique_ptr<TWaveTest> waveTest;
    std::unique_ptr<Tsoundlibary> soundlibary;
    std::unique_ptr<TConti> conti;
    std::unique_ptr<TWriteWavF> writeWavF;
    std::unique_ptr<TRefo> refo;
    std::unique_ptr<TNewPattenDia1> newPattenDia1;
    std::unique_ptr<TSequencerForm> sequencerForm;
    std::unique_ptr<TXXXForm> xxxForm;
    std::unique_ptr<TselfPopup> selfPopup;
    std::unique_ptr<TMakSoED> makSoED;
    std::unique_ptr<TMultiseq> multiseq;
    std::unique_ptr<TwantsaveF> wantsaveF;
    std::unique_ptr<Tnumberedit> numberedit;
    std::unique_ptr<TShuffelForm> shuffelForm;
    std::unique_ptr<Tprefform> prefform;
    std::unique_ptr<Twaveoutf> waveoutf;
    std::unique_ptr<TMidiWindow> midiWindow;
    std::unique_ptr<Tperformf> performf;
    std::unique_ptr<TDelayF> delayF;
    std::unique_ptr<THumanizeForm> humanizeForm;
    std::unique_ptr<TLowPassF> lowPassF;
    std::unique_ptr<TForm1> form1;

    /// The windows in the order they were created (the main window first).
    std::vector<QWidget*> creationOrder;
};

/// Creates every window in the program's order, all hidden; the main window runs its start-up
/// sequence as it is created. programDir and outputs as for TMain; the wave player demo plays
/// through outputs.player.
std::unique_ptr<ProgramWindows> CreateProgramWindows(const QString& programDir = {},
                                                     SoundOutputs outputs = {});
/// The same with each of the main window's files named.
std::unique_ptr<ProgramWindows> CreateProgramWindows(const ProgramFiles& files,
                                                     SoundOutputs outputs = {});

} // namespace bw::ui
