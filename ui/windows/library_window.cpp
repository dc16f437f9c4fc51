#include "ui/windows/library_window.h"

#include "library/library_edits.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/wave_inspector_window.h"

#include <algorithm>
#include <exception>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>

namespace bw::ui {

namespace {

constexpr int ListWidth = 153;
constexpr int Left = ListWidth + 7;
constexpr int GroupWidth = 216;

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.c_str());
}

QComboBox* MakeCombo(QWidget* parent, const QString& name, const QStringList& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setCurrentIndex(-1);
    return box;
}

QStringList Numbers(int from, int to)
{
    QStringList items;
    for (int i = from; i <= to; ++i) {
        items << QString::number(i);
    }
    return items;
}

FileRequest LibraryFile(FileRequest::Kind kind, const QString& title)
{
    FileRequest r;
    r.kind = kind;
    r.title = title;
    r.filter = QStringLiteral("Sound libary (*.slb)");
    r.defaultSuffix = QStringLiteral("slb");
    r.presetName = QStringLiteral("*.slb");
    return r;
}

} // namespace

Tsoundlibary::Tsoundlibary(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("soundlibary"));
    setWindowTitle(QStringLiteral("Sound Libary"));
    setFixedSize(383, 443);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(0, 0, ListWidth, height());
    ListBox1->setAccessibleName(QStringLiteral("Sounds of the library"));
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] {
        if (!m_updating) {
            ShowSelectedSound();
        }
    });
    createInfo();
    createStretch();
    createStopEvent();
    createButtons();
}

