// The sample import window's rules and the library window's edits, without windows.
#include "library/atomic_file.h"
#include "library/library_edits.h"
#include "library/sample_import.h"
#include "tests/library/temp_folder.h"
#include "tests/library/wav_builder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::library::MouseButton;
using bw::library::SampleImport;
using bw::library::SoundLibrary;
using bw::testing::TempFolder;
using Status = SampleImport::AddResult::Status;

std::vector<std::int16_t> ramp(std::size_t n)
{
    std::vector<std::int16_t> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::int16_t>(i);
    }
    return out;
}

/// An import window with n samples 0, 1, 2, ... loaded from a file in dir.
SampleImport loadedWith(const TempFolder& dir, std::size_t n, const std::string& name = "kick.wav")
{
    bw::writeFileAtomically(dir.path(name), bw::testing::canonicalWav(ramp(n)));
    SampleImport w;
    const auto r = w.LoadWave(dir.path(name));
    EXPECT_TRUE(r.ok) << r.errorText;
    return w;
}

// ---------------------------------------------------------------------------------------------
// Loading, zoom and the mouse rules.

TEST(SampleImport, LoadSelectsAllAndNamesTheSound)
{
    TempFolder dir;
    SampleImport w;
    EXPECT_EQ(w.StartPoint, 50);
    EXPECT_EQ(w.EndPoint, 200);
    bw::writeFileAtomically(dir.path("kick.wav"), bw::testing::canonicalWav(ramp(1000)));
    const auto r = w.LoadWave(dir.path("kick.wav"));
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.cut);
    EXPECT_EQ(r.sampleName, "kick.wav");
    EXPECT_EQ(w.fileName(), dir.path("kick.wav"));
    EXPECT_EQ(w.sampleCount(), 1000);
    EXPECT_EQ(w.StartPoint, 0);
    EXPECT_EQ(w.EndPoint, 1000);
    EXPECT_DOUBLE_EQ(w.Zoom, 1.1);
    EXPECT_EQ(w.ScrollRange, 1100);

    // A file that cannot be read changes nothing; Select All still runs.
    bw::writeFileAtomically(dir.path("bad.wav"), std::vector<std::uint8_t>(100, 'x'));
    w.StartPoint = 10;
    const auto bad = w.LoadWave(dir.path("bad.wav"));
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.errorText, "There`s a problem : unable to open file " + dir.path("bad.wav") +
                                 "\n\rError was not a WAV, AIFF or FLAC file");
    EXPECT_EQ(w.fileName(), dir.path("kick.wav"));
    EXPECT_EQ(w.samples()->size(), 1000U);
    EXPECT_EQ(w.StartPoint, 0);
    EXPECT_DOUBLE_EQ(w.Zoom, 1.1);

    // Closing frees the samples; the selection and the size stay for the next opening.
    const auto kept = w.samples();
    w.Close();
    EXPECT_FALSE(w.loaded());
    EXPECT_EQ(kept->size(), 1000U); // a preview still holding them keeps them
    w.SelectAll();
    EXPECT_EQ(w.EndPoint, 1000);
}

TEST(SampleImport, Zoom)
{
    SampleImport w;
    w.ZoomIn();
    EXPECT_DOUBLE_EQ(w.Zoom, 1.1);
    w.ZoomIn();
    EXPECT_EQ(w.Zoom, 1.5); // 1.1 + 0.1 lies just above 1.2
    w.ZoomIn();
    EXPECT_EQ(w.Zoom, 1.5);
    w.Zoom = 0.15;
    w.ZoomOut();
    EXPECT_EQ(w.Zoom, 0.1);

    // A long sound is kept within 32,000 pixels.
    TempFolder dir;
    SampleImport l = loadedWith(dir, 441000);
    EXPECT_EQ(l.ScrollRange, 32000);
    EXPECT_DOUBLE_EQ(l.Zoom, 32000.0 / 441000.0);
    l.ZoomOut();
    EXPECT_EQ(l.Zoom, 0.1);
    EXPECT_EQ(l.ScrollRange, 32000);
}

