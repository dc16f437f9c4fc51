#include "ui/windows/export_dialog.h"

#include "core/arrangement.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

namespace bw::ui {

TWriteWavF::TWriteWavF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("WriteWavF"));
    setWindowTitle(QStringLiteral("Write Wav"));
    setFixedSize(420, 196);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Output-file :"), this), 0, 0);
    m_file = new QLabel(QStringLiteral(" - - - "), this);
    m_file->setObjectName(QStringLiteral("label1"));
    m_file->setFrameShape(QFrame::Panel);
    m_file->setFrameShadow(QFrame::Sunken);
    m_file->setMinimumWidth(300);
    m_file->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed); // one line, not the rest
    grid->addWidget(m_file, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Progress"), this), 1, 0);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    grid->addWidget(m_progress, 1, 1);
    m_loopOnly = new QCheckBox(QStringLiteral("export loop range only"), this);
    m_loopOnly->setObjectName(QStringLiteral("loopOnly"));
    m_loopOnly->setToolTip(
        QStringLiteral("Write the song's loop range once instead of the whole song"));
    grid->addWidget(m_loopOnly, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Write"), this), 3, 0);
    auto* choices = new QHBoxLayout();
    m_parts = new QComboBox(this);
    m_parts->setObjectName(QStringLiteral("exportParts"));
    m_parts->addItems({QStringLiteral("mix"), QStringLiteral("stems"), QStringLiteral("both")});
    m_parts->setToolTip(QStringLiteral("The mix, one file per track that plays (stems), or both"));
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("exportFormat"));
    m_format->addItems(
        {QStringLiteral("WAV"), QStringLiteral("FLAC"), QStringLiteral("Ogg Vorbis")});
    m_quality = new QDoubleSpinBox(this);
    m_quality->setObjectName(QStringLiteral("oggQuality"));
    m_quality->setRange(0.0, 1.0);
    m_quality->setSingleStep(0.1);
    m_quality->setDecimals(1);
    m_quality->setValue(audio::DefaultOggQuality);
    m_quality->setToolTip(QStringLiteral("Ogg Vorbis quality: 0 smallest, 1 best"));
    m_quality->setEnabled(false);
    connect(m_format, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_quality->setEnabled(index == 2); });
    choices->addWidget(m_parts);
    choices->addWidget(m_format);
    choices->addWidget(new QLabel(QStringLiteral("quality"), this));
    choices->addWidget(m_quality);
    choices->addStretch(1);
    grid->addLayout(choices, 3, 1);
    auto* buttons = new QHBoxLayout();
    m_write = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("Select File and Write"));
    m_write->setDefault(true);
    m_cancel = MakeButton(this, QStringLiteral("Cancel"), QStringLiteral("Cancel"));
    m_cancel->setToolTip(QStringLiteral("Close this window; an export under way goes on"));
    buttons->addStretch(1);
    buttons->addWidget(m_write);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 4, 0, 1, 2);
    connect(m_write, &QPushButton::clicked, this, &TWriteWavF::Button1Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::close);
}

void TWriteWavF::attach(EditorContext& context)
{
    m_ctx = &context;
    connect(&context.transport(), &Transport::exportStarted, this, &TWriteWavF::exportStarted);
}

void TWriteWavF::exportStarted(const QString& target, bool song)
{
    m_target = target;
    m_what = song ? ExportWhat::Song : ExportWhat::Pattern;
    setWindowTitle(caption());
    m_file->setText(QStringLiteral(" ") + QDir::toNativeSeparators(target));
    m_write->setEnabled(false);
}

void TWriteWavF::openFor(ExportWhat what)
{
    if (m_target.isEmpty()) {
        m_what = what;
    }
    open();
}

QString TWriteWavF::caption() const
{
    return m_what == ExportWhat::Song ? QStringLiteral("Write Song Wav")
                                      : QStringLiteral("Write Pattern Wav");
}

