#include "ui/windows/wave_inspector_window.h"

#include "library/sample_loader.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/widgets/background_task.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/glyphs.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/library_window.h"

#include <algorithm>
#include <exception>
#include <vector>

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QToolButton>

namespace bw::ui {

namespace {

constexpr int ClientWidth = 649;
constexpr int ClientHeight = 230;
constexpr int TopHeight = 36;
constexpr BgrColor ScrollBoxColor = 15779326;
constexpr BgrColor WaveColor = 14337279;
constexpr BgrColor SelectionColor = 0xFEDCCB; // red 0xCB, green 0xDC, blue 0xFE

} // namespace

TWaveInspector::TWaveInspector(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("WaveInspector"));
    setWindowTitle(QString::fromLatin1(library::ImportCaption));
    setFixedSize(ClientWidth, ClientHeight);
    setModal(false);

    topPanel = new QFrame(this);
    topPanel->setObjectName(QStringLiteral("Panel1"));
    topPanel->setGeometry(0, 0, ClientWidth, TopHeight);
    Button1 = MakeButton(topPanel, QStringLiteral("Button1"), QStringLiteral("Load Wave"));
    Button1->setGeometry(8, 6, 78, 24);
    Button1->setToolTip(QStringLiteral("Load a sound file: %1")
                            .arg(QString::fromLatin1(library::ImportFormatsText)));
    auto* nameLabel = MakeLabel(topPanel, QStringLiteral("Label1"), QStringLiteral("Name:"));
    nameLabel->setGeometry(94, 10, 38, 16);
    SampleName = new QLineEdit(QStringLiteral("SampleName"), topPanel);
    SampleName->setObjectName(QStringLiteral("SampleName"));
    SampleName->setGeometry(134, 6, 140, 24);
    SampleName->setAccessibleName(QStringLiteral("Name of the new sound"));
    SampleName->setMaxLength(30);
    nameLabel->setBuddy(SampleName);
    Button4 = MakeButton(topPanel, QStringLiteral("Button4"), QStringLiteral("Select All"));
    Button4->setGeometry(282, 6, 74, 24);
    Button2 = MakeButton(topPanel, QStringLiteral("Button2"), QStringLiteral("ADD"));
    Button2->setGeometry(362, 6, 56, 24);
    QFont bold = Button2->font();
    bold.setBold(true);
    Button2->setFont(bold);
    Button2->setToolTip(QStringLiteral("Add the selection to the library under this name"));
    SpeedButton1 = MakeSpeedButton(topPanel, QStringLiteral("SpeedButton1"), QString(), false);
    SpeedButton1->setIcon(MakeGlyph(Glyph::Play));
    SpeedButton1->setGeometry(424, 6, 28, 24);
    SpeedButton1->setAccessibleName(QStringLiteral("Play the selection"));
    SpeedButton1->setToolTip(QStringLiteral("Play the selection"));
    Label3 = MakeLabel(topPanel, QStringLiteral("Label3"), QStringLiteral("No File"));
    Label3->setGeometry(460, 10, ClientWidth - 468, 16);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(0, TopHeight, ClientWidth, ScrollBoxHeight);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetBackground(ScrollBox1->viewport(), ScrollBoxColor);
    PaintBox1 = new PaintBox();
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setAccessibleName(QStringLiteral("Waveform"));
    PaintBox1->setAccessibleDescription(QString::fromLatin1(library::SelectHintText));
    PaintBox1->setToolTip(QString::fromLatin1(library::SelectHintText));
    PaintBox1->onPaint = [this](QPainter& p, const QRect& clip) { PaintBox1Paint(p, clip); };
    PaintBox1->onMouseDown = [this](QMouseEvent* e) { PaintBox1MouseDown(e); };
    PaintBox1->onToolTip = [this](QPoint at) { return waveToolTip(at); };
    ScrollBox1->setWidget(PaintBox1);
    connect(ScrollBox1->horizontalScrollBar(), &QScrollBar::valueChanged, PaintBox1,
            qOverload<>(&QWidget::update));

