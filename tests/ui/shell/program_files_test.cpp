// Where the program finds its files: a build folder, an installed tree with the user's copies,
// and the message when no browser can show the help page or the website.

#include "tests/support/test_paths.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/program_files.h"
#include "ui/shell/program_windows.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/skin.h"
#include "ui/windows/periphery_windows.h"
#include "ui_test_support.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// Points XDG_DATA_HOME at a folder of its own for as long as it lives.
class DataHome
{
public:
    DataHome() : m_old(qgetenv("XDG_DATA_HOME")), m_had(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
    }
    ~DataHome()
    {
        if (m_had) {
            qputenv("XDG_DATA_HOME", m_old);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }
    DataHome(const DataHome&) = delete;
    DataHome& operator=(const DataHome&) = delete;

    QTemporaryDir dir;

    /// Every file below the folder, with its path relative to it.
    QStringList files() const
    {
        QStringList out;
        QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            out << QDir(dir.path()).relativeFilePath(it.next());
        }
        return out;
    }

private:
    QByteArray m_old;
    bool m_had;
};

/// An installed tree: PREFIX/bin with nothing of the program's files beside the binary, and
/// PREFIX/share/beatwright with the library, the song, the cursor and the help page.
struct InstalledTree
{
    QTemporaryDir prefix;
    QString bin = prefix.filePath(QStringLiteral("bin"));
    QString data = prefix.filePath(QStringLiteral("share/beatwright"));

    InstalledTree()
    {
        QDir().mkpath(bin);
        QDir().mkpath(data + QStringLiteral("/help"));
        WriteLibrary(data + QStringLiteral("/default.slb"), {"Kick", "Snare"});
        WriteSong(data + QStringLiteral("/default.bwp"), {"Kick", "Snare"});
        WriteBytes(data + QStringLiteral("/stick.cur"), QByteArray("cursor"));
        WriteBytes(data + QStringLiteral("/help/index.htm"), QByteArray("<html></html>"));
    }

    /// A digest of every file of the tree with its name.
    QByteArray digest() const
    {
        QCryptographicHash h(QCryptographicHash::Sha256);
        QDirIterator it(prefix.path(), QDir::Files, QDirIterator::Subdirectories);
        QStringList names;
        while (it.hasNext()) {
            names << it.next();
        }
        names.sort();
        for (const QString& n : names) {
            QFile f(n);
            f.open(QIODevice::ReadOnly);
            h.addData(n.toUtf8());
            h.addData(f.readAll());
        }
        return h.result();
    }
};

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// A URL handler that starts no browser, recording what it was given.
class NoBrowser
{
public:
    NoBrowser()
    {
        m_previous = SetUrlHandler([this](const QUrl& url) {
            urls.push_back(url);
            return false;
        });
    }
    ~NoBrowser() { SetUrlHandler(std::move(m_previous)); }
    NoBrowser(const NoBrowser&) = delete;
    NoBrowser& operator=(const NoBrowser&) = delete;

    std::vector<QUrl> urls;

private:
    UrlHandler m_previous;
};

} // namespace

class ProgramFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void buildFolderWorksInItsOwnFolder()
    {
        DataHome home;
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        // A share/beatwright beside the build folder changes nothing either.
        QDir(folder.dir.path()).mkpath(QStringLiteral("../share/beatwright"));

        const ProgramFiles files = LocateProgramFiles(folder.dir.path());
        QCOMPARE(files.library, folder.path("default.slb"));
        QCOMPARE(files.song, folder.path("default.bwp"));
        QCOMPARE(files.cursor, folder.path("stick.cur"));
        QCOMPARE(files.help, folder.path("help/index.htm"));
        QVERIFY(files.userFolder.isEmpty());
        QVERIFY(files.problem.isEmpty());
        QVERIFY(home.files().isEmpty());

        // A folder with neither layout is taken as a build folder too: the start-up then
        // names the missing files there.
        QTemporaryDir empty;
        const ProgramFiles none = LocateProgramFiles(empty.path());
        QCOMPARE(none.library, empty.filePath(QStringLiteral("default.slb")));
        QVERIFY(none.userFolder.isEmpty());
        QVERIFY(home.files().isEmpty());
    }

    void installedTreeCopiesLibraryAndSongOnce()
    {
        DataHome home;
        InstalledTree tree;
        const QByteArray before = tree.digest();

        const ProgramFiles files = LocateProgramFiles(tree.bin);
        const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(user.startsWith(home.dir.path()));
        QCOMPARE(files.userFolder, user);
        QVERIFY2(files.problem.isEmpty(), qPrintable(files.problem));
        QCOMPARE(files.library, user + QStringLiteral("/default.slb"));
        QCOMPARE(files.song, user + QStringLiteral("/default.bwp"));
        QCOMPARE(files.cursor, QDir::cleanPath(tree.data + QStringLiteral("/stick.cur")));
        QCOMPARE(files.help, QDir::cleanPath(tree.data + QStringLiteral("/help/index.htm")));
        QCOMPARE(ReadBytes(files.library), ReadBytes(tree.data + QStringLiteral("/default.slb")));
        QCOMPARE(ReadBytes(files.song), ReadBytes(tree.data + QStringLiteral("/default.bwp")));

        // The user's own changes are never overwritten; a song the user removed comes back.
        WriteLibrary(files.library, {"Mine"});
        const QByteArray mine = ReadBytes(files.library);
        QVERIFY(QFile::remove(files.song));
        const ProgramFiles again = LocateProgramFiles(tree.bin);
        QCOMPARE(ReadBytes(again.library), mine);
        QCOMPARE(ReadBytes(again.song), ReadBytes(tree.data + QStringLiteral("/default.bwp")));
        QCOMPARE(tree.digest(), before);
        QStringList copies = home.files();
        copies.sort();
        QCOMPARE(copies.size(), 2); // no temporary file left behind
    }

    void installedProgramSavesTheLibraryInTheUsersFolder()
    {
        DataHome home;
        InstalledTree tree;
        MessageRecorder messages;
        const QByteArray before = tree.digest();
        {
            auto windows = CreateProgramWindows(LocateProgramFiles(tree.bin), DeviceOutput());
            TMain& main = *windows->main;
            QVERIFY(main.hasStickCursor() == false); // the tree's "cursor" is no cursor file
            QCOMPARE(main.library().count(), 2);
            const std::vector<std::uint8_t> data = ClickBytes();
            main.library().AddSound("Clap", "", 0, 0, 0, static_cast<std::int32_t>(data.size()),
                                    data.data());
            QVERIFY(main.context().saveLibrary());
        }
        QVERIFY(messages.messages.empty());
        QCOMPARE(tree.digest(), before);

        // The next start finds the sound.
        auto windows = CreateProgramWindows(LocateProgramFiles(tree.bin), DeviceOutput());
        QCOMPARE(windows->main->library().count(), 3);
        QCOMPARE(windows->main->library().at(2).Name.str(), std::string("Clap"));
        QVERIFY(messages.messages.empty());
    }

    void aFolderThatCannotBeMadeIsReported()
    {
        InstalledTree tree;
        QTemporaryDir other;
        const QString blocker = other.filePath(QStringLiteral("file"));
        WriteBytes(blocker, QByteArray("x"));
        const ProgramFiles files =
            LocateProgramFiles(tree.bin, blocker + QStringLiteral("/Beat Wright"));
        QVERIFY(!files.problem.isEmpty());
        QVERIFY(files.problem.contains(QStringLiteral("Beat Wright")));
        // The program still starts on the tree's own files.
        QCOMPARE(files.library, QDir::cleanPath(tree.data + QStringLiteral("/default.slb")));
        QCOMPARE(files.song, QDir::cleanPath(tree.data + QStringLiteral("/default.bwp")));
    }

    void theInstalledLibraryIsNeverWritten()
    {
        // The user's folder cannot be made: the program runs on the tree's own files.
        InstalledTree tree;
        QTemporaryDir other;
        const QString blocker = other.filePath(QStringLiteral("file"));
        WriteBytes(blocker, QByteArray("x"));
        const ProgramFiles files =
            LocateProgramFiles(tree.bin, blocker + QStringLiteral("/Beat Wright"));
        const QByteArray before = tree.digest();
        MessageRecorder messages; // answers every question with OK
        QString chosen;
        const FileDialogHandler previous = SetFileDialogHandler([&](const FileRequest&) {
            return chosen = other.filePath(QStringLiteral("mine.slb"));
        });
        {
            auto windows = CreateProgramWindows(files, DeviceOutput());
            TMain& main = *windows->main;
            const std::vector<std::uint8_t> data = ClickBytes();
            main.library().AddSound("Clap", "", 0, 0, 0, static_cast<std::int32_t>(data.size()),
                                    data.data());
            QVERIFY(main.context().saveLibrary());
        }
        SetFileDialogHandler(previous);
        QCOMPARE(tree.digest(), before);
        // Offered another file instead, and saved there.
        QVERIFY(!chosen.isEmpty());
        QCOMPARE(messages.messages.back().caption, QStringLiteral("?"));
        QVERIFY(messages.messages.back().text.contains(QStringLiteral("installed copy")));
        library::SoundLibrary saved;
        saved.LoadSoundLibrary(ToFileSystemPath(chosen));
        QCOMPARE(saved.count(), 3);
    }

    void noBrowserIsSaidInAMessage()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"});
        MessageRecorder messages;
        NoBrowser browser;
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        TMain& main = *windows->main;

        main.help2->trigger();
        QCOMPARE(browser.urls.size(), std::size_t{1});
        QCOMPARE(messages.messages.size(), std::size_t{1});
        QVERIFY(messages.messages[0].text.contains(
            QDir::toNativeSeparators(folder.path("help/index.htm"))));

        // A web address (the About window's link) the same way.
        const QString page = QStringLiteral("https://localhost/beatwright/");
        windows->infoF->link()->linkActivated(page);
        QCOMPARE(browser.urls.size(), std::size_t{2});
        QCOMPARE(messages.messages.size(), std::size_t{2});
        QVERIFY(messages.messages[1].text.contains(page));

        // A browser that starts brings no message.
        {
            UrlRecorder urls;
            main.help2->trigger();
            QCOMPARE(urls.urls.size(), std::size_t{1});
        }
        QCOMPARE(messages.messages.size(), std::size_t{2});
    }

    void desktopIconIsTheWindowIcon()
    {
#ifndef BW_ICON_PNG
        QSKIP("the 256 px icon is not built here (rsvg-convert was not found)");
#else
        QImage icon(QString::fromUtf8(BW_ICON_PNG));
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.size(), QSize(256, 256));
        // Both drawn at 64 px and compared pixel by pixel: the same shapes and colours, with
        // room for the two renderers' antialiasing.
        const QImage drawn = Skin().appIcon.convertToFormat(QImage::Format_ARGB32);
        const QImage small = icon.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32);
        double total = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const QColor a = drawn.pixelColor(x, y);
                const QColor b = small.pixelColor(x, y);
                total += std::abs(a.red() * a.alpha() - b.red() * b.alpha()) / 255.0 +
                         std::abs(a.green() * a.alpha() - b.green() * b.alpha()) / 255.0 +
                         std::abs(a.blue() * a.alpha() - b.blue() * b.alpha()) / 255.0 +
                         std::abs(a.alpha() - b.alpha());
            }
        }
        const double mean = total / (64.0 * 64.0 * 4.0);
        QVERIFY2(mean < 6.0, qPrintable(QStringLiteral("mean difference %1").arg(mean)));
#endif
    }
};

std::unique_ptr<QObject> MakeProgramFilesTest()
{
    return std::make_unique<ProgramFilesTest>();
}

} // namespace bw::testing

#include "program_files_test.moc"
