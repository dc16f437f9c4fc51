// The program on a real sound server: a private PulseAudio server with a null sink, whose
// unloading is the unplug and whose loading is the replug.

#include "audio/sdl_wave_out.h"
#include "tests/support/test_paths.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/main_window.h"
#include "ui/shell/transport.h"
#include "ui_test_support.h"

#include <cstdlib>

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// A PulseAudio server of the test's own, in a folder of its own, with one null sink; gone
/// with the object.
class PulseServer
{
public:
    ~PulseServer()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(3000)) {
                m_server.kill();
                m_server.waitForFinished(3000);
            }
        }
    }

    /// Starts it; false with the reason when it cannot start here.
    bool start(QString& why)
    {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulseaudio.isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()) {
            why = QStringLiteral("pulseaudio or pactl is not installed");
            return false;
        }
        if (!m_dir.isValid() || !QDir().mkpath(m_dir.filePath(QStringLiteral("home")))) {
            why = QStringLiteral("no folder for it");
            return false;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(
            pulseaudio,
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
             QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disable-shm=yes"),
             QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=%1").arg(socket()),
             QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=bw_test_a")});
        if (!m_server.waitForStarted(5000)) {
            why = QStringLiteral("the server did not start: ") + m_server.errorString();
            return false;
        }
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            if (m_server.state() == QProcess::NotRunning) {
                why = QStringLiteral("the server ended: ") +
                      QString::fromLocal8Bit(m_server.readAll()).trimmed();
                return false;
            }
            if (pactl({QStringLiteral("info")}).contains(QStringLiteral("Server Name"))) {
                return true;
            }
            QTest::qWait(50);
        }
        why = QStringLiteral("the server did not answer within 10 s");
        return false;
    }

    /// The address a client connects to.
    QString address() const { return QStringLiteral("unix:") + socket(); }

    /// Runs pactl against the server; its output.
    QString pactl(const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), address());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("pactl"), args);
        p.waitForFinished(5000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }

    /// The index of the module that made the null sink name.
    QString sinkModule(const QString& name) const
    {
        const QStringList lines =
            pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("modules")})
                .split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            if (line.contains(QStringLiteral("module-null-sink")) &&
                line.contains(QStringLiteral("sink_name=") + name)) {
                return line.section(QLatin1Char('\t'), 0, 0);
            }
        }
        return {};
    }

private:
    QString socket() const { return m_dir.filePath(QStringLiteral("native")); }

    QTemporaryDir m_dir;
    QProcess m_server;
};

/// Points SDL at the server while it lives.
class PulseClient
{
public:
    explicit PulseClient(const QString& address)
    {
        ::setenv("PULSE_SERVER", address.toLocal8Bit().constData(), 1);
        ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    }
    ~PulseClient()
    {
        ::unsetenv("PULSE_SERVER");
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    PulseClient(const PulseClient&) = delete;
    PulseClient& operator=(const PulseClient&) = delete;
};

} // namespace

class PulseOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void unloadingTheSinkStopsPlaybackAndPlayGoesOnAfterALoad()
    {
        if (!audio::SdlWaveOut::driverAvailable("pulseaudio")) {
            QSKIP("SDL has no PulseAudio driver here");
        }
        PulseServer server;
        QString why;
        if (!server.start(why)) {
            QSKIP(qPrintable(QStringLiteral("no private PulseAudio server: ") + why));
        }
        const PulseClient client(server.address());
        ProgramFolder folder;
        for (const char* name : {"default.slb", "default.bwp"}) {
            QVERIFY(QFile::copy(QString::fromUtf8(BW_BUILD_DIR) + QLatin1Char('/') +
                                    QString::fromLatin1(name),
                                folder.path(name)));
        }
        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        TMain& main = *windows->main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(OutputOpen(main));
        const QString device = QString::fromStdString(main.transport().outputState().device);
        QCOMPARE(main.transport().outputState().driver, std::string("pulseaudio"));

        // The starter song plays on the sink.
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_VERIFY(main.transport().running());
        const std::uint64_t calls = main.transport().output()->callbacks();
        QTRY_VERIFY_WITH_TIMEOUT(main.transport().output()->callbacks() > calls + 20, 5000);

        const QString module = server.sinkModule(QStringLiteral("bw_test_a"));
        QVERIFY(!module.isEmpty());
        QElapsedTimer timer;
        timer.start();
        server.pactl({QStringLiteral("unload-module"), module});
        QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running() &&
                                     main.statusBar()->currentMessage() == OutputLostText(device),
                                 5000);
        qInfo("playback stopped and the loss shown %lld ms after the unload", timer.elapsed());
        QVERIFY(messages.messages.empty());

        // A new sink: the output opens on it, and Play plays again in the same process.
        server.pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                      QStringLiteral("sink_name=bw_test_b")});
        QVERIFY(OutputOpen(main));
        const int position = main.songPosition();
        QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
        QTRY_VERIFY(main.transport().running());
        QTRY_VERIFY_WITH_TIMEOUT(main.songPosition() > position + 1, 10000);
        QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
        QTRY_VERIFY(!main.transport().running());
        QVERIFY(messages.messages.empty());
        windows.reset();
    }
};

std::unique_ptr<QObject> MakePulseOutputTest()
{
    return std::make_unique<PulseOutputTest>();
}

} // namespace bw::testing

#include "pulse_output_test.moc"