    const int bottomTop = TopHeight + ScrollBoxHeight;
    bottomPanel = new QFrame(this);
    bottomPanel->setObjectName(QStringLiteral("Panel2"));
    bottomPanel->setGeometry(0, bottomTop, ClientWidth, ClientHeight - bottomTop);
    hint = MakeLabel(bottomPanel, QStringLiteral("Label2"),
                     QString::fromLatin1(library::SelectHintText) + QLatin1Char('\n') +
                         QStringLiteral("Reads ") +
                         QString::fromLatin1(library::ImportFormatsText) + QLatin1Char('.'));
    hint->setWordWrap(true);
    hint->setGeometry(8, 2, 500, ClientHeight - bottomTop - 4);
    QFont small = hint->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    hint->setFont(small);
    SpeedButton3 = MakeSpeedButton(bottomPanel, QStringLiteral("SpeedButton3"), QString(), false);
    SpeedButton3->setIcon(MakeGlyph(Glyph::ZoomOut));
    SpeedButton3->setGeometry(516, 10, 28, 24);
    SpeedButton3->setAccessibleName(QStringLiteral("Zoom out"));
    SpeedButton3->setToolTip(QStringLiteral("Zoom out"));
    SpeedButton2 = MakeSpeedButton(bottomPanel, QStringLiteral("SpeedButton2"), QString(), false);
    SpeedButton2->setIcon(MakeGlyph(Glyph::ZoomIn));
    SpeedButton2->setGeometry(546, 10, 28, 24);
    SpeedButton2->setAccessibleName(QStringLiteral("Zoom in"));
    SpeedButton2->setToolTip(QStringLiteral("Zoom in"));
    Button3 = MakeButton(bottomPanel, QStringLiteral("Button3"), QStringLiteral("CLOSE"));
    Button3->setGeometry(582, 10, 60, 24);

    connect(Button1, &QPushButton::clicked, this, &TWaveInspector::Button1Click);
    connect(Button4, &QPushButton::clicked, this, &TWaveInspector::Button4Click);
    connect(Button2, &QPushButton::clicked, this, &TWaveInspector::Button2Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TWaveInspector::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TWaveInspector::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TWaveInspector::SpeedButton3Click);
    connect(Button3, &QPushButton::clicked, this, &TWaveInspector::reject);
    resizeWave();
}

void TWaveInspector::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return; // the window system showed it again (restored), not the program
    }
    SampleName->setText(QStringLiteral("sample"));
    Label3->setText(QStringLiteral("No File"));
    Label3->setToolTip(QString());
    if (!m_placed) {
        m_placed = true;
        CentreOnScreen(this);
    }
    resizeWave();
}

void TWaveInspector::reject()
{
    QDialog::reject();
    m_import.Close();
    resizeWave();
    if (m_ctx != nullptr && m_ctx->links().soundLibrary != nullptr) {
        Tsoundlibary* library = m_ctx->links().soundLibrary;
        library->show();
        library->raise();
    }
}

void TWaveInspector::resizeWave()
{
    const QWidget* view = ScrollBox1->viewport();
    const int width = std::max(view->width(), static_cast<int>(m_import.ScrollRange));
    PaintBox1->resize(width, view->height());
    PaintBox1->update();
}

void TWaveInspector::Button1Click()
{
    FileRequest request;
    request.kind = FileRequest::Kind::Open;
    request.title = QStringLiteral("Select a sound: WAV, AIFF or FLAC (the first 10 s are taken)");
    request.filter = QStringLiteral("Sound files (*.wav *.aif *.aiff *.aifc *.flac)");
    request.defaultSuffix = QStringLiteral("wav");
    request.presetName = QStringLiteral("*.wav");
    const QString path = ChooseFile(this, request);
    if (path.isEmpty()) {
        m_import.SelectAll();
        PaintBox1->update();
        return;
    }
    // Read and converted on a worker thread: a file at a high rate takes seconds, which the
    // user may cut short with Cancel; playback goes on meanwhile.
    const std::string file = ToFileSystemPath(path);
    library::LoadedSample loaded;
    QString failure;
    try {
        RunInBackground(
            this, QStringLiteral("Reading \"%1\"...").arg(QDir::toNativeSeparators(path)), true,
            [&](const ProgressFn& progress) { loaded = library::LoadSampleFile(file, progress); });
    } catch (const Cancelled&) {
        m_import.SelectAll();
        PaintBox1->update();
        return; // as a cancelled file dialog
    } catch (const library::SampleLoadError& e) {
        failure = QString::fromLocal8Bit(library::LoadErrorText(file, e.reason()).c_str());
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(library::LoadErrorText(file, e.what()).c_str());
    }
    if (!failure.isEmpty()) {
        m_import.SelectAll();
        PaintBox1->update();
        ShowErrorMessage(this, failure, QStringLiteral("!"));
        return;
    }
    const library::SampleImport::LoadResult r = m_import.UseLoaded(std::move(loaded), file);
    const QString shown = QDir::toNativeSeparators(path);
    Label3->setText(Label3->fontMetrics().elidedText(shown, Qt::ElideLeft, Label3->width()));
    Label3->setToolTip(shown + QLatin1Char('\n') + QString::fromLocal8Bit(r.description.c_str()));
    SampleName->setText(QString::fromLocal8Bit(r.sampleName.c_str()));
    ScrollBox1->horizontalScrollBar()->setValue(0);
    resizeWave();
    if (r.cut) {
        ShowErrorMessage(this, QString::fromLatin1(library::CutText), QStringLiteral("!"));
    }
}

void TWaveInspector::Button4Click()
{
    m_import.SelectAll();
    PaintBox1->update();
}