TEST(SampleImport, MouseRulesKeepTheSelectionInsideTheSound)
{
    TempFolder dir;
    SampleImport w = loadedWith(dir, 1000);
    w.Zoom = 1.0;
    w.StartPoint = 50;
    w.EndPoint = 200;
    w.MouseDown(MouseButton::Right, 30); // behind the start: ten pixels of selection
    EXPECT_EQ(w.EndPoint, 30);
    EXPECT_EQ(w.StartPoint, 20);
    w.MouseDown(MouseButton::Right, 300);
    EXPECT_EQ(w.EndPoint, 300);
    w.MouseDown(MouseButton::Left, 100);
    EXPECT_EQ(w.StartPoint, 100);
    w.MouseDown(MouseButton::Left, 400); // past the end
    EXPECT_EQ(w.StartPoint, 400);
    EXPECT_EQ(w.EndPoint, 410);
    w.MouseDown(MouseButton::Left, 410); // on the other point: nothing
    w.MouseDown(MouseButton::Right, 400);
    w.MouseDown(MouseButton::Other, 5);
    EXPECT_EQ(w.StartPoint, 400);
    EXPECT_EQ(w.EndPoint, 410);

    w.Zoom = 2.0;                         // pixels are half samples
    w.MouseDown(MouseButton::Right, 801); // 400.5 to the even neighbour: on the start point
    EXPECT_EQ(w.EndPoint, 410);
    EXPECT_EQ(w.StartPoint, 400);
    w.MouseDown(MouseButton::Right, 803);
    EXPECT_EQ(w.EndPoint, 402); // 401.5 rounds to 402

    // Near the left edge and past the end of the sound the points stop at 0 and N.
    w.Zoom = 1.0;
    w.MouseDown(MouseButton::Right, 5);
    EXPECT_EQ(w.EndPoint, 5);
    EXPECT_EQ(w.StartPoint, 0);
    w.MouseDown(MouseButton::Right, 5000);
    EXPECT_EQ(w.EndPoint, 1000);
    w.MouseDown(MouseButton::Left, 998);
    EXPECT_EQ(w.StartPoint, 998);
    w.MouseDown(MouseButton::Left, 1200);
    EXPECT_EQ(w.StartPoint, 1000);
    EXPECT_EQ(w.EndPoint, 1000);
}

TEST(SampleImport, PaintingGeometry)
{
    EXPECT_EQ(SampleImport::waveY(0), 64);
    EXPECT_EQ(SampleImport::waveY(-32768), 0);
    EXPECT_EQ(SampleImport::waveY(32766), 127);
    EXPECT_EQ(SampleImport::waveY(32767), 0);
    EXPECT_EQ(SampleImport::waveY(-512), 63);

    TempFolder dir;
    SampleImport w = loadedWith(dir, 1000);
    w.Zoom = 0.5;
    EXPECT_EQ(w.xOfSample(301), 150); // 150.5 to the even neighbour
    auto span = w.visibleSamples(400, 200);
    EXPECT_EQ(span.first, 800);
    EXPECT_EQ(span.last, 999);
    span = w.visibleSamples(900, 200);
    EXPECT_GT(span.first, span.last); // scrolled past the end: nothing to draw
}

// ---------------------------------------------------------------------------------------------
// ADD.

TEST(SampleImport, AddStoresTheSelectionAndSavesTheLibrary)
{
    TempFolder dir;
    SampleImport w = loadedWith(dir, 1000);
    SoundLibrary lib;
    const std::string slb = dir.path("default.slb");

    auto r = w.Add(lib, "kick", slb);
    ASSERT_EQ(r.status, Status::Added);
    EXPECT_EQ(r.index, 0);
    EXPECT_EQ(r.name, "kick");
    EXPECT_TRUE(r.saveError.empty());
    EXPECT_EQ(*lib.at(0).Data, ramp(1000)); // all of the sound, as the preview plays it
    EXPECT_EQ(lib.at(0).DataSize, 2000);
    EXPECT_EQ(bw::readWholeFile(slb), lib.serialize());

    w.StartPoint = 100;
    w.EndPoint = 110;
    const auto before = bw::readWholeFile(slb);
    r = w.Add(lib, "kick", slb);
    EXPECT_EQ(r.status, Status::NameTaken);
    EXPECT_EQ(lib.count(), 1);
    EXPECT_EQ(bw::readWholeFile(slb), before);

    r = w.Add(lib, "Kick", slb); // another name: letter case counts
    ASSERT_EQ(r.status, Status::Added);
    const auto first110 = ramp(110);
    EXPECT_EQ(*lib.at(1).Data, std::vector<std::int16_t>(first110.begin() + 100, first110.end()));

    // The name as stored goes to the chooser.
    r = w.Add(lib, std::string(35, 'n'), "");
    EXPECT_EQ(r.name, std::string(30, 'n'));
    // Another long name that would be stored under the same 30 characters is taken.
    EXPECT_EQ(w.Add(lib, std::string(31, 'n'), "").status, Status::NameTaken);

    // A failed save leaves the sound added and says why.
    r = w.Add(lib, "snare", dir.path("no/such/folder/x.slb"));
    EXPECT_EQ(r.status, Status::Added);
    EXPECT_NE(r.saveError.find("no/such/folder/x.slb"), std::string::npos) << r.saveError;
    EXPECT_EQ(lib.count(), 4);

    w.Close();
    EXPECT_EQ(w.Add(lib, "other", slb).status, Status::NothingLoaded);
    EXPECT_EQ(lib.count(), 4);
}

// ---------------------------------------------------------------------------------------------
// The library window's edits.

