#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace bw::ui {

class EditorContext;

/// The sound library window: the list of sounds, a sound's length, stop target and stretch
/// setting, the stretch ratio and the stop target editors, and the buttons that add, delete,
/// merge, export and save. With no sound selected it shows empty details and ignores the
/// edits that need a sound.
class Tsoundlibary : public QWidget
{
    Q_OBJECT
public:
    explicit Tsoundlibary(QWidget* parent = nullptr);

    /// The library and the document the window works on (set once at start).
    void attach(EditorContext& context);

    /// The sound shown: the list's current row, or -1.
    int selectedIndex() const;
    /// Refills the list and the stop-event box from the library, keeping the selected row
    /// where it can, and shows the selected sound.
    void refresh();
    /// Fills the details from the selected sound (also after every edit).
    void ShowSelectedSound();

    void StrEnClick(bool checked);
    void combomulChange(const QString& text);
    void combodivChange(const QString& text);
    void Button4Click(); // SET the stop target
    void Button5Click(); // DELETE the stop target
    void Button1Click(); // ADD Sound
    void Button2Click(); // DELETE Sound
    void Button6Click(); // Import Libary
    void Button7Click(); // Export Libary
    void Button3Click(); // CLOSE and SAVE
    /// Plays the selected sound on the live voices (PLAY, a double-click or Enter).
    void playSelected();

    QListWidget* ListBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr; // INFO
    QLabel* Label3 = nullptr;       // length
    QLabel* stop = nullptr;
    QLabel* strinf = nullptr;
    QGroupBox* GroupBox3 = nullptr; // Stretch Wave
    QCheckBox* StrEn = nullptr;
    QComboBox* combomul = nullptr;
    QComboBox* combodiv = nullptr;
    QGroupBox* GroupBox1 = nullptr; // Set Stop Event
    QComboBox* swbox = nullptr;
    QPushButton* Button4 = nullptr;    // SET
    QPushButton* Button5 = nullptr;    // DELETE
    QPushButton* Button1 = nullptr;    // ADD Sound
    QPushButton* Button2 = nullptr;    // DELETE Sound
    QPushButton* Button6 = nullptr;    // Import Libary
    QPushButton* Button7 = nullptr;    // Export Libary
    QPushButton* Button3 = nullptr;    // CLOSE and SAVE
    QPushButton* ButtonPlay = nullptr; // PLAY the selected sound

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createInfo();
    void createStretch();
    void createStopEvent();
    void createButtons();
    /// Shows the stretch ratio boxes' values again once the user has finished typing.
    void showTypedRatio();

    EditorContext* m_ctx = nullptr;
    bool m_updating = false;
    bool m_placed = false;
};

} // namespace bw::ui