void TWaveInspector::SpeedButton2Click()
{
    m_import.ZoomIn();
    resizeWave();
}

void TWaveInspector::SpeedButton3Click()
{
    m_import.ZoomOut(); // the scroll range stays as it was
    PaintBox1->update();
}

void TWaveInspector::SpeedButton1Click()
{
    if (m_ctx == nullptr || !m_import.loaded()) {
        return;
    }
    // A running engine plays the selection at its next block.
    m_ctx->transport().playSelection(m_import.samples(), m_import.StartPoint, m_import.EndPoint);
}

void TWaveInspector::Button2Click()
{
    if (m_ctx == nullptr) {
        return;
    }
    using Status = library::SampleImport::AddResult::Status;
    const std::string name = SampleName->text().toLatin1().toStdString();
    // Added under the song lock; saved after it, without it.
    const library::SampleImport::AddResult a = m_ctx->withSong([&](core::TSong& s) {
        library::SampleImport::AddResult result = m_import.Add(m_ctx->library(), name, "");
        if (result.status == Status::NameTaken && s.SelectedTrack >= 0 &&
            s.SelectedTrack < core::MaxTracks) {
            s.Tracks[static_cast<std::size_t>(s.SelectedTrack)].Enabled = 0;
        }
        return result;
    });
    switch (a.status) {
    case Status::NothingLoaded:
        return;
    case Status::NameTaken:
        m_ctx->documentEdited();
        ShowMessage(this, QString::fromLatin1(library::NameTakenText),
                    QString::fromLatin1(library::NameTakenCaption));
        return;
    case Status::NoName:
        ShowMessage(this, QStringLiteral("Please give the new sound a name."),
                    QString::fromLatin1(library::NameTakenCaption));
        return;
    case Status::LibraryFull:
        ShowMessage(this,
                    QStringLiteral("The sound library's file would pass %1 MB, the most it may "
                                   "hold: delete sounds before you add this one.")
                        .arg(library::MaxLibraryFileBytes >> 20),
                    QStringLiteral("!"));
        return;
    case Status::Added:
        // The track list refills its sound chooser, so the sound popup lists it at once.
        m_ctx->libraryEdited();
        if (!m_ctx->defaultLibraryPath().isEmpty()) {
            m_ctx->saveLibrary(this); // a failure is reported; the sound stays added
        }
        return;
    }
}

void TWaveInspector::PaintBox1MouseDown(QMouseEvent* event)
{
    library::MouseButton button = library::MouseButton::Other;
    if (event->button() == Qt::LeftButton) {
        button = library::MouseButton::Left;
    } else if (event->button() == Qt::RightButton) {
        button = library::MouseButton::Right;
    }
    m_import.MouseDown(button, static_cast<int>(event->position().x()));
    PaintBox1->update();
}

QString TWaveInspector::waveToolTip(QPoint at) const
{
    if (!m_import.loaded()) {
        return QStringLiteral("Load a sound to see its waveform");
    }
    return QStringLiteral("Sample %1 - selection %2 to %3 (%4 samples). Left click: start, "
                          "right click: end")
        .arg(m_import.sampleAtX(at.x()))
        .arg(m_import.StartPoint)
        .arg(m_import.EndPoint)
        .arg(m_import.EndPoint - m_import.StartPoint);
}

void TWaveInspector::PaintBox1Paint(QPainter& p, const QRect& clip)
{
    p.fillRect(clip, ToQColor(WaveColor));
    const library::SampleDataPtr& samples = m_import.samples();
    if (!samples || samples->empty()) {
        return;
    }
    const QColor selection = ToQColor(SelectionColor);
    p.setPen(selection);
    p.setBrush(selection);
    const int x1 = m_import.xOfSample(m_import.StartPoint);
    const int x2 = m_import.xOfSample(m_import.EndPoint);
    p.drawRect(QRect(QPoint(x1, 0), QPoint(x2, PaintBox1->height())));

    const int scroll = ScrollBox1->horizontalScrollBar()->value();
    const int view = ScrollBox1->viewport()->width();
    p.setPen(ToQColor(colors::Red));
    p.drawLine(scroll, library::SampleImport::CentreLineY, scroll + view,
               library::SampleImport::CentreLineY);

    const library::SampleImport::Span span = m_import.visibleSamples(scroll, view);
    if (span.last < span.first) {
        return;
    }
    std::vector<QPoint> line;
    line.reserve(static_cast<std::size_t>(span.last - span.first) + 2);
    line.emplace_back(0, library::SampleImport::waveY((*samples)[0]));
    for (std::int32_t i = span.first; i <= span.last; ++i) {
        line.emplace_back(m_import.xOfSample(i),
                          library::SampleImport::waveY((*samples)[static_cast<std::size_t>(i)]));
    }
    p.setPen(ToQColor(colors::Black));
    p.drawPolyline(line.data(), static_cast<int>(line.size()));
}

} // namespace bw::ui