void Tsoundlibary::createInfo()
{
    GroupBox2 = new QGroupBox(QStringLiteral("INFO"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(Left, 4, GroupWidth, 120);
    const auto caption = [this](const char* text, int x, int y) {
        auto* label = MakeLabel(GroupBox2, QString(), QString::fromLatin1(text));
        label->setGeometry(x, y, GroupWidth - x - 6, 18);
    };
    const auto value = [this](const char* name, const char* initial, int x, int y) {
        auto* label = MakeLabel(GroupBox2, QString::fromLatin1(name), QString::fromLatin1(initial));
        label->setGeometry(x, y, GroupWidth - x - 6, 18);
        return label;
    };
    // The stop target and the stretch summary can be long: each has a line of its own.
    caption("Wave length :", 8, 20);
    Label3 = value("Label3", "- - - ", 98, 20);
    caption("send stop event to:", 8, 40);
    stop = value("stop", "- - -", 20, 58);
    caption("Strech wave:", 8, 78);
    strinf = value("strinf", "- - -", 20, 96);
}

void Tsoundlibary::createStretch()
{
    GroupBox3 = new QGroupBox(QStringLiteral("Stretch Wave"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(Left, 128, GroupWidth, 76);
    StrEn = new QCheckBox(QStringLiteral("Enabled"), GroupBox3);
    StrEn->setObjectName(QStringLiteral("StrEn"));
    StrEn->setGeometry(8, 20, 120, 20);
    StrEn->setToolTip(QStringLiteral("Stretch the sound to a number of beats at the song's tempo"));
    auto* to = MakeLabel(GroupBox3, QString(), QStringLiteral("stretch wave to:"));
    to->setGeometry(8, 47, 96, 18);
    combomul = MakeCombo(GroupBox3, QStringLiteral("combomul"), Numbers(1, 16));
    combomul->setGeometry(106, 44, 46, 24);
    combomul->setAccessibleName(QStringLiteral("Beats"));
    combomul->setToolTip(QStringLiteral("Beats the sound lasts (numerator)"));
    auto* slash = MakeLabel(GroupBox3, QString(), QStringLiteral("/"));
    slash->setGeometry(156, 47, 8, 18);
    combodiv = MakeCombo(GroupBox3, QStringLiteral("combodiv"), Numbers(1, 4));
    combodiv->setGeometry(164, 44, 46, 24);
    combodiv->setAccessibleName(QStringLiteral("Beat divider"));
    combodiv->setToolTip(QStringLiteral("Divider of the beats (denominator)"));

    connect(StrEn, &QCheckBox::clicked, this, &Tsoundlibary::StrEnClick);
    connect(combomul, &QComboBox::editTextChanged, this, &Tsoundlibary::combomulChange);
    connect(combodiv, &QComboBox::editTextChanged, this, &Tsoundlibary::combodivChange);
    for (QComboBox* box : {combomul, combodiv}) {
        connect(box->lineEdit(), &QLineEdit::editingFinished, this, &Tsoundlibary::showTypedRatio);
    }
}

void Tsoundlibary::createStopEvent()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Set Stop Event"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(Left, 208, GroupWidth, 96);
    auto* to = MakeLabel(GroupBox1, QString(), QStringLiteral("Stop event to"));
    to->setGeometry(8, 20, 120, 18);
    swbox = MakeCombo(GroupBox1, QStringLiteral("swbox"), {});
    swbox->setGeometry(8, 38, GroupWidth - 16, 24);
    swbox->setMaxVisibleItems(20);
    swbox->setAccessibleName(QStringLiteral("Sound to stop"));
    swbox->setToolTip(QStringLiteral("The sound this one cuts off when it starts"));
    Button4 = MakeButton(GroupBox1, QStringLiteral("Button4"), QStringLiteral("SET"));
    Button4->setGeometry(8, 66, 96, 24);
    Button5 = MakeButton(GroupBox1, QStringLiteral("Button5"), QStringLiteral("DELETE"));
    Button5->setGeometry(112, 66, 96, 24);
    connect(Button4, &QPushButton::clicked, this, &Tsoundlibary::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &Tsoundlibary::Button5Click);
}

void Tsoundlibary::createButtons()
{
    const int half = (GroupWidth - 8) / 2;
    Button1 = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("ADD Sound"));
    Button1->setGeometry(Left, 314, half, 26);
    Button2 = MakeButton(this, QStringLiteral("Button2"), QStringLiteral("DELETE Sound"));
    Button2->setGeometry(Left + half + 8, 314, half, 26);
    Button6 = MakeButton(this, QStringLiteral("Button6"), QStringLiteral("Import Libary"));
    Button6->setGeometry(Left, 346, half, 26);
    Button6->setToolTip(QStringLiteral("Add the sounds of another library file"));
    Button7 = MakeButton(this, QStringLiteral("Button7"), QStringLiteral("Export Libary"));
    Button7->setGeometry(Left + half + 8, 346, half, 26);
    Button7->setToolTip(QStringLiteral("Save the library to a file of your choice"));
    ButtonPlay = MakeButton(this, QStringLiteral("ButtonPlay"), QStringLiteral("PLAY"));
    ButtonPlay->setGeometry(Left, 376, GroupWidth, 24);
    ButtonPlay->setToolTip(QStringLiteral("Hear the selected sound (or double-click it)"));
    Button3 = MakeButton(this, QStringLiteral("Button3"), QStringLiteral("CLOSE and SAVE"));
    Button3->setGeometry(Left, height() - 38, GroupWidth, 30);
    connect(Button1, &QPushButton::clicked, this, &Tsoundlibary::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tsoundlibary::Button2Click);
    connect(Button6, &QPushButton::clicked, this, &Tsoundlibary::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &Tsoundlibary::Button7Click);
    connect(Button3, &QPushButton::clicked, this, &Tsoundlibary::Button3Click);
    connect(ButtonPlay, &QPushButton::clicked, this, &Tsoundlibary::playSelected);
    // A double-click or Enter on a sound plays it too.
    connect(ListBox1, &QListWidget::itemActivated, this, &Tsoundlibary::playSelected);
}

void Tsoundlibary::playSelected()
{
    if (m_ctx != nullptr) {
        m_ctx->previewSound(selectedIndex());
    }
}

void Tsoundlibary::attach(EditorContext& context)
{
    m_ctx = &context;
    // Sounds added by the import window or deleted by the track list show at once.
    connect(m_ctx, &EditorContext::libraryChanged, this, [this] {
        if (isVisible()) {
            refresh();
        }
    });
}

void Tsoundlibary::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    {
        const QSignalBlocker block(ListBox1);
        ListBox1->setCurrentRow(-1);
    }
    stop->clear();
    Label3->clear();
    refresh();
    if (ListBox1->count() > 0) {
        ListBox1->setCurrentRow(0);
    }
    if (!m_placed) {
        m_placed = true;
        CentreOnScreen(this);
    }
}

int Tsoundlibary::selectedIndex() const
{
    return ListBox1->currentRow();
}

void Tsoundlibary::refresh()
{
    if (m_ctx == nullptr) {
        return;
    }
    QStringList names;
    m_ctx->withSong([&](core::TSong&) {
        const library::SoundLibrary& lib = m_ctx->library();
        for (int i = 0; i < lib.count(); ++i) {
            names << Latin1(lib.SoundNameAt(i));
        }
    });
    const int row =
        std::min(std::max(ListBox1->currentRow(), 0), static_cast<int>(names.size()) - 1);
    {
        const QSignalBlocker block(ListBox1);
        ListBox1->clear();
        ListBox1->addItems(names);
        ListBox1->setCurrentRow(row);
    }
    {
        const QSignalBlocker block(swbox);
        swbox->clear();
        swbox->addItems(names);
    }
    ShowSelectedSound();
}

void Tsoundlibary::ShowSelectedSound()
{
    if (m_ctx == nullptr) {
        return;
    }
    const int index = selectedIndex();
    const library::SoundDetails d =
        m_ctx->withSong([&](core::TSong&) { return library::ShowSound(m_ctx->library(), index); });
    stop->setText(Latin1(d.stopTarget));
    swbox->setEditText(Latin1(d.stopTarget));
    Label3->setText(Latin1(d.length));
    m_updating = true;
    StrEn->setChecked(d.stretchEnabled);
    strinf->setText(Latin1(d.stretchInfo));
    combomul->setEditText(Latin1(d.mulText));
    combodiv->setEditText(Latin1(d.divText));
    m_updating = false;
    // Without a sound there is nothing to edit.
    for (QWidget* w : {static_cast<QWidget*>(StrEn), static_cast<QWidget*>(combomul),
                       static_cast<QWidget*>(combodiv), static_cast<QWidget*>(swbox),
                       static_cast<QWidget*>(Button4), static_cast<QWidget*>(Button5),
                       static_cast<QWidget*>(Button2), static_cast<QWidget*>(ButtonPlay)}) {
        w->setEnabled(d.valid);
    }
}

void Tsoundlibary::StrEnClick(bool checked)
{
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    const int index = selectedIndex();
    m_ctx->withSong(
        [&](core::TSong&) { library::SetStretchEnabled(m_ctx->library(), index, checked); });
    ShowSelectedSound();
}

namespace {

/// Empties a stretch box whose sound is not stretched (without running its handler again).
void EmptyBox(QComboBox* box, bool& updating)
{
    updating = true;
    box->setEditText(QString());
    updating = false;
}

} // namespace

void Tsoundlibary::combomulChange(const QString& text)
{
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    const int index = selectedIndex();
    const std::string typed = text.toLatin1().toStdString();
    const bool stored = m_ctx->withSong(
        [&](core::TSong&) { return library::SetStretchMul(m_ctx->library(), index, typed); });
    if (!stored) {
        EmptyBox(combomul, m_updating);
        return;
    }
    if (combomul->lineEdit()->hasFocus()) {
        strinf->setText(Latin1(library::ShowSound(m_ctx->library(), index).stretchInfo));
    } else {
        ShowSelectedSound();
    }
}

void Tsoundlibary::combodivChange(const QString& text)
{
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    const int index = selectedIndex();
    const std::string typed = text.toLatin1().toStdString();
    const bool stored = m_ctx->withSong(
        [&](core::TSong&) { return library::SetStretchDiv(m_ctx->library(), index, typed); });
    if (!stored) {
        EmptyBox(combodiv, m_updating);
        return;
    }
    // While the user types, the box keeps the keystrokes (a "1" on its way to "12" is not
    // rewritten); the stored value shows once the typing is done.
    if (combodiv->lineEdit()->hasFocus()) {
        strinf->setText(Latin1(library::ShowSound(m_ctx->library(), index).stretchInfo));
    } else {
        ShowSelectedSound();
    }
}

void Tsoundlibary::showTypedRatio()
{
    if (!m_updating) {
        ShowSelectedSound();
    }
}

void Tsoundlibary::Button4Click()
{
    const int index = selectedIndex();
    if (m_ctx == nullptr || index < 0) {
        return;
    }
    const std::string target = swbox->currentText().toLatin1().toStdString();
    m_ctx->withSong([&](core::TSong&) { library::SetStopTarget(m_ctx->library(), index, target); });
    m_ctx->CheckTrackSounds(this);
    ShowSelectedSound();
}

void Tsoundlibary::Button5Click()
{
    const int index = selectedIndex();
    if (m_ctx == nullptr || index < 0) {
        return;
    }
    m_ctx->withSong([&](core::TSong&) { library::ClearStopTarget(m_ctx->library(), index); });
    m_ctx->CheckTrackSounds(this);
    ShowSelectedSound();
}

void Tsoundlibary::Button1Click()
{
    if (m_ctx == nullptr || m_ctx->links().waveInspector == nullptr) {
        return;
    }
    TWaveInspector* inspector = m_ctx->links().waveInspector;
    inspector->show();
    inspector->raise();
    inspector->activateWindow();
    close();
}

void Tsoundlibary::Button2Click()
{
    const int index = selectedIndex();
    if (m_ctx == nullptr || index < 0) {
        return;
    }
    // The track list asks, deletes, saves and rebinds; the list follows its library change.
    m_ctx->requestSoundDeletion(index, this);
    m_ctx->CheckTrackSounds(this);
}

void Tsoundlibary::Button6Click()
{
    if (m_ctx == nullptr) {
        return;
    }
    const QString path =
        ChooseFile(this, LibraryFile(FileRequest::Kind::Open, QStringLiteral("Import Libary")));
    // Read without the song lock; the chooser and this window are refilled, nothing is saved.
    if (path.isEmpty() || !m_ctx->importLibrary(this, path)) {
        return;
    }
    const QSignalBlocker block(ListBox1);
    ListBox1->setCurrentRow(0);
}

void Tsoundlibary::Button7Click()
{
    if (m_ctx == nullptr) {
        return;
    }
    const QString path =
        ChooseFile(this, LibraryFile(FileRequest::Kind::Save, QStringLiteral("Export Libary")));
    if (!path.isEmpty()) {
        m_ctx->exportLibrary(this, path);
    }
}

void Tsoundlibary::Button3Click()
{
    if (m_ctx != nullptr && !m_ctx->saveLibrary(this)) {
        return; // reported (or cancelled); the window stays so nothing is lost unnoticed
    }
    close();
}

} // namespace bw::ui