void TWriteWavF::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    setWindowTitle(caption());
    if (m_target.isEmpty()) {
        m_file->setText(QStringLiteral(" - - - "));
        m_progress->setValue(0);
    }
    // One export at a time: while one runs the dialog only shows its progress.
    m_write->setEnabled(m_target.isEmpty());
    const bool range = m_ctx != nullptr &&
                       m_ctx->withSong([](const core::TSong& s) { return core::HasLoopRange(s); });
    m_loopOnly->setVisible(m_what == ExportWhat::Song);
    m_loopOnly->setEnabled(range && m_target.isEmpty());
    if (!range) {
        m_loopOnly->setChecked(false);
    }
    CentreOnScreen(this);
}

void TWriteWavF::Button1Click()
{
    if (m_ctx == nullptr || !m_target.isEmpty()) {
        return;
    }
    static const audio::ExportFormat formats[] = {
        audio::ExportFormat::Wav, audio::ExportFormat::Flac, audio::ExportFormat::Ogg};
    static const char* const filters[] = {"Windows PCM (*.wav)", "FLAC (*.flac)",
                                          "Ogg Vorbis (*.ogg *.oga)"};
    const int f = std::clamp(m_format->currentIndex(), 0, 2);
    audio::ExportOptions options;
    options.format = formats[f];
    options.oggQuality = m_quality->value();
    options.mix = m_parts->currentIndex() != 1;
    const bool stems = m_parts->currentIndex() != 0;
    FileRequest request;
    request.title = caption();
    QString target;
    if (options.mix) {
        const QString suffix = QString::fromLatin1(audio::ExportFormatSuffix(formats[f]) + 1);
        request.kind = FileRequest::Kind::Save;
        request.filter = QString::fromLatin1(filters[f]);
        request.defaultSuffix = suffix;
        request.presetName = QStringLiteral("*.") + suffix;
        target = ChooseFile(this, request);
        // A name typed with one of the formats' suffixes is written in that format.
        const QString typed = QFileInfo(target).suffix().toLower();
        if (typed == QLatin1String("wav") || typed == QLatin1String("flac") ||
            typed == QLatin1String("ogg") || typed == QLatin1String("oga")) {
            options.format = audio::ExportFormatOfName(ToFileSystemPath(target));
        }
        if (stems && !target.isEmpty()) {
            const QFileInfo mix(target);
            options.stemsFolder = ToFileSystemPath(
                mix.dir().filePath(mix.completeBaseName() + QStringLiteral(" stems")));
        }
    } else {
        request.kind = FileRequest::Kind::Folder;
        target = ChooseFile(this, request);
        options.stemsFolder = ToFileSystemPath(target);
    }
    if (target.isEmpty()) {
        close();
        return;
    }
    // Refused here, before anything is written, when this system cannot write the format.
    const int channels =
        m_ctx->withSong([](const core::TSong& s) { return s.Stereo == 1 ? 2 : 1; });
    if (const std::string problem = audio::ExportFormatProblem(options.format, channels);
        !problem.empty()) {
        ShowErrorMessage(this, QString::fromStdString(problem), caption());
        return;
    }
    // The engine writes beside the target and renames its file into place once the export is
    // complete; a stopped or failed export leaves the target as it was.
    // Nothing starts while the program stops the engine or another export runs.
    m_ctx->transport().exportTo(target, m_what,
                                m_what == ExportWhat::Song && m_loopOnly->isChecked(), options);
}

void TWriteWavF::followEngine(RenderBridge& bridge)
{
    connect(&bridge, &RenderBridge::blockReported, this, [this](const audio::BlockReport& r) {
        if (r.writing || r.exportPending) {
            m_progress->setValue(std::clamp(r.progress, 0, 100));
        }
    });
    connect(&bridge, &RenderBridge::exportFinished, this, &TWriteWavF::exportCompleted);
    connect(&bridge, &RenderBridge::runEnded, this, &TWriteWavF::runEnded);
}

void TWriteWavF::exportCompleted()
{
    m_target.clear();
    close();
}

void TWriteWavF::runEnded()
{
    m_target.clear();
    m_write->setEnabled(true);
    m_progress->setValue(0);
    close();
}

} // namespace bw::ui
