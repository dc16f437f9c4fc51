#pragma once

namespace bw::ui {

class TConti;
class Tnumberedit;
class TwantsaveF;
class TXXXForm;
class TDelayF;
class TLowPassF;
class TselfPopup;
class TShuffelForm;
class THumanizeForm;
class TinfoF;
class TMultiseq;
class TNewPattenDia1;
class Tperformf;
class Tprefform;
class TSequencerForm;
class Tsoundlibary;
class Twaveoutf;
class TMidiWindow;
class TWaveInspector;
class TWaveTest;
class TWriteWavF;

/// The other windows the main window and its regions open or update; set by the program
/// entry once they exist. Any of them may be null (tests build the main window alone).
struct MainWindowLinks
{
    TinfoF* info = nullptr;
    TConti* conti = nullptr;
    Tsoundlibary* soundLibrary = nullptr;
    TWriteWavF* writeWav = nullptr;
    TNewPattenDia1* newPattern = nullptr;
    TSequencerForm* sequencer = nullptr;
    TMultiseq* multiseq = nullptr;
    Tperformf* performance = nullptr;
    Tprefform* preferences = nullptr;
    Twaveoutf* waveOutput = nullptr;
    TMidiWindow* midi = nullptr;
    TselfPopup* selfPopup = nullptr;
    TwantsaveF* savePrompt = nullptr;
    Tnumberedit* numberEdit = nullptr;
    TXXXForm* textWindow = nullptr;
    TWaveInspector* waveInspector = nullptr;
    TWaveTest* waveTest = nullptr;
    TShuffelForm* shuffle = nullptr;
    TDelayF* delay = nullptr;
    TLowPassF* lowPass = nullptr;
    THumanizeForm* humanize = nullptr;
};

} // namespace bw::ui
