#pragma once

#include <optional>

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QMouseEvent;
class QPainter;
class QWidget;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The track list left of the grid: the sounds column (number and name per track: the
/// track's own name where it has one, else its sound's), the mute column (a lamp per track)
/// and the solo column, level with the grid's rows. A click makes a track the current one; a
/// right click, or a click on the column's right end, opens the sound popup; a double click
/// renames the track; a drag moves it to another row; "+ add track" under the last row adds
/// one. A click on a lamp mutes or unmutes the track, one on the solo column solos it. Sound
/// files dropped on a track are imported and given to it. Also the hidden sound combo, whose
/// items are the library's sounds, and the hidden "Enabled" box.
class TrackList : public QObject
{
    Q_OBJECT
public:
    /// soundBoxHost holds the hidden sound combo and "Enabled" box (the top strip).
    TrackList(EditorContext& context, QWidget* parent, QWidget* soundBoxHost);

    void setGeometry(const QRect& rect);
    /// Refills the sound combo with the library's sound names, in library order.
    void fillSoundBox();

    /// Gives the current track the library sound at index (the sound popup's pick).
    void SetTrackSound(int index);
    /// The sound combo's choice: the same as SetTrackSound for its selected item.
    void soundboxChange(int index);
    /// Places the sound popup with its top-left corner at a screen point and shows it.
    void ShowSoundPopup(QPoint screen);
    /// Deletes library sound n after asking; saves the library and rebinds the tracks. The
    /// question and the warnings belong to from (the window the user acted in; the main
    /// window when null). Returns whether the sound was deleted.
    bool DeleteLibrarySound(int n, QWidget* from = nullptr);

    // Track rows (track_list_rows.cpp); each is one undo step.
    /// Adds a track under the last one and makes it current (at most 31).
    void addTrack();
    /// Removes the current track with its events in every pattern.
    void removeTrack();
    /// Opens the name editor over row t (Enter keeps the name, Escape drops it; an empty
    /// name shows the sound's name again).
    void renameTrack(int t);
    /// The track row under a point of the sounds column, or -1 (also for the "+ add track"
    /// row and below it).
    int trackAtPoint(QPoint at) const;

    /// Imports the sound files through the sample import's checks and messages (over the
    /// main window) and gives each to a track: the first to track (when it is a row in use),
    /// the others, or all when track is -1, to the next tracks without a sound, added when
    /// none is left. One undo step; the library is saved once. Returns the sounds given.
    int assignDroppedSounds(const QStringList& files, int track);
    QFrame* Panel8 = nullptr;
    PaintBox* PaintBox1 = nullptr;      // sounds
    PaintBox* PaintBox4 = nullptr;      // mute
    PaintBox* soloBox = nullptr;        // solo
    QLineEdit* trackNameEdit = nullptr; // the name editor, shown while a track is renamed
    QComboBox* soundbox = nullptr;
    QCheckBox* CheckBox1 = nullptr; // "Enabled"

    /// A click this close to the sounds column's right end opens the popup.
    static constexpr int PopupZone = 25;
    static constexpr int MuteColumnWidth = 19;
    static constexpr int SoloColumnWidth = 17;

private:
    void PaintBox1Paint(QPainter& p);
    void PaintBox4Paint(QPainter& p);
    void PaintBox1MouseDown(QMouseEvent* event);
    void PaintBox4MouseDown(QMouseEvent* event);
    void soloBoxPaint(QPainter& p);
    void soloBoxMouseDown(QMouseEvent* event);
    // Rows (track_list_rows.cpp).
    void PaintBox1DoubleClick(QMouseEvent* event);
    void PaintBox1MouseMove(QMouseEvent* event);
    void PaintBox1MouseUp(QMouseEvent* event);
    /// Draws "+ add track" under the last row and the line where a dragged row would go.
    void paintRowExtras(QPainter& p, int rows);
    void commitTrackName();
    /// Whether y (of the sounds column) lies on the "+ add track" row.
    bool onAddRow(int y) const;
    void CheckBox1Click(bool checked);
    QString muteToolTip(QPoint at) const;
    int rowAt(int y) const;
    void repaint();
    void followGrid();
    bool eventFilter(QObject* watched, QEvent* event) override;

    EditorContext& m_ctx;
    int m_scrollY = 0;            // the grid's vertical offset the rows were last drawn with
    std::optional<int> m_dragRow; // a row held by the left button
    std::optional<int> m_dropRow; // where it would go once dragged over another row
    int m_renamedRow = -1;        // the row the name editor edits
};

} // namespace bw::ui
