#pragma once

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;

namespace bw::ui {

class EditorContext;
class MidiPads;
class Transport;

/// The MIDI window: which input ports the pads come in through (every port found, or the ones
/// ticked), the channel the song listens on, and MIDI out: clock and the played events as
/// notes (each on or off, and a port they also go to besides the program's own "Beatwright
/// Clock"). Ports and choices are kept between starts; the channel is the song's (an edit,
/// with undo).
class TMidiWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TMidiWindow(QWidget* parent = nullptr);

    void attach(EditorContext& context, MidiPads& pads, Transport& transport);

    /// The text of the clock port box's first entry: no port besides the program's own.
    static QString ownPortOnlyText() { return QStringLiteral("Only \"Beatwright Clock\""); }

    QLabel* statusLabel = nullptr;
    QCheckBox* everyPortBox = nullptr;
    QListWidget* inputList = nullptr;
    QComboBox* channelBox = nullptr;
    QCheckBox* clockBox = nullptr;
    QCheckBox* notesBox = nullptr;
    QComboBox* clockPortBox = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    /// Fills the controls from what is chosen and the ports found now.
    void showState();
    void inputsChosen();
    void channelChosen();
    void clockChosen();

    EditorContext* m_context = nullptr;
    MidiPads* m_pads = nullptr;
    Transport* m_transport = nullptr;
    QTimer m_timer; // ports that come and go while the window is shown
    bool m_placed = false;
    bool m_filling = false;
};

} // namespace bw::ui
