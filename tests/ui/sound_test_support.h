#pragma once

// Helpers of the sound windows' tests: answers for the file dialogs, the command-line
// program, sound files made by the test and WAV files read back.

#include "library/atomic_file.h"
#include "library/sound_library.h"
#include "tests/library/wav_builder.h"
#include "tests/support/test_paths.h"
#include "ui/widgets/file_dialogs.h"
#include "ui_test_support.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QString>
#include <QWidget>

namespace bw::testing {

/// Answers the file dialogs with the given paths in turn (an empty path cancels) and keeps
/// what they asked for.
class FileAnswers
{
public:
    explicit FileAnswers(std::vector<QString> answers = {})
        : m_answers(answers.begin(), answers.end())
    {
        m_previous = ui::SetFileDialogHandler([this](const ui::FileRequest& request) {
            requests.push_back(request);
            if (m_answers.empty()) {
                return QString();
            }
            QString next = m_answers.front();
            m_answers.pop_front();
            return next;
        });
    }
    ~FileAnswers() { ui::SetFileDialogHandler(std::move(m_previous)); }
    FileAnswers(const FileAnswers&) = delete;
    FileAnswers& operator=(const FileAnswers&) = delete;

    void add(const QString& path) { m_answers.push_back(path); }

    std::vector<ui::FileRequest> requests;

private:
    std::deque<QString> m_answers;
    ui::FileDialogHandler m_previous;
};

/// Runs `beatwright-cli` with arguments (each quoted) and returns its exit status; its error
/// output goes to errorFile when given.
inline int RunCli(const std::vector<QString>& arguments, const QString& errorFile = {})
{
    std::string command = std::string("'") + BW_CLI_PATH + "'";
    for (const QString& a : arguments) {
        command += " '" + ui::ToFileSystemPath(a) + "'";
    }
    command += " >/dev/null 2>";
    command += errorFile.isEmpty() ? std::string("/dev/null")
                                   : "'" + ui::ToFileSystemPath(errorFile) + "'";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteVector(const QString& path, const std::vector<std::uint8_t>& bytes)
{
    bw::writeFileAtomically(ui::ToFileSystemPath(path), bytes);
}

/// The 16-bit samples of an exported WAV file (after its 44-byte header), interleaved.
inline std::vector<std::int16_t> ExportedSamples(const QString& path)
{
    const QByteArray bytes = ReadAll(path);
    std::vector<std::int16_t> out;
    for (qsizetype i = 44; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<std::uint8_t>(bytes[i]);
        const auto hi = static_cast<std::uint8_t>(bytes[i + 1]);
        out.push_back(static_cast<std::int16_t>(lo | (hi << 8)));
    }
    return out;
}

/// The largest magnitude among values [from, to) of samples.
inline int Peak(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to)
{
    int peak = 0;
    for (std::size_t i = from; i < to && i < samples.size(); ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    return peak;
}

/// Samples of a sine, amplitude 0..1 of full scale, as 16-bit values.
inline std::vector<std::int16_t> Sine16(double frequency, std::size_t count, double amplitude)
{
    std::vector<std::int16_t> out;
    for (const double v : sine(frequency, 44100, count, amplitude)) {
        out.push_back(static_cast<std::int16_t>(std::lrint(v * 32767)));
    }
    return out;
}

/// One second of a 1 kHz sine, stereo 48 kHz 24-bit, with a LIST chunk before its data.
inline std::vector<std::uint8_t> StereoSine48k24()
{
    std::vector<std::uint8_t> data;
    for (const double v : sine(1000, 48000, 48000, 0.5)) {
        const auto i = static_cast<std::uint32_t>(std::lrint(v * 8388607));
        for (int channel = 0; channel < 2; ++channel) {
            data.push_back(static_cast<std::uint8_t>(i));
            data.push_back(static_cast<std::uint8_t>(i >> 8));
            data.push_back(static_cast<std::uint8_t>(i >> 16));
        }
    }
    return WavBuilder().fmt(1, 2, 48000, 24).list("made by a test").data(data).bytes();
}

/// The samples of library sound index.
inline std::vector<std::int16_t> SoundSamples(const library::SoundLibrary& lib, int index)
{
    const library::TSoundRec& s = lib.at(index);
    return std::vector<std::int16_t>(s.Data->begin(),
                                     s.Data->begin() + static_cast<std::ptrdiff_t>(s.DataSize / 2));
}

/// Saves a picture of a window for a person to look at, when BW_SCREENSHOT_DIR names a
/// folder.
inline void SaveScreenshot(QWidget& widget, const char* name)
{
    const QString out = qEnvironmentVariable("BW_SCREENSHOT_DIR");
    if (!out.isEmpty()) {
        widget.grab().save(QDir(out).filePath(QString::fromLatin1(name)));
    }
}

} // namespace bw::testing