TEST(LibraryEdits, DetailsAndStretch)
{
    SoundLibrary lib;
    const std::vector<std::uint8_t> bytes(88200, 0);
    lib.AddSound("Hat", "", 0, 0, 0, 88200, bytes.data());

    auto d = bw::library::ShowSound(lib, 0);
    EXPECT_TRUE(d.valid);
    EXPECT_EQ(d.length, "44100 samples");
    EXPECT_EQ(d.stretchInfo, "No");
    EXPECT_EQ(d.mulText, "");

    EXPECT_FALSE(bw::library::SetStretchMul(lib, 0, "4")); // off: the box is emptied
    EXPECT_EQ(lib.at(0).StretchMul, 0);
    EXPECT_TRUE(bw::library::SetStretchEnabled(lib, 0, true));
    d = bw::library::ShowSound(lib, 0);
    EXPECT_EQ(d.stretchInfo, "enabled! strech to 1/1");
    EXPECT_EQ(d.mulText, "1");
    EXPECT_TRUE(bw::library::SetStretchMul(lib, 0, "12ab"));
    EXPECT_EQ(lib.at(0).StretchMul, 12);
    bw::library::SetStretchMul(lib, 0, "0");
    EXPECT_EQ(lib.at(0).StretchMul, 0);
    bw::library::SetStretchMul(lib, 0, "-3");
    EXPECT_EQ(lib.at(0).StretchMul, -3);
    bw::library::SetStretchDiv(lib, 0, "0");
    EXPECT_EQ(lib.at(0).StretchDiv, 1);
    bw::library::SetStretchDiv(lib, 0, "-2");
    EXPECT_EQ(lib.at(0).StretchDiv, 1);
    bw::library::SetStretchDiv(lib, 0, "3");
    EXPECT_EQ(bw::library::ShowSound(lib, 0).stretchInfo, "enabled! strech to -3/3");

    bw::library::SetStretchEnabled(lib, 0, false);
    d = bw::library::ShowSound(lib, 0);
    EXPECT_EQ(d.stretchInfo, "No");
    EXPECT_EQ(d.divText, "");
    EXPECT_EQ(lib.at(0).StretchDiv, 3); // kept
    bw::library::SetStretchEnabled(lib, 0, true);
    EXPECT_EQ(lib.at(0).StretchMul, 1);
    EXPECT_EQ(lib.at(0).StretchDiv, 1);

    EXPECT_EQ(bw::library::StretchTextValue("x1"), 0);
    EXPECT_EQ(bw::library::StretchTextValue("99999999999"), 2147483647);
}

TEST(LibraryEdits, StopTargetsAndNoSelection)
{
    SoundLibrary lib;
    lib.AddSound("HatClosed", "", 0, 0, 0, 0, nullptr);
    EXPECT_TRUE(bw::library::SetStopTarget(lib, 0, std::string(40, 'o')));
    EXPECT_EQ(bw::library::ShowSound(lib, 0).stopTarget, std::string(30, 'o'));
    EXPECT_TRUE(bw::library::ClearStopTarget(lib, 0));
    EXPECT_EQ(lib.at(0).StopTarget.str(), "");

    // No sound selected: empty details, nothing changes.
    for (const int index : {-1, 1}) {
        EXPECT_FALSE(bw::library::ShowSound(lib, index).valid);
        EXPECT_EQ(bw::library::ShowSound(lib, index).length, "");
        EXPECT_FALSE(bw::library::SetStretchEnabled(lib, index, true));
        EXPECT_FALSE(bw::library::SetStretchMul(lib, index, "2"));
        EXPECT_FALSE(bw::library::SetStretchDiv(lib, index, "2"));
        EXPECT_FALSE(bw::library::SetStopTarget(lib, index, "x"));
        EXPECT_FALSE(bw::library::ClearStopTarget(lib, index));
    }
    EXPECT_EQ(bw::library::DeleteQuestionText("Kick"), "Are you sure to delete \"Kick\" ?");
}

TEST(LibraryEdits, ImportIsAllOrNothing)
{
    TempFolder dir;
    SoundLibrary lib;
    const std::uint8_t pcm[] = {1, 2, 3, 4};
    lib.AddSound("Kick", "", 0, 0, 0, 4, pcm);
    lib.AddSound("Snare", "Kick", 1, 2, 1, 2, pcm);
    lib.SaveSoundLibrary(dir.path("kit.slb"));

    EXPECT_EQ(bw::library::ImportLibrary(lib, dir.path("kit.slb")), 2);
    ASSERT_EQ(lib.count(), 4);
    EXPECT_EQ(lib.SoundNameAt(2), "Kick(2)");
    EXPECT_EQ(lib.SoundNameAt(3), "Snare(2)");
    EXPECT_EQ(lib.at(3).StopTarget.str(), "Kick");

    auto damaged = bw::readWholeFile(dir.path("kit.slb"));
    damaged.resize(damaged.size() - 1); // the second sound is cut short
    bw::writeFileAtomically(dir.path("cut.slb"), damaged);
    EXPECT_THROW(bw::library::ImportLibrary(lib, dir.path("cut.slb")), bw::FileError);
    EXPECT_EQ(lib.count(), 4);
    EXPECT_THROW(bw::library::ImportLibrary(lib, dir.path("none.slb")), bw::FileError);
    EXPECT_EQ(lib.count(), 4);
}

} // namespace
