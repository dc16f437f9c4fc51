#include "ui/shell/program_windows.h"

#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/widgets/skin.h"
#include "ui/windows/entry_windows.h"
#include "ui/windows/export_dialog.h"
#include "ui/windows/groove_popups.h"
#include "ui/windows/library_window.h"
#include "ui/windows/midi_window.h"
#include "ui/windows/pattern_dialogs.h"
#include "ui/windows/performance_window.h"
#include "ui/windows/periphery_windows.h"
#include "ui/windows/sequencer_windows.h"
#include "ui/windows/sound_popup.h"
#include "ui/windows/wave_inspector_window.h"
#include "ui/windows/wave_output_window.h"

namespace bw::ui {

ProgramWindows::ProgramWindows() = default;

ProgramWindows::~ProgramWindows()
{
    // The engine's display reaches into the other windows: end any run before they go.
    if (main) {
        main->transport().stopAndWait();
    }
    // The others go first, the main window last.
    form1.reset();
    humanizeForm.reset();
    lowPassF.reset();
    delayF.reset();
    performf.reset();
    midiWindow.reset();
    waveoutf.reset();
    prefform.reset();
    shuffelForm.reset();
    numberedit.reset();
    wantsaveF.reset();
    multiseq.reset();
    makSoED.reset();
    selfPopup.reset();
    xxxForm.reset();
    sequencerForm.reset();
    newPattenDia1.reset();
    refo.reset();
    writeWavF.reset();
    conti.reset();
    soundlibary.reset();
    waveTest.reset();
    waveInspector.reset();
    infoF.reset();
    main.reset();
}

namespace {

template <typename T> T* Create(std::unique_ptr<T>& slot, std::vector<QWidget*>& order)
{
    slot = std::make_unique<T>();
    order.push_back(slot.get());
    return slot.get();
}

} // namespace

std::unique_ptr<ProgramWindows> CreateProgramWindows(const QString& programDir,
                                                     SoundOutputs outputs)
{
    return CreateProgramWindows(FilesInFolder(programDir), std::move(outputs));
}

std::unique_ptr<ProgramWindows> CreateProgramWindows(const ProgramFiles& files,
                                                     SoundOutputs outputs)
{
    auto w = std::make_unique<ProgramWindows>();
    audio::WaveOutFactory player = outputs.player;
    w->main = std::make_unique<TMain>(files, std::move(outputs));
    w->creationOrder.push_back(w->main.get());
    Create(w->infoF, w->creationOrder);
    Create(w->waveInspector, w->creationOrder);
    Create(w->waveTest, w->creationOrder);
    Create(w->soundlibary, w->creationOrder);
    Create(w->conti, w->creationOrder);
    Create(w->writeWavF, w->creationOrder);
    Create(w->refo, w->creationOrder);
    Create(w->newPattenDia1, w->creationOrder);
    Create(w->sequencerForm, w->creationOrder);
    Create(w->xxxForm, w->creationOrder);
    Create(w->selfPopup, w->creationOrder);
    Create(w->makSoED, w->creationOrder);
    Create(w->multiseq, w->creationOrder);
    Create(w->wantsaveF, w->creationOrder);
    Create(w->numberedit, w->creationOrder);
    Create(w->shuffelForm, w->creationOrder);
    Create(w->prefform, w->creationOrder);
    Create(w->waveoutf, w->creationOrder);
    Create(w->performf, w->creationOrder);
    Create(w->delayF, w->creationOrder);
    Create(w->lowPassF, w->creationOrder);
    Create(w->humanizeForm, w->creationOrder);
    Create(w->form1, w->creationOrder);
    // Windows added since the program's first windows keep out of their start-up order.
    w->midiWindow = std::make_unique<TMidiWindow>();

    w->infoF->setSkin(&w->conti->skin());
    w->infoF->setExtraWindow(w->form1.get());
    MainWindowLinks links;
    links.info = w->infoF.get();
    links.conti = w->conti.get();
    links.soundLibrary = w->soundlibary.get();
    links.writeWav = w->writeWavF.get();
    links.newPattern = w->newPattenDia1.get();
    links.sequencer = w->sequencerForm.get();
    links.multiseq = w->multiseq.get();
    links.performance = w->performf.get();
    links.preferences = w->prefform.get();
    links.waveOutput = w->waveoutf.get();
    links.midi = w->midiWindow.get();
    links.selfPopup = w->selfPopup.get();
    links.savePrompt = w->wantsaveF.get();
    links.numberEdit = w->numberedit.get();
    links.textWindow = w->xxxForm.get();
    links.waveInspector = w->waveInspector.get();
    links.waveTest = w->waveTest.get();
    links.shuffle = w->shuffelForm.get();
    links.delay = w->delayF.get();
    links.lowPass = w->lowPassF.get();
    links.humanize = w->humanizeForm.get();
    EditorContext& context = w->main->context();
    w->selfPopup->attach(context);
    w->sequencerForm->attach(context);
    w->multiseq->setSkin(&w->conti->skin());
    w->waveInspector->attach(context);
    w->soundlibary->attach(context);
    w->writeWavF->attach(context);
    w->shuffelForm->attach(context);
    w->delayF->attach(context);
    w->lowPassF->attach(context);
    w->humanizeForm->attach(context);
    w->waveTest->setDeviceOutput(std::move(player));
    w->waveoutf->attach(w->main->transport());
    w->midiWindow->attach(context, w->main->pads(), w->main->transport());
    w->main->setLinks(links);
    RenderBridge& bridge = w->main->bridge();
    w->performf->followEngine(bridge);
    w->writeWavF->followEngine(bridge);
    w->sequencerForm->followEngine(bridge);
    return w;
}

} // namespace bw::ui
